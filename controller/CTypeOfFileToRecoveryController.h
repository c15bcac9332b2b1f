// The controller of the file-type page (page 10): on next it turns the checked file types into the
// extension filter and the options' RAW type list, then hands over to the device-select controller of
// the recovery mode.
#pragma once

#include "controller/ITypeOfFileToRecoveryController.h"

#include <cstdint>

class ITypeOfFileToRecoveryView;

class CTypeOfFileToRecoveryController : public ITypeOfFileToRecoveryController {
public:
    // Usage events sent by next, timed from Activate.
    static constexpr unsigned kEventTypesChosen[3] = {8195, 8214, 8241};

    // Notes the time, then shows page 10.
    void Activate() override;
    void Home() override;
    void Back() override;
    bool next() override;
    void SetPrevious(IWizardPageController* previous) override { m_previous = previous; }
    IWizardPageController* GetPrevious() override { return m_previous; }
    void SetMode(int mode) override { m_mode = mode; }
    int GetMode() override { return m_mode; }
    int GetScanKind() override;
    void Reset() override {}

    // The page (not owned); null while there is none.
    void SetPage(ITypeOfFileToRecoveryView* page) { m_page = page; }
    ITypeOfFileToRecoveryView* GetPage() const { return m_page; }

    // The RAW type list for the extension filter as it stands: every fixed type whose short name passes
    // the filter, or all of them when the filter holds no extension.
    static void FillRawTypeList();

private:
    ITypeOfFileToRecoveryView* m_page = nullptr;
    int m_mode = 0;
    IWizardPageController* m_previous = nullptr;
    uint32_t m_activatedAt = 0;
};

// The process-wide controller, made on first use.
CTypeOfFileToRecoveryController* GetTypeOfFileToRecoveryController();
