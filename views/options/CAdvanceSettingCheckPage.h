// A page of the Options dialog made of bold check boxes, each bound to one int option: the NTFS, FAT and
// Common pages. The page edits its own copy of the values; the dialog reads them back at OK.
#pragma once

#include <QCheckBox>
#include <QLabel>
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
        unsigned pictureId = 0; // the picture static left of the box (bitmap 151), 0 for none
    };
    static constexpr unsigned kPictureBitmap = 151;

    CAdvanceSettingCheckPage(unsigned nIDTemplate, std::vector<Row> rows, QWidget* parent);

    // Shows the copy's values.
    void Init();
    // Writes the boxes into the copy.
    void Collect();
    // Sets the boxes to their default values; the copy is left alone.
    void Default();
    QCheckBox* Box(unsigned controlId) const;
    // The picture static of a control id (null when the page has none of that id).
    QLabel* Picture(unsigned pictureId) const;
    unsigned FirstControl() const { return m_rows.front().controlId; }

private:
    unsigned m_templateId;
    std::vector<Row> m_rows;
    std::vector<QCheckBox*> m_boxes;
};
