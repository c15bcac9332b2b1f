// The preview dialog.
#include "views/preview/CFilePreViewDlg.h"

#include "controls/CResourceLibrary.h"
#include "controls/CVscrollwnd.h"
#include "controls/ControlFont.h"
#include "controls/ControlId.h"
#include "controls/MessageBox.h"
#include "controls/TickClock.h"
#include "views/preview/CHexFilePreViewEdit.h"
#include "views/preview/CImageWindow.h"
#include "views/preview/CTextFilePreViewEdit.h"

#include <QFrame>
#include <QResizeEvent>
#include <QStyle>
#include <QTabBar>
#include <QTextCursor>

#include <algorithm>

namespace {

constexpr int kMinSize = 200;

} // namespace

CFilePreViewDlg::CFilePreViewDlg(QWidget* parent) : CSearchSuperDlg(kTemplate, parent)
{
    setFont(CreateDialogFont());
    setWindowFlags(windowFlags() | Qt::WindowMaximizeButtonHint | Qt::WindowMinimizeButtonHint);
    resize(DialogUnits().MapDialogSize(420, 300));

    auto& lib = CResourceLibrary::Instance();
    m_pane = new QFrame(this);
    m_pane->setFrameShape(QFrame::StyledPanel);
    m_tab = new QTabBar(this);
    SetDlgCtrlID(m_tab, kTabId);
    m_tab->setDrawBase(false);
    m_tab->setExpanding(false);
    for (unsigned id : {315u, 316u, 317u}) m_tab->addTab(lib.LoadString(id));

    m_text = new CTextFilePreViewEdit(this);
    SetDlgCtrlID(m_text, kTextId);
    m_hex = new CHexFilePreViewEdit(this);
    SetDlgCtrlID(m_hex, kHexId);
    m_scroll = new CVscrollwnd(this);
    m_image = new CImageWindow(this);
    m_imageBar = new QFrame(this);
    SetDlgCtrlID(m_imageBar, kImageBarId);

    m_btnBestFit.AttachToDialog(this, kBestFitId, QRect(QPoint(0, 0), m_btnBestFit.GetBitmapSize()));
    m_btnActualSize.AttachToDialog(this, kActualSizeId, QRect(QPoint(0, 0), m_btnActualSize.GetBitmapSize()));
    m_btnBestFit.setToolTip(lib.LoadText(QStringLiteral("preview.tip.bestfit")));
    m_btnActualSize.setToolTip(lib.LoadText(QStringLiteral("preview.tip.actualsize")));
    m_btnBestFit.setEnabled(false);
    m_btnRecover.AttachToDialog(this, IDOK, QRect(QPoint(0, 0), m_btnRecover.GetBitmapSize()));
    m_btnCancel.AttachToDialog(this, IDCANCEL, QRect(QPoint(0, 0), m_btnCancel.GetBitmapSize()));
    // Each half of the bottom line holds one button, so the narrowest dialog still keeps them apart.
    setMinimumSize(std::max(kMinSize, 2 * (m_btnCancel.GetBitmapSize().width() + 10)), kMinSize);
    connect(&m_btnBestFit, &QAbstractButton::clicked, this, [this] { OnBestFit(); });
    connect(&m_btnActualSize, &QAbstractButton::clicked, this, [this] { OnActualSize(); });
    connect(&m_btnRecover, &QAbstractButton::clicked, this, [this] { OnOK(); });
    connect(&m_btnCancel, &QAbstractButton::clicked, this, [this] { OnCancel(); });
    connect(m_tab, &QTabBar::currentChanged, this, [this](int tab) {
        if (tab >= 0) ShowTab(tab);
    });

    // Scrolling faster than the screen is refreshed leaves the last position for this timer.
    m_trailing.setSingleShot(true);
    connect(&m_trailing, &QTimer::timeout, this, [this] { RefreshView(true); });
}

CFilePreViewDlg::~CFilePreViewDlg() = default;

void CFilePreViewDlg::SetNotifyWnd(QObject* target, std::function<void()> onRecover)
{
    m_notifyTarget = target;
    m_onRecover = std::move(onRecover);
}

void CFilePreViewDlg::SetFile(const QString& tempPath, const QString& displayName)
{
    m_path = tempPath;
    m_name = displayName;
}

bool CFilePreViewDlg::OnInitDialog()
{
    CSearchSuperDlg::OnInitDialog();
    auto& lib = CResourceLibrary::Instance();
    setWindowTitle(m_name + QLatin1Char(' ') + lib.LoadString(314).trimmed());
    setWindowIcon(lib.LoadIcon(128));

    if (m_text->SetFile(m_path)) {
        m_textLines = m_text->GetLineCount();
        m_text->SetScrollTarget(m_scroll);
    }
    if (m_hex->SetFile(m_path)) {
        m_hexLines = m_hex->GetLineCount();
        m_hex->SetScrollTarget(m_scroll);
    }
    m_image->LoadImage(m_path);
    m_image->SetFitMode(1);

    Layout();
    m_pos = SCROLLINFO{};
    m_pos.nMax = m_textLines > 0 ? int(std::min<uint32_t>(m_textLines - 1, INT32_MAX)) : 0;
    m_mode = 0;
    m_refreshedOnce = false;
    const int tab = m_image->HasImage() ? kTabImage : kTabText;
    {
        const QSignalBlocker block(m_tab);
        m_tab->setCurrentIndex(tab);
    }
    ShowTab(tab);
    raise();
    return true;
}

int CFilePreViewDlg::GetCurrentTab() const
{
    return m_tab->currentIndex();
}

void CFilePreViewDlg::SelectTab(int tab)
{
    m_tab->setCurrentIndex(tab);
}

void CFilePreViewDlg::ShowTab(int tab)
{
    for (QWidget* w : {static_cast<QWidget*>(m_text), static_cast<QWidget*>(m_hex), static_cast<QWidget*>(m_scroll),
                       static_cast<QWidget*>(m_image), static_cast<QWidget*>(m_imageBar),
                       static_cast<QWidget*>(&m_btnBestFit), static_cast<QWidget*>(&m_btnActualSize)})
        w->hide();
    if (tab == kTabText) {
        m_text->show();
        m_scroll->show();
        m_text->setFocus();
        if (m_mode == 1) {
            const uint32_t offset = m_hex->OffsetFromLine(uint32_t(m_pos.nPos));
            m_pos.nPos = int(m_text->LineFromOffset(offset));
        }
        m_pos.nMax = m_textLines > 0 ? int(std::min<uint32_t>(m_textLines - 1, INT32_MAX)) : 0;
        m_mode = 0;
    } else if (tab == kTabHex) {
        m_hex->show();
        m_scroll->show();
        m_hex->setFocus();
        if (m_mode == 0) {
            const uint32_t offset = m_text->OffsetFromLine(uint32_t(m_pos.nPos));
            m_pos.nPos = int(m_hex->LineFromOffset(offset));
        }
        m_pos.nMax = m_hexLines > 0 ? int(std::min<uint32_t>(m_hexLines - 1, INT32_MAX)) : 0;
        m_mode = 1;
    } else {
        m_image->show();
        m_imageBar->show();
        m_btnBestFit.show();
        m_btnActualSize.show();
        m_image->setFocus();
    }
    RefreshView(true);
}

void CFilePreViewDlg::ApplyPosition()
{
    // The bar's slider range ends where the last page starts.
    const QSignalBlocker block(m_scroll);
    m_scroll->setPageStep(std::max(1, m_pos.nPage));
    m_scroll->setRange(0, std::max(0, m_pos.nMax - std::max(m_pos.nPage - 1, 0)));
    m_scroll->setValue(m_pos.nPos);
    m_scroll->setEnabled(m_pos.nPage < m_pos.nMax - m_pos.nMin + 1);
}

void CFilePreViewDlg::RefreshView(bool force)
{
    const uint32_t now = GetTickClock().GetTickCount();
    if (!force && m_refreshedOnce && now - m_lastRefresh < kRefreshInterval) {
        if (!m_trailing.isActive()) m_trailing.start(int(kRefreshInterval - (now - m_lastRefresh)));
        return;
    }
    m_trailing.stop();
    m_lastRefresh = now;
    m_refreshedOnce = true;
    const int tab = GetCurrentTab();
    if (tab == kTabText || tab == kTabHex) {
        CFilePreViewEdit* view = tab == kTabText ? static_cast<CFilePreViewEdit*>(m_text) : m_hex;
        view->UpdateLinesPerPage();
        view->ShowPage(uint32_t(m_pos.nPos));
        // Showing the page may find it shorter than the font promised (taller glyphs): the bar takes the
        // page as shown, and a position past the last full page is pulled back to it.
        m_pageSize = view->GetLinesPerPage();
        m_pos.nPage = m_pageSize;
        const int clamped = CScrollWnd::ClampToBar(m_pos.nPos, m_pos);
        if (clamped != m_pos.nPos) {
            m_pos.nPos = clamped;
            view->ShowPage(uint32_t(m_pos.nPos));
        }
        if (tab == kTabText) view->moveCursor(QTextCursor::Start);
        ApplyPosition();
    } else {
        m_image->viewport()->update();
    }
}

void CFilePreViewDlg::OnVScroll(int code, int thumbPos)
{
    if (m_pos.nPage >= m_pos.nMax - m_pos.nMin + 1) return; // the page covers the whole range
    if (code == SB_ENDSCROLL || code == SB_THUMBPOSITION) return;
    m_pos.nTrackPos = thumbPos;
    const int wanted = code == SB_BOTTOM ? m_pos.nMax : CScrollWnd::RequestedPos(code, m_pos, m_pageSize);
    m_pos.nPos = CScrollWnd::ClampToBar(wanted, m_pos);
    ApplyPosition();
    // The first and the last page are always painted, however fast the scrolling.
    if (m_pos.nPos + m_pos.nPage >= m_pos.nMax || m_pos.nPos == 0) RefreshView(true);
    RefreshView(false);
}

bool CFilePreViewDlg::event(QEvent* e)
{
    if (e->type() == CVScrollEvent::EventType()) {
        auto* s = static_cast<CVScrollEvent*>(e);
        OnVScroll(s->Code(), s->ThumbPos());
        return true;
    }
    return CSearchSuperDlg::event(e);
}

void CFilePreViewDlg::OnBestFit()
{
    m_btnBestFit.setEnabled(false);
    m_btnActualSize.setEnabled(true);
    m_image->SetFitMode(1);
    m_image->setFocus();
}

void CFilePreViewDlg::OnActualSize()
{
    m_btnActualSize.setEnabled(false);
    m_btnBestFit.setEnabled(true);
    m_image->SetFitMode(0);
    m_image->setFocus();
}

void CFilePreViewDlg::OnOK()
{
    EndDialog(IDOK);
    if (m_notifyTarget && m_onRecover) QMetaObject::invokeMethod(m_notifyTarget, m_onRecover, Qt::QueuedConnection);
}

void CFilePreViewDlg::resizeEvent(QResizeEvent* e)
{
    CSearchSuperDlg::resizeEvent(e);
    Layout();
    if (m_refreshedOnce) RefreshView(false);
    update();
}

void CFilePreViewDlg::Layout()
{
    const int W = width(), H = height();
    const QSize cancel = m_btnCancel.GetBitmapSize();
    const QSize recover = m_btnRecover.GetBitmapSize();
    // Recover centred in the left half and Cancel in the right, both by Cancel's width, 5 pixels up.
    m_btnRecover.move((W / 2 - cancel.width()) / 2, H - 5 - recover.height());
    m_btnCancel.move(W / 2 + (W / 2 - cancel.width()) / 2, H - 5 - cancel.height());
    const QRect tabArea(0, 0, W, std::max(0, H - (recover.height() + 15)));

    const int header = std::max(20, m_tab->sizeHint().height());
    m_tab->setGeometry(tabArea.left(), tabArea.top(), tabArea.width(), header);
    m_pane->setGeometry(tabArea.left(), tabArea.top() + header - 1, tabArea.width(), tabArea.height() - header + 1);
    const QRect inner(tabArea.left() + 2, tabArea.top() + header + 1, std::max(0, tabArea.width() - 4),
                      std::max(0, tabArea.height() - header - 3));

    // Image tab: the bar with the two buttons at the bottom, the image above it.
    const QSize fit = m_btnBestFit.GetBitmapSize();
    const QSize actual = m_btnActualSize.GetBitmapSize();
    const int barHeight = actual.height() + 2;
    const QRect bar(inner.left(), inner.bottom() + 1 - barHeight, inner.width(), barHeight);
    m_imageBar->setGeometry(bar);
    const int both = fit.width() + actual.width() + 4;
    const int x = bar.left() + std::max(0, (bar.width() - both) / 2);
    m_btnBestFit.move(x, bar.top() + 1);
    m_btnActualSize.move(x + fit.width() + 4, bar.top() + 1);
    m_image->setGeometry(inner.left(), inner.top(), inner.width(), std::max(0, inner.height() - barHeight));
    m_imageBar->lower();
    m_pane->lower();

    // Text and hex: the view, and the bar in a strip on the right.
    const int strip = std::max(17, style()->pixelMetric(QStyle::PM_ScrollBarExtent));
    const QRect view(inner.left(), inner.top(), std::max(0, inner.width() - strip), inner.height());
    m_text->setGeometry(view);
    m_hex->setGeometry(view);
    m_scroll->setGeometry(view.right() + 1, inner.top(), strip, inner.height());
}
