// The splitter frame of the folder tree and the file list.
#include "views/files/CFileSelectCtrlContainer.h"

#include "controls/CExSplitterWnd.h"
#include "views/files/CFileListCtrl.h"
#include "views/files/CFileTreeCtrl.h"

#include <QResizeEvent>

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
    m_splitter->SetFixedColumn(0, 200, 100, 400);
}

CFileSelectCtrlContainer::~CFileSelectCtrlContainer() = default;

void CFileSelectCtrlContainer::resizeEvent(QResizeEvent* e)
{
    m_splitter->setGeometry(0, 0, e->size().width(), e->size().height());
}
