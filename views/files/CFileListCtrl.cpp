// Listing, checks, view switching, menus and the thumbnail loader of the found-file list.
#include "views/files/CFileListCtrl.h"

#include "controls/CButtonPlus.h"
#include "controls/CMaskedBitmap.h"
#include "controls/CResourceLibrary.h"
#include "controls/ControlId.h"
#include "controls/WindowMessages.h"
#include "filesystems/tree/CFileSystemNode.h"
#include "filesystems/tree/IFileProperties.h"
#include "platform/Log.h"
#include "views/files/CAttributesStates.h"
#include "views/files/CBreviaryImageListCtrl.h"
#include "views/files/CFileListModel.h"
#include "views/files/CFileTreeCtrl.h"
#include "views/files/CListCtrlPlus.h"
#include "views/files/CThumbnailLoader.h"
#include "views/files/FileListColumns.h"
#include "views/files/FoundFilePictures.h"
#include "views/files/ThumbnailGeometry.h"

#include <QActionGroup>
#include <QApplication>
#include <QCursor>
#include <QMenu>
#include <QPainter>
#include <QScrollBar>

namespace {

// The loader tells the window that a row's thumbnail is ready (wParam: the row).
constexpr unsigned UM_THUMBNAIL_READY = WM_USER + 101;

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
    m_loader = std::make_unique<CThumbnailLoader>(
        [port = m_port](int row) { port->Post(UM_THUMBNAIL_READY, WPARAM(row), 0); });
    setAutoFillBackground(false);
}

CFileListCtrl::~CFileListCtrl()
{
    m_loader.reset(); // stops and joins the worker before the port closes
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
    m_device = device;
    m_loader->SetSourceDevice(device);
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
    m_items.clear();
    for (CFileNode* c = folder->GetFirstChild(); c; c = c->GetNextSibling())
        if (c->GetProperties() && !IsFolder(c)) m_items.push_back(c);
    m_loader->SetItems(m_items);
    Fill(root, item);
}

void CFileListCtrl::SetItems(CFileSystemNode* root, const std::vector<CFileNode*>& nodes)
{
    m_items = nodes;
    m_loader->SetItems(m_items);
    Fill(root, nullptr);
}

void CFileListCtrl::ClearItems()
{
    m_items = {};
    m_items.reserve(kReservedItems);
    m_loader->SetItems({});
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
        m_loader->ClearCache();
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
    // Rows move: thumbnails made for the old rows no longer belong to them.
    SortFileNodes(m_items, column, descending);
    m_loader->SetItems(m_items);
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
    m_loader->Request(first, last);
}

bool CFileListCtrl::CachedThumbnail(int row, const CFileNode* node, QImage* image) const
{
    return m_loader->Cached(row, node, image);
}

std::vector<int> CFileListCtrl::PendingThumbnails() const
{
    return m_loader->Pending();
}

size_t CFileListCtrl::CachedThumbnailCount() const
{
    return m_loader->CachedCount();
}

void CFileListCtrl::StartLoader()
{
    m_loader->Start();
}
