// The properties of one found file or folder as Name/Value rows: where its record or directory entry
// lies, its flags and where its data lies on the device.
#pragma once

#include "controls/CSearchSuperDlg.h"

class CFileNode;
class QTreeWidget;

class CPropertiesDlg : public CSearchSuperDlg {
    Q_OBJECT
public:
    static constexpr unsigned kTemplate = 333;
    static constexpr int kListId = 1133;

    explicit CPropertiesDlg(QWidget* parent = nullptr);
    ~CPropertiesDlg() override;

    // Not owned; set before the dialog runs.
    void SetFileNode(CFileNode* node) { m_node = node; }
    QTreeWidget* List() const { return m_list; }

protected:
    bool OnInitDialog() override;

private:
    QTreeWidget* m_list;
    CFileNode* m_node = nullptr;
    QString m_yes;
    QString m_no;
};
