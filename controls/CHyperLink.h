// A text that behaves as a link: coloured, underlined while the mouse is over it, a hand cursor, a tooltip
// with its target; a click opens the target with the desktop's opener (never through a shell), or, in
// select-files mode, shows the folder that holds the owner's files. Tests replace the opener with a
// scripted one. User-interface thread only.
#pragma once

#include "controls/Win32Types.h"

#include <QBasicTimer>
#include <QCursor>
#include <QFont>
#include <QLabel>
#include <QStringList>
#include <QUrl>
#include <functional>
#include <optional>

constexpr unsigned SS_CENTER = 0x1;
constexpr unsigned SS_RIGHT = 0x2;
constexpr unsigned SS_NOTIFY = 0x100;
constexpr unsigned SS_CENTERIMAGE = 0x200;

// What the link uses of the desktop. Each call is made without a shell and leaves the program's current
// folder alone.
struct LinkDesktop {
    // Opens a URL with the desktop's opener.
    std::function<bool(const QUrl&)> openUrl;
    // Starts a program with its arguments, detached.
    std::function<bool(const QString& program, const QStringList& arguments)> startDetached;
    // The web browser's command line, empty when none is known.
    std::function<QString()> browserCommand;
    // Shows files selected in a window of the file manager (file URLs of one folder); false when no file
    // manager took the request.
    std::function<bool(const QStringList& fileUrls)> showItems;
};

class CHyperLink : public QLabel {
    Q_OBJECT
public:
    static constexpr int kHoverTimerId = 100;
    static constexpr int kHoverMs = 100;
    static constexpr COLORREF kLinkColour = 0xEE0000;
    static constexpr COLORREF kVisitedColour = 0x8B1A55;
    static constexpr COLORREF kHoverColour = 0x0000FF;
    static constexpr int kShellSuccess = 33;

    // The live desktop; SetDesktop replaces it (null restores the live one).
    static LinkDesktop LiveDesktop();
    static void SetDesktop(const LinkDesktop* desktop);
    // The window rectangle that fits the text extent (border included) under the alignment styles.
    static QRect PositionRect(const QRect& window, const QSize& extent, unsigned style);
    // The text of an error code of opening, after string 238.
    static QString ErrorText(int nError);

    explicit CHyperLink(bool bSelectDirs = false, QWidget* parent = nullptr);
    ~CHyperLink() override;

    // Makes the link window at rect with its text and alignment style, and prepares it.
    bool Create(const QString& text, unsigned style, const RECT& rect, QWidget* parent, unsigned nID);
    // Prepares a link that was placed otherwise: text and target complete each other, fonts, size, cursor.
    void PreSubclassWindow();

    void SetURL(const QString& strURL);
    QString GetURL() const { return m_target; }
    void SetVisited(bool bVisited);
    bool GetVisited() const { return m_visited; }
    // -1 underline while the mouse is over the link, 0 never, 1 always.
    void SetUnderline(int nUnderline);
    int GetUnderline() const { return m_underline; }
    void SetAutoSize(bool on) { m_autoSize = on; }
    void SetLinkCursor(const QCursor& cursor);
    // The files to show in select-files mode (full paths).
    QStringList& Files() { return m_files; }
    void SetBackground(COLORREF cr);

    // Opens a target; returns a shell-style result, above 32 for success.
    int GotoURL(const QString& lpszURL);
    void ReportError(int nError);
    void PositionWindow();

    bool IsOver() const { return m_over; }
    // The colour and font the text is drawn in now.
    COLORREF CurrentColour() const;
    bool CurrentUnderlined() const;
    // What a click does.
    void OnClicked();

protected:
    void enterEvent(QEnterEvent* e) override;
    void leaveEvent(QEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void timerEvent(QTimerEvent* e) override;
    void paintEvent(QPaintEvent* e) override;

private:
    void SetOver(bool over);
    void SelectFiles();

    QStringList m_files;
    QString m_target;
    std::optional<QCursor> m_cursor;
    bool m_over = false;
    bool m_visited = false;
    int m_underline = -1;
    bool m_autoSize = true;
    QFont m_underlineFont;
    QFont m_normalFont;
    QBasicTimer m_hoverTimer;
    bool m_selectFiles;
    unsigned m_style = 0;
    COLORREF m_background;
    bool m_prepared = false;
};
