// The Options dialog: the scan options of the process-wide options object on four pages (FAT, NTFS, Common,
// RAW) chosen with tab buttons. It edits a copy of the options and writes the copy back only on OK.
#pragma once

#include "controls/CButtonPlus.h"
#include "controls/CSearchSuperDlg.h"

#include <array>
#include <cstdint>

class CAdvanceSettingCheckPage;
class CAdvanceSettingRAWPage;

class CAdvanceSettingMasterDlg : public CSearchSuperDlg {
    Q_OBJECT
public:
    static constexpr unsigned kTemplateId = 298;
    static constexpr unsigned kTabFat = 1128;
    static constexpr unsigned kTabNtfs = 1174;
    static constexpr unsigned kTabCommon = 1175;
    static constexpr unsigned kTabRaw = 1177;
    static constexpr unsigned kDefaultId = 1109;
    static constexpr int kHelpTopic = 46;
    enum Page { kPageFat, kPageNtfs, kPageCommon, kPageRaw, kPageCount };

    CAdvanceSettingMasterDlg(int bAllowRawOnly, QWidget* parent);
    ~CAdvanceSettingMasterDlg() override;

    // Whether the RAW page's type tree may be edited (1 unless set before the dialog runs).
    void EnableRawTypeTree(int enable) { m_treeEditable = enable; }

    // The tab commands and the Default command, as the buttons run them.
    void ShowPage(Page page);
    void OnDefault();
    Page CurrentPage() const { return m_current; }
    CButtonPlus* TabButton(Page page) const { return m_tabs[page]; }
    CButtonPlus* Button(unsigned id) const;
    // Where the pages are shown (the frame is drawn one pixel outside).
    QRect PageArea() const { return m_pageArea; }
    CAdvanceSettingCheckPage* CheckPage(Page page) const;
    CAdvanceSettingRAWPage* RawPage() const { return m_raw; }

protected:
    bool OnInitDialog() override;
    void OnOK() override;
    void paintEvent(QPaintEvent* e) override;
    // F1 opens the dialog's help topic (RequestHelpTopic).
    void keyPressEvent(QKeyEvent* e) override;

private:
    struct Copy {
        int useBootRecords = 0, usePartitionTables = 0, extensiveVolumesSearch = 0, ignoreBadSectors = 0;
        int fat[5] = {};
        int ntfs[3] = {};
        int recoverRaw = 0, rawOnly = 0;
        uint64_t maxRawSize = 0;
    } m_copy;

    int m_allowRawOnly;
    int m_treeEditable = 1;
    Page m_current = kPageFat;
    std::array<QWidget*, kPageCount> m_pages{};
    std::array<CButtonPlus*, kPageCount> m_tabs{};
    CAdvanceSettingCheckPage* m_fat = nullptr;
    CAdvanceSettingCheckPage* m_ntfs = nullptr;
    CAdvanceSettingCheckPage* m_common = nullptr;
    CAdvanceSettingRAWPage* m_raw = nullptr;
    CButtonPlus* m_default = nullptr;
    CButtonPlus* m_ok = nullptr;
    CButtonPlus* m_cancel = nullptr;
    QRect m_pageArea;
};
