// The tab strip with one child window per tab.
#include "controls/CTabCtrlPlus.h"

#include "controls/ControlFont.h"
#include "controls/ControlId.h"
#include "controls/CreateLog.h"
#include "controls/WindowMessages.h"
#include "platform/Log.h"

#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>

CTabCtrlPlus::CTabCtrlPlus(QWidget* parent) : QWidget(parent), m_font(CreateControlFont())
{
    setFont(m_font);
}

CTabCtrlPlus::~CTabCtrlPlus()
{
    // The windows belong to whoever made them: the strip lets go of them rather than deleting them.
    for (const auto& w : m_windows)
        if (w && w->parentWidget() == this) {
            w->hide();
            w->setParent(nullptr);
        }
}

bool CTabCtrlPlus::Create(unsigned style, const RECT& rect, QWidget* parent, unsigned nID)
{
    LogCreateStruct("TabCtrlPlus", QString(), style, rect, parent, nID);
    setParent(parent);
    SetDlgCtrlID(this, int(nID));
    setGeometry(ToQRect(rect));
    show(); // the strip is always a visible child
    return true;
}

bool CTabCtrlPlus::AddWindow(QWidget* pWnd)
{
    if (!pWnd) return false;
    LogError("------------------------ParmInfo: CWnd* pWnd=%llx", LogPointer(pWnd));
    m_windows.emplace_back(pWnd);
    pWnd->setParent(this);
    pWnd->setGeometry(QRect());
    SetDlgCtrlID(pWnd, kChildId);
    pWnd->hide();
    return true;
}

int CTabCtrlPlus::GetTotalWidth() const
{
    int total = 0;
    for (const auto& item : m_items) total += item->Rect().Width();
    return total ? total - 1 : 0;
}

void CTabCtrlPlus::InsertItem(const QString& lpszItem, int iWindowIndex)
{
    LogError("------------------------ParmInfo: LPCTSTR lpszItem=%llx, int iWindowIndex=%x",
             LogPointer(lpszItem.constData()), unsigned(iWindowIndex));
    if (iWindowIndex < 0 || size_t(iWindowIndex) >= m_windows.size()) return;
    const int w = QFontMetrics(m_font).horizontalAdvance(lpszItem);
    const bool later = !m_items.empty();
    if (later && GetTotalWidth() >= width()) return;
    RECT r{0, 0, w + 40, kTabHeight};
    if (later) r.right += 10;
    if (later && width() < GetTotalWidth() + r.Width()) return;
    m_items.push_back(std::make_shared<CTabCtrlPlusItem>(r, lpszItem, m_windows[size_t(iWindowIndex)].data(), later));
    LayoutItems();
}

void CTabCtrlPlus::LayoutItems()
{
    int x = 0;
    for (size_t i = 0; i < m_items.size(); ++i) {
        m_items[i]->SetPos(i == 0 ? 0 : x - 1);
        x += m_items[i]->Rect().Width() + 5;
    }
    update();
}

void CTabCtrlPlus::SetCurSel(int iItemIndex)
{
    LogError("------------------------ParmInfo: int iItemIndex=%d", iItemIndex);
    if (iItemIndex < 0 || size_t(iItemIndex) >= m_items.size()) return;
    for (auto& item : m_items) item->SetSelected(false);
    m_items[size_t(iItemIndex)]->SetSelected(true);
    PlaceWindows(size());
    update();
}

void CTabCtrlPlus::DeleteItem(int nItem)
{
    if (nItem < 0 || size_t(nItem) >= m_items.size()) return;
    SetCurSel(0);
    const auto removed = m_items[size_t(nItem)];
    m_items.erase(m_items.begin() + nItem);
    if (removed->IsSelected()) { // the first tab went while shown: its window hides, the new first shows
        removed->SetSelected(false);
        SetCurSel(0);
    }
    PlaceWindows(size());
    LayoutItems();
}

int CTabCtrlPlus::GetCurSel() const
{
    for (size_t i = 0; i < m_items.size(); ++i)
        if (m_items[i]->IsSelected()) return int(i);
    return -1;
}

QWidget* CTabCtrlPlus::GetCurWindow() const
{
    const int i = GetCurSel();
    return i >= 0 ? m_items[size_t(i)]->Window() : nullptr;
}

const CTabCtrlPlusItem* CTabCtrlPlus::GetItem(int i) const
{
    return i >= 0 && size_t(i) < m_items.size() ? m_items[size_t(i)].get() : nullptr;
}

void CTabCtrlPlus::PlaceWindows(const QSize& client)
{
    QWidget* current = GetCurWindow();
    for (const auto& w : m_windows)
        if (w && w != current) w->setGeometry(QRect());
    if (current) current->setGeometry(QRect(QPoint(1, 1), QPoint(client.width() - 2, client.height() - 2)));
}

void CTabCtrlPlus::resizeEvent(QResizeEvent* e)
{
    LogError("------------------------ParmInfo: UINT nType, int cx, int cy");
    QWidget::resizeEvent(e);
    PlaceWindows(size());
}

void CTabCtrlPlus::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), Qt::white);
    p.setPen(QColor::fromRgb(kFrameColour));
    p.drawRect(QRect(0, 1, width() - 1, height() - 2));
    p.setFont(m_font);
    for (const auto& item : m_items) item->Draw(&p);
}

void CTabCtrlPlus::mousePressEvent(QMouseEvent* e)
{
    const QPoint pt = e->position().toPoint();
    bool changed = false;
    if (e->button() == Qt::LeftButton) {
        for (size_t i = 0; i < m_items.size(); ++i) {
            CTabCtrlPlusItem& item = *m_items[i];
            if (item.HitCloseBox(pt.x(), pt.y())) {
                m_captured = true; // the release comes back here, as a press holds the mouse
                item.SetPressed(true);
                update();
                break;
            }
            if (item.HitTest(pt.x(), pt.y()) && !item.IsSelected()) {
                SetCurSel(int(i));
                changed = true;
                break;
            }
        }
    }
    QWidget::mousePressEvent(e);
    if (changed && parentWidget()) SendMessageTo(parentWidget(), UM_SELECTION_CHANGED, 0, 0);
}

void CTabCtrlPlus::mouseReleaseEvent(QMouseEvent* e)
{
    if (!m_captured) {
        QWidget::mouseReleaseEvent(e);
        return;
    }
    m_captured = false;
    const QPoint pt = e->position().toPoint();
    bool deleted = false;
    for (size_t i = 0; i < m_items.size(); ++i) {
        if (m_items[i]->HitCloseBox(pt.x(), pt.y())) {
            DeleteItem(int(i));
            deleted = true;
            break;
        }
        m_items[i]->SetPressed(false);
    }
    update();
    QWidget::mouseReleaseEvent(e);
    if (deleted && parentWidget()) SendMessageTo(parentWidget(), UM_SELECTION_CHANGED, 0, 0);
}
