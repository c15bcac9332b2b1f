// The deleted-file volume page.
#include "wizard/CDeleteRecoveryPartitionDeviceSelectPage.h"

#include "controller/CDeleteRecoveryPartitionDeviceSelectController.h"
#include "platform/Log.h"

CDeleteRecoveryPartitionDeviceSelectPage::CDeleteRecoveryPartitionDeviceSelectPage()
    : CVolumeDeviceSelectPage(CommandIds{kCmdRefresh, kCmdImageMenu, kCmdRecover})
{
    if (m_initError != 0)
        LogError("Init CDeleteRecoveryPartitionDeviceSelectPage is false error=0x%x", unsigned(m_initError));
}

void CDeleteRecoveryPartitionDeviceSelectPage::SetController(
    CDeleteRecoveryPartitionDeviceSelectController* pController)
{
    LogError("------------------------ParmInfo:IDeleteRecoveryPartitionDeviceSelectController* pController");
    AttachController(pController);
}
