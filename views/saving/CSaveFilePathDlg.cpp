// The host of the save-path page.
#include "views/saving/CSaveFilePathDlg.h"

#include "controls/CResourceLibrary.h"
#include "controls/MessageBox.h"

#include <QKeyEvent>

CSaveFilePathDlg::CSaveFilePathDlg(QWidget* parent) : CSearchSuperDlg(kTemplate, parent)
{
    SetTemplateSize(350, 235);
    m_btnOK.AttachToDialog(this, IDOK, QRect(0, 0, 0, 0));
    m_btnCancel.AttachToDialog(this, IDCANCEL, QRect(0, 0, 0, 0));
    m_btnOK.resize(m_btnOK.GetBitmapSize());
    m_btnCancel.resize(m_btnCancel.GetBitmapSize());
    connect(&m_btnOK, &QAbstractButton::clicked, this, [this] { OnOK(); });
    connect(&m_btnCancel, &QAbstractButton::clicked, this, [this] { OnCancel(); });
}

CSaveFilePathDlg::~CSaveFilePathDlg() = default;

void CSaveFilePathDlg::AttachChild(QWidget* page)
{
    if (!page) return;
    page->hide();
    page->setGeometry(0, 0, 0, 0);
    m_page = page;
    m_pageParent = page->parentWidget();
}

void CSaveFilePathDlg::SetActions(std::function<bool()> checkPath, std::function<void()> next)
{
    m_checkPath = std::move(checkPath);
    m_next = std::move(next);
}

bool CSaveFilePathDlg::OnInitDialog()
{
    CSearchSuperDlg::OnInitDialog();
    setWindowIcon(CResourceLibrary::Instance().LoadIcon(128));
    setWindowTitle(CResourceLibrary::Instance().LoadString(349));
    if (m_page) {
        m_page->setParent(this);
        m_page->show();
    }
    resizeEvent(nullptr);
    return true;
}

void CSaveFilePathDlg::resizeEvent(QResizeEvent*)
{
    const int half = width() / 2;
    const QSize b = m_btnCancel.GetBitmapSize();
    m_btnCancel.move(half + (half - b.width()) / 2 - 15 - b.width(), height() - b.height() - 5);
    m_btnOK.move(half + (half - b.width()) / 2 + 80 - b.width() / 2, height() - b.height() - 5);
    if (m_page) m_page->setGeometry(0, 0, width(), height() - m_btnOK.GetBitmapSize().height() - 15);
}

void CSaveFilePathDlg::OnOK()
{
    if (m_page && m_checkPath && !m_checkPath()) return;
    CSearchSuperDlg::OnOK();
    if (m_next) m_next();
}

void CSaveFilePathDlg::done(int result)
{
    if (m_page) {
        m_page->hide();
        m_page->setParent(m_pageParent);
    }
    CSearchSuperDlg::done(result);
}

void CSaveFilePathDlg::keyPressEvent(QKeyEvent* e)
{
    // Enter, Escape and Tab are the page's, never the dialog's; F1 opens the page's help.
    if (e->key() == Qt::Key_F1) return CSearchSuperDlg::keyPressEvent(e);
    e->accept();
}
