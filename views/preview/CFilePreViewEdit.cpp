// The paged file view.
#include "views/preview/CFilePreViewEdit.h"

#include "controls/CScrollWnd.h"
#include "controls/CVscrollwnd.h"

#include <QKeyEvent>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextDocument>
#include <QWheelEvent>

#include <algorithm>
#include <fstream>

CFilePreViewEdit::CFilePreViewEdit(QWidget* parent) : QPlainTextEdit(parent)
{
    setReadOnly(true);
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setUndoRedoEnabled(false);
    // The dialog's bar scrolls; the edit's own vertical bar would scroll only inside one page.
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setFrameShape(QFrame::StyledPanel);
    setContextMenuPolicy(Qt::NoContextMenu);
    setTextInteractionFlags(Qt::TextSelectableByKeyboard);
}

CFilePreViewEdit::~CFilePreViewEdit() = default;

bool CFilePreViewEdit::SetFile(const QString& path)
{
    m_path = path.toStdString();
    if (LoadFile()) return true;
    Reset();
    return false;
}

void CFilePreViewEdit::Reset()
{
    m_buffer.clear();
    m_buffer.shrink_to_fit();
    m_lineCount = 0;
    m_fileSize = 0;
    m_windowStart = m_windowEnd = 0;
    m_linesPerPage = 1;
    clear();
}

bool CFilePreViewEdit::LoadBase()
{
    std::ifstream in(m_path, std::ios::binary | std::ios::ate);
    if (!in) return false;
    const std::streamoff length = in.tellg();
    if (length < 0 || uint64_t(length) > kMaxFileSize) return false;
    m_fileSize = uint32_t(length);
    m_windowStart = 0;
    m_buffer.assign(std::min(m_fileSize, kWindowSize), 0);
    in.seekg(0);
    in.read(reinterpret_cast<char*>(m_buffer.data()), std::streamsize(m_buffer.size()));
    m_windowEnd = uint32_t(in.gcount());
    return true;
}

const uint8_t* CFilePreViewEdit::ReadWindow(uint32_t offset, uint32_t count)
{
    // Compared without wrapping: offset + count never overflows a file offset below 4 GiB here, but the
    // check does not rely on it.
    if (offset >= m_windowStart && offset - m_windowStart <= m_windowEnd - m_windowStart &&
        count <= m_windowEnd - offset)
        return m_buffer.data() + (offset - m_windowStart);
    if (count > m_buffer.size()) return nullptr;
    std::ifstream in(m_path, std::ios::binary);
    if (!in) return nullptr;
    in.seekg(std::streamoff(offset));
    if (!in || in.tellg() != std::streamoff(offset)) return nullptr;
    m_windowStart = offset;
    in.read(reinterpret_cast<char*>(m_buffer.data()), std::streamsize(m_buffer.size()));
    m_windowEnd = offset + uint32_t(in.gcount());
    if (m_windowEnd - m_windowStart < count) return nullptr;
    return m_buffer.data();
}

std::pair<uint32_t, uint32_t> CFilePreViewEdit::PageBounds(uint32_t first) const
{
    const uint32_t page = uint32_t(std::max(1, m_linesPerPage));
    if (m_lineCount < uint64_t(first) + page) first = m_lineCount > page ? m_lineCount - page : 0;
    const uint32_t last = uint32_t(std::min<uint64_t>(uint64_t(first) + page, m_lineCount));
    return {first, last};
}

void CFilePreViewEdit::ShowPage(uint32_t firstLine)
{
    if (m_lineCount == 0) return;
    const int column = horizontalScrollBar()->value();
    setPlainText(ToDisplay(GetPageText(firstLine)));
    // Characters drawn from a fallback font (CJK, symbols) make their lines taller than the font's line
    // spacing: when the page does not fit, it is made shorter so that no line hides below the edge.
    if (isVisible()) {
        const int fit = WholeLinesShown() - HeaderLines();
        if (fit >= 1 && fit < m_linesPerPage && document()->blockCount() > fit + HeaderLines()) {
            m_linesPerPage = fit;
            setPlainText(ToDisplay(GetPageText(firstLine)));
        }
    }
    horizontalScrollBar()->setValue(column);
}

int CFilePreViewEdit::WholeLinesShown() const
{
    const int bottom = viewport()->height();
    int count = 0;
    for (QTextBlock b = document()->firstBlock(); b.isValid(); b = b.next()) {
        if (blockBoundingGeometry(b).translated(contentOffset()).bottom() > bottom) break;
        ++count;
    }
    return count;
}

int CFilePreViewEdit::LinesThatFit() const
{
    // Lines are laid out one line spacing apart: counting by the ascent alone would promise more lines than
    // fit, and Page Down would skip the ones hidden below the edge. Before the view is shown its viewport
    // has no size yet: the room is then its own less the frame and a horizontal bar.
    const int spacing = std::max(1, fontMetrics().lineSpacing());
    const int margin = int(document()->documentMargin());
    const int bar =
        horizontalScrollBarPolicy() == Qt::ScrollBarAlwaysOff ? 0 : horizontalScrollBar()->sizeHint().height();
    const int room = isVisible() ? viewport()->height() : height() - 2 * frameWidth() - bar;
    return std::max(0, (room - 2 * margin) / spacing);
}

void CFilePreViewEdit::UpdateLinesPerPage()
{
    if (m_lineCount == 0) return;
    m_linesPerPage = std::max(1, LinesThatFit());
}

void CFilePreViewEdit::keyPressEvent(QKeyEvent* e)
{
    // Typing and caret moves are not the view's: the page keys go to the scroll bar, which scrolls the file.
    int code = -1;
    switch (e->key()) {
    case Qt::Key_Up: code = SB_LINEUP; break;
    case Qt::Key_Down: code = SB_LINEDOWN; break;
    case Qt::Key_PageUp: code = SB_PAGEUP; break;
    case Qt::Key_PageDown: code = SB_PAGEDOWN; break;
    case Qt::Key_Home: code = SB_TOP; break;
    case Qt::Key_End: code = SB_BOTTOM; break;
    case Qt::Key_Left:
    case Qt::Key_Right: QPlainTextEdit::keyPressEvent(e); return;
    default: break;
    }
    if (code >= 0 && m_scrollTarget) {
        m_scrollTarget->OnVScroll(code, m_scrollTarget->value());
        m_scrollTarget->OnVScroll(SB_ENDSCROLL, m_scrollTarget->value());
    }
    e->accept();
}

void CFilePreViewEdit::keyReleaseEvent(QKeyEvent* e)
{
    e->accept();
}

void CFilePreViewEdit::wheelEvent(QWheelEvent* e)
{
    const int delta = e->angleDelta().y();
    if (m_scrollTarget && delta != 0)
        m_scrollTarget->OnVScroll(delta > 0 ? SB_LINEUP : SB_LINEDOWN, m_scrollTarget->value());
    e->accept();
}

void CFilePreViewEdit::mousePressEvent(QMouseEvent* e)
{
    if (e->button() == Qt::RightButton) {
        e->accept();
        return;
    }
    QPlainTextEdit::mousePressEvent(e);
}

void CFilePreViewEdit::contextMenuEvent(QContextMenuEvent* e)
{
    e->accept();
}

void CFilePreViewEdit::resizeEvent(QResizeEvent* e)
{
    QPlainTextEdit::resizeEvent(e);
    UpdateLinesPerPage();
}
