// The open-disk-image wizard and its panes.
#include "views/diskimage/COpenDiskImageMasterDlg.h"

#include "controls/CResourceLibrary.h"
#include "controls/ControlFont.h"
#include "controls/ControlId.h"
#include "controls/MessageBox.h"
#include "platform/Log.h"
#include "views/diskimage/CDIskImagePublicDlg.h"
#include "views/diskimage/DiskImageFileDialog.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <cstdio>
#include <filesystem>
#include <unistd.h>

namespace {

constexpr int kWidth = 600, kHeaderHeight = 60, kPaneHeight = 140, kButtonRow = 46;

QString Str(unsigned id)
{
    return CResourceLibrary::Instance().LoadString(id);
}
QVBoxLayout* PaneLayout(QWidget* pane)
{
    auto* layout = new QVBoxLayout(pane);
    layout->setContentsMargins(30, 16, 30, 8);
    layout->setSpacing(8);
    return layout;
}
QFont BoldFont()
{
    QFont f = CreateDialogFont();
    f.setWeight(QFont::Bold);
    return f;
}

} // namespace

// ---- information ------------------------------------------------------------------------------------------

COpenDiskImageInfoDlg::COpenDiskImageInfoDlg(QWidget* parent) : COpenDiskInterface(kTemplate, parent)
{
    MakePane();
    auto* layout = PaneLayout(this);
    QLabel* welcome = AddText(QStringLiteral("welcome"));
    welcome->setFont(BoldFont());
    layout->addWidget(welcome);
    layout->addStretch(1);
    layout->addWidget(AddText(QStringLiteral("continue")));
}

// ---- path -------------------------------------------------------------------------------------------------

COpenDiskImagePathDlg::COpenDiskImagePathDlg(QWidget* parent) : COpenDiskInterface(kTemplate, parent)
{
    MakePane();
    auto* layout = PaneLayout(this);
    layout->addWidget(AddText(QStringLiteral("name")));
    auto* row = new QHBoxLayout;
    m_edit = new QLineEdit(this);
    SetDlgCtrlID(m_edit, kEditId);
    row->addWidget(m_edit, 1);
    m_button.AttachToDialog(this, kBrowseId, QRect(QPoint(0, 0), m_button.GetBitmapSize()));
    m_button.setFixedSize(m_button.GetBitmapSize());
    row->addWidget(&m_button);
    layout->addLayout(row);
    layout->addStretch(1);
    connect(&m_button, &QAbstractButton::clicked, this, [this] { Browse(); });
    connect(m_edit, &QLineEdit::textEdited, this, [this](const QString& t) {
        if (t.size() > 200) ShowMessageBox(this, 180, MB_ICONEXCLAMATION);
    });
}

void COpenDiskImagePathDlg::Browse()
{
    diskimg::FileDialogRequest request;
    request.filter = diskimg::QtFilter(Str(399));
    QString chosen = diskimg::ChooseFile(this, request);
    if (chosen.isEmpty()) return;
    if (chosen == QLatin1String("*.kxi")) chosen.clear();
    m_edit->setText(chosen);
}

// ---- slice repair -----------------------------------------------------------------------------------------

COpenDiskImageErrorManageDlg::COpenDiskImageErrorManageDlg(QWidget* parent) : COpenDiskInterface(kTemplate, parent)
{
    MakePane();
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(16, 8, 16, 6);
    m_list = new QTreeWidget(this);
    SetDlgCtrlID(m_list, kListId);
    m_list->setRootIsDecorated(false);
    m_list->setColumnCount(3);
    m_list->setHeaderLabels({QStringLiteral("#"), Str(425), Str(426)});
    m_list->setColumnWidth(0, 28);
    m_list->setColumnWidth(1, 80);
    m_list->header()->setStretchLastSection(true);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setTextElideMode(Qt::ElideLeft);
    layout->addWidget(m_list, 1);
    auto* buttons = new QVBoxLayout;
    buttons->setSpacing(4);
    for (auto [button, id] :
         {std::pair{&m_add, kAddId}, std::pair{&m_remove, kRemoveId}, std::pair{&m_locate, kLocateId}}) {
        button->AttachToDialog(this, unsigned(id), QRect(QPoint(0, 0), button->GetBitmapSize()));
        button->setFixedSize(button->GetBitmapSize());
        buttons->addWidget(button);
    }
    buttons->addStretch(1);
    layout->addLayout(buttons);
    EnableRowButtons(false);
    connect(&m_add, &QAbstractButton::clicked, this, [this] { AddSlice(); });
    connect(&m_remove, &QAbstractButton::clicked, this, [this] { RemoveSlice(); });
    connect(&m_locate, &QAbstractButton::clicked, this, [this] { LocateSlice(); });
    connect(m_list, &QTreeWidget::itemClicked, this,
            [this](QTreeWidgetItem* item) { SelectRow(m_list->indexOfTopLevelItem(item)); });
}

void COpenDiskImageErrorManageDlg::Append(const Row& row)
{
    m_rows.push_back(row);
    m_paths[row.path] = int(m_rows.size()) - 1;
    ++m_rowCount;
    Refill();
}

void COpenDiskImageErrorManageDlg::Refill()
{
    m_list->clear();
    for (const Row& r : m_rows) {
        auto* item =
            new QTreeWidgetItem({QString::number(r.number), Str(r.valid ? 427 : 428), QString::fromStdString(r.path)});
        item->setToolTip(2, QString::fromStdString(r.path));
        m_list->addTopLevelItem(item);
    }
    if (m_selected >= 0 && m_selected < int(m_rows.size())) m_list->setCurrentItem(m_list->topLevelItem(m_selected));
}

void COpenDiskImageErrorManageDlg::Load(const std::string& listPath, size_t expected)
{
    m_listPath = listPath;
    m_expected = expected;
    const diskimg::SliceList list = diskimg::ReadSliceList(listPath);
    for (const std::string& path : list.paths) {
        if (m_paths.count(path)) continue;
        Append({m_rowCount, diskimg::SliceOpens(path), path});
    }
}

std::vector<std::string> COpenDiskImageErrorManageDlg::Paths() const
{
    std::vector<std::string> paths;
    for (const Row& r : m_rows) paths.push_back(r.path);
    return paths;
}

bool COpenDiskImageErrorManageDlg::WriteSliceList()
{
    // A new list beside the old one, renamed over it only once it is complete.
    const std::string temp = m_listPath + ".new";
    std::FILE* f = std::fopen(temp.c_str(), "wbx");
    if (!f) {
        ::unlink(temp.c_str());
        f = std::fopen(temp.c_str(), "wbx");
    }
    if (!f) return false;
    bool ok = true;
    for (const Row& r : m_rows) ok = ok && std::fprintf(f, "%s\r\n", r.path.c_str()) > 0;
    ok = (std::fflush(f) == 0) && ok && ::fsync(fileno(f)) == 0;
    ok = (std::fclose(f) == 0) && ok;
    if (ok) ok = std::rename(temp.c_str(), m_listPath.c_str()) == 0;
    if (!ok) {
        ::unlink(temp.c_str());
        LogError("Slice list %s could not be written", m_listPath.c_str());
    }
    return ok;
}

void COpenDiskImageErrorManageDlg::Reset()
{
    m_rows.clear();
    m_paths.clear();
    m_rowCount = 0;
    m_selected = -1;
    m_list->clear();
    EnableRowButtons(false);
}

int COpenDiskImageErrorManageDlg::IsAllValid() const
{
    if (m_rows.empty() || m_rows.size() != m_expected) return 0;
    for (const Row& r : m_rows)
        if (!r.valid) return 0;
    return 1;
}

void COpenDiskImageErrorManageDlg::EnableRowButtons(bool enable)
{
    m_remove.setEnabled(enable);
    m_locate.setEnabled(enable);
}

void COpenDiskImageErrorManageDlg::SelectRow(int row)
{
    m_selected = row >= 0 && row < int(m_rows.size()) ? row : -1;
    EnableRowButtons(m_selected >= 0);
}

QString COpenDiskImageErrorManageDlg::ChooseSlice()
{
    diskimg::FileDialogRequest request;
    request.suggested = QStringLiteral("*.kxf");
    request.filter = QStringLiteral("ZUL DISKIMAGE FILE(*.kxf)");
    return diskimg::ChooseFile(this, request);
}

void COpenDiskImageErrorManageDlg::AddSlice()
{
    const std::string path = ChooseSlice().toStdString();
    if (path.empty() || m_paths.count(path)) return;
    if (!diskimg::SliceOpens(path)) {
        ShowMessageBox(this, 166, MB_ICONEXCLAMATION);
        return;
    }
    Append({m_rowCount, true, path});
}

void COpenDiskImageErrorManageDlg::LocateSlice()
{
    if (m_selected < 0) return;
    const std::string path = ChooseSlice().toStdString();
    if (path.empty() || m_paths.count(path)) return;
    if (!diskimg::SliceOpens(path)) {
        ShowMessageBox(this, 167, MB_ICONEXCLAMATION);
        return;
    }
    Row& row = m_rows[size_t(m_selected)];
    m_paths.erase(row.path);
    row = {m_selected, true, path};
    m_paths[path] = m_selected;
    Refill();
}

void COpenDiskImageErrorManageDlg::RemoveSlice()
{
    if (m_selected < 0) return;
    m_paths.erase(m_rows[size_t(m_selected)].path);
    m_rows.erase(m_rows.begin() + m_selected);
    m_selected = -1;
    Refill();
    EnableRowButtons(false);
}

// ---- success ----------------------------------------------------------------------------------------------

COpenDiskImageSuccessDlg::COpenDiskImageSuccessDlg(QWidget* parent) : COpenDiskInterface(kTemplate, parent)
{
    MakePane();
    auto* layout = PaneLayout(this);
    QLabel* done = AddText(QStringLiteral("done"));
    done->setFont(BoldFont());
    layout->addWidget(done);
    layout->addWidget(AddText(QStringLiteral("list")));
    layout->addStretch(1);
    layout->addWidget(AddText(QStringLiteral("close")));
}

// ---- the wizard -------------------------------------------------------------------------------------------

COpenDiskImageMasterDlg::COpenDiskImageMasterDlg(QWidget* parent) : COpenDiskInterface(kTemplate, parent)
{
    setWindowTitle(TemplateText(0));
    m_helpTopic = 20;
    m_swallowEscape = false;
    setFixedSize(kWidth, kHeaderHeight + kPaneHeight + kButtonRow);
    m_info = new COpenDiskImageInfoDlg(this);
    m_pathPane = new COpenDiskImagePathDlg(this);
    m_repair = new COpenDiskImageErrorManageDlg(this);
    m_successPane = new COpenDiskImageSuccessDlg(this);
    m_header = new CDIskImagePublicDlg(this);
    m_steps = {m_info, m_pathPane, m_repair, m_successPane};

    const int y = kHeaderHeight + kPaneHeight + (kButtonRow - m_next.GetBitmapSize().height()) / 2;
    int x = kWidth - 12 - m_cancel.GetBitmapSize().width();
    m_cancel.AttachToDialog(this, kCancelId, QRect(QPoint(x, y + 2), m_cancel.GetBitmapSize()));
    x -= 16 + m_next.GetBitmapSize().width();
    m_next.AttachToDialog(this, kNextId, QRect(QPoint(x, y), m_next.GetBitmapSize()));
    x -= 6 + m_back.GetBitmapSize().width();
    m_back.AttachToDialog(this, kBackId, QRect(QPoint(x, y), m_back.GetBitmapSize()));
    connect(&m_next, &QAbstractButton::clicked, this, [this] { OnNext(); });
    connect(&m_back, &QAbstractButton::clicked, this, [this] { OnBack(); });
    connect(&m_cancel, &QAbstractButton::clicked, this, [this] { OnCancel(); });
    m_timer.setInterval(500);
    connect(&m_timer, &QTimer::timeout, this, [this] { OnTimer(); });
}

COpenDiskImageMasterDlg::~COpenDiskImageMasterDlg() = default;

QString COpenDiskImageMasterDlg::Title() const
{
    return m_header->Title();
}

std::string COpenDiskImageMasterDlg::GetImagePath() const
{
    return m_pathPane->Edit()->text().toStdString();
}

bool COpenDiskImageMasterDlg::OnInitDialog()
{
    m_timer.start();
    m_header->setGeometry(0, 0, kWidth, kHeaderHeight);
    m_header->show();
    for (COpenDiskInterface* pane : m_steps) pane->setGeometry(0, kHeaderHeight, kWidth, kPaneHeight);
    ShowStep();
    m_back.setEnabled(false);
    SetTitleId(169);
    return true;
}

void COpenDiskImageMasterDlg::ShowStep()
{
    for (COpenDiskInterface* pane : m_steps) pane->hide();
    m_steps[size_t(m_step)]->ShowModeless();
    m_steps[size_t(m_step)]->raise();
}

void COpenDiskImageMasterDlg::SetTitleId(unsigned id)
{
    m_header->SetTitle(Str(id));
}

void COpenDiskImageMasterDlg::CheckImage()
{
    m_checkStarted = 1;
    const std::string path = GetImagePath();
    const bool named = path.size() > 4 && path.compare(path.size() - 4, 4, ".kxi") == 0;
    m_needs = named ? diskimg::ReadSliceNeeds(path) : diskimg::SliceNeeds{};
    if (!named || !m_needs.ok) {
        if (named) LogError("Disk image %s refused: %s", path.c_str(), m_needs.why.c_str());
        m_nextAllowed = 1;
        if (!named && diskimg::IsRawImageCandidate(path)) {
            // A raw sector image (.img, .dd ...) is no container of ours: the user is sent to Ctrl+O.
            ShowMessageBox(this,
                           CResourceLibrary::Instance()
                               .LoadText(QStringLiteral("diskimage.raw"))
                               .arg(QString::fromStdString(std::filesystem::path(path).filename().string())),
                           MB_ICONEXCLAMATION);
            return;
        }
        ShowMessageBox(this, 176, MB_ICONEXCLAMATION);
        return;
    }
    const std::string listPath = path.substr(0, path.size() - 4) + ".kxp";
    const diskimg::SliceList list = diskimg::ReadSliceList(listPath);
    if (list.status == diskimg::SliceList::Missing) {
        ShowMessageBox(this, 174, MB_ICONEXCLAMATION);
        SetTitleId(175);
        return;
    }
    if (list.status == diskimg::SliceList::Malformed) {
        ShowMessageBox(this, 179, MB_ICONEXCLAMATION);
        return;
    }
    const std::string why = diskimg::CheckSliceTable(m_needs, list.paths);
    if (why.empty()) {
        m_back.setEnabled(false);
        m_nextAllowed = 1;
        m_step = kSuccess;
        SetTitleId(173);
        ShowStep();
        return;
    }
    LogInfo("Disk image %s: %s", path.c_str(), why.c_str());
    m_nextAllowed = 0;
    m_step = kRepair;
    SetTitleId(172);
    m_repair->Reset();
    m_repair->Load(listPath, m_needs.minBytes.size());
    m_repair->EnableRowButtons(false);
    m_next.setEnabled(false);
    ShowStep();
}

void COpenDiskImageMasterDlg::OnNext()
{
    m_back.setEnabled(true);
    switch (m_step) {
    case kInfo:
        SetTitleId(171);
        m_step = kPath;
        ShowStep();
        break;
    case kPath: CheckImage(); break;
    case kRepair: {
        // The repaired table must be the image's own: as many slices as its header counts, each long enough.
        const std::string why = diskimg::CheckSliceTable(m_needs, m_repair->Paths());
        if (!why.empty()) {
            const QString text = CResourceLibrary::Instance().LoadText(QStringLiteral("diskimage.mismatch"));
            ShowMessageBox(this, text + QStringLiteral("\n\n") + QString::fromStdString(why), MB_ICONEXCLAMATION);
            return;
        }
        if (!m_repair->WriteSliceList()) {
            ShowMessageBox(this, 179, MB_ICONEXCLAMATION);
            return;
        }
        m_back.setEnabled(false);
        m_step = kSuccess;
        SetTitleId(177);
        ShowStep();
        break;
    }
    case kSuccess:
        m_result = 1;
        m_timer.stop();
        EndDialog(IDCANCEL);
        break;
    default: break;
    }
}

void COpenDiskImageMasterDlg::OnBack()
{
    m_step = m_steps[size_t(m_step)]->GetPrevStep();
    if (m_step == kInfo) {
        SetTitleId(169);
        m_back.setEnabled(false);
    } else if (m_step == kPath) {
        SetTitleId(170);
        m_next.setEnabled(true);
        m_repair->Reset();
    }
    ShowStep();
}

void COpenDiskImageMasterDlg::OnTimer()
{
    if (!m_checkStarted) return;
    if (m_repair->IsAllValid() || m_nextAllowed)
        m_next.setEnabled(true);
    else if (m_step == kRepair)
        m_next.setEnabled(false);
}

void COpenDiskImageMasterDlg::OnCancel()
{
    if (ShowMessageBox(this, 178, MB_OKCANCEL | MB_ICONQUESTION) == IDOK) {
        m_timer.stop();
        EndDialog(IDCANCEL);
    }
}
