// Format recovery's scan-partition page.
#include "wizard/CCompleteRecoveryScanPartitionDeviceSelectPage.h"

#include "controller/CCompleteRecoveryScanPartitionDeviceSelectController.h"
#include "platform/Log.h"

CCompleteRecoveryScanPartitionDeviceSelectPage::~CCompleteRecoveryScanPartitionDeviceSelectPage()
{
    if (m_controller && m_controller->GetPage() == this) m_controller->SetPage(nullptr);
}

IWizardPageController* CCompleteRecoveryScanPartitionDeviceSelectPage::GetController()
{
    return m_controller;
}

void CCompleteRecoveryScanPartitionDeviceSelectPage::SetController(
    CCompleteRecoveryScanPartitionDeviceSelectController* pController)
{
    LogError("------------------------ParmInfo:ICompleteRecoveryPartitionDeviceSelectController* pController=%p",
             static_cast<void*>(pController));
    m_controller = pController;
    if (pController) pController->SetPage(this);
}
