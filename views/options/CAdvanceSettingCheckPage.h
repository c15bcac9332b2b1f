// A page of the Options dialog made of bold check boxes, each bound to one int option: the NTFS, FAT and
// Common pages. The page edits its own copy of the values; the dialog reads them back at OK.
#pragma once

#include <QCheckBox>
#include <QWidget>
#include <vector>

class CAdvanceSettingCheckPage : public QWidget {
    Q_OBJECT
public:
    struct Row {
        unsigned controlId;
        int* value;       // the dialog's copy; read by Init, written by Collect
        int defaultValue; // what Default sets
        bool visible;
    };

    CAdvanceSettingCheckPage(unsigned nIDTemplate, std::vector<Row> rows, QWidget* parent);

    // Shows the copy's values.
    void Init();
    // Writes the boxes into the copy.
    void Collect();
    // Sets the boxes to their default values; the copy is left alone.
    void Default();
    QCheckBox* Box(unsigned controlId) const;
    unsigned FirstControl() const { return m_rows.front().controlId; }

private:
    unsigned m_templateId;
    std::vector<Row> m_rows;
    std::vector<QCheckBox*> m_boxes;
};
