// The splitter frame of the folder tree and the file list.
#include "views/files/CFileSelectCtrlContainer.h"

#include "controls/CExSplitterWnd.h"
#include "views/files/CFileListCtrl.h"
#include "views/files/CFileTreeCtrl.h"

#include <QResizeEvent>
#include <algorithm>

CFileSelectCtrlContainer::CFileSelectCtrlContainer(QWidget* parent)
    : QWidget(parent),
      m_splitter(new CExSplitterWnd(Qt::Horizontal, this)),
      m_tree(new CFileTreeCtrl()),
      m_list(new CFileListCtrl())
{
    m_splitter->addWidget(m_tree);
    m_splitter->addWidget(m_list);
    m_list->SetFileTreeCtrl(m_tree);
    m_tree->SetFileListCtrl(m_list);
    m_splitter->SetFixedColumn(0, kTreeWidth, kTreeMinWidth, kTreeMaxWidth);
    // Until the user drags the bar, the tree pane grows to show the labels of the folders unfolded, up to
    // its maximum and never over half the window.
    connect(m_splitter, &QSplitter::splitterMoved, this, [this] { m_userSized = true; });
    connect(m_tree, &CFileTreeCtrl::LabelsChanged, this, [this] { FitTreePane(); });
}

void CFileSelectCtrlContainer::FitTreePane()
{
    if (m_userSized) return;
    const int limit = std::max(kTreeWidth, width() / 2);
    const int wanted = std::min(m_tree->LabelsWidth(), limit);
    if (wanted > m_splitter->FixedPaneSize()) m_splitter->SetFixedPaneSize(wanted);
}

CFileSelectCtrlContainer::~CFileSelectCtrlContainer() = default;

void CFileSelectCtrlContainer::resizeEvent(QResizeEvent* e)
{
    m_splitter->setGeometry(0, 0, e->size().width(), e->size().height());
    FitTreePane();
}
