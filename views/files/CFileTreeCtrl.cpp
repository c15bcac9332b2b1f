// Filling, check images and check changes of the folder tree.
#include "views/files/CFileTreeCtrl.h"

#include "controls/CResourceLibrary.h"
#include "controls/ControlId.h"
#include "controls/TreeStateImages.h"
#include "controls/WindowMessages.h"
#include "filesystems/tree/CFileSystemNode.h"
#include "filesystems/tree/IFileProperties.h"
#include "platform/Log.h"
#include "views/files/CFileListCtrl.h"
#include "views/files/CTreeCtrlPlus.h"
#include "views/files/CWaitingDlg.h"

#include <QEventLoop>
#include <QPointer>
#include <QResizeEvent>
#include <QScrollBar>
#include <system_error>
#include <thread>
#include <vector>

CFileTreeCtrl::CFileTreeCtrl(QWidget* parent) : QWidget(parent), m_tree(new CTreeCtrlPlus(this, this))
{
    SetDlgCtrlID(m_tree, kTreeId);
    m_tree->setGeometry(0, 0, 200, 200);
    connect(m_tree, &QTreeWidget::itemExpanded, this, [this] { emit LabelsChanged(); });
    connect(m_tree, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* item, QTreeWidgetItem*) { OnSelChanged(item); });
}

CFileTreeCtrl::~CFileTreeCtrl() = default;

void CFileTreeCtrl::resizeEvent(QResizeEvent* e)
{
    m_tree->setGeometry(0, 0, e->size().width(), e->size().height());
}

void CFileTreeCtrl::SetImages(unsigned uCheckboxImageID, unsigned uFloderImageID)
{
    LogInfo("------------------------ParmInfo:UINT uCheckboxImageID=%x, UINT uFloderImageI=%x", uCheckboxImageID,
            uFloderImageID);
    m_tree->SetImageLists(uCheckboxImageID, uFloderImageID);
}

void CFileTreeCtrl::SetFileListCtrl(CFileListCtrl* pFileListCtrl)
{
    if (pFileListCtrl)
        LogInfo("------------------------ParmInfo:CFileListCtrl* pFileListCtrl=%p", static_cast<void*>(pFileListCtrl));
    m_list = pFileListCtrl;
}

void CFileTreeCtrl::SetNotifyWnd(QObject* pWnd)
{
    if (pWnd) LogInfo("------------------------ParmInfo:CWnd* pWnd=%p", static_cast<void*>(pWnd));
    m_notify = pWnd;
}

int CFileTreeCtrl::FolderImageOf(const CFileNode* node)
{
    const IFileProperties* p = node ? node->GetProperties() : nullptr;
    const uint16_t state = p ? p->GetState() : 0;
    if (state & kFileStateTemporary) return 4;
    if (state & kFileStateSystemFolder) return 3;
    if (state & kFileStateDeleted) return 2;
    return node && node->IsFileSystemNode() ? 0 : 1;
}

void CFileTreeCtrl::SetRootNode(CFileSystemNode* root)
{
    m_root = nullptr;
    {
        const QSignalBlocker block(m_tree);
        m_tree->clear();
    }
    // The list still points into the tree being replaced, which its owner may free next.
    if (m_list) m_list->ClearItems();
    m_root = root;
    if (!root) return;
    // Children are inserted at the front, as the list is walked; the sort below sets the order shown.
    for (CFileNode* child = root->GetFirstChild(); child; child = child->GetNextSibling()) InsertFolder(child, nullptr);
    if (m_tree->topLevelItemCount() == 0) return;
    m_tree->SortAllItems();
    {
        // Sorting the top level is left out, as the tree's own sort does; the items keep list order.
        QTreeWidgetItem* first = m_tree->topLevelItem(0);
        m_tree->setCurrentItem(first);
        m_tree->setFocus();
        if (m_tree->topLevelItemCount() == 1) first->setExpanded(true);
    }
    emit LabelsChanged();
}

QString CFileTreeCtrl::DisplayFolderName(const IFileProperties* p)
{
    // The folders the search makes itself are named in the interface language; a folder of the disk that
    // happens to bear the same name is not one of them (it is neither a system nor a made-up folder).
    const std::string name = p->GetName();
    const char* key = nullptr;
    if (name == "Raw Files" && (p->GetState() & kFileStateSystemFolder))
        key = "wizard.folder.raw";
    else if (name == "Lost Folders" && (p->GetState() & kFileStateTemporary))
        key = "wizard.folder.lost";
    if (key) {
        const QString text = CResourceLibrary::Instance().LoadText(QString::fromLatin1(key));
        if (!text.isEmpty()) return text;
    }
    return QString::fromUtf8(name);
}

int CFileTreeCtrl::LabelsWidth() const
{
    int width = m_tree->ContentWidth() + 2 * m_tree->frameWidth() + 4;
    if (m_tree->verticalScrollBar()->isVisible()) width += m_tree->verticalScrollBar()->sizeHint().width();
    return width;
}

void CFileTreeCtrl::InsertFolder(CFileNode* node, QTreeWidgetItem* parent)
{
    // Iterative, so that a deeply nested found tree cannot exhaust the stack.
    struct Job {
        CFileNode* node;
        QTreeWidgetItem* parent;
    };
    std::vector<Job> jobs{{node, parent}};
    while (!jobs.empty()) {
        const Job job = jobs.back();
        jobs.pop_back();
        const IFileProperties* p = job.node->GetProperties();
        if (!p || !(p->GetAttributes() & kFileAttrDirectory)) continue;
        auto* item = new QTreeWidgetItem();
        if (job.parent)
            job.parent->insertChild(0, item);
        else
            m_tree->insertTopLevelItem(0, item);
        item->setData(0, CTreeCtrlPlus::kNodeRole, QVariant::fromValue(static_cast<void*>(job.node)));
        item->setData(0, CTreeCtrlPlus::kFolderImageRole, FolderImageOf(job.node));
        int64_t count = 0;
        std::vector<CFileNode*> children;
        for (CFileNode* c = job.node->GetFirstChild(); c; c = c->GetNextSibling()) {
            ++count;
            children.push_back(c);
        }
        // Pushed in reverse, so that children are inserted in list order as the recursion would.
        for (auto it = children.rbegin(); it != children.rend(); ++it) jobs.push_back({*it, item});
        item->setText(0, QStringLiteral("%1 (%2)").arg(DisplayFolderName(p)).arg(count));
        // The stored check state shows at once (a restored or re-shown tree keeps its checks).
        SetCheckImage(item);
    }
}

QTreeWidgetItem* CFileTreeCtrl::GetSelectedItem() const
{
    return m_tree->currentItem();
}

CFileNode* CFileTreeCtrl::GetItemData(const QTreeWidgetItem* item) const
{
    return CTreeCtrlPlus::NodeOf(item);
}

bool CFileTreeCtrl::SelectNodeItem(CFileNode* folder, QTreeWidgetItem** item)
{
    return m_tree->SelectNode(folder, item);
}

void CFileTreeCtrl::SetCheckImage(QTreeWidgetItem* item)
{
    const CFileNode* node = CTreeCtrlPlus::NodeOf(item);
    const IFileProperties* p = node ? node->GetProperties() : nullptr;
    const int state = p ? int(p->GetCheckState()) : int(kCheckNone);
    SetItemStateImage(item, state == kCheckAll ? 3 : state == kCheckPartial ? 2 : 1);
}

void CFileTreeCtrl::RefreshSubtree(QTreeWidgetItem* item)
{
    std::vector<QTreeWidgetItem*> stack{item};
    while (!stack.empty()) {
        QTreeWidgetItem* i = stack.back();
        stack.pop_back();
        SetCheckImage(i);
        for (int c = 0; c < i->childCount(); ++c) stack.push_back(i->child(c));
    }
}

void CFileTreeCtrl::RefreshUpward(QTreeWidgetItem* item)
{
    for (QTreeWidgetItem* i = item; i; i = i->parent()) SetCheckImage(i);
}

void CFileTreeCtrl::RefreshBranch(QTreeWidgetItem* item)
{
    if (!item) return;
    RefreshSubtree(item);
    RefreshUpward(item);
    m_tree->viewport()->update();
}

void CFileTreeCtrl::UpdateAllCheckImages()
{
    for (int i = 0; i < m_tree->topLevelItemCount(); ++i) RefreshBranch(m_tree->topLevelItem(i));
}

void CFileTreeCtrl::ToggleCheck(QTreeWidgetItem* item)
{
    CFileNode* node = CTreeCtrlPlus::NodeOf(item);
    if (!node || !m_root || m_toggling) return;
    QPointer<QWidget> main = window();
    main->setEnabled(false);
    // Nothing behind the wait window repaints while the worker writes check states that painting reads.
    main->setUpdatesEnabled(false);
    {
        CWaitingDlg wait(main);
        wait.SetText(CResourceLibrary::Instance().LoadString(391));
        wait.ShowModeless();
        RunToggle(node, item);
        wait.close();
    }
    if (main) {
        main->setUpdatesEnabled(true);
        main->setEnabled(true);
    }
    if (m_list)
        for (QTreeWidgetItem* i = m_list->GetCurrentFolderItem(); i; i = i->parent())
            if (i == item) {
                m_list->RepaintActiveList();
                break;
            }
}

void CFileTreeCtrl::RunToggle(CFileNode* node, QTreeWidgetItem* item)
{
    m_toggledNode = node;
    m_toggledItem = item;
    m_toggling = true;
    CFileSystemNode* root = m_root;
    try {
        QEventLoop loop;
        // The worker only changes the tree; the images are refreshed here once it is done.
        std::thread worker([root, node, &loop] {
            root->ToggleCheckState(node, false);
            QMetaObject::invokeMethod(
                &loop, [&loop] { loop.quit(); }, Qt::QueuedConnection);
        });
        loop.exec(QEventLoop::ExcludeUserInputEvents);
        worker.join();
    } catch (const std::system_error&) {
        // No thread to be had: the change is made here, behind the wait window, rather than dropped.
        root->ToggleCheckState(node, false);
    }
    m_toggling = false;
    RefreshBranch(item);
    m_tree->viewport()->update();
    if (m_notify) SendMessageTo(m_notify, UM_SELECTION_TOTALS, 0, 0);
}

void CFileTreeCtrl::OnSelChanged(QTreeWidgetItem* item)
{
    CFileNode* node = CTreeCtrlPlus::NodeOf(item);
    if (m_root && node && m_list) m_list->ShowFolder(m_root, node, item);
}
