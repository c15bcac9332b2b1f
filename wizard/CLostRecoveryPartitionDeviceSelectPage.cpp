// The found-partition page of partition recovery.
#include "wizard/CLostRecoveryPartitionDeviceSelectPage.h"

#include "controller/CLostRecoveryPartitionDeviceSelectController.h"
#include "controller/CSelectedDevice.h"
#include "controls/CHasCheckboxPromptDlg.h"
#include "controls/CResourceLibrary.h"
#include "controls/CTransButton.h"
#include "controls/CXPMenu.h"
#include "controls/ControlId.h"
#include "controls/MessageBox.h"
#include "controls/WindowMessages.h"
#include "core/LanguageHelpers.h"
#include "platform/Log.h"
#include "views/devices/CDeviceSelectCtrl.h"
#include "views/devices/CIntelligentSearchingDialog.h"
#include "views/devices/CDirTreeBuilder.h"
#include "views/devices/CScanPartitionPropertiesDlg.h"
#include "views/devices/DeviceSelectTypes.h"

#include <QCursor>
#include <QPainter>

CLostRecoveryPartitionDeviceSelectPage::CLostRecoveryPartitionDeviceSelectPage() = default;

CLostRecoveryPartitionDeviceSelectPage::~CLostRecoveryPartitionDeviceSelectPage()
{
    if (m_controller && m_controller->GetPage() == this) m_controller->SetPage(nullptr);
}

IWizardPageController* CLostRecoveryPartitionDeviceSelectPage::GetController()
{
    return m_controller;
}

void CLostRecoveryPartitionDeviceSelectPage::SetController(CLostRecoveryPartitionDeviceSelectController* pController)
{
    LogError("------------------------ParmInfo:ILostRecoveryDiskDeviceSelectController* pController=%x",
             unsigned(reinterpret_cast<uintptr_t>(pController)));
    m_controller = pController;
}

int CLostRecoveryPartitionDeviceSelectPage::OnCreate()
{
    if (CDeviceSelectPage::OnCreate() == -1) return -1;
    m_fullScan = new CTransButton(this);
    m_fullScan->Create(CResourceLibrary::Instance().LoadString(kFullScanString),
                       WS_CHILD | WS_VISIBLE | BS_AUTOCHECKBOX, QRect(), this, kFullScanId);
    m_fullScan->SetBkColor(RGB(255, 255, 255));
    m_fullScan->SetTextFont(90, QString::fromLatin1(GetUIFontName()), true);
    m_fullScan->SetShowFocus(false);
    m_fullScan->show();
    m_list->SetCtrlStyle(CS_PARTITION);
    return 0;
}

QRect CLostRecoveryPartitionDeviceSelectPage::FullScanRect(int cx)
{
    const int left = 50 + 18;
    const int right = left + (cx - 118) * 2 / 3;
    return ToQRect(RECT{left, 30, right, 61});
}

void CLostRecoveryPartitionDeviceSelectPage::Layout(int cx, int cy)
{
    CDeviceSelectPage::Layout(cx, cy);
    if (m_fullScan) m_fullScan->setGeometry(FullScanRect(cx));
}

void CLostRecoveryPartitionDeviceSelectPage::DrawTitle(QPainter* pDC)
{
    pDC->save();
    pDC->setFont(m_font);
    pDC->setPen(Qt::black);
    pDC->drawText(ToQRect(m_rcTitle), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                  CResourceLibrary::Instance().LoadString(kTitleString));
    pDC->restore();
}

bool CLostRecoveryPartitionDeviceSelectPage::OnCommand(unsigned id)
{
    if (!m_controller) return false;
    switch (id) {
    case kCmdRecover: m_controller->next(); return true;
    case kCmdProperties: ShowProperties(); return true;
    default: return false;
    }
}

void CLostRecoveryPartitionDeviceSelectPage::customEvent(QEvent* e)
{
    CWindowMessage* m = CWindowMessage::From(e);
    if (m && m->Message() == UM_CHECK_CLICKED && m_fullScan &&
        m->LParam() == LPARAM(reinterpret_cast<std::intptr_t>(m_fullScan))) {
        const int checked = m->WParam() ? 1 : 0;
        if (m_controller) m_controller->SetFullScan(checked);
        if (checked && m_list) m_list->ClearSelection();
        return;
    }
    CDeviceSelectPage::customEvent(e);
}

void CLostRecoveryPartitionDeviceSelectPage::OnListMessage(unsigned message)
{
    if (message == UM_DEVICE_LIST_CLICK) {
        UncheckFullScan();
    } else if (message == UM_DEVICE_LIST_DBLCLICK) {
        OnCommand(kCmdRecover);
    } else if (message == UM_DEVICE_LIST_RIGHTCLICK) {
        ShowRowMenu();
    }
}

void CLostRecoveryPartitionDeviceSelectPage::ShowRowMenu()
{
    CXPMenu menu(this);
    menu.AppendItem(kCmdRecover, CResourceLibrary::Instance().LoadString(kRecoverString).trimmed());
    menu.AppendItem(kCmdProperties, CResourceLibrary::Instance().LoadText(QStringLiteral("wizard.menu.properties")));
    if (const unsigned command = menu.TrackPopupMenu(QCursor::pos())) OnCommand(command);
}

void CLostRecoveryPartitionDeviceSelectPage::ShowProperties()
{
    const int row = GetSelectedRow();
    const auto* record = row >= 0 ? static_cast<const CLostPartitionRecord*>(GetRowItem(row)) : nullptr;
    if (!record) return;
    CScanPartitionPropertiesDlg dlg(this);
    dlg.SetRange(record->u64StartSector, record->u64SectorCount);
    dlg.DoModal();
}

void CLostRecoveryPartitionDeviceSelectPage::UncheckFullScan()
{
    if (m_fullScan) m_fullScan->SetCheck(0);
    if (m_controller) m_controller->SetFullScan(0);
}

void CLostRecoveryPartitionDeviceSelectPage::ClearRows()
{
    if (m_list) m_list->DeleteAllItems();
}

void CLostRecoveryPartitionDeviceSelectPage::AddRow(const DeviceRow& row)
{
    AddListRow(row);
}

int CLostRecoveryPartitionDeviceSelectPage::GetSelectedRow()
{
    return m_list ? m_list->GetSelectedIndex() : -1;
}

void* CLostRecoveryPartitionDeviceSelectPage::GetRowItem(int row)
{
    return m_list ? m_list->GetItemData(row) : nullptr;
}

int CLostRecoveryPartitionDeviceSelectPage::ShowMessage(unsigned stringId, unsigned type)
{
    return ShowMessageBox(this, stringId, type);
}

bool CLostRecoveryPartitionDeviceSelectPage::ShowFullScanHint()
{
    CHasCheckboxPromptDlg dlg(CResourceLibrary::Instance().LoadString(kHintString), nullptr);
    dlg.DoModal();
    return dlg.GetDontShowAgain() != 0;
}

IntelligentSearchEnd CLostRecoveryPartitionDeviceSelectPage::RunSearch(IStorageDevice* device,
                                                                       const CSearchControllerList& scanners,
                                                                       CSearchedPartitionList& found)
{
    return RunIntelligentSearch(device, scanners, found, RunIntelligentSearchDialog);
}

void CLostRecoveryPartitionDeviceSelectPage::BuildRawTree(CRawFileList* hits, IStorageDevice* device, CFileNode* parent)
{
    ::BuildRawFileTree(hits, device, parent);
}
