// The device list's header and view, kept aligned while the list scrolls sideways or a column is dragged.
#include "views/devices/CDeviceSelectCtrl.h"

#include "controls/CExtendHeaderCtrl.h"
#include "controls/CResourceLibrary.h"
#include "controls/ControlId.h"
#include "views/devices/CDeviceSelectView.h"

#include <QResizeEvent>
#include <algorithm>

namespace {

constexpr unsigned kCaptionIds[] = {318, 320, 322}; // "Device", "Disk", "Partition"

} // namespace

CDeviceSelectCtrl::CDeviceSelectCtrl(QWidget* parent)
    : QWidget(parent), m_header(new CExtendHeaderCtrl(this)), m_view(new CDeviceSelectView(this))
{
    const CResourceLibrary& lib = CResourceLibrary::Instance();
    SetDlgCtrlID(m_header, kHeaderId);
    m_header->AppendItem(lib.LoadString(318), 250, 0);
    m_header->AppendItem(lib.LoadString(319), 150, 0);
    m_header->AppendItem(lib.LoadString(321), 480, 0);
    m_header->setSectionsClickable(false);
    connect(m_header, &QHeaderView::sectionResized, this, &CDeviceSelectCtrl::OnColumnResized);
    SetDlgCtrlID(m_view, kViewId);
    m_view->SetHeaderCtrl(m_header);
    m_view->SetNotify(this, parent);
    m_header->show();
    m_view->show();
}

CDeviceSelectCtrl::~CDeviceSelectCtrl() = default;

void CDeviceSelectCtrl::SetCtrlStyle(CTRL_STYLE style)
{
    if (int(style) < 0 || int(style) > 2) return;
    m_header->model()->setHeaderData(0, Qt::Horizontal, CResourceLibrary::Instance().LoadString(kCaptionIds[style]));
}

void CDeviceSelectCtrl::SetDeviceBitmaps(const DEVICE_BITMAP& bitmaps)
{
    m_view->SetDeviceBitmaps(bitmaps);
}
void CDeviceSelectCtrl::AddItem(const DEVICE_ITEM* item)
{
    m_view->AddItem(item);
}
void CDeviceSelectCtrl::DeleteItem(int i)
{
    m_view->DeleteItem(i);
}
void CDeviceSelectCtrl::DeleteAllItems()
{
    m_view->DeleteAllItems();
}
int CDeviceSelectCtrl::GetSelectedIndex() const
{
    return m_view->GetSelectedIndex();
}
void* CDeviceSelectCtrl::GetItemData(int i) const
{
    return m_view->GetItemData(i);
}
void CDeviceSelectCtrl::ClearSelection()
{
    m_view->ClearSelection();
}
int CDeviceSelectCtrl::GetItemCount() const
{
    return m_view->GetItemCount();
}

void CDeviceSelectCtrl::resizeEvent(QResizeEvent* e)
{
    QWidget::resizeEvent(e);
    const QSize s = e->size();
    m_view->setGeometry(0, kHeaderHeight, s.width(), std::max(0, s.height() - kHeaderHeight));
    AlignHeader();
}

void CDeviceSelectCtrl::AlignHeader()
{
    // The header scrolls with the rows: its left edge at minus the horizontal position, wide enough to
    // reach the control's right edge.
    const int pos = m_view->HorzPos();
    const int width = std::max(this->width() + pos, m_header->GetTotalWidth());
    m_header->setGeometry(-pos, 0, width, kHeaderHeight);
}

void CDeviceSelectCtrl::OnColumnResized(int column, int, int newWidth)
{
    m_view->SetColumnWidth(column, newWidth);
    AlignHeader();
}

void CDeviceSelectCtrl::customEvent(QEvent* e)
{
    if (CWindowMessage* m = CWindowMessage::From(e); m && m->Message() == UM_DEVICE_LIST_SCROLL) {
        AlignHeader();
        return;
    }
    QWidget::customEvent(e);
}

void CDeviceSelectCtrl::SetNote(const QString& note)
{
    m_view->SetNote(note);
}
