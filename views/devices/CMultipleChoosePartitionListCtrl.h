// The list of found partitions on the scan-partition pages: a check box, icon and name per partition
// (recommended ones ticked, at most four or the maximum the page sets), size, a High/Medium/Low suggestion, up to four option check
// boxes and the match counts. Ticking a partition draws it in the layout view; ticking an option sends
// UM_SELECTION_CHANGED (2025) to the notify window with a {row, cell, item, checked} record valid during
// the call. User-interface thread only.
#pragma once

#include "controls/ICheckBoxNotify.h"
#include "views/devices/PartitionListTypes.h"

#include <QIcon>
#include <QWidget>
#include <vector>

class CExtendListCtrl;
class CPartitionLayoutView;

class CMultipleChoosePartitionListCtrl : public QWidget, public ICheckBoxNotify {
    Q_OBJECT
public:
    static constexpr int kListId = 1001;
    static constexpr int kRowHeight = 20;
    static constexpr int kMaxInitiallyChecked = 4;

    struct OptionToggle {
        int row;
        int cell;
        int item;
        int checked;
    };

    // The suggestion of a score: "High" above 0.99, "Medium" from the threshold, else "Low" (string ids).
    static unsigned SuggestionStringId(double score, double mediumThreshold);

    explicit CMultipleChoosePartitionListCtrl(QWidget* parent = nullptr);
    ~CMultipleChoosePartitionListCtrl() override;

    // The layout view that shows the checked partitions (not owned; null for none).
    void SetLayoutView(CPartitionLayoutView* view) { m_layout = view; }
    void AddPartition(const PARTITION_LIST_ITEM* item);
    void DeleteAllItems();
    void SetMediumRankThreshold(double threshold) { m_mediumThreshold = threshold; }
    // How many recommended rows AddPartition ticks at most (kMaxInitiallyChecked at first).
    void SetMaxInitiallyChecked(int count) { m_maxInitiallyChecked = count; }
    int GetMaxInitiallyChecked() const { return m_maxInitiallyChecked; }
    void SetNotifyWnd(QObject* wnd) { m_notify = wnd; }
    void SetListNotifyWnd(QObject* wnd);

    int GetItemCount() const { return int(m_items.size()); }
    void* GetItemPartition(int i) const;
    int GetCheck(int i) const;
    int GetCheckedCount() const;
    int GetSelectedIndex() const;
    CExtendListCtrl* List() const { return m_list; }

    void OnCheckBoxChanged(bool bChecked, unsigned nRow, int nCell, int nItem) override;

protected:
    void resizeEvent(QResizeEvent* e) override;

private:
    std::vector<PARTITION_LIST_ITEM> m_items;
    CExtendListCtrl* m_list;
    QObject* m_notify = nullptr;
    CPartitionLayoutView* m_layout = nullptr;
    QIcon m_icon;
    double m_mediumThreshold = 0.0;
    int m_maxInitiallyChecked = kMaxInitiallyChecked;
};
