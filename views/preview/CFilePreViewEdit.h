// The base of the Text and Hex tabs of the preview dialog: a read-only multi-line edit that never holds more
// than one page. The dialog's shared scroll bar chooses the first line; the view formats that page from a
// window of at most 1 MiB of the file, read again (the file opened and closed each time) whenever a page
// needs bytes outside it. Keys and the wheel scroll through the scroll target instead of moving the caret.
// User-interface thread only.
//
// A derived view gives the line geometry (LineFromOffset, OffsetFromLine), its load (LoadFile) and the text
// of a page (GetPageText). Page texts are the file's bytes with "\r\n" line ends; ShowPage decodes them for
// the screen (ToDisplay).
#pragma once

#include <QPlainTextEdit>
#include <cstdint>
#include <string>
#include <vector>

class CVscrollwnd;

class CFilePreViewEdit : public QPlainTextEdit {
    Q_OBJECT
public:
    static constexpr uint32_t kMaxFileSize = 104857600; // 100 MiB: larger files are not shown
    static constexpr uint32_t kWindowSize = 1048576;    // 1 MiB of the file in memory at most

    explicit CFilePreViewEdit(QWidget* parent = nullptr);
    ~CFilePreViewEdit() override;

    // Stores the path and loads the file; on failure the view is reset (empty) and false is returned.
    bool SetFile(const QString& path);
    void Reset();

    uint32_t GetLineCount() const { return m_lineCount; }
    int GetLinesPerPage() const { return m_linesPerPage; }
    uint32_t GetFileSize() const { return m_fileSize; }
    // The bar that receives the view's scroll keys and wheel (not owned; null switches them off).
    void SetScrollTarget(CVscrollwnd* target) { m_scrollTarget = target; }
    // Shows the page that starts at firstLine (pulled back so that a page is full where the file allows).
    void ShowPage(uint32_t firstLine);
    // The lines [first, last) of the page asked for at firstLine.
    std::pair<uint32_t, uint32_t> PageBounds(uint32_t firstLine) const;

    virtual uint32_t LineFromOffset(uint32_t offset) const = 0;
    virtual uint32_t OffsetFromLine(uint32_t line) const = 0;
    virtual std::string GetPageText(uint32_t firstLine) = 0;
    // Lines per page from the client height and the font's line spacing; the hex view keeps one for its header.
    virtual void UpdateLinesPerPage();

    // The bytes [offset, offset + count) through the window: a pointer into it, or null when the file cannot
    // be read there or holds fewer bytes. Valid until the next call.
    const uint8_t* ReadWindow(uint32_t offset, uint32_t count);
    uint32_t WindowStart() const { return m_windowStart; }
    uint32_t WindowEnd() const { return m_windowEnd; }

protected:
    virtual bool LoadFile() = 0;
    // Converts a page's bytes for the screen.
    virtual QString ToDisplay(const std::string& page) const = 0;
    // Lines at the top of every page that are not file lines (the hex view's header).
    virtual int HeaderLines() const { return 0; }
    // The lines of the shown text that lie wholly inside the view.
    int WholeLinesShown() const;
    // Opens the file, refuses one above kMaxFileSize, and reads its first window.
    bool LoadBase();
    int LinesThatFit() const;
    void SetLineCount(uint32_t count) { m_lineCount = count; }

    void keyPressEvent(QKeyEvent* e) override;
    void keyReleaseEvent(QKeyEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void contextMenuEvent(QContextMenuEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void insertFromMimeData(const QMimeData*) override {}

private:
    CVscrollwnd* m_scrollTarget = nullptr;
    std::string m_path;
    std::vector<uint8_t> m_buffer; // capacity: min(file size, kWindowSize)
    uint32_t m_lineCount = 0;
    int m_linesPerPage = 1;
    uint32_t m_fileSize = 0;
    uint32_t m_windowStart = 0;
    uint32_t m_windowEnd = 0;

    friend class CHexFilePreViewEdit;
};
