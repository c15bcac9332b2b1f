// The logic of one wizard page apart from its window. Controllers are process-wide singletons linked
// into a chain through their previous-controller links; a page's work is done in next, which hands over
// to the following controller (its SetPrevious with this controller, then its Activate).
// Home unwinds the chain to the recovery-mode controller; Back leaves through the previous controller.
// User-interface thread only.
#pragma once

#include "controller/CSelectedDevice.h"
#include "controller/WizardTypes.h"

class IRSData;
class IDIRBuildCallback;

class IWizardPageController {
public:
    virtual ~IWizardPageController() = default;
    // Enters the controller's page.
    virtual void Activate() = 0;
    virtual void Home() = 0;
    virtual void Back() = 0;
    // Does the page's work and hands over; the result tells whether it went on.
    virtual bool next() = 0;
    virtual void SetPrevious(IWizardPageController* previous) = 0;
    virtual IWizardPageController* GetPrevious() = 0;

    // The Options dialog, modal, with the RAW type tree not editable.
    virtual void ShowAdvanceSetting();
    // The controller's part of a wizard-state file; nonzero on success (0 fails the save or the restore).
    // Stream errors pass as CRSException.
    virtual int RestoreState(IRSData* /*stream*/, IDIRBuildCallback* /*progress*/) { return 0; }
    virtual int SaveState(IRSData* /*stream*/, IDIRBuildCallback* /*progress*/) { return 0; }
    virtual int GetControllerType() { return kControllerNotSaved; }
    virtual int GetScanKind() { return kScanNone; }
    // Fills the selection; a controller that keeps none gives a disk kind without record.
    virtual CSelectedDevice* GetSelection(CSelectedDevice* selection)
    {
        if (selection) selection->Set(CSelectedDevice::kDisk, nullptr);
        return selection;
    }
    virtual void Reset() {}
};
