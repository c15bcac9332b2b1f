// The help viewer of the program: while it lives, OpenHelpTopic shows its topics in one help window
// (CHelpWindow) over the book of the interface language. The window is made on first use and kept, so
// Back and Forward remember the pages read. Opened from a modal dialog, the window goes along with that
// dialog (as a separate window of it) so that it can be used while the dialog waits, and comes back to
// itself when the dialog closes. User-interface thread only.
#pragma once

#include "core/HelpTopic.h"

#include <QObject>
#include <QPointer>
#include <string>

class CHelpWindow;
class QWidget;

class CHelpViewer : public QObject {
    Q_OBJECT
public:
    // Installs itself as the help viewer for the book in that language ("English", "Deutsch", "Japanese";
    // another name gives the English book). The viewer it replaces is put back at destruction.
    explicit CHelpViewer(std::string languageName);
    ~CHelpViewer() override;
    CHelpViewer(const CHelpViewer&) = delete;
    CHelpViewer& operator=(const CHelpViewer&) = delete;

    // Shows the window at the topic and brings it to the front.
    void Show(int contextId);
    // The help window; null until a topic was first shown (or after its dialog owner took it along).
    CHelpWindow* Window() const;

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void FollowModalDialog();

    std::string m_language;
    QPointer<CHelpWindow> m_window;
    QPointer<QWidget> m_dialog; // the modal dialog the window goes along with, if any
    HelpViewer m_previous;
};
