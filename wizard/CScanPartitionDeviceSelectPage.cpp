// The scan-partition page base.
#include "wizard/CScanPartitionDeviceSelectPage.h"

#include "controls/CExtendHeaderCtrl.h"
#include "controls/CExtendListCtrl.h"
#include "controls/CResourceLibrary.h"
#include "controls/MessageBox.h"
#include "controls/WindowMessages.h"
#include "core/DisplayText.h"
#include "core/devices/IStorageDevice.h"
#include "filesystems/fat/CFATSearchedPartitionInfo.h"
#include "filesystems/ntfs/CSearchedNTFSPartitionInfo.h"
#include "filesystems/partitions/FileSystemNames.h"
#include "filesystems/partitions/FileSystemRegistry.h"
#include "filesystems/partitions/VolumeNames.h"
#include "platform/DiskTable.h"
#include "filesystems/tree/FileSystemKind.h"
#include "platform/Log.h"
#include "views/devices/CDirTreeBuilder.h"
#include "views/devices/CLostPartitionCtrlContainer.h"
#include "views/devices/CMultipleChoosePartitionListCtrl.h"
#include "views/devices/CPartitionLayoutFrame.h"
#include "views/devices/CPartitionLayoutView.h"
#include "views/devices/CScanPartitionPropertiesDlg.h"
#include "views/devices/ScanPartitionRows.h"

#include <QApplication>
#include <QPainter>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <map>
#include <thread>

namespace {

constexpr COLORREF kFrameColour = RGB(203, 212, 219);
constexpr int kOptionsCell = 3;
// The list's own widths of its name column and of the five others, and room for a vertical scroll bar.
constexpr int kNameColumnWidth = 160, kOtherColumnsWidth = 470 + 24;

// The first kind of the file-system family of a found partition (FAT12 for FAT16), or -1 without a file system.
int FamilyOf(int kind)
{
    const FileSystemKindInfo* family = FindFileSystemFamily(kind);
    return family ? family->kind : -1;
}

std::string Text(unsigned id)
{
    return CResourceLibrary::Instance().LoadString(id).toStdString();
}

} // namespace

CScanPartitionDeviceSelectPage::CScanPartitionDeviceSelectPage() = default;

CScanPartitionDeviceSelectPage::~CScanPartitionDeviceSelectPage() = default;

CScanPartitionDeviceSelectPage::PartitionRows
CScanPartitionDeviceSelectPage::MakePartitionRows(const CSearchedPartitionList& partitions, int displayMode)
{
    PartitionRows out;
    if (displayMode == 1) {
        CSearchedPartitionInfo* best = nullptr;
        for (CSearchedPartitionInfo* p : partitions) {
            p->bRecommended = 0;
            if (p->dRank > 0.0 && (!best || p->dRank > best->dRank)) best = p;
        }
        if (best) best->bRecommended = 1;
    }
    double smallest = 0.99, largest = 0.0;
    for (const CSearchedPartitionInfo* p : partitions) {
        if (p->dRank > 0.99) continue;
        smallest = std::min(smallest, p->dRank);
        largest = std::max(largest, p->dRank);
    }
    out.mediumThreshold = largest >= smallest ? (smallest + largest) / 2 : 0.5;

    const std::string partitionWord = Text(kPartitionString);
    const std::string mftOnly = Text(kMftOnlyString);
    std::map<int, int> perFamily;
    int n = 0;
    for (CSearchedPartitionInfo* p : partitions) {
        ++n;
        const int family = FamilyOf(p->nFileSystemKind);
        if (family >= 0 && perFamily[family]++ >= kMaxRowsPerFamily) continue;
        PARTITION_LIST_ITEM row;
        char name[300];
        std::snprintf(name, sizeof name, "%s %d %s", partitionWord.c_str(), n,
                      FormatFileSystemName(p->nFileSystemKind).c_str());
        row.name = name;
        row.nFileSystemKind = p->nFileSystemKind;
        row.nSectorSize = p->nSectorSize;
        row.dScore = p->dRank;
        row.nFilesMatch = uint32_t(std::min<uint64_t>(p->u64FilesMatch, UINT32_MAX));
        row.nFoldersMatch = uint32_t(std::min<uint64_t>(p->u64FoldersMatch, UINT32_MAX));
        row.nSuggestionType = p->bRecommended == 1 || p->bRecommended == 2 ? p->bRecommended : 0;
        row.pItemData = p;
        if (family >= 0) {
            row.u64StartSector = p->u64StartSector;
            // An empty partition has no last sector: its range stays at its start.
            row.u64LastSector = p->u64SectorsCount ? p->u64StartSector + p->u64SectorsCount - 1 : p->u64StartSector;
        }
        if (family == kFsKindNtfs) {
            const auto* ntfs = dynamic_cast<const CSearchedNTFSPartitionInfo*>(p);
            if (ntfs && ntfs->u64MftMirrLocation != CSearchedNTFSPartitionInfo::kUnknown) {
                row.options[row.nOptionCount].text = mftOnly;
                row.options[row.nOptionCount++].bChecked = ntfs->bMftOnly ? 1 : 0;
            }
        } else if (family == kFsKindFat12) {
            if (const auto* fat = dynamic_cast<const CFATSearchedPartitionInfo*>(p)) {
                const uint32_t flags = fat->GetFlags();
                if (flags & kFATFlagFoundFAT1) {
                    row.options[row.nOptionCount].text = "FAT1";
                    row.options[row.nOptionCount++].bChecked = (flags & kFATFlagUseFAT1) ? 1 : 0;
                }
                if (flags & kFATFlagFoundFAT2) {
                    row.options[row.nOptionCount].text = "FAT2";
                    row.options[row.nOptionCount++].bChecked = (flags & kFATFlagUseFAT2) ? 1 : 0;
                }
            }
        }
        out.rows.push_back(std::move(row));
    }
    return out;
}

void CScanPartitionDeviceSelectPage::ApplyOptionToggle(CSearchedPartitionInfo* partition, int cell, int option,
                                                       bool checked)
{
    if (!partition || cell != kOptionsCell || option < 0 || option >= 2) return;
    const int family = FamilyOf(partition->nFileSystemKind);
    if (family == kFsKindNtfs) {
        auto* ntfs = dynamic_cast<CSearchedNTFSPartitionInfo*>(partition);
        if (ntfs && option == 0 && ntfs->u64MftMirrLocation != CSearchedNTFSPartitionInfo::kUnknown)
            ntfs->bMftOnly = checked ? 1 : 0;
    } else if (family == kFsKindFat12) {
        auto* fat = dynamic_cast<CFATSearchedPartitionInfo*>(partition);
        if (!fat) return;
        const bool hasFat1 = fat->GetFlags() & kFATFlagFoundFAT1;
        const bool hasFat2 = fat->GetFlags() & kFATFlagFoundFAT2;
        uint32_t flag = 0;
        if (option == 0 && hasFat1)
            flag = kFATFlagUseFAT1;
        else if ((option == 0 && hasFat2) || (option == 1 && hasFat2))
            flag = kFATFlagUseFAT2;
        if (flag == 0) return;
        if (checked)
            fat->AddFlags(flag);
        else
            fat->ClearFlags(flag);
    }
}

int CScanPartitionDeviceSelectPage::OnCreate()
{
    m_container = new CLostPartitionCtrlContainer(this);
    m_container->setGeometry(0, 0, 10, 10);
    m_container->show();
    PartitionList()->SetNotifyWnd(this);
    PartitionList()->SetListNotifyWnd(this);
    return 0;
}

CMultipleChoosePartitionListCtrl* CScanPartitionDeviceSelectPage::PartitionList() const
{
    return m_container ? m_container->GetPartitionListCtrl() : nullptr;
}

QRect CScanPartitionDeviceSelectPage::PanelRect(int cx, int cy)
{
    const Rects r = ComputeRects(cx, cy);
    return ToQRect(RECT{r.subtitle.left, r.subtitle.top, r.subtitle.right, r.bottom.bottom});
}

void CScanPartitionDeviceSelectPage::Layout(int cx, int cy)
{
    if (!m_container) return;
    const QRect panel = PanelRect(cx, cy);
    m_container->setGeometry(panel);
    // The name column takes the width the other five leave, so "Partition n FAT32" with its mark is not cut.
    // The header tells the list's rows, as a drag of the column edge would.
    CExtendListCtrl* list = PartitionList() ? PartitionList()->List() : nullptr;
    if (list && list->Header())
        list->Header()->SetItemWidth(0, std::max(kNameColumnWidth, panel.width() - kOtherColumnsWidth));
}

void CScanPartitionDeviceSelectPage::Draw(QPainter* pDC)
{
    const QRect frame = PanelRect(width(), height()).adjusted(-1, -1, 1, 1);
    pDC->setPen(ToQColor(kFrameColour));
    pDC->setBrush(Qt::NoBrush);
    pDC->drawRect(frame.adjusted(0, 0, -1, -1));
    DrawTitle(pDC);
}

void CScanPartitionDeviceSelectPage::FillPartitionList(const CSearchedPartitionList& partitions, int displayMode)
{
    CMultipleChoosePartitionListCtrl* list = PartitionList();
    if (!list) return;
    const PartitionRows made = MakePartitionRows(partitions, displayMode);
    list->DeleteAllItems();
    // The display mode is also how many recommended rows start ticked: 1 or 2 for a volume, 4 for a disk.
    list->SetMaxInitiallyChecked(displayMode);
    list->SetMediumRankThreshold(made.mediumThreshold);
    for (const PARTITION_LIST_ITEM& row : made.rows) list->AddPartition(&row);
}

void CScanPartitionDeviceSelectPage::SetLayoutSource(const std::string& name, int kind, uint64_t sectors,
                                                     uint32_t sectorSize)
{
    if (!m_container) return;
    m_sourceName = name;
    m_container->GetLayoutView()->DeleteAllPartitions();
    PARTITION_LAYOUT_SOURCE source;
    source.pszName = m_sourceName.c_str();
    source.nKind = kind;
    source.u64SectorCount = sectors;
    source.nSectorSize = sectorSize;
    m_container->GetLayoutFrame()->SetDiskInfo(&source);
}

void CScanPartitionDeviceSelectPage::ShowVolumePartitions(const CSearchedPartitionList& partitions,
                                                          const VolumeDeviceRecord* volume)
{
    if (volume) {
        IStorageDevice* device = volume->pDevice;
        const uint64_t sectors = device ? device->GetSectorCount() : 0;
        const uint32_t sectorSize = device ? uint32_t(device->GetSectorSize()) : 512;
        if (volume->nKind == VolumeDeviceRecord::kKindVolume) {
            // Named as the device page lists it ("sdb1 DATA (NTFS)"), not by its internal letter.
            const std::string name = VolumeShortName(*volume, NameVolume(*volume, {}, plat::ListBlockDevices()));
            SetLayoutSource(name, 3, sectors, sectorSize);
        } else {
            SetLayoutSource(volume->szImageName, 2, sectors, sectorSize);
        }
    }
    int displayMode = 1;
    bool first = true;
    for (const CSearchedPartitionInfo* p : partitions) {
        if (!first && p->bWholeDisk) displayMode = 2;
        first = false;
    }
    FillPartitionList(partitions, displayMode);
}

void CScanPartitionDeviceSelectPage::ShowDiskPartitions(const CSearchedPartitionList& partitions,
                                                        const DiskDeviceRecord* disk)
{
    if (disk) {
        IStorageDevice* device = disk->pDevice;
        const uint64_t sectors = device ? device->GetSectorCount() : 0;
        const uint32_t sectorSize = device ? uint32_t(device->GetSectorSize()) : 512;
        if (disk->nKind == DiskDeviceRecord::kKindDisk)
            SetLayoutSource(disk->szDescription, disk->bUsb ? 1 : 0, sectors, sectorSize);
        else
            SetLayoutSource(disk->szImageName, 2, sectors, sectorSize);
    }
    FillPartitionList(partitions, 4);
}

void CScanPartitionDeviceSelectPage::ClearPartitions()
{
    if (CMultipleChoosePartitionListCtrl* list = PartitionList()) list->DeleteAllItems();
    if (m_container) m_container->GetLayoutView()->DeleteAllPartitions();
}

int CScanPartitionDeviceSelectPage::GetRowCount()
{
    return PartitionList() ? PartitionList()->GetItemCount() : 0;
}

int CScanPartitionDeviceSelectPage::GetCheckedCount()
{
    return PartitionList() ? PartitionList()->GetCheckedCount() : 0;
}

bool CScanPartitionDeviceSelectPage::IsRowChecked(int row)
{
    return PartitionList() && PartitionList()->GetCheck(row);
}

CSearchedPartitionInfo* CScanPartitionDeviceSelectPage::GetRowPartition(int row)
{
    return PartitionList() ? static_cast<CSearchedPartitionInfo*>(PartitionList()->GetItemPartition(row)) : nullptr;
}

int CScanPartitionDeviceSelectPage::ShowMessage(unsigned stringId, unsigned type)
{
    return ShowMessageBox(this, stringId, type);
}

void CScanPartitionDeviceSelectPage::SetWaitCursor(bool wait)
{
    if (wait)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

bool CScanPartitionDeviceSelectPage::RunBuild(const std::function<void(IDIRBuildCallback* callback)>& work)
{
    CDirTreeBuilder runner;
    runner.Run([&](IDIRBuildCallback* callback, const std::function<void()>& pump) -> CFileSystemNode* {
        // The builds read the disk on a worker; this thread keeps the dialog alive.
        std::atomic<bool> done{false};
        std::thread worker([&] {
            try {
                work(callback);
            } catch (...) {
                LogError("Directory build: the build failed");
            }
            done = true;
        });
        while (!done.load()) {
            pump();
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        worker.join();
        return nullptr;
    });
    return runner.IsCancelled() != 0;
}

void CScanPartitionDeviceSelectPage::customEvent(QEvent* e)
{
    if (CWindowMessage* m = CWindowMessage::From(e)) {
        if (m->Message() == UM_SELECTION_CHANGED && m->WParam()) {
            const auto* toggle = reinterpret_cast<const CMultipleChoosePartitionListCtrl::OptionToggle*>(m->WParam());
            ApplyOptionToggle(GetRowPartition(toggle->row), toggle->cell, toggle->item, toggle->checked != 0);
        }
        // A right click on a row (UM_SELECTION_TOTALS) offers nothing.
        return;
    }
    CWizardPage::customEvent(e);
}

bool CScanPartitionDeviceSelectPage::OnCommand(unsigned id)
{
    if (id != kCmdProperties || !PartitionList()) return false;
    if (CSearchedPartitionInfo* partition = GetRowPartition(PartitionList()->GetSelectedIndex())) {
        CScanPartitionPropertiesDlg dlg(this);
        dlg.SetPartitionInfo(partition);
        if (const auto* ntfs = dynamic_cast<const CSearchedNTFSPartitionInfo*>(partition))
            dlg.SetNtfsFigures(NtfsFiguresOf(*ntfs));
        dlg.DoModal();
    }
    return true;
}
