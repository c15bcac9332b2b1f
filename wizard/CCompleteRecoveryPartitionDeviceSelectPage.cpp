// Format recovery's device page.
#include "wizard/CCompleteRecoveryPartitionDeviceSelectPage.h"

#include "controller/CCompleteRecoveryPartitionDeviceSelectController.h"
#include "controls/CResourceLibrary.h"
#include "controls/CXPMenu.h"
#include "platform/Log.h"
#include "views/devices/CDeviceSelectCtrl.h"
#include "views/devices/CIntelligentSearchingDialog.h"
#include "views/devices/CDirTreeBuilder.h"

#include <QCursor>

CCompleteRecoveryPartitionDeviceSelectPage::CCompleteRecoveryPartitionDeviceSelectPage()
    : CVolumeDeviceSelectPage(CommandIds{kCmdRefresh, kCmdImageMenu, kCmdRecover, kCmdImportState})
{
    if (m_initError != 0)
        LogError("Init CCompleteRecoveryPartitionDeviceSelectPage is false error=0x%x", unsigned(m_initError));
}

CCompleteRecoveryPartitionDeviceSelectPage::~CCompleteRecoveryPartitionDeviceSelectPage()
{
    if (m_format) m_format->SetView(nullptr);
}

void CCompleteRecoveryPartitionDeviceSelectPage::SetController(
    CCompleteRecoveryPartitionDeviceSelectController* pController)
{
    LogError("------------------------ParmInfo:ICompleteRecoveryPartitionDeviceSelectController* pController=%p",
             static_cast<void*>(pController));
    if (m_format && m_format != pController) m_format->SetView(nullptr);
    m_format = pController;
    AttachController(pController);
    if (pController) pController->SetView(this);
}

bool CCompleteRecoveryPartitionDeviceSelectPage::OnCommand(unsigned id)
{
    if (!m_format) return false;
    if (id == kCmdDeleteImage) {
        // The "Previous Recovery..." row has no record; image rows do.
        const int row = GetSelectedRow();
        if (row >= 0 && !GetRowItem(row))
            m_format->RemovePreviousRecovery();
        else
            m_format->RemoveSelectedImage();
        return true;
    }
    return CVolumeDeviceSelectPage::OnCommand(id);
}

void CCompleteRecoveryPartitionDeviceSelectPage::ShowRowMenu()
{
    if (!m_format) return;
    const int row = GetSelectedRow();
    const bool previous = row >= 0 && !GetRowItem(row);
    CResourceLibrary& lib = CResourceLibrary::Instance();
    CXPMenu menu(this);
    menu.AppendItem(kCmdRecover, lib.LoadString(previous ? kContinueString : kRecoverString).trimmed());
    if (previous || m_format->IsImageSelected())
        menu.AppendItem(kCmdDeleteImage, lib.LoadString(kRemoveString).trimmed());
    if (const unsigned command = menu.TrackPopupMenu(QCursor::pos())) OnCommand(command);
}

IntelligentSearchEnd CCompleteRecoveryPartitionDeviceSelectPage::RunSearch(IStorageDevice* device,
                                                                           const CSearchControllerList& scanners,
                                                                           CSearchedPartitionList& found)
{
    return RunIntelligentSearch(device, scanners, found, RunIntelligentSearchDialog);
}

void CCompleteRecoveryPartitionDeviceSelectPage::BuildRawTree(CRawFileList* hits, IStorageDevice* device,
                                                              CFileNode* parent)
{
    ::BuildRawFileTree(hits, device, parent);
}
