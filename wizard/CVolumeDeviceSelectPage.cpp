// The volume pages.
#include "wizard/CVolumeDeviceSelectPage.h"

#include "controller/CVolumeDeviceSelectController.h"
#include "controls/CHasCheckboxPromptDlg.h"
#include "controls/CResourceLibrary.h"
#include "views/devices/CDeviceSelectCtrl.h"
#include "views/devices/DeviceSelectTypes.h"
#include "views/diskimage/CImageDiskMasterDlg.h"
#include "views/diskimage/COpenDiskImageMasterDlg.h"

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

std::string CVolumeDeviceSelectPage::ChooseImageToOpen()
{
    // The open-disk-image wizard checks the image's slices (and lets the user repair a moved one) before
    // the controller opens it.
    COpenDiskImageMasterDlg dlg(this);
    dlg.DoModal();
    if (dlg.GetResult() != 1) return std::string();
    return dlg.GetImagePath();
}

CreatedImage CVolumeDeviceSelectPage::RunCreateImage(IStorageDevice* source, const std::string& sourceName, int heads)
{
    CImageDiskMasterDlg dlg(source, sourceName.c_str(), heads, this);
    dlg.DoModal();
    CreatedImage made;
    made.openInList = dlg.GetOpenImageInList() != 0;
    if (made.openInList) {
        made.sectorCount = dlg.GetRegionSectorCount();
        made.path = dlg.GetImageFilePath();
    }
    return made;
}
