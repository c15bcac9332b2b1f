// A tab bar prepared for owner drawing: a background colour, a draw type (0 the platform's look, 1 each tab
// drawn by DrawItem inside the platform's frames, 2 tabs, borders and page area all drawn by the control)
// and five drawing operations for derived looks. User-interface thread only.
#pragma once

#include "controls/Win32Types.h"

#include <QTabBar>

class QPainter;

constexpr unsigned TCS_OWNERDRAWFIXED = 0x2000;
constexpr unsigned ODT_TAB = 101;
constexpr unsigned ODA_DRAWENTIRE = 0x1;
constexpr COLORREF CLR_DEFAULT_BKGND = 0xFFFFFFFF; // the system button face

// What a tab drawing operation is given.
struct DRAWITEMSTRUCT {
    unsigned CtlType = ODT_TAB;
    int CtlID = 0;
    int itemID = -1;
    unsigned itemAction = ODA_DRAWENTIRE;
    unsigned itemState = 0; // 1 for the selected tab
    QPainter* hDC = nullptr;
    QRect rcItem;
    int bitsPerPixel = 32; // of the surface drawn on
};

class CBaseTabCtrl : public QTabBar {
    Q_OBJECT
public:
    explicit CBaseTabCtrl(QWidget* parent = nullptr);
    ~CBaseTabCtrl() override;

    // False for a type outside 0..2 (nothing changes).
    bool SetDrawType(int nType);
    int GetDrawType() const { return m_drawType; }
    void SetBkgndColor(COLORREF cr);
    COLORREF GetBkgndColor() const { return m_crBack; }
    // Whether the tabs are owner-drawn (the TCS_OWNERDRAWFIXED style).
    bool IsOwnerDrawn() const { return m_ownerDrawn; }
    void SetOwnerDrawn(bool on);

    virtual void DrawItem(const DRAWITEMSTRUCT* lpdis);
    virtual void DrawTabAreaBorder(const DRAWITEMSTRUCT* lpdis);
    virtual void DrawTabBorder(const DRAWITEMSTRUCT* lpdis);
    virtual COLORREF GetTabBackColor(bool bSelected) const;
    virtual COLORREF GetTabTextColor(bool bSelected) const;

protected:
    void paintEvent(QPaintEvent* e) override;
    // The platform's painting of owner-drawn tabs: a frame per tab, its inside filled by DrawItem.
    void PaintOwnerDrawnTabs(QPainter& p);
    // The control's own painting (draw type 2): page-area border, back tabs from the last, selected last.
    void PaintAllByItself(QPainter& p);
    COLORREF BackgroundOrFace() const;

private:
    COLORREF m_crBack = CLR_DEFAULT_BKGND;
    int m_drawType = 0;
    bool m_ownerDrawn = false;
};
