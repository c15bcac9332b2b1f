// Listing, checks, view switching, menus and the thumbnail loader of the found-file list.
#include "views/files/CFileListCtrl.h"

#include "controls/CButtonPlus.h"
#include "controls/CMaskedBitmap.h"
#include "controls/CResourceLibrary.h"
#include "controls/ControlId.h"
#include "controls/WindowMessages.h"
#include "filesystems/tree/CFileSystemNode.h"
#include "filesystems/tree/CFoundFileReader.h"
#include "filesystems/tree/IFileProperties.h"
#include "platform/Log.h"
#include "views/files/CAttributesStates.h"
#include "views/files/CBreviaryImageListCtrl.h"
#include "views/files/CFileListModel.h"
#include "views/files/CFileTreeCtrl.h"
#include "views/files/CListCtrlPlus.h"
#include "views/files/FileListColumns.h"
#include "views/files/FoundFilePictures.h"
#include "views/files/ThumbnailGeometry.h"

#include <QActionGroup>
#include <QApplication>
#include <QCursor>
#include <QImageReader>
#include <QMenu>
#include <QPainter>
#include <QScrollBar>
#include <fcntl.h>
#include <filesystem>
#include <unistd.h>

namespace {

// The loader tells the window that a row's thumbnail is ready (wParam: the row).
constexpr unsigned UM_THUMBNAIL_READY = WM_USER + 101;
constexpr uint32_t kCopyChunk = 1u << 20;

bool IsFolder(const CFileNode* node)
{
    const IFileProperties* p = node ? node->GetProperties() : nullptr;
    return p && (p->GetAttributes() & kFileAttrDirectory);
}

} // namespace

CFileListCtrl::CFileListCtrl(QWidget* parent)
    : QWidget(parent),
      m_model(new CFileListModel(this)),
      m_report(new CListCtrlPlus(this, m_model, this)),
      m_thumbs(new CBreviaryImageListCtrl(this, m_model, this)),
      m_viewMenu(new QMenu(this))
{
    m_items.reserve(kReservedItems);
    SetDlgCtrlID(m_report, kListId);
    SetDlgCtrlID(m_thumbs, kListId);
    m_thumbs->setGeometry(0, 0, 10, 10);
    m_thumbs->hide();
    m_thumbs->SetListStyle(LIST_STYLE_THUMBNAIL);
    auto* group = new QActionGroup(m_viewMenu);
    const std::pair<unsigned, unsigned> entries[] = {{kCmdList, 392}, {kCmdThumbnail, 393}};
    for (const auto& [id, text] : entries) {
        QAction* a = m_viewMenu->addAction(CResourceLibrary::Instance().LoadString(text));
        a->setCheckable(true);
        a->setData(id);
        group->addAction(a);
        connect(a, &QAction::triggered, this, [this, id = id] { OnCommand(id); });
    }
    m_viewMenu->actions().first()->setChecked(true);
    m_port = CMessagePort::Create(this);
    setAutoFillBackground(false);
}

CFileListCtrl::~CFileListCtrl()
{
    {
        std::lock_guard lock(m_lock);
        m_pause = true;
        m_stop = true;
    }
    m_wake.notify_all();
    if (m_thread.joinable()) m_thread.join();
    m_port->Close();
}

void CFileListCtrl::SetNotifyWnd(QObject* pWnd)
{
    if (pWnd) LogInfo("------------------------ParmInfo: CWnd* pWnd=%p", static_cast<void*>(pWnd));
    m_notify = pWnd;
}

void CFileListCtrl::SetFileTreeCtrl(CFileTreeCtrl* pFileTreeCtrl)
{
    if (pFileTreeCtrl)
        LogInfo("------------------------ParmInfo: CFileTreeCtrl* pFileTreeCtrl=%p", static_cast<void*>(pFileTreeCtrl));
    m_tree = pFileTreeCtrl;
}

void CFileListCtrl::SetCheckImageList(unsigned uImageListID)
{
    LogInfo("------------------------ParmInfo: UINT uImageListID=%x", uImageListID);
    m_report->SetCheckImages(uImageListID);
    m_thumbs->SetCheckImages(uImageListID);
}

void CFileListCtrl::SetSourceDevice(IStorageDevice* device)
{
    std::lock_guard lock(m_lock);
    m_device = device;
}

void CFileListCtrl::MakeButton(int slot, unsigned id, unsigned captionId, unsigned uNormal, unsigned uHover,
                               unsigned uPush, unsigned uDisable)
{
    LogInfo("------------------------ParmInfo:UINT uNormal=%x, UINT uHover=%x, UINT uPush=%x, UINT uDisable=%x",
            uNormal, uHover, uPush, uDisable);
    delete m_buttons[slot];
    auto* b = new CButtonPlus(this);
    b->Create(QString(), WS_CHILD | WS_VISIBLE, RECT{0, 0, 0, 0}, this, id);
    b->OwerLoadBitmap(uNormal, uHover, uPush, uDisable);
    b->setToolTip(CResourceLibrary::Instance().LoadString(captionId));
    connect(b, &QAbstractButton::clicked, this, [this, id] { OnCommand(id); });
    m_buttons[slot] = b;
    Layout();
}

void CFileListCtrl::CreateViewButton(unsigned a, unsigned b, unsigned c, unsigned d)
{
    MakeButton(0, kCmdView, 293, a, b, c, d);
}
void CFileListCtrl::CreateSelectAllButton(unsigned a, unsigned b, unsigned c, unsigned d)
{
    MakeButton(1, kCmdSelectAll, 294, a, b, c, d);
}
void CFileListCtrl::CreateDeselectAllButton(unsigned a, unsigned b, unsigned c, unsigned d)
{
    MakeButton(2, kCmdDeselectAll, 295, a, b, c, d);
}
void CFileListCtrl::CreateStatesButton(unsigned a, unsigned b, unsigned c, unsigned d)
{
    MakeButton(3, kCmdStates, 296, a, b, c, d);
}

CButtonPlus* CFileListCtrl::Button(unsigned id) const
{
    return id >= kCmdView && id <= kCmdStates ? m_buttons[id - kCmdView] : nullptr;
}

void CFileListCtrl::Layout()
{
    int x = 3;
    for (CButtonPlus* b : m_buttons)
        if (b) {
            b->MoveTo(x, 0);
            x += b->GetBitmapSize().width();
        }
    const int h = m_buttons[0] ? m_buttons[0]->GetBitmapSize().height() : 0;
    m_report->setGeometry(0, h, width(), std::max(0, height() - h));
    m_thumbs->setGeometry(0, h, width(), std::max(0, height() - h));
}

void CFileListCtrl::resizeEvent(QResizeEvent*)
{
    Layout();
}

void CFileListCtrl::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const QImage strip = CResourceLibrary::Instance().LoadBitmap(kFileListBackBitmap);
    if (!strip.isNull()) p.drawImage(QRect(0, 0, width(), strip.height()), strip);
}

void CFileListCtrl::Fill(CFileSystemNode* root, QTreeWidgetItem* item)
{
    m_root = root;
    m_folderItem = item;
    m_model->SetItems(&m_items);
    m_model->SetSortArrow(-1, 0);
    m_thumbs->SetItems(&m_items);
    m_thumbs->ResetHint();
    for (int mode : {1, 2}) {
        if (!m_items.empty()) SelectRowIn(mode, 0);
    }
    StartLoader();
}

void CFileListCtrl::ShowFolder(CFileSystemNode* root, CFileNode* folder, QTreeWidgetItem* item)
{
    m_root = root;
    m_folderItem = item;
    m_thumbs->SetSourceDevice(m_device);
    if (!IsFolder(folder)) return;
    {
        std::lock_guard lock(m_lock);
        m_items.clear();
        m_queue.clear();
        m_cache.clear();
        for (CFileNode* c = folder->GetFirstChild(); c; c = c->GetNextSibling())
            if (c->GetProperties() && !IsFolder(c)) m_items.push_back(c);
    }
    Fill(root, item);
}

void CFileListCtrl::SetItems(CFileSystemNode* root, const std::vector<CFileNode*>& nodes)
{
    {
        std::lock_guard lock(m_lock);
        m_items = nodes;
        m_queue.clear();
        m_cache.clear();
    }
    Fill(root, nullptr);
}

void CFileListCtrl::ClearItems()
{
    {
        std::lock_guard lock(m_lock);
        m_items = {};
        m_items.reserve(kReservedItems);
        m_queue.clear();
        m_cache.clear();
    }
    m_model->SetItems(&m_items);
    m_thumbs->SetItems(nullptr);
    OnCommand(kCmdList);
}

QAbstractItemView* CFileListCtrl::GetActiveList() const
{
    return m_viewMode == 2 ? static_cast<QAbstractItemView*>(m_thumbs) : m_report;
}

int CFileListCtrl::GetSelectedItem() const
{
    if (m_viewMode == 1) return m_report->FirstSelected();
    if (m_viewMode == 2) return m_thumbs->GetFirstSelected();
    return 0;
}

CFileNode* CFileListCtrl::GetItemNode(int index) const
{
    return index >= 0 && size_t(index) < m_items.size() ? m_items[size_t(index)] : nullptr;
}

void CFileListCtrl::SelectRowIn(int mode, int row)
{
    if (mode == 1)
        m_report->SelectRow(row);
    else
        m_thumbs->SelectRow(row);
}

bool CFileListCtrl::SelectNode(CFileNode* node)
{
    if (!node || (m_viewMode != 1 && m_viewMode != 2)) return false;
    auto find = [&] {
        for (size_t i = 0; i < m_items.size(); ++i)
            if (m_items[i] == node) return int(i);
        return -1;
    };
    int row = find();
    if (m_tree) {
        QTreeWidgetItem* item = nullptr;
        m_tree->SelectNodeItem(node->GetParent(), &item);
        if (row < 0 && item) {
            ShowFolder(m_root, node->GetParent(), item);
            row = find();
        }
    }
    if (row < 0) return false;
    SelectRowIn(m_viewMode, row);
    GetActiveList()->setFocus();
    return true;
}

void CFileListCtrl::ToggleFileCheck(CFileNode* node)
{
    if (!node || !m_root) return;
    m_root->ToggleCheckState(node, false);
    if (m_tree) m_tree->RefreshBranch(m_folderItem);
    if (m_notify) SendMessageTo(m_notify, UM_SELECTION_TOTALS, 0, 0);
}

void CFileListCtrl::RepaintActiveList()
{
    m_model->RowsChanged();
    GetActiveList()->viewport()->update();
}

void CFileListCtrl::SetAllChecks(bool checked)
{
    if (!m_root) return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    for (CFileNode* node : m_items) {
        const IFileProperties* p = node->GetProperties();
        const bool isChecked = p && p->GetCheckState() == kCheckAll;
        if (p && isChecked != checked) m_root->ToggleCheckState(node, true);
    }
    m_root->RefreshCheckStates();
    RepaintActiveList();
    if (m_tree) m_tree->RefreshBranch(m_folderItem);
    if (m_notify) SendMessageTo(m_notify, UM_SELECTION_TOTALS, 0, 0);
    QApplication::restoreOverrideCursor();
}

void CFileListCtrl::SwitchView(int mode)
{
    m_viewMenu->actions()[mode == 1 ? 0 : 1]->setChecked(true);
    const int selected = (mode == 1 ? m_thumbs->GetFirstSelected() : m_report->FirstSelected());
    if (selected >= 0) SelectRowIn(mode, selected);
    if (mode == 1) {
        m_thumbs->hide();
        m_report->show();
    } else {
        {
            std::lock_guard lock(m_lock);
            m_cache.clear();
        }
        m_report->hide();
        m_thumbs->ResetHint();
        m_thumbs->show();
    }
    m_viewMode = mode;
    Layout();
}

void CFileListCtrl::OnCommand(unsigned id)
{
    switch (id) {
    case kCmdView:
        if (CButtonPlus* b = m_buttons[0]) m_viewMenu->popup(b->mapToGlobal(QPoint(0, b->height() + 1)));
        break;
    case kCmdSelectAll: SetAllChecks(true); break;
    case kCmdDeselectAll: SetAllChecks(false); break;
    case kCmdStates: {
        CAttributesStates legend(this);
        legend.DoModal();
        break;
    }
    case kCmdList: SwitchView(1); break;
    case kCmdThumbnail: SwitchView(2); break;
    default: emit Command(id); break;
    }
}

std::unique_ptr<QMenu> CFileListCtrl::BuildContextMenu()
{
    auto menu = std::make_unique<QMenu>();
    const CResourceLibrary& lib = CResourceLibrary::Instance();
    std::vector<std::pair<unsigned, unsigned>> entries = {{kCmdPreview, 330}, {kCmdRecover, 329}};
    if (!m_tree) entries.push_back({kCmdLocate, 291});
    for (const auto& [id, text] : entries) {
        QAction* a = menu->addAction(lib.LoadString(text));
        a->setData(id);
    }
    return menu;
}

void CFileListCtrl::ShowContextMenu()
{
    if (!m_notify) return;
    std::unique_ptr<QMenu> menu = BuildContextMenu();
    if (QAction* chosen = menu->exec(QCursor::pos())) emit Command(chosen->data().toUInt());
}

void CFileListCtrl::SortItems(int column, bool descending)
{
    const CFileNode* selected = GetItemNode(GetSelectedItem());
    {
        // Rows move: thumbnails made for the old rows no longer belong to them.
        std::lock_guard lock(m_lock);
        SortFileNodes(m_items, column, descending);
        m_queue.clear();
        m_cache.clear();
    }
    m_model->RowsChanged();
    m_thumbs->ResetHint();
    for (size_t i = 0; selected && i < m_items.size(); ++i)
        if (m_items[i] == selected) {
            SelectRowIn(m_viewMode, int(i));
            break;
        }
}

void CFileListCtrl::customEvent(QEvent* e)
{
    CWindowMessage* m = CWindowMessage::From(e);
    if (!m) return QWidget::customEvent(e);
    if (m->Message() == UM_THUMBNAIL_RANGE)
        OnThumbnailRange(int(m->WParam()), int(m->LParam()));
    else if (m->Message() == UM_THUMBNAIL_READY && m_viewMode == 2)
        m_thumbs->RedrawRow(int(m->WParam()));
}

// ---- Thumbnails ----

void CFileListCtrl::OnThumbnailRange(int first, int last)
{
    if (m_thumbs->isHidden()) return;
    {
        std::lock_guard lock(m_lock);
        m_pause = true;
        AddThumbnailRequests(m_queue, first, last, int(m_items.size()),
                             [this](int row) { return m_cache.count(row) > 0; });
        m_pause = false;
    }
    m_wake.notify_all();
}

bool CFileListCtrl::CachedThumbnail(int row, const CFileNode* node, QImage* image) const
{
    std::lock_guard lock(m_lock);
    auto it = m_cache.find(row);
    if (it == m_cache.end() || it->second.first != node) return false;
    if (image) *image = it->second.second;
    return true;
}

std::vector<int> CFileListCtrl::PendingThumbnails() const
{
    std::lock_guard lock(m_lock);
    return {m_queue.begin(), m_queue.end()};
}

size_t CFileListCtrl::CachedThumbnailCount() const
{
    std::lock_guard lock(m_lock);
    return m_cache.size();
}

void CFileListCtrl::StartLoader()
{
    if (m_loaderTried) return;
    m_loaderTried = true;
    try {
        m_thread = std::thread([this] { LoaderThread(); });
    } catch (const std::system_error&) {
        // Without a loader the thumbnails stay icons; nothing else changes.
        m_exited = true;
    }
}

void CFileListCtrl::LoaderThread()
{
    LogInfo("------------------------ParmInfo: LPVOID pParam=%p", static_cast<void*>(this));
    std::unique_lock lock(m_lock);
    while (!m_stop) {
        m_wake.wait_for(lock, std::chrono::milliseconds(100),
                        [this] { return m_stop || (!m_pause && !m_queue.empty()); });
        while (!m_stop && !m_pause && !m_queue.empty()) {
            const int row = m_queue.front();
            m_queue.pop_front();
            // The lock stays held for the whole file, so a new listing waits for at most one thumbnail.
            LoadThumbnail(row);
            m_port->Post(UM_THUMBNAIL_READY, WPARAM(row), 0);
        }
    }
    m_exited = true;
}

bool CFileListCtrl::LoadThumbnail(int row)
{
    if (row < 0 || size_t(row) >= m_items.size()) return false;
    CFileNode* node = m_items[size_t(row)];
    const std::string path = m_temp.MakeTempPath();
    bool made = false;
    try {
        if (!path.empty() && RecoverToTemp(node, path)) {
            MakeThumbnail(row, node, path);
            made = true;
        } else {
            m_cache[row] = {node, QImage()};
            DebugTrace("Recover file failed\n");
        }
    } catch (...) {
        m_cache[row] = {node, QImage()};
        DebugTrace("catch breviary image exception.\n");
    }
    if (!path.empty()) {
        std::error_code ec;
        std::filesystem::remove(path, ec);
        m_temp.RemoveTempFiles();
    }
    return made;
}

bool CFileListCtrl::RecoverToTemp(CFileNode* node, const std::string& path)
{
    const IFileProperties* p = node ? node->GetProperties() : nullptr;
    if (!p || p->GetSize() > kMaxThumbnailSource || (p->GetAttributes() & kFileAttrEncrypted)) return false;
    CFoundFileReader reader;
    if (!reader.Open(m_device, node)) return false;
    // A new private file: never one that someone else made under the same name.
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) return false;
    std::vector<uint8_t> buffer(std::min<uint64_t>(kCopyChunk, std::max<uint64_t>(1, p->GetSize())));
    bool ok = true;
    for (uint64_t offset = 0; ok && offset < p->GetSize() && !m_stop;) {
        uint32_t got = 0;
        if (!reader.ReadAt(offset, buffer.data(), uint32_t(buffer.size()), got) || got == 0) {
            ok = false;
            break;
        }
        for (uint32_t done = 0; done < got;) {
            const ssize_t n = ::write(fd, buffer.data() + done, got - done);
            if (n <= 0) {
                ok = false;
                break;
            }
            done += uint32_t(n);
        }
        offset += got;
    }
    ::close(fd);
    return ok && !m_stop;
}

void CFileListCtrl::MakeThumbnail(int row, CFileNode* node, const std::string& path)
{
    QImageReader reader(QString::fromStdString(path));
    const QSize full = reader.size();
    QImage thumb;
    if (full.isValid() && full.width() > 0 && full.height() > 0) {
        const QSize target = ThumbnailSize(uint32_t(full.width()), uint32_t(full.height()));
        // Decoding at the target size keeps big pictures from being held whole in memory.
        if (reader.supportsOption(QImageIOHandler::ScaledSize)) reader.setScaledSize(target);
        QImage image = reader.read();
        if (!image.isNull())
            thumb =
                image.size() == target ? image : image.scaled(target, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    }
    if (thumb.isNull()) DebugTrace("Load item %d failed\n", row);
    m_cache[row] = {node, thumb.convertToFormat(QImage::Format_ARGB32_Premultiplied)};
}
