// The volume pages.
#include "wizard/CVolumeDeviceSelectPage.h"

#include "controller/CVolumeDeviceSelectController.h"
#include "controls/CHasCheckboxPromptDlg.h"
#include "controls/CResourceLibrary.h"
#include "views/devices/CDeviceSelectCtrl.h"
#include "views/devices/DeviceSelectTypes.h"

CVolumeDeviceSelectPage::CVolumeDeviceSelectPage(const CommandIds& ids) : CDeviceListPage(ids) {}

CVolumeDeviceSelectPage::~CVolumeDeviceSelectPage()
{
    if (m_controller && m_controller->GetPage() == this) m_controller->SetPage(nullptr);
}

IWizardPageController* CVolumeDeviceSelectPage::GetController()
{
    return m_controller;
}

IDeviceListCommands* CVolumeDeviceSelectPage::ListCommands()
{
    return m_controller;
}

void CVolumeDeviceSelectPage::AttachController(CVolumeDeviceSelectController* controller)
{
    m_controller = controller;
    if (controller) controller->SetPage(this);
}

int CVolumeDeviceSelectPage::OnCreate()
{
    if (CDeviceListPage::OnCreate() == -1) return -1;
    m_list->SetCtrlStyle(CS_PARTITION);
    return 0;
}

bool CVolumeDeviceSelectPage::ShowFormatRecoveryHint()
{
    CHasCheckboxPromptDlg dlg(CResourceLibrary::Instance().LoadString(kHintString), nullptr);
    dlg.DoModal();
    return dlg.GetDontShowAgain() != 0;
}
