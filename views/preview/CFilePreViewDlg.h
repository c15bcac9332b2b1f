// The preview dialog: the temporary copy of a found file in three tabs, Text and Hex (paged views sharing
// one vertical scroll bar that this dialog owns) and Image (fit or actual size). Recover closes it and asks
// the found-file page to recover the file; Cancel closes it. It reads the copy only and deletes nothing.
// User-interface thread only.
#pragma once

#include "controls/CButtonPlus.h"
#include "controls/CScrollWnd.h"
#include "controls/CSearchSuperDlg.h"

#include <QPointer>
#include <QTimer>
#include <functional>

class CHexFilePreViewEdit;
class CImageWindow;
class CTextFilePreViewEdit;
class CVscrollwnd;
class QFrame;
class QTabBar;

class CFilePreViewDlg : public CSearchSuperDlg {
    Q_OBJECT
public:
    static constexpr unsigned kTemplate = 302;
    static constexpr int kTextId = 1115, kHexId = 1120, kTabId = 1119, kBestFitId = 1112, kActualSizeId = 1118,
                         kImageBarId = 1189;
    enum Tab { kTabText = 0, kTabHex = 1, kTabImage = 2 };
    // The least time between two refreshes while scrolling; the last position is painted once it has passed.
    static constexpr uint32_t kRefreshInterval = 100;

    explicit CFilePreViewDlg(QWidget* parent = nullptr);
    ~CFilePreViewDlg() override;

    // Recover runs onRecover queued on target once the dialog has closed (not when target is gone by then).
    void SetNotifyWnd(QObject* target, std::function<void()> onRecover);
    void SetFile(const QString& tempPath, const QString& displayName);

    int GetCurrentTab() const;
    void SelectTab(int tab);
    // The line shown at the top of the text or hex view, and the position bar's state.
    int GetPosition() const { return m_pos.nPos; }
    const SCROLLINFO& PositionInfo() const { return m_pos; }
    // A scroll request as the bar posts it (codes of CScrollWnd.h).
    void OnVScroll(int code, int thumbPos);

    CTextFilePreViewEdit* TextView() const { return m_text; }
    CHexFilePreViewEdit* HexView() const { return m_hex; }
    CImageWindow* ImageView() const { return m_image; }
    CVscrollwnd* ScrollBar() const { return m_scroll; }
    QTabBar* TabBar() const { return m_tab; }
    CButtonPlus* BestFitButton() { return &m_btnBestFit; }
    CButtonPlus* ActualSizeButton() { return &m_btnActualSize; }
    CButtonPlus* RecoverButton() { return &m_btnRecover; }
    CButtonPlus* CancelButton() { return &m_btnCancel; }

protected:
    bool OnInitDialog() override;
    void OnOK() override;
    bool event(QEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;

private:
    void ShowTab(int tab);
    void RefreshView(bool force);
    void ApplyPosition();
    void OnBestFit();
    void OnActualSize();
    void Layout();

    QPointer<QObject> m_notifyTarget;
    std::function<void()> m_onRecover;
    QString m_path;
    QString m_name;

    QTabBar* m_tab;
    QFrame* m_pane;
    CTextFilePreViewEdit* m_text;
    CHexFilePreViewEdit* m_hex;
    CVscrollwnd* m_scroll;
    CImageWindow* m_image;
    QFrame* m_imageBar;
    CButtonPlus m_btnBestFit{428, 429, 427, 426};
    CButtonPlus m_btnActualSize{432, 433, 431, 430};
    CButtonPlus m_btnRecover{370, 369, 368, 367};
    CButtonPlus m_btnCancel{180, 179, 178, 177};

    uint32_t m_textLines = 0;
    uint32_t m_hexLines = 0;
    int m_pageSize = 1;
    uint32_t m_lastRefresh = 0;
    bool m_refreshedOnce = false;
    int m_mode = 2; // 2 none, 0 text lines, 1 hex lines
    SCROLLINFO m_pos;
    QTimer m_trailing;
};
