// The controller of the found-file page (page 9). Every recovery mode hands its finished tree to it; it
// shows the tree on the page, has the wizard state saved for the modes that keep one, and on Recover
// checks that files are chosen and hands the tree to the save-path controller. User-interface thread only.
#pragma once

#include "controller/IFileSelectController.h"

#include <cstdint>
#include <functional>

class CFileSystemNode;
class IFileSelectView;

class CFileSelectController : public IFileSelectController {
public:
    static constexpr unsigned kSelectFiles = 139;   // "Select files to save, please."
    static constexpr unsigned kQuitSearching = 138; // "Are you sure to quit searching?"

    // The page owns the tree on show: a page that goes takes it along.
    void SetPage(IFileSelectView* page)
    {
        if (!page && m_page) m_root = nullptr;
        m_page = page;
    }
    IFileSelectView* GetPage() const { return m_page; }

    void Activate() override;
    void Home() override;
    void Back() override;
    bool next() override;
    void SetPrevious(IWizardPageController* previous) override { m_previous = previous; }
    IWizardPageController* GetPrevious() override { return m_previous; }
    int RestoreState(IRSData* stream, IDIRBuildCallback* progress) override;
    int SaveState(IRSData* stream, IDIRBuildCallback* progress) override;
    int GetControllerType() override { return 5; }
    int GetScanKind() override;
    CSelectedDevice* GetSelection(CSelectedDevice* selection) override;
    void Reset() override;

    IStorageDevice* GetSourceDevice() override;
    // Takes a finished tree: shows it and, for format and partition recovery, saves the wizard state.
    void SetRoot(CFileSystemNode* root);
    CFileSystemNode* GetRoot() const { return m_root; }

    // What saves the wizard state after a tree was handed over in format or partition recovery; without
    // one the state files are written (SaveRecoveryStateWithProgress with its dialog).
    using StateSaver = std::function<void(IWizardPageController* controller)>;
    static void SetStateSaver(StateSaver saver);

private:
    IFileSelectView* m_page = nullptr;
    CFileSystemNode* m_root = nullptr;
    IWizardPageController* m_previous = nullptr;
    uint32_t m_activatedAt = 0;
};

// The process-wide controller, made on first use.
CFileSelectController* GetFileSelectController();
