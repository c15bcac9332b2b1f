// The rich-text preview dialog.
#include "views/preview/CRtfPreviewerDlg.h"

#include "controls/CResourceLibrary.h"
#include "controls/ControlFont.h"
#include "controls/ControlId.h"
#include "controls/MessageBox.h"
#include "views/preview/OfficePreview.h"
#include "views/preview/formats/RtfText.h"

#include <QFile>
#include <QKeyEvent>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>

CCopyLimitedRichEditCtrl::CCopyLimitedRichEditCtrl(QWidget* parent) : QTextEdit(parent)
{
    setReadOnly(true);
    setUndoRedoEnabled(false);
    setAcceptDrops(false);
    setContextMenuPolicy(Qt::NoContextMenu);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    // The caret moves with the keys (and scrolls the text), but nothing can be marked with them.
    setTextInteractionFlags(Qt::TextSelectableByKeyboard);
}

CCopyLimitedRichEditCtrl::~CCopyLimitedRichEditCtrl() = default;

void CCopyLimitedRichEditCtrl::SetDocument(const RtfDocument& doc)
{
    clear();
    QTextCursor c(document());
    bool first = true;
    for (const RtfParagraph& para : doc.paragraphs) {
        if (!first) c.insertBlock();
        first = false;
        for (const RtfRun& run : para.runs) {
            QTextCharFormat f;
            f.setFontWeight(run.bold ? QFont::Bold : QFont::Normal);
            f.setFontItalic(run.italic);
            f.setFontUnderline(run.underline);
            c.insertText(QString::fromUtf8(run.text.data(), qsizetype(run.text.size())), f);
        }
    }
    moveCursor(QTextCursor::Start);
}

void CCopyLimitedRichEditCtrl::keyPressEvent(QKeyEvent* e)
{
    if (e->modifiers() & (Qt::ControlModifier | Qt::ShiftModifier)) {
        e->accept();
        return;
    }
    QTextEdit::keyPressEvent(e);
}

void CCopyLimitedRichEditCtrl::keyReleaseEvent(QKeyEvent* e)
{
    if (e->modifiers() & (Qt::ControlModifier | Qt::ShiftModifier)) {
        e->accept();
        return;
    }
    QTextEdit::keyReleaseEvent(e);
}

void CCopyLimitedRichEditCtrl::mousePressEvent(QMouseEvent* e)
{
    e->accept();
}
void CCopyLimitedRichEditCtrl::mouseDoubleClickEvent(QMouseEvent* e)
{
    e->accept();
}
void CCopyLimitedRichEditCtrl::mouseMoveEvent(QMouseEvent* e)
{
    e->accept();
}
void CCopyLimitedRichEditCtrl::contextMenuEvent(QContextMenuEvent* e)
{
    e->accept();
}
QMimeData* CCopyLimitedRichEditCtrl::createMimeDataFromSelection() const
{
    return nullptr;
}

CRtfPreviewerDlg::CRtfPreviewerDlg(QWidget* parent) : CSearchSuperDlg(kTemplate, parent)
{
    setFont(CreateDialogFont());
    setWindowFlags(windowFlags() | Qt::WindowMaximizeButtonHint);
    setMinimumSize(200, 150);
    resize(DialogUnits().MapDialogSize(400, 280));
    m_edit = new CCopyLimitedRichEditCtrl(this);
    SetDlgCtrlID(m_edit, kEditId);
    setWindowTitle(TemplateText(0));
    setWindowIcon(CResourceLibrary::Instance().LoadIcon(128));
}

CRtfPreviewerDlg::~CRtfPreviewerDlg() = default;

bool CRtfPreviewerDlg::LoadFile(const QString& path, const QString& title)
{
    m_path = path;
    m_title = title;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly) || f.size() > kMaxProbedFileSize) return false;
    const QByteArray data = f.readAll();
    if (f.error() != QFileDevice::NoError) return false;
    m_edit->SetDocument(
        ParseRtf(std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(data.constData()), size_t(data.size()))));
    setWindowTitle(title);
    return true;
}

bool CRtfPreviewerDlg::ShowFile(const QString& path, const QString& title)
{
    if (!LoadFile(path, title)) {
        // A read that fails is said so, not shown as an empty document.
        ShowMessageBox(parentWidget(), CResourceLibrary::Instance().LoadString(268));
        return false;
    }
    DoModal();
    return true;
}

void CRtfPreviewerDlg::resizeEvent(QResizeEvent* e)
{
    CSearchSuperDlg::resizeEvent(e);
    m_edit->setGeometry(rect());
}
