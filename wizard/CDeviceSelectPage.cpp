// The device-select page base.
#include "wizard/CDeviceSelectPage.h"

#include "controller/IDeviceSelectView.h"
#include "controls/CResourceLibrary.h"
#include "controls/CTransButton.h"
#include "controls/ControlId.h"
#include "controls/WindowMessages.h"
#include "core/CRecoverySettings.h"
#include "core/LanguageHelpers.h"
#include "platform/Log.h"
#include "views/devices/CDeviceSelectCtrl.h"
#include "views/devices/DevicePictures.h"
#include "views/devices/DeviceSelectTypes.h"

#include <QPainter>

CDeviceSelectPage::CDeviceSelectPage() = default;

CDeviceSelectPage::~CDeviceSelectPage() = default;

int CDeviceSelectPage::OnCreate()
{
    if (m_showCheck && !m_check) {
        m_check = new CTransButton(this);
        // The string escapes its ampersand as a button label does ("&&"); the box draws its text as it stands.
        QString text = CResourceLibrary::Instance().LoadString(kCheckString);
        text.replace(QStringLiteral("&&"), QStringLiteral("&"));
        m_check->Create(text, WS_CHILD | BS_AUTOCHECKBOX, QRect(), this, kCheckId);
        m_check->SetBkColor(RGB(255, 255, 255));
        m_check->SetTextFont(90, QString::fromLatin1(GetUIFontName()), false);
        m_check->SetShowFocus(false);
        // Shown, so the option can be set where it matters: before a search whose partitions it lists.
        m_check->show();
    }
    // The row icons the resources lack are drawn by the program; the list loads them by id.
    InstallDevicePictures();
    m_list = new CDeviceSelectCtrl(this);
    SetDlgCtrlID(m_list, kListId);
    m_list->SetDeviceBitmaps(kDefaultDeviceBitmaps);
    m_list->show();
    return 0;
}

QRect CDeviceSelectPage::ListRect(int cx, int cy) const
{
    const Rects r = ComputeRects(cx, cy);
    const int bottom = m_showCheck ? r.bottom.top - 1 : cy - 10;
    return ToQRect(RECT{r.subtitle.left, r.subtitle.bottom, r.subtitle.right, bottom});
}

void CDeviceSelectPage::Layout(int cx, int cy)
{
    if (m_list) m_list->setGeometry(ListRect(cx, cy));
    if (m_showCheck && m_check) {
        RECT box = m_rcBottom;
        box.right -= 50;
        box.top += (m_rcBottom.bottom - m_rcBottom.top) / 3;
        m_check->setGeometry(ToQRect(box));
    }
}

void CDeviceSelectPage::Draw(QPainter* pDC)
{
    const int bottom = m_showCheck ? height() - 36 : height() - 10;
    const QRect frame = ToQRect(RECT{50, 30, width() - 50, bottom}).adjusted(-1, -1, 1, 1);
    pDC->setPen(ToQColor(kFrameColour));
    pDC->setBrush(Qt::NoBrush);
    pDC->drawRect(frame.adjusted(0, 0, -1, -1));
    DrawTitle(pDC);
}

void CDeviceSelectPage::showEvent(QShowEvent* e)
{
    CWizardPage::showEvent(e);
    if (m_check) m_check->SetCheck(GetRecoverySettings()->m_manuallySelectHistoricalPartitions);
}

void CDeviceSelectPage::customEvent(QEvent* e)
{
    if (CWindowMessage* m = CWindowMessage::From(e)) {
        if (m->Message() == UM_CHECK_CLICKED)
            GetRecoverySettings()->m_manuallySelectHistoricalPartitions = m->WParam() ? 1 : 0;
        else
            OnListMessage(m->Message());
        return;
    }
    CWizardPage::customEvent(e);
}

void CDeviceSelectPage::AddListRow(const DeviceRow& row, const std::string* info)
{
    if (!m_list) return;
    DEVICE_ITEM item;
    item.nIcon = row.icon;
    item.pszName = row.name.c_str();
    item.nSectors = row.sectors;
    item.nSectorSize = row.sectorSize ? row.sectorSize : 512;
    item.pszInfo = info ? info->c_str() : row.info.c_str();
    item.pItemData = row.item;
    item.bDisabled = !row.unreadable.empty();
    m_list->AddItem(&item);
}
