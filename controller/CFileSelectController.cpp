// The found-file controller.
#include "controller/CFileSelectController.h"

#include "controller/CSaveFileController.h"
#include "controller/IFileSelectView.h"
#include "controller/IWizardServices.h"
#include "controller/IWizardSheet.h"
#include "controller/WizardStateFiles.h"
#include "controller/MessageBoxTypes.h"
#include "core/CRecoverySettings.h"
#include "filesystems/tree/CFileSystemNode.h"
#include "filesystems/tree/FileTree.h"
#include "filesystems/tree/IFileProperties.h"
#include "platform/Clock.h"
#include "storage/recoverystate/RSFileTree.h"

namespace {

CFileSelectController::StateSaver& Saver()
{
    static CFileSelectController::StateSaver saver;
    return saver;
}

// Usage events by recovery mode: Home (timed), Recover, Recover (timed).
constexpr unsigned kHomeEvents[3] = {8211, 8232, 8260};
constexpr unsigned kRecoverEvents[3] = {8209, 8230, 8258};
constexpr unsigned kRecoverTimedEvents[3] = {8210, 8231, 8259};

int ModeIndex()
{
    const int mode = GetRecoverySettings()->m_recoveryMode;
    return mode >= 0 && mode <= 2 ? mode : 0;
}

} // namespace

void CFileSelectController::SetStateSaver(StateSaver saver)
{
    Saver() = std::move(saver);
}

void CFileSelectController::Activate()
{
    m_activatedAt = plat::GetTickCount();
    if (m_root)
        if (IWizardSheet* sheet = GetWizardSheet()) sheet->SetActivePage(WP_FILE_SELECT);
}

void CFileSelectController::Home()
{
    Reset();
    GetWizardServices()->ReportTimedEvent(kHomeEvents[ModeIndex()], plat::GetTickCount() - m_activatedAt);
    if (m_previous) m_previous->Home();
}

void CFileSelectController::Back()
{
    if (m_page && m_page->ShowMessage(kQuitSearching, wizmsg::kYesNo | wizmsg::kIconQuestion) != wizmsg::kAnswerYes)
        return;
    if (m_page) m_page->SetWaitCursor(true);
    Reset();
    if (m_previous) m_previous->Activate();
    if (m_page) m_page->SetWaitCursor(false);
}

bool CFileSelectController::next()
{
    IWizardServices* services = GetWizardServices();
    const int mode = ModeIndex();
    services->ReportEvent(kRecoverEvents[mode]);
    services->ReportTimedEvent(kRecoverTimedEvents[mode], plat::GetTickCount() - m_activatedAt);
    CFileSystemNode* root = m_page ? m_page->GetRoot() : m_root;
    FileTreeStatistics statistics;
    if (!root || !root->GetStatistics(statistics) || statistics.checkedFiles < 1) {
        if (m_page) m_page->ShowMessage(kSelectFiles, wizmsg::kIconInformation);
        return false;
    }
    CSaveFileController* save = GetSaveFileController();
    save->SetSource(root);
    save->SetPrevious(this);
    save->Activate();
    return true;
}

int CFileSelectController::GetScanKind()
{
    return m_previous ? m_previous->GetScanKind() : kScanNone;
}

CSelectedDevice* CFileSelectController::GetSelection(CSelectedDevice* selection)
{
    if (m_previous) return m_previous->GetSelection(selection);
    return IWizardPageController::GetSelection(selection);
}

void CFileSelectController::Reset()
{
    if (m_page)
        m_page->ClearRoot();
    else
        DeleteFoundTree(m_root);
    m_root = nullptr;
}

IStorageDevice* CFileSelectController::GetSourceDevice()
{
    CSelectedDevice selection;
    GetSelection(&selection);
    return selection.GetDevice();
}

void CFileSelectController::SetRoot(CFileSystemNode* root)
{
    if (!m_page && m_root != root) DeleteFoundTree(m_root);
    m_root = root;
    if (m_page) m_page->ShowRoot(root);
    GetWizardServices()->LogRecoveryPhase(6);
    if (GetScanKind() == kScanDeletedFile) return;
    if (Saver())
        Saver()(this);
    else
        SaveRecoveryStateWithProgress(this, 1);
}

int CFileSelectController::SaveState(IRSData* stream, IDIRBuildCallback* progress)
{
    return SaveFileTree(m_root, stream, progress) ? 1 : 0;
}

int CFileSelectController::RestoreState(IRSData* stream, IDIRBuildCallback* progress)
{
    CFileSystemNode* root = LoadFileTree(stream, progress);
    // A section without a tree restores nothing: the page is not shown empty as if it were a result.
    if (!root) return 0;
    {
        // The loaded root gets the plain properties of a fresh "Root" folder.
        IFileProperties* loaded = root->GetProperties();
        CFileSystemNode* fresh = CreateRootNode();
        if (fresh) {
            root->SetProperties(fresh->GetProperties());
            delete loaded;
            DestroyFileSystemNode(fresh);
        }
    }
    if (m_page)
        m_page->ShowRoot(root);
    else
        DeleteFoundTree(m_root);
    m_root = root;
    return 1;
}

CFileSelectController* GetFileSelectController()
{
    static CFileSelectController controller;
    return &controller;
}
