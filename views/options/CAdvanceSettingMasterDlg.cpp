// The Options dialog.
#include "views/options/CAdvanceSettingMasterDlg.h"

#include "controls/CResourceLibrary.h"
#include "controls/HelpRequest.h"
#include "core/CRecoverySettings.h"
#include "views/options/CAdvanceSettingCheckPage.h"
#include "views/options/CAdvanceSettingRAWPage.h"

#include <QKeyEvent>
#include <algorithm>
#include <QPainter>

namespace {
constexpr int kDialogCx = 241, kDialogCy = 280;
// In pixels of the client area: the pages lie inside it less these margins; the tabs stand on the pages'
// top edge from (kTabLeft, kTabTop).
constexpr int kPageSide = 30, kPageTopBottom = 68;
constexpr int kTabLeft = 29, kTabTop = 47;
// Bitmaps of the buttons: normal, hover, pushed, disabled (for a tab: the tab of the page shown).
struct ButtonBitmaps {
    unsigned normal, hover, push, disable;
};
constexpr ButtonBitmaps kTabBitmaps[CAdvanceSettingMasterDlg::kPageCount] = {
    {280, 279, 278, 277}, {360, 359, 358, 357}, {184, 183, 182, 181}, {366, 365, 364, 363}};
constexpr ButtonBitmaps kDefaultBitmaps{201, 200, 199, 198}, kOkBitmaps{437, 436, 435, 434},
    kCancelBitmaps{176, 175, 174, 173};
} // namespace

CAdvanceSettingMasterDlg::CAdvanceSettingMasterDlg(int bAllowRawOnly, QWidget* parent)
    : CSearchSuperDlg(kTemplateId, parent), m_allowRawOnly(bAllowRawOnly)
{
}

CAdvanceSettingMasterDlg::~CAdvanceSettingMasterDlg() = default;

CButtonPlus* CAdvanceSettingMasterDlg::Button(unsigned id) const
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

    m_ntfs = new CAdvanceSettingCheckPage(102,
                                          {{1102, &m_copy.ntfs[0], 1, true, 1181},
                                           {1056, &m_copy.ntfs[1], 1, true, 1182},
                                           {1103, &m_copy.ntfs[2], 1, true, 1183}},
                                          this);
    m_fat = new CAdvanceSettingCheckPage(299,
                                         {{1098, &m_copy.fat[0], 1, true, 1179},
                                          {1055, &m_copy.fat[1], 1, true},
                                          {1099, &m_copy.fat[2], 1, false},
                                          {1100, &m_copy.fat[3], 1, true, 1180},
                                          {1101, &m_copy.fat[4], 1, true}},
                                         this);
    m_common = new CAdvanceSettingCheckPage(301,
                                            {{1106, &m_copy.useBootRecords, 1, true, 1178},
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

    // A language whose texts do not fit the template's width widens the dialog until every page fits.
    int needed = 0;
    for (QWidget* page : m_pages) needed = std::max(needed, page->sizeHint().width());
    if (const int missing = needed - (width() - 2 * kPageSide); missing > 0) setFixedSize(width() + missing, height());
    const QRect client = rect();
    m_pageArea = client.adjusted(kPageSide, kPageTopBottom, -kPageSide, -kPageTopBottom);
    for (QWidget* page : m_pages) page->setGeometry(m_pageArea);

    auto makeButton = [this](unsigned id, const ButtonBitmaps& b) {
        auto* button = new CButtonPlus(b.normal, b.hover, b.push, b.disable, this);
        button->AttachToDialog(this, id, QRect(QPoint(0, 0), button->GetBitmapSize()));
        button->setObjectName(QString::number(id));
        button->setText(TemplateText(id)); // for the accessibility tree; the bitmap carries the caption
        button->setFocusPolicy(Qt::StrongFocus);
        return button;
    };
    static constexpr unsigned kTabIds[kPageCount] = {kTabFat, kTabNtfs, kTabCommon, kTabRaw};
    int x = client.left() + kTabLeft;
    for (int i = 0; i < kPageCount; ++i) {
        CButtonPlus* tab = makeButton(kTabIds[i], kTabBitmaps[i]);
        tab->setFocusPolicy(Qt::NoFocus);
        tab->MoveTo(x, client.top() + kTabTop);
        x += tab->GetBitmapSize().width();
        connect(tab, &QAbstractButton::clicked, this, [this, i] { ShowPage(Page(i)); });
        m_tabs[i] = tab;
    }
    m_default = makeButton(kDefaultId, kDefaultBitmaps);
    m_ok = makeButton(1, kOkBitmaps);
    m_cancel = makeButton(2, kCancelBitmaps);
    // The bottom band below the pages: Default at the left edge of the pages, OK and Cancel at the right.
    const int band = m_pageArea.bottom() + 1;
    auto placeInBand = [&](CButtonPlus* b, int left) {
        b->MoveTo(left, band + (client.bottom() + 1 - band - b->GetBitmapSize().height()) / 2);
    };
    placeInBand(m_default, m_pageArea.left());
    placeInBand(m_cancel, m_pageArea.right() + 1 - m_cancel->GetBitmapSize().width());
    placeInBand(m_ok, m_cancel->x() - 8 - m_ok->GetBitmapSize().width());
    connect(m_default, &QAbstractButton::clicked, this, [this] { OnDefault(); });
    connect(m_ok, &QAbstractButton::clicked, this, [this] { OnOK(); });
    connect(m_cancel, &QAbstractButton::clicked, this, [this] { OnCancel(); });

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
