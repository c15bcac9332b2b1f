// The host of the save-result page.
#include "views/saving/CSaveFileResultDlg.h"

#include "controls/CResourceLibrary.h"

#include <QKeyEvent>

CSaveFileResultDlg::CSaveFileResultDlg(QWidget* parent) : CSearchSuperDlg(kTemplate, parent)
{
    SetTemplateSize(239, 174);
}

CSaveFileResultDlg::~CSaveFileResultDlg() = default;

void CSaveFileResultDlg::AttachChild(QWidget* page)
{
    if (!page) return;
    page->hide();
    page->setGeometry(0, 0, 0, 0);
    m_page = page;
    m_pageParent = page->parentWidget();
}

bool CSaveFileResultDlg::OnInitDialog()
{
    CSearchSuperDlg::OnInitDialog();
    setWindowIcon(CResourceLibrary::Instance().LoadIcon(128));
    setWindowTitle(CResourceLibrary::Instance().LoadString(349));
    if (m_page) {
        m_page->setParent(this);
        m_page->setGeometry(rect());
        m_page->show();
    }
    return true;
}

void CSaveFileResultDlg::resizeEvent(QResizeEvent*)
{
    if (m_page) m_page->setGeometry(rect());
}

void CSaveFileResultDlg::done(int result)
{
    if (m_page) {
        m_page->hide();
        m_page->setParent(m_pageParent);
    }
    CSearchSuperDlg::done(result);
}

void CSaveFileResultDlg::keyPressEvent(QKeyEvent* e)
{
    if (e->key() == Qt::Key_F1) return CSearchSuperDlg::keyPressEvent(e); // the page's help
    e->accept();
}
