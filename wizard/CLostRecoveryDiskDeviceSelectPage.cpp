// The partition-recovery disk page.
#include "wizard/CLostRecoveryDiskDeviceSelectPage.h"

#include "controller/CLostRecoveryDiskDeviceSelectController.h"
#include "controls/CResourceLibrary.h"
#include "controls/MessageBox.h"
#include "platform/Log.h"
#include "views/devices/CDeviceSelectCtrl.h"
#include "views/devices/DeviceSelectTypes.h"

namespace {
QString Text(const char* key)
{
    return CResourceLibrary::Instance().LoadText(QString::fromLatin1(key));
}
} // namespace

CLostRecoveryDiskDeviceSelectPage::CLostRecoveryDiskDeviceSelectPage()
    : CDeviceListPage(CommandIds{kCmdRefresh, kCmdImageMenu, kCmdRecover, kCmdImport})
{
}

CLostRecoveryDiskDeviceSelectPage::~CLostRecoveryDiskDeviceSelectPage()
{
    if (m_controller && m_controller->GetPage() == this) m_controller->SetPage(nullptr);
}

IWizardPageController* CLostRecoveryDiskDeviceSelectPage::GetController()
{
    return m_controller;
}

IDeviceListCommands* CLostRecoveryDiskDeviceSelectPage::ListCommands()
{
    return m_controller;
}

void CLostRecoveryDiskDeviceSelectPage::SetController(CLostRecoveryDiskDeviceSelectController* pController)
{
    LogError("------------------------ParmInfo:ILostRecoveryDiskDeviceSelectController* pController=%x",
             unsigned(reinterpret_cast<uintptr_t>(pController)));
    m_controller = pController;
}

int CLostRecoveryDiskDeviceSelectPage::OnCreate()
{
    if (CDeviceListPage::OnCreate() == -1) return -1;
    m_list->SetCtrlStyle(CS_DISK);
    return 0;
}

void CLostRecoveryDiskDeviceSelectPage::RemovePreviousRecoveryRow()
{
    if (m_controller) m_controller->RemovePreviousRecovery();
}

bool CLostRecoveryDiskDeviceSelectPage::AskFullScanAfterEmptySearch()
{
    return ShowMessageBox(this, Text("wizard.lost.nopartition"), MB_YESNO | MB_ICONQUESTION) == IDYES;
}
