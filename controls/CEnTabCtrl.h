// An owner-drawn tab bar whose look is chosen once for the whole process: flat or raised, a custom colour,
// a highlighted selected tab, a vertical gradient in each tab and shaded back tabs.
// User-interface thread only.
#pragma once

#include "controls/CBaseTabCtrl.h"

#include <vector>

constexpr unsigned ETC_FLAT = 0x01;
constexpr unsigned ETC_COLOR = 0x02;
constexpr unsigned ETC_SELECTION = 0x04;
constexpr unsigned ETC_GRADIENT = 0x08;
constexpr unsigned ETC_BACKTABS = 0x10;

// Each channel times the factor (at least 1), truncated, and 255 above 254.
COLORREF LightenColor(COLORREF cr, float factor);
// Each channel times the factor (within 0..1), truncated.
COLORREF DarkenColor(COLORREF cr, float factor);

class CEnTabCtrl : public CBaseTabCtrl {
    Q_OBJECT
public:
    struct Band {
        QRect rect;
        COLORREF colour;
    };
    // The fill of a tab: 2-pixel bands from c0 down towards c1 with a gradient, else one band of c0.
    static std::vector<Band> TabFill(const QRect& r, COLORREF c0, COLORREF c1, bool gradient);

    explicit CEnTabCtrl(QWidget* parent = nullptr);
    ~CEnTabCtrl() override;

    // Look flags = dwStyle when enabled, else 0; every CEnTabCtrl follows at its next drawing.
    static void EnableCustomLook(bool bEnable, unsigned dwStyle);
    static unsigned GetLookFlags();
    // Adds the owner-drawn style when any look flag is set (called when the control is set up).
    void PreSubclassWindow();

    void DrawItem(const DRAWITEMSTRUCT* lpdis) override;
    void DrawTabAreaBorder(const DRAWITEMSTRUCT* lpdis) override;
    void DrawTabBorder(const DRAWITEMSTRUCT* lpdis) override;
    COLORREF GetTabBackColor(bool bSelected) const override;
    COLORREF GetTabTextColor(bool bSelected) const override;

    // A tab's text shortened with an ellipsis to fit width pixels.
    QString FormatTabText(const QString& text, int width) const;

protected:
    void paintEvent(QPaintEvent* e) override;
};
