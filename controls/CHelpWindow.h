// The program's help window: the help book of one language in a text browser, with its contents beside it,
// Back, Forward and Start page buttons, and links between the pages. It needs no browser or desktop set-up.
#pragma once

#include <QString>
#include <QUrl>
#include <QWidget>
#include <filesystem>

class QTextBrowser;
class QToolButton;
class QTreeWidget;

class CHelpWindow : public QWidget {
    Q_OBJECT
public:
    // The book lies in bookFolder (one language, see HelpBookFolder).
    explicit CHelpWindow(std::filesystem::path bookFolder, QWidget* parent = nullptr);
    ~CHelpWindow() override;

    // Goes to the page of a help context id (the start page for one the book does not know).
    void ShowTopic(int contextId);
    // Goes to a page of the book by file name, optionally with "#anchor".
    void ShowPage(const QString& page);

    // The file name of the page shown (without anchor); empty when none is (a notice is shown).
    QString CurrentPage() const;
    const std::filesystem::path& BookFolder() const { return m_book; }

    QTextBrowser* Browser() const { return m_browser; }
    QTreeWidget* Contents() const { return m_contents; }
    QToolButton* BackButton() const { return m_back; }
    QToolButton* ForwardButton() const { return m_forward; }
    QToolButton* StartButton() const { return m_start; }

    // The title of a page of the book (its <title>), the file name when it has none.
    QString PageTitle(const QString& fileName) const;

private:
    void FillContents();
    // Follows a link: pages of the book are shown here, web and mail addresses go to the desktop, and
    // anything else (a missing page, a file outside the book) shows a short notice instead.
    void FollowLink(const QUrl& link);
    void Navigate(const QUrl& target);
    // The browser tells the page it went to (its source() may not have it yet at that moment).
    void OnSourceChanged(const QUrl& source);

    std::filesystem::path m_book;
    QUrl m_current; // the page shown, empty while a notice is
    QTextBrowser* m_browser = nullptr;
    QTreeWidget* m_contents = nullptr;
    QToolButton* m_back = nullptr;
    QToolButton* m_forward = nullptr;
    QToolButton* m_start = nullptr;
};
