// The found-partition list.
#include "views/devices/CMultipleChoosePartitionListCtrl.h"

#include "controls/CExtendListCtrl.h"
#include "controls/CMaskedBitmap.h"
#include "controls/CResourceLibrary.h"
#include "controls/ControlId.h"
#include "controls/WindowMessages.h"
#include "core/DisplayText.h"
#include "views/devices/CPartitionLayoutView.h"
#include "views/devices/DeviceSelectTypes.h"

#include <QPalette>
#include <QPixmap>
#include <algorithm>

namespace {

QString FromUtf8(const std::string& s)
{
    return QString::fromUtf8(s.data(), qsizetype(s.size()));
}

} // namespace

unsigned CMultipleChoosePartitionListCtrl::SuggestionStringId(double score, double mediumThreshold)
{
    if (score > 0.99) return 429;
    if (score >= mediumThreshold) return 430;
    return 431;
}

CMultipleChoosePartitionListCtrl::CMultipleChoosePartitionListCtrl(QWidget* parent)
    : QWidget(parent), m_list(new CExtendListCtrl(this))
{
    m_items.reserve(2000);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(255, 255, 168));
    setPalette(pal);
    setAutoFillBackground(true);
    SetDlgCtrlID(m_list, kListId);
    const CResourceLibrary& lib = CResourceLibrary::Instance();
    m_list->InsertColumn(lib.LoadString(322), 160, CExtendListCtrl::AF_LEFT);
    m_list->InsertColumn(lib.LoadString(331), 80, CExtendListCtrl::AF_RIGHT);
    m_list->InsertColumn(lib.LoadString(332), 80, CExtendListCtrl::AF_CENTER);
    m_list->InsertColumn(lib.LoadString(333), 150, CExtendListCtrl::AF_LEFT);
    m_list->InsertColumn(lib.LoadString(334), 80, CExtendListCtrl::AF_CENTER);
    m_list->InsertColumn(lib.LoadString(335), 80, CExtendListCtrl::AF_CENTER);
    m_icon =
        QIcon(QPixmap::fromImage(CMaskedBitmap::MaskedImage(lib.LoadBitmap(kDefaultDeviceBitmaps.ids[3]), 0xFF00FF)));
    m_list->show();
}

CMultipleChoosePartitionListCtrl::~CMultipleChoosePartitionListCtrl() = default;

void CMultipleChoosePartitionListCtrl::SetListNotifyWnd(QObject* wnd)
{
    m_list->SetNotifyWnd(wnd);
}

void CMultipleChoosePartitionListCtrl::resizeEvent(QResizeEvent*)
{
    m_list->setGeometry(rect());
}

void CMultipleChoosePartitionListCtrl::AddPartition(const PARTITION_LIST_ITEM* item)
{
    if (!item) return;
    const bool check = item->nSuggestionType == 1 && GetCheckedCount() < m_maxInitiallyChecked;
    m_items.push_back(*item);
    const int row = m_list->AddRow(kRowHeight);
    const CResourceLibrary& lib = CResourceLibrary::Instance();

    CExtendListCell name;
    name.nItemCount = 1;
    name.items[0].bHasCheckBox = true;
    name.items[0].bChecked = check;
    name.items[0].hIcon = m_icon;
    // The name and the mark are put together as text of any length; the list cuts what it shows.
    name.items[0].szText = FromUtf8(item->name) + (check ? lib.LoadString(436) : QString());
    name.items[0].pCheckBoxNotify = this;
    name.crText = item->nSuggestionType == 1 ? 0x00A000 : item->nSuggestionType == 2 ? 0x006DA0 : 0;
    m_list->AddCell(unsigned(row), &name);
    if (check) OnCheckBoxChanged(true, unsigned(row), 0, 0);

    CExtendListCell size;
    size.nItemCount = 1;
    size.items[0].szText =
        QString::fromStdString(FormatSectorsAsSize(item->u64LastSector - item->u64StartSector + 1, item->nSectorSize));
    m_list->AddCell(unsigned(row), &size);

    CExtendListCell suggestion;
    suggestion.nItemCount = 1;
    suggestion.items[0].szText = lib.LoadString(SuggestionStringId(item->dScore, m_mediumThreshold));
    m_list->AddCell(unsigned(row), &suggestion);

    CExtendListCell options;
    options.nItemCount = std::clamp(item->nOptionCount, 0, 4);
    for (int i = 0; i < options.nItemCount; ++i) {
        options.items[size_t(i)].bHasCheckBox = true;
        options.items[size_t(i)].bChecked = item->options[i].bChecked != 0;
        options.items[size_t(i)].szText = FromUtf8(item->options[i].text);
        options.items[size_t(i)].pCheckBoxNotify = this;
    }
    m_list->AddCell(unsigned(row), &options);

    CExtendListCell files;
    files.nItemCount = 1;
    files.items[0].szText = QString::number(item->nFilesMatch);
    m_list->AddCell(unsigned(row), &files);
    CExtendListCell folders;
    folders.nItemCount = 1;
    folders.items[0].szText = QString::number(item->nFoldersMatch);
    m_list->AddCell(unsigned(row), &folders);
}

void CMultipleChoosePartitionListCtrl::DeleteAllItems()
{
    m_list->DeleteAllRows();
    m_items.clear();
    m_list->viewport()->update();
}

void* CMultipleChoosePartitionListCtrl::GetItemPartition(int i) const
{
    return i >= 0 && i < GetItemCount() ? m_items[size_t(i)].pItemData : nullptr;
}

int CMultipleChoosePartitionListCtrl::GetCheck(int i) const
{
    const CExtendListRow* row = m_list->GetRow(i);
    return row && row->GetCheck() ? 1 : 0;
}

int CMultipleChoosePartitionListCtrl::GetCheckedCount() const
{
    int n = 0;
    for (int i = 0; i < m_list->GetRowCount(); ++i) n += GetCheck(i);
    return n;
}

int CMultipleChoosePartitionListCtrl::GetSelectedIndex() const
{
    return m_list->GetSelectedRow();
}

void CMultipleChoosePartitionListCtrl::OnCheckBoxChanged(bool bChecked, unsigned nRow, int nCell, int nItem)
{
    if (nRow >= m_items.size()) return;
    const PARTITION_LIST_ITEM& it = m_items[nRow];
    if (nCell == 0) {
        if (!m_layout) return;
        PARTITION_LAYOUT_ITEM layout;
        layout.name = it.name;
        layout.nFileSystemKind = it.nFileSystemKind;
        layout.u64StartSector = it.u64StartSector;
        layout.u64LastSector = it.u64LastSector;
        layout.nSectorSize = it.nSectorSize;
        layout.dScore = it.dScore;
        if (bChecked)
            m_layout->AddPartition(&layout);
        else
            m_layout->RemovePartition(&layout);
        return;
    }
    if (m_notify) {
        OptionToggle record{int(nRow), nCell, nItem, bChecked ? 1 : 0};
        SendMessageTo(m_notify, UM_SELECTION_CHANGED, WPARAM(&record));
    }
}
