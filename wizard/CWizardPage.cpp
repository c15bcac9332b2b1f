// The wizard page base.
#include "wizard/CWizardPage.h"

#include "controls/ControlFont.h"
#include "controls/ControlId.h"
#include "core/LanguageHelpers.h"
#include "platform/Log.h"

#include <QPainter>
#include <QResizeEvent>

namespace {
constexpr int kMargin = 50;
constexpr int kPagePointPixels = 13; // 10 points at 96 dots per inch
} // namespace

CWizardPage::Rects CWizardPage::ComputeRects(int cx, int cy)
{
    Rects r;
    r.title = RECT{kMargin, 0, cx - kMargin, 30};
    r.subtitle = RECT{kMargin, 30, cx - kMargin, 61};
    r.bottom = RECT{kMargin, cy - 36, cx - kMargin, cy - 10};
    return r;
}

CWizardPage::CWizardPage(QWidget* parent) : QWidget(parent)
{
    InstallFontSubstitutes();
    m_font = QFont(QString::fromLatin1(GetUIFontName()));
    m_font.setPixelSize(kPagePointPixels);
    m_font.setBold(true);
    setAttribute(Qt::WA_OpaquePaintEvent); // the page paints every pixel itself
}

CWizardPage::~CWizardPage() = default;

void CWizardPage::Layout(int, int) {}

void CWizardPage::Draw(QPainter*) {}

bool CWizardPage::Create(QWidget* parent, int id)
{
    LogError("------------------------ParmInfo:CREATESTRUCT cs.hwndParent=%p, cs.hMenu=%d", static_cast<void*>(parent),
             id);
    setParent(parent);
    SetDlgCtrlID(this, id);
    setGeometry(QRect());
    if (OnCreate() == -1) return false;
    show();
    return true;
}

void CWizardPage::resizeEvent(QResizeEvent* e)
{
    const int cx = e->size().width();
    const int cy = e->size().height();
    LogError("------------------------ParmInfo: UINT nType=%u, int cx=%d, int cy=%d", 0u, cx, cy);
    QWidget::resizeEvent(e);
    const Rects r = ComputeRects(cx, cy);
    m_rcTitle = r.title;
    m_rcSubTitle = r.subtitle;
    m_rcBottom = r.bottom;
    Layout(cx, cy);
}

void CWizardPage::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), Qt::white);
    p.save();
    p.setFont(m_font);
    Draw(&p);
    p.restore();
}
