// The one top-level window: no menu, a client area of 1000 x 700 at creation, a fixed-size mode (the
// wizard's first page) and a resizable one (never below 1000 x 680), a question before it closes, and the
// private messages that close it without asking and show a help topic. Its only child is the client view.
#pragma once

#include "app/CChildView.h"
#include "wizard/IWizardSheetHost.h"

#include <QSize>
#include <QWidget>

class CMainFrame : public QWidget, public IWizardSheetHost {
    Q_OBJECT
public:
    static constexpr QSize kClientSize{1000, 700};
    static constexpr QSize kMinimumClientSize{1000, 680};

    CMainFrame();
    ~CMainFrame() override;

    // Creates the client view with its sheet, sizes and centres the frame and sets its title.
    // False (with error set) when the view or its sheet could not be made.
    bool LoadFrame(const WizardSheetFactory& factory, QString* error);

    CChildView* ChildView() const { return m_view; }

    // Fixed size (the creation size, no maximize button) or resizable (the maximize button stays off once
    // removed). No effect when unchanged. The wizard sheet calls it on each page change.
    void SetResizable(bool resizable) override;
    bool IsResizable() const { return m_resizable; }
    // The size remembered at creation.
    QSize CreationSize() const { return m_creationSize; }

    // Closes without the "Exit now?" question (the language change).
    void OnCloseRequest();

    // The product name and version in a box of their own.
    void ShowAbout() override;
    // The program starts again once this window has closed and the application has shut down.
    bool RequestRestart() override;

protected:
    void closeEvent(QCloseEvent* e) override;
    void customEvent(QEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;

private:
    void ApplySizeMode();
    // The desktop's file types by name for the search dialog's Type list, built once at start-up; its time
    // is logged.
    void BuildFileTypeNameMap();

    CChildView* m_view = nullptr; // child widget
    bool m_resizable = true;
    bool m_maximizeBox = true;
    bool m_closeWithoutAsking = false;
    QSize m_creationSize = kClientSize;
};
