// The found-file page.
#include "wizard/CFileSelectPage.h"

#include "controller/CFileSelectController.h"
#include "controller/IWizardServices.h"
#include "controller/ModeDeviceControllers.h"
#include "controls/CResourceLibrary.h"
#include "controls/CTabCtrlPlus.h"
#include "controls/ControlId.h"
#include "controls/CXPMenu.h"
#include "controls/MessageBox.h"
#include "controls/WindowMessages.h"
#include "core/CRecoverySettings.h"
#include "core/DisplayText.h"
#include "core/PathHelpers.h"
#include "filesystems/tree/CFileSystemNode.h"
#include "filesystems/tree/FileTree.h"
#include "filesystems/tree/IFileProperties.h"
#include "controller/CSaveFileController.h"
#include "platform/Log.h"
#include "storage/recoverystate/CMBKArchive.h"
#include "views/files/CFileListCtrl.h"
#include "views/files/CFileSelectCtrlContainer.h"
#include "views/files/CFileTreeCtrl.h"
#include "views/files/CPropertiesDlg.h"
#include "views/files/FoundFilePictures.h"
#include "views/diskimage/DiskImageFileDialog.h"
#include "views/preview/PreviewFoundFile.h"
#include "views/saving/CRBClickRecoverFileDlg.h"
#include "views/search/CFindFileDlg.h"
#include "views/search/CFoundFileList.h"
#include "views/search/CSearchFileDlg.h"

#include <QApplication>
#include <QDateTime>
#include <QFileInfo>
#include <QPainter>
#include <QShortcut>

#include <map>

namespace {

QString String(unsigned id)
{
    return CResourceLibrary::Instance().LoadString(id);
}
QString Text(const char* key)
{
    return CResourceLibrary::Instance().LoadText(QString::fromLatin1(key));
}

int ModeIndex()
{
    const int mode = GetRecoverySettings()->m_recoveryMode;
    return mode >= 0 && mode <= 2 ? mode : 0;
}

constexpr unsigned kFindEvents[3] = {8199, 8226, 8248};
constexpr unsigned kSearchEvents[3] = {8200, 8227, 8249};
constexpr unsigned kPreviewEvents[3] = {8201, 8228, 8256};
constexpr unsigned kExportEvents[3] = {8208, 8229, 8257};

constexpr unsigned kCheckBoxes = 135, kFolders = 139;

} // namespace

CFileSelectPage::CFileSelectPage()
    : m_find(320, 314, 297, 296), m_preview(295, 294, 282, 281), m_filler(544, 544, 544, 544)
{
    m_textFont = QFont(PageFont().family());
    m_textFont.setPixelSize(15);
    m_textFont.setBold(false);
    for (CButtonPlus* b : {&m_find, &m_preview, &m_filler})
        if (b->GetInitError() != 0) m_initError = 769;
}

CFileSelectPage::~CFileSelectPage()
{
    // The lists stop using the tree's nodes before the tree goes.
    ClearRoot();
    CFileSelectController* shared = GetFileSelectController();
    if (shared->GetPage() == this) shared->SetPage(nullptr);
    // The tab strip lets go of its windows rather than deleting them: they are the page's.
    delete m_container;
    m_container = nullptr;
    delete m_searchList;
    m_searchList = nullptr;
}

IWizardPageController* CFileSelectPage::GetController()
{
    return m_controller;
}

void CFileSelectPage::SetController(CFileSelectController* pController)
{
    if (pController)
        LogError("------------------------ParmInfo:IFileSelectController* pController=%p",
                 static_cast<void*>(pController));
    m_controller = pController;
}

CFileTreeCtrl* CFileSelectPage::Tree() const
{
    return m_container ? m_container->GetFileTreeCtrl() : nullptr;
}

CFileListCtrl* CFileSelectPage::FileList() const
{
    return m_container ? m_container->GetFileListCtrl() : nullptr;
}

CFileListCtrl* CFileSelectPage::ActiveList() const
{
    return m_tab && m_tab->GetCurSel() == 1 ? m_searchList : FileList();
}

int CFileSelectPage::OnCreate()
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    // Check boxes, folder marks and tool faces that the resources lack, drawn by the program.
    InstallFoundFilePictures();
    m_tab = new CTabCtrlPlus(this);
    m_tab->Create(WS_CHILD | WS_VISIBLE, RECT{}, this, kTabId);

    m_container = new CFileSelectCtrlContainer();
    m_tab->AddWindow(m_container);
    CFileTreeCtrl* tree = m_container->GetFileTreeCtrl();
    CFileListCtrl* list = m_container->GetFileListCtrl();
    tree->SetImages(kCheckBoxes, kFolders);
    list->SetCheckImageList(kCheckBoxes);
    tree->SetFileListCtrl(list);
    tree->SetNotifyWnd(this);
    list->SetFileTreeCtrl(tree);
    list->SetNotifyWnd(this);
    connect(list, &CFileListCtrl::Command, this, [this](unsigned id) { OnCommand(id); });

    m_searchList = new CFileListCtrl();
    m_tab->AddWindow(m_searchList);
    m_searchList->SetCheckImageList(kCheckBoxes);
    m_searchList->CreateViewButton(411, 410, 409, 408);
    m_searchList->CreateSelectAllButton(390, 389, 388, 387);
    m_searchList->CreateDeselectAllButton(205, 204, 203, 202);
    m_searchList->CreateStatesButton(394, 398, 392, 391);
    m_searchList->SetNotifyWnd(this);
    connect(m_searchList, &CFileListCtrl::Command, this, [this](unsigned id) { OnCommand(id); });

    m_tab->InsertItem(String(kFilesTab), 0);
    m_tab->SetCurSel(0);

    struct {
        CButtonPlus* button;
        unsigned id;
    } buttons[] = {{&m_find, kCmdFind}, {&m_preview, kCmdPreview}, {&m_filler, kFillerId}};
    for (const auto& b : buttons) {
        b.button->Create(QString(), WS_CHILD | WS_VISIBLE, RECT{}, this, b.id);
        if (b.id != kFillerId) {
            const unsigned id = b.id;
            connect(b.button, &QAbstractButton::clicked, this, [this, id] { OnCommand(id); });
        }
    }
    // The bar beside the buttons carries the menu of the commands no button raises.
    m_filler.setFocusPolicy(Qt::NoFocus);
    connect(&m_filler, &QAbstractButton::clicked, this, [this] { ShowToolsMenu(); });

    // The commands no button raises: search, properties and the single-file recovery by keyboard too.
    struct {
        QKeySequence keys;
        unsigned id;
    } shortcuts[] = {
        {QKeySequence(Qt::CTRL | Qt::Key_F), kCmdSearch},
        {QKeySequence(Qt::Key_F3), kCmdFind},
        {QKeySequence(Qt::ALT | Qt::Key_Return), kCmdFileProperties},
        {QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_Return), kCmdFolderProperties},
        {QKeySequence(Qt::CTRL | Qt::Key_S), kCmdRecoverFile},
        {QKeySequence(Qt::CTRL | Qt::Key_E), kCmdExportState},
    };
    for (const auto& s : shortcuts) {
        auto* shortcut = new QShortcut(s.keys, this);
        shortcut->setContext(Qt::WidgetWithChildrenShortcut);
        const unsigned id = s.id;
        connect(shortcut, &QShortcut::activated, this, [this, id] { OnCommand(id); });
    }
    m_selectedText = String(kNothingSelected);
    return 0;
}

void CFileSelectPage::Layout(int iClientWidth, int iClientHeight)
{
    LogError("------------------------ParmInfo:int iClientWidth=%x, int iClientHeight=%x", unsigned(iClientWidth),
             unsigned(iClientHeight));
    if (!m_tab) return;
    m_tab->setGeometry(ToQRect(RECT{m_rcSubTitle.left, m_rcSubTitle.bottom, m_rcSubTitle.right, m_rcBottom.top}));
    m_find.MoveTo(50, 30);
    m_preview.MoveTo(50 + m_find.GetBitmapSize().width(), 30);
    const int fillerX = 50 + m_find.GetBitmapSize().width() + m_preview.GetBitmapSize().width();
    m_filler.MoveTo(fillerX, 30);
    // The bar ends where the views end, however wide the window is.
    m_filler.resize(std::max(0, int(m_rcSubTitle.right) - fillerX), m_filler.GetBitmapSize().height());
}

void CFileSelectPage::Draw(QPainter* pDC)
{
    pDC->save();
    const QRect frame =
        ToQRect(RECT{m_rcSubTitle.left - 1, m_rcSubTitle.top - 1, m_rcSubTitle.right + 1, m_rcBottom.top});
    pDC->setPen(ToQColor(kFrameColour));
    pDC->setBrush(Qt::NoBrush);
    pDC->drawRect(frame.adjusted(0, 0, -1, -1));
    pDC->setFont(m_textFont);
    pDC->setPen(Qt::black);
    const QRect bottom = ToQRect(m_rcBottom);
    const QFontMetrics metrics(m_textFont);
    // The two texts share the strip: each keeps at most half of it and ends in dots when longer.
    const int half = bottom.width() / 2 - 4;
    pDC->drawText(bottom, Qt::AlignLeft | Qt::AlignBottom | Qt::TextSingleLine,
                  metrics.elidedText(m_totalText, Qt::ElideRight, half));
    pDC->drawText(bottom, Qt::AlignRight | Qt::AlignBottom | Qt::TextSingleLine,
                  metrics.elidedText(m_selectedText, Qt::ElideRight, half));
    pDC->restore();
}

void CFileSelectPage::ShowRoot(CFileSystemNode* root)
{
    ClearRoot();
    if (!root) return;
    IStorageDevice* device = m_controller ? m_controller->GetSourceDevice() : nullptr;
    if (FileList()) FileList()->SetSourceDevice(device);
    if (m_searchList) m_searchList->SetSourceDevice(device);
    m_root = root;
    if (Tree()) Tree()->SetRootNode(root);
    FileTreeStatistics statistics;
    root->GetStatistics(statistics);
    m_totalText = String(kTotalString)
                      .replace(QStringLiteral("%s"), QString::fromStdString(FormatByteSize(statistics.bytes)))
                      .replace(QStringLiteral("%d"), QString::number(statistics.files));
    m_selectedText = String(kNothingSelected);
    if (m_tab && m_tab->GetItemCount() > 1) m_tab->DeleteItem(1);
    update();
}

void CFileSelectPage::ClearRoot()
{
    // The lists are emptied first: the thumbnail loader finishes the file it copies before they are, so it
    // never reads a node of the tree being freed.
    if (FileList()) FileList()->ClearItems();
    if (m_searchList) m_searchList->ClearItems();
    if (Tree()) Tree()->SetRootNode(nullptr);
    CFileSystemNode* root = m_root;
    m_root = nullptr;
    DeleteFoundTree(root);
}

int CFileSelectPage::ShowMessage(unsigned stringId, unsigned type)
{
    return ShowMessageBox(this, stringId, type);
}

void CFileSelectPage::SetWaitCursor(bool wait)
{
    if (wait)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

void CFileSelectPage::UpdateTotals()
{
    if (!m_root) return;
    FileTreeStatistics statistics;
    m_root->GetStatistics(statistics);
    m_totalText = String(kTotalString)
                      .replace(QStringLiteral("%s"), QString::fromStdString(FormatByteSize(statistics.bytes)))
                      .replace(QStringLiteral("%d"), QString::number(statistics.files));
    m_selectedText = String(kSelectedString)
                         .replace(QStringLiteral("%s"), QString::fromStdString(FormatByteSize(statistics.checkedBytes)))
                         .replace(QStringLiteral("%d"), QString::number(statistics.checkedFiles));
    update();
}

void CFileSelectPage::customEvent(QEvent* e)
{
    if (CWindowMessage* m = CWindowMessage::From(e)) {
        if (m->Message() == UM_SELECTION_TOTALS)
            UpdateTotals();
        else if (m->Message() == UM_SELECTION_CHANGED)
            OnTabChanged();
        return;
    }
    CWizardPage::customEvent(e);
}

void CFileSelectPage::OnTabChanged()
{
    UpdateTotals();
    if (m_tab && m_tab->GetCurSel() == 0 && Tree()) Tree()->UpdateAllCheckImages();
}

bool CFileSelectPage::OnCommand(unsigned id)
{
    switch (id) {
    case kCmdFind: OnFind(); return true;
    case kCmdSearch: OnSearch(); return true;
    case kCmdPreview:
    case kCmdPreviewMenu: OnPreview(); return true;
    case kCmdFolderProperties: OnFolderProperties(); return true;
    case kCmdFileProperties: OnFileProperties(); return true;
    case kCmdRecoverFile: OnRecoverFile(); return true;
    case kCmdLocate: OnLocate(); return true;
    case kCmdExportState: OnExportState(); return true;
    default: return false;
    }
}

void CFileSelectPage::OnFind()
{
    GetWizardServices()->ReportEvent(kFindEvents[ModeIndex()]);
    const bool files = m_tab && m_tab->GetCurSel() == 0;
    CFindFileDlg dlg(files ? m_root : nullptr, ActiveList(), files ? Tree() : nullptr, nullptr);
    dlg.DoModal();
}

QString CFileSelectPage::SearchTabLabel(const QString& prefix, const QString& pattern)
{
    QString label = prefix + QStringLiteral("(%1)").arg(pattern);
    if (label.size() > 30) label = prefix + QStringLiteral("(%1...)").arg(pattern.left(26));
    return label;
}

void CFileSelectPage::OnSearch()
{
    GetWizardServices()->ReportEvent(kSearchEvents[ModeIndex()]);
    if (!m_root) return;
    CFileNode* start = nullptr;
    if (FileList() && Tree()) start = Tree()->GetItemData(FileList()->GetCurrentFolderItem());
    CFoundFileList results;
    CSearchFileDlg dlg(m_root, start, &results, nullptr);
    if (dlg.DoModal() == IDOK) {
        if (m_tab->GetItemCount() > 1) m_tab->DeleteItem(1);
        m_tab->InsertItem(SearchTabLabel(String(kSearchTab), QString::fromStdString(dlg.GetNamePattern())), 1);
        m_tab->SetCurSel(m_tab->GetItemCount() - 1);
        m_searchList->SetItems(m_root, results.GetNodes());
    }
    UpdateTotals();
}

CFileNode* CFileSelectPage::SelectedNode() const
{
    CFileListCtrl* list = ActiveList();
    if (!list) return nullptr;
    const int index = list->GetSelectedItem();
    return index >= 0 ? list->GetItemNode(index) : nullptr;
}

void CFileSelectPage::OnPreview()
{
    GetWizardServices()->ReportEvent(kPreviewEvents[ModeIndex()]);
    IStorageDevice* device = m_controller ? m_controller->GetSourceDevice() : nullptr;
    // The preview dialog's Recover saves the same file, once the dialog has closed.
    PreviewFoundFile(this, device, SelectedNode(), [this] { OnCommand(kCmdRecoverFile); });
}

std::vector<std::pair<unsigned, bool>> CFileSelectPage::ToolsMenuState() const
{
    const bool files = m_tab && m_tab->GetCurSel() == 0;
    const bool folder = files && Tree() && Tree()->GetItemData(Tree()->GetSelectedItem()) != nullptr;
    const bool file = SelectedNode() != nullptr;
    return {{kCmdSearch, m_root != nullptr},
            {kCmdFolderProperties, folder},
            {kCmdFileProperties, file},
            {kCmdRecoverFile, file},
            {kCmdExportState, CanExportState()}};
}

void CFileSelectPage::ShowToolsMenu()
{
    static const std::map<unsigned, const char*> keys = {
        {kCmdSearch, "wizard.menu.search"},
        {kCmdFolderProperties, "wizard.menu.folderproperties"},
        {kCmdFileProperties, "wizard.menu.fileproperties"},
        {kCmdRecoverFile, "wizard.menu.recoverfile"},
        {kCmdExportState, "wizard.menu.exportstate"},
    };
    CXPMenu menu(this);
    for (const auto& [id, enabled] : ToolsMenuState())
        if (QAction* action = menu.AppendItem(id, Text(keys.at(id)))) action->setEnabled(enabled);
    const QPoint below = m_filler.mapToGlobal(QPoint(0, m_filler.height()));
    if (const unsigned command = menu.TrackPopupMenu(below)) OnCommand(command);
}

QString CFileSelectPage::DefaultExportName(const QDateTime& now, int scanKind)
{
    const QDate d = now.date();
    const QTime t = now.time();
    return QString::asprintf("%04d-%02d-%02d_%02d_%02d_ZUL%s.rsf", d.year(), d.month(), d.day(), t.hour(), t.minute(),
                             scanKind == 1 ? "_CR" : "_PR");
}

QString CFileSelectPage::WithExportSuffix(const QString& path)
{
    // Exactly ".rsf" (lower case) counts; any other ending gets it appended.
    if (path.size() > 4 && path.endsWith(QStringLiteral(".rsf"), Qt::CaseSensitive)) return path;
    return path + QStringLiteral(".rsf");
}

bool CFileSelectPage::CanExportState() const
{
    // A deleted-file recovery keeps no state file, so an export would hold nothing of this search.
    if (!m_root || !m_controller) return false;
    const int kind = m_controller->GetScanKind();
    return kind == kScanFormat || kind == kScanPartition;
}

void CFileSelectPage::OnExportState()
{
    if (!CanExportState()) return;
    GetWizardServices()->ReportEvent(kExportEvents[ModeIndex()]);
    const int scanKind = m_controller ? m_controller->GetScanKind() : 0;
    diskimg::FileDialogRequest request;
    request.save = true;
    request.suggested = DefaultExportName(QDateTime::currentDateTime(), scanKind);
    request.filter = diskimg::QtFilter(String(kStateFilterString));
    const QString chosen = diskimg::ChooseFile(this, request);
    if (chosen.isEmpty()) return;
    const std::string path = WithExportSuffix(chosen).toStdString();
    bool packed = false;
    try {
        CMBKArchive archive(true, [this](unsigned id) { ShowMessageBox(this, id, MB_ICONINFORMATION); });
        packed = archive.Pack(path.c_str());
    } catch (...) {
        packed = false;
    }
    ShowMessageBox(this, packed ? kExportDone : kExportFailed, MB_ICONINFORMATION);
    update();
}

void CFileSelectPage::OnFolderProperties()
{
    if (!Tree()) return;
    if (CFileNode* folder = Tree()->GetItemData(Tree()->GetSelectedItem())) {
        CPropertiesDlg dlg(nullptr);
        dlg.SetFileNode(folder);
        dlg.DoModal();
    }
}

void CFileSelectPage::OnFileProperties()
{
    if (CFileNode* node = SelectedNode()) {
        CPropertiesDlg dlg(nullptr);
        dlg.SetFileNode(node);
        dlg.DoModal();
    }
}

void CFileSelectPage::OnLocate()
{
    if (!m_tab || m_tab->GetCurSel() != 1 || !m_searchList) return;
    const int index = m_searchList->GetSelectedItem();
    if (index < 0) return;
    CFileNode* node = m_searchList->GetItemNode(index);
    if (!node || !Tree()) return;
    Tree()->SelectNodeItem(node->GetParent(), nullptr);
    Tree()->UpdateAllCheckImages();
    Tree()->setFocus();
    m_tab->SetCurSel(0);
    FileList()->SelectNode(node);
}

void CFileSelectPage::OnRecoverFile()
{
    CFileNode* node = SelectedNode();
    IFileProperties* properties = node ? node->GetProperties() : nullptr;
    if (!properties) {
        ShowMessageBox(this, kSelectFileToRecover, MB_ICONINFORMATION);
        return;
    }
    const QString fileName = QString::fromUtf8(properties->GetName() ? properties->GetName() : "");
    const int dot = fileName.lastIndexOf(QLatin1Char('.'));
    const QString extension = dot >= 0 ? fileName.mid(dot + 1) : fileName;
    const QString filter =
        QStringLiteral("%1 (*.%2);;%3 (*)").arg(extension.toUpper(), extension, QStringLiteral("All Files"));
    diskimg::FileDialogRequest request;
    request.save = true;
    request.suggested = fileName;
    request.filter = filter;
    QString target = diskimg::ChooseFile(nullptr, request);
    if (target.isEmpty()) return;
    // A name typed without extension takes the file's own.
    if (dot > 0 && !QFileInfo(target).fileName().contains(QLatin1Char('.'))) target += QLatin1Char('.') + extension;
    const std::string targetPath = target.toStdString();
    IStorageDevice* device = m_controller ? m_controller->GetSourceDevice() : nullptr;
    if (IsPathOnRecoverySource(targetPath.c_str()) &&
        ShowMessageBox(this, kSameDrive, MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2) != IDYES)
        return;
    if (properties->GetAttributes() & 0x40) {
        std::string root;
        if (GetPathRoot(targetPath.c_str(), &root) && !root.empty() && !IsNtfsVolume(root.c_str())) {
            ShowMessageBox(this, kEncryptedNeedsNtfs, MB_ICONWARNING);
            return;
        }
    }
    const QString folder = target.left(std::max<qsizetype>(1, target.lastIndexOf(QLatin1Char('/'))));
    if (properties->GetSize() > CSaveFileController::QueryTargetSpace(folder.toStdString()).availableBytes) {
        ShowMessageBox(this, kNotEnoughSpace, MB_ICONWARNING);
        return;
    }
    // The dialog writes a new file beside the target and puts it in place only when it is complete, so a
    // file of the user's at that path is never lost, whatever the outcome.
    CRBClickRecoverFileDlg dlg(device, node, target, this);
    dlg.DoModal();
}
