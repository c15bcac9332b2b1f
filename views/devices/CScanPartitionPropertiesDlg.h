// "Scan Partition Properties": the evidence and geometry of a found partition in a two-column list, or
// only its start and size for a partition of the lost-partition search. Run modally by the partition pages.
#pragma once

#include "controls/CButtonPlus.h"
#include "controls/CSearchSuperDlg.h"
#include "views/devices/ScanPartitionRows.h"

#include <optional>
#include <utility>

class CSearchedPartitionInfo;
class QTreeWidget;

class CScanPartitionPropertiesDlg : public CSearchSuperDlg {
    Q_OBJECT
public:
    static constexpr unsigned kTemplate = 320;
    static constexpr int kListId = 1133;

    explicit CScanPartitionPropertiesDlg(QWidget* parent);
    ~CScanPartitionPropertiesDlg() override;

    // Not owned; shown when the dialog starts.
    void SetPartitionInfo(CSearchedPartitionInfo* info) { m_info = info; }
    // The NTFS evidence of an NTFS partition description.
    void SetNtfsFigures(const NtfsPartitionFigures& figures) { m_ntfs = figures; }
    // A record whose first two fields are the start sector and the sector count.
    template <typename Range>
    void SetRange(const Range* range)
    {
        if (range) m_range = std::make_pair(uint64_t(range->u64StartSector), uint64_t(range->u64SectorCount));
    }
    void SetRange(uint64_t start, uint64_t count) { m_range = std::make_pair(start, count); }

    QTreeWidget* List() const { return m_list; }

protected:
    bool OnInitDialog() override;

private:
    CSearchedPartitionInfo* m_info = nullptr;
    std::optional<NtfsPartitionFigures> m_ntfs;
    std::optional<std::pair<uint64_t, uint64_t>> m_range;
    QTreeWidget* m_list;
    CButtonPlus m_btnOK{382, 381, 380, 379};
};
