// The base of the device-select pages: one device list under a toolbar, the check box of the option
// "Manually select historical partitions" below it on the pages that keep it, and the frame around the list.
// The list's clicks come back as window messages; a derived page turns them into controller calls.
// User-interface thread only.
#pragma once

#include "controls/Win32Types.h"
#include "wizard/CWizardPage.h"

#include <string>

class CDeviceSelectCtrl;
class CTransButton;
struct DeviceRow;

class CDeviceSelectPage : public CWizardPage {
    Q_OBJECT
public:
    static constexpr int kListId = 1200;
    static constexpr int kCheckId = 1010;
    static constexpr unsigned kCheckString = 438;
    static constexpr COLORREF kFrameColour = RGB(203, 212, 219);

    CDeviceSelectPage();
    ~CDeviceSelectPage() override;

    void SetShowCheck(bool show)
    {
        if (show != m_showCheck) m_showCheck = show;
    }
    bool GetShowCheck() const { return m_showCheck; }
    CDeviceSelectCtrl* GetDeviceList() const { return m_list; }
    CTransButton* CheckBox() const { return m_check; }

    void Layout(int iClientWidth, int iClientHeight) override;
    void Draw(QPainter* pDC) override;
    virtual void DrawTitle(QPainter*) {}

    // The rectangle of the list for a page of that size.
    QRect ListRect(int cx, int cy) const;

protected:
    int OnCreate() override;
    void showEvent(QShowEvent* e) override;
    void customEvent(QEvent* e) override;
    // A row message of the list (click, double click, right click).
    virtual void OnListMessage(unsigned /*message*/) {}
    // Appends a controller's row to the list with that text in its information column (the row's own when
    // null); nothing without a list.
    void AddListRow(const DeviceRow& row, const std::string* info = nullptr);

    bool m_showCheck = true;
    CDeviceSelectCtrl* m_list = nullptr;
    CTransButton* m_check = nullptr;
};
