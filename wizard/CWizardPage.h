// The base of the wizard's page windows: three layout rectangles set on every resize (title, subtitle and
// bottom), a bold page font, a white background painted without flicker, and the four operations each
// page supplies: its controller, its help topic, its layout and its drawing.
// Pages are made by the sheet's page table and become child windows of the sheet through Create.
#pragma once

#include "controls/Win32Types.h"

#include <QFont>
#include <QWidget>

class CWizardSheet;
class IWizardPageController;

class CWizardPage : public QWidget {
    Q_OBJECT
public:
    struct Rects {
        RECT title;
        RECT subtitle;
        RECT bottom;
    };
    // The rectangles of a page cx x cy pixels large.
    static Rects ComputeRects(int cx, int cy);

    explicit CWizardPage(QWidget* parent = nullptr);
    ~CWizardPage() override;

    virtual IWizardPageController* GetController() = 0;
    virtual int GetHelpContextId() = 0;
    // Places the page's own controls after the rectangles were set.
    virtual void Layout(int iClientWidth, int iClientHeight);
    // Paints the page's content over the white background, with the page font selected.
    virtual void Draw(QPainter* pDC);

    // Becomes a child window of parent with a control id, then runs OnCreate; false when OnCreate fails.
    bool Create(QWidget* parent, int id);
    // Nonzero when the page could not be made completely (its own error code).
    int GetInitError() const { return m_initError; }

    // Pages shown as a modal dialog of their own instead of in the page area (the sheet's current page
    // stays as it was).
    virtual bool IsShownAsDialog() const { return false; }
    virtual void RunAsDialog(CWizardSheet& /*sheet*/) {}
    // A command forwarded by the sheet; true when the page handled it.
    virtual bool OnCommand(unsigned /*id*/) { return false; }

    const RECT& TitleRect() const { return m_rcTitle; }
    const RECT& SubTitleRect() const { return m_rcSubTitle; }
    const RECT& BottomRect() const { return m_rcBottom; }
    const QFont& PageFont() const { return m_font; }

protected:
    // The window's creation: -1 fails it, 0 goes on.
    virtual int OnCreate() { return 0; }
    void resizeEvent(QResizeEvent* e) override;
    void paintEvent(QPaintEvent* e) override;

    RECT m_rcTitle;
    RECT m_rcSubTitle;
    RECT m_rcBottom;
    QFont m_font;
    int m_initError = 0;
};
