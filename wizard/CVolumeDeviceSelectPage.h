// The volume pages of deleted-file and format recovery: the volumes and opened disk images of a
// CVolumeDeviceSelectController on a device page with a toolbar, and the dialogs the controller asks for.
// A derived page gives its command ids and adds its own commands. User-interface thread only.
#pragma once

#include "wizard/CDeviceListPage.h"

class CVolumeDeviceSelectController;

class CVolumeDeviceSelectPage : public CDeviceListPage {
    Q_OBJECT
public:
    static constexpr unsigned kHintString = 396;

    explicit CVolumeDeviceSelectPage(const CommandIds& ids);
    ~CVolumeDeviceSelectPage() override;

    IWizardPageController* GetController() override;
    CVolumeDeviceSelectController* GetVolumeController() const { return m_controller; }

    // IDeviceSelectView: the hint dialog (the image dialogs are the base page's).
    bool ShowFormatRecoveryHint() override;

protected:
    // The controller (not owned); the page becomes its view.
    void AttachController(CVolumeDeviceSelectController* controller);
    IDeviceListCommands* ListCommands() override;
    int OnCreate() override;

    CVolumeDeviceSelectController* m_controller = nullptr;
};
