// The region step of the disk-image wizard: the sector range selector with an edit box and spin buttons
// for the first and the last sector, kept in step with each other. Typed values are checked when editing
// finishes (Enter, or the focus leaving the box), not on every keystroke.
#pragma once

#include "views/diskimage/CInterfaceDialog.h"

#include <cstdint>

class CSectorSelectCtrl;
class QLineEdit;
class QToolButton;

class CImageDiskSetRegionDlg : public CInterfaceDialog {
    Q_OBJECT
public:
    static constexpr unsigned kTemplate = 219;
    static constexpr int kSelectorId = 1025, kFirstEditId = 1092, kFirstSpinId = 1093, kLastEditId = 1094,
                         kLastSpinId = 1037;
    static constexpr QRgb kSelection = 0xFFCAE6F7; // COLORREF 0xF7E6CA
    static constexpr QRgb kBar = 0xFF7FC5EA;       // COLORREF 0xEAC57F

    explicit CImageDiskSetRegionDlg(QWidget* parent);
    int GetNextStep() override { return 1; }
    int GetPrevStep() override { return 3; }

    // The source's sector count; the whole source is selected.
    void SetTotal(uint64_t count);
    // The region as the boxes hold it, a box still being edited checked first.
    uint64_t GetFirstSector();
    uint64_t GetLastSector();

    CSectorSelectCtrl* Selector() const { return m_selector; }
    QLineEdit* FirstEdit() const { return m_firstEdit; }
    QLineEdit* LastEdit() const { return m_lastEdit; }
    // Spin steps: +1 (up) or -1 (down).
    void SpinFirst(int delta);
    void SpinLast(int delta);

private:
    void OnSelectorChanged();
    void CommitFirst();
    void CommitLast();
    void ShowValues();

    CSectorSelectCtrl* m_selector;
    QLineEdit* m_firstEdit;
    QLineEdit* m_lastEdit;
    uint64_t m_highest = 0;
    uint64_t m_lowest = 0;
    uint64_t m_first = 0;
    uint64_t m_last = 0;
};
