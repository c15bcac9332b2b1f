// The Options dialog.
#include "views/options/CAdvanceSettingMasterDlg.h"

#include "controls/CResourceLibrary.h"
#include "controls/HelpRequest.h"
#include "core/CRecoverySettings.h"
#include "views/options/CAdvanceSettingCheckPage.h"
#include "views/options/CAdvanceSettingRAWPage.h"

#include <QKeyEvent>
#include <QPainter>

namespace {
constexpr int kDialogCx = 241, kDialogCy = 280;
constexpr int kTabTop = 20, kTabHeight = 16, kTabWidth = 50;
constexpr int kPageTop = 38, kPageSide = 8, kPageBottom = 36;
} // namespace

CAdvanceSettingMasterDlg::CAdvanceSettingMasterDlg(int bAllowRawOnly, QWidget* parent)
    : CSearchSuperDlg(kTemplateId, parent), m_allowRawOnly(bAllowRawOnly)
{
}

CAdvanceSettingMasterDlg::~CAdvanceSettingMasterDlg() = default;

QPushButton* CAdvanceSettingMasterDlg::Button(unsigned id) const
{
    switch (id) {
    case kDefaultId: return m_default;
    case 1: return m_ok;
    case 2: return m_cancel;
    default: return nullptr;
    }
}

CAdvanceSettingCheckPage* CAdvanceSettingMasterDlg::CheckPage(Page page) const
{
    switch (page) {
    case kPageFat: return m_fat;
    case kPageNtfs: return m_ntfs;
    case kPageCommon: return m_common;
    default: return nullptr;
    }
}

bool CAdvanceSettingMasterDlg::OnInitDialog()
{
    setWindowTitle(TemplateText(0));
    SetTemplateSize(kDialogCx, kDialogCy);

    CRecoverySettings* s = GetRecoverySettings();
    m_copy.useBootRecords = s->m_useBootRecords;
    m_copy.usePartitionTables = s->m_usePartitionTables;
    m_copy.extensiveVolumesSearch = s->m_extensiveVolumesSearch;
    m_copy.ignoreBadSectors = s->m_ignoreBadSectors;
    m_copy.fat[0] = s->m_fatCheckDate;
    m_copy.fat[1] = s->m_fatCheckTime;
    m_copy.fat[2] = s->m_fatOption3;
    m_copy.fat[3] = s->m_fatUseFirstCopy;
    m_copy.fat[4] = s->m_fatUseSecondCopy;
    m_copy.ntfs[0] = s->m_ntfsUseFilesForVolumeSize;
    m_copy.ntfs[1] = s->m_ntfsUseMft;
    m_copy.ntfs[2] = s->m_ntfsMftFilesOnly;
    m_copy.recoverRaw = s->m_recoverRawFiles;
    m_copy.rawOnly = s->m_rawFilesOnly;
    m_copy.maxRawSize = s->m_maxRawFileSize;

    m_ntfs = new CAdvanceSettingCheckPage(
        102, {{1102, &m_copy.ntfs[0], 1, true}, {1056, &m_copy.ntfs[1], 1, true}, {1103, &m_copy.ntfs[2], 1, true}},
        this);
    m_fat = new CAdvanceSettingCheckPage(299,
                                         {{1098, &m_copy.fat[0], 1, true},
                                          {1055, &m_copy.fat[1], 1, true},
                                          {1099, &m_copy.fat[2], 1, false},
                                          {1100, &m_copy.fat[3], 1, true},
                                          {1101, &m_copy.fat[4], 1, true}},
                                         this);
    m_common = new CAdvanceSettingCheckPage(301,
                                            {{1106, &m_copy.useBootRecords, 1, true},
                                             {1058, &m_copy.usePartitionTables, 0, false},
                                             {1107, &m_copy.extensiveVolumesSearch, 0, false},
                                             {1113, &m_copy.ignoreBadSectors, 1, true}},
                                            this);
    m_raw = new CAdvanceSettingRAWPage(this);
    m_raw->Init(m_copy.recoverRaw, m_copy.rawOnly, m_copy.maxRawSize, &s->m_rawTypeIds);
    m_raw->SetAllowRawOnly(m_allowRawOnly);
    m_raw->SetTreeEditable(m_treeEditable);
    m_raw->SetControls();
    m_fat->Init();
    m_ntfs->Init();
    m_common->Init();
    m_pages = {m_fat, m_ntfs, m_common, m_raw};

    const QRect area =
        DialogUnits().MapDialogRect(kPageSide, kPageTop, kDialogCx - 2 * kPageSide, kDialogCy - kPageTop - kPageBottom);
    m_pageArea = area;
    for (QWidget* page : m_pages) page->setGeometry(area);

    static constexpr unsigned kTabIds[kPageCount] = {kTabFat, kTabNtfs, kTabCommon, kTabRaw};
    for (int i = 0; i < kPageCount; ++i) {
        auto* tab = new QPushButton(TemplateText(kTabIds[i]), this);
        tab->setObjectName(QString::number(kTabIds[i]));
        PlaceControl(tab, kPageSide + i * (kTabWidth + 2), kTabTop, kTabWidth, kTabHeight);
        connect(tab, &QPushButton::clicked, this, [this, i] { ShowPage(Page(i)); });
        m_tabs[i] = tab;
    }
    auto makeButton = [this](unsigned id, int x) {
        auto* b = new QPushButton(TemplateText(id), this);
        b->setObjectName(QString::number(id));
        PlaceControl(b, x, kDialogCy - 28, 60, 18);
        return b;
    };
    m_default = makeButton(kDefaultId, kPageSide);
    m_ok = makeButton(1, kDialogCx - kPageSide - 2 * 60 - 6);
    m_cancel = makeButton(2, kDialogCx - kPageSide - 60);
    m_ok->setDefault(true);
    connect(m_default, &QPushButton::clicked, this, [this] { OnDefault(); });
    connect(m_ok, &QPushButton::clicked, this, [this] { OnOK(); });
    connect(m_cancel, &QPushButton::clicked, this, [this] { OnCancel(); });

    ShowPage(kPageFat);
    return true;
}

void CAdvanceSettingMasterDlg::ShowPage(Page page)
{
    for (int i = 0; i < kPageCount; ++i) {
        m_pages[i]->setVisible(i == page);
        m_tabs[i]->setEnabled(i != page);
    }
    m_current = page;
    if (page == kPageRaw)
        m_raw->SizeEdit()->setFocus();
    else if (QWidget* first = CheckPage(page)->Box(CheckPage(page)->FirstControl()))
        first->setFocus();
    update();
}

void CAdvanceSettingMasterDlg::OnDefault()
{
    m_fat->Default();
    m_ntfs->Default();
    m_common->Default();
    m_raw->Default();
}

void CAdvanceSettingMasterDlg::OnOK()
{
    m_fat->Collect();
    m_ntfs->Collect();
    m_common->Collect();
    m_raw->Collect(&m_copy.recoverRaw, &m_copy.rawOnly, &m_copy.maxRawSize);

    CRecoverySettings* s = GetRecoverySettings();
    s->m_useBootRecords = m_copy.useBootRecords;
    s->m_usePartitionTables = m_copy.usePartitionTables;
    s->m_extensiveVolumesSearch = m_copy.extensiveVolumesSearch;
    s->m_ignoreBadSectors = m_copy.ignoreBadSectors;
    s->m_fatCheckDate = m_copy.fat[0];
    s->m_fatCheckTime = m_copy.fat[1];
    s->m_fatOption3 = m_copy.fat[2];
    s->m_fatUseFirstCopy = m_copy.fat[3];
    s->m_fatUseSecondCopy = m_copy.fat[4];
    s->m_ntfsUseFilesForVolumeSize = m_copy.ntfs[0];
    s->m_ntfsUseMft = m_copy.ntfs[1];
    s->m_ntfsMftFilesOnly = m_copy.ntfs[2];
    s->m_recoverRawFiles = m_copy.recoverRaw;
    s->m_rawFilesOnly = m_copy.rawOnly;
    s->m_maxRawFileSize = m_copy.maxRawSize;
    EndDialog(1);
}

void CAdvanceSettingMasterDlg::paintEvent(QPaintEvent* e)
{
    CSearchSuperDlg::paintEvent(e);
    QPainter painter(this);
    painter.setPen(QColor(137, 139, 136));
    painter.drawRect(m_pageArea.adjusted(-1, -1, 0, 0));
}

void CAdvanceSettingMasterDlg::keyPressEvent(QKeyEvent* e)
{
    if (e->key() == Qt::Key_F1) {
        RequestHelpTopic(this, kHelpTopic);
        e->accept();
        return;
    }
    CSearchSuperDlg::keyPressEvent(e);
}
