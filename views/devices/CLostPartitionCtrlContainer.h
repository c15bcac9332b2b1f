// The found-partition panel of the scan-partition pages: the partition list above, the layout frame in a
// fixed lower row of 100 pixels (dragged between 100 and 340). User-interface thread only.
#pragma once

#include <QWidget>

class CExSplitterWnd;
class CMultipleChoosePartitionListCtrl;
class CPartitionLayoutFrame;
class CPartitionLayoutView;

class CLostPartitionCtrlContainer : public QWidget {
    Q_OBJECT
public:
    explicit CLostPartitionCtrlContainer(QWidget* parent = nullptr);
    ~CLostPartitionCtrlContainer() override;

    CMultipleChoosePartitionListCtrl* GetPartitionListCtrl() const { return m_list; }
    CPartitionLayoutFrame* GetLayoutFrame() const { return m_frame; }
    CPartitionLayoutView* GetLayoutView() const;

protected:
    void resizeEvent(QResizeEvent* e) override;

private:
    CExSplitterWnd* m_splitter;
    CMultipleChoosePartitionListCtrl* m_list;
    CPartitionLayoutFrame* m_frame;
};
