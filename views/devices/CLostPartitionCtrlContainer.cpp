// The split panel of the found-partition list and its layout.
#include "views/devices/CLostPartitionCtrlContainer.h"

#include "controls/CExSplitterWnd.h"
#include "views/devices/CMultipleChoosePartitionListCtrl.h"
#include "views/devices/CPartitionLayoutFrame.h"
#include "views/devices/CPartitionLayoutView.h"

CLostPartitionCtrlContainer::CLostPartitionCtrlContainer(QWidget* parent)
    : QWidget(parent),
      m_splitter(new CExSplitterWnd(Qt::Vertical, this)),
      m_list(new CMultipleChoosePartitionListCtrl),
      m_frame(new CPartitionLayoutFrame)
{
    m_splitter->addWidget(m_list);
    m_splitter->addWidget(m_frame);
    m_splitter->SetFixedRow(1, 100, 100, 340);
    m_list->SetLayoutView(m_frame->GetLayoutView());
}

CLostPartitionCtrlContainer::~CLostPartitionCtrlContainer() = default;

CPartitionLayoutView* CLostPartitionCtrlContainer::GetLayoutView() const
{
    return m_frame->GetLayoutView();
}

void CLostPartitionCtrlContainer::resizeEvent(QResizeEvent*)
{
    m_splitter->setGeometry(rect());
}
