// The search dialog of the found-file page: a column of panes (name and location always; type, date,
// size and other criteria each shown by ticking its header) that searches the found-file tree below the
// chosen location and collects every matching file into a result list.
#pragma once

#include "controls/CSearchSuperDlg.h"
#include "filesystems/tree/SearchFileCriteria.h"

#include <string>
#include <vector>

class CFileNode;
class CFileSystemNode;
class CFoundFileList;
class QCheckBox;
class QComboBox;
class QDateTimeEdit;
class QLineEdit;
class CButtonPlus;
class QPushButton;
class QRadioButton;
class QSpinBox;

class CSearchFileDlg : public CSearchSuperDlg {
    Q_OBJECT
public:
    static constexpr unsigned kTemplate = 251;
    static constexpr int kHelpTopic = 23; // the found-files page's topic, which tells of Search
    static constexpr unsigned kCaptionString = 163;
    static constexpr unsigned kRefusedNameString = 164;
    static constexpr unsigned kNothingFoundString = 165;
    enum Pane { kBasic, kTypeHeader, kType, kDateHeader, kDate, kSizeHeader, kSize, kOtherHeader, kOther, kButtons };

    // None is owned. root checks the files found (auto select); start is the folder selected in the page.
    CSearchFileDlg(CFileSystemNode* root, CFileNode* start, CFoundFileList* results, QWidget* parent);

    // The last searched name wildcard, or the chosen type's name when the type criterion was on.
    std::string GetNamePattern() const { return m_lastPattern.empty() ? "*" : m_lastPattern; }
    // Builds the criteria from the panes; false (with the message shown) when they are refused.
    bool BuildCriteria(SEARCH_FILE_CRITERIA& criteria);
    void TogglePane(int pane);
    bool IsPaneShown(int pane) const { return m_states[size_t(pane)] == 1; }

    QLineEdit* NameEdit() const { return m_name; }
    QCheckBox* AutoSelectCheck() const { return m_autoSelect; }
    QComboBox* LocationCombo() const { return m_location; }
    QCheckBox* Header(int pane) const;
    QComboBox* TypeCombo() const { return m_type; }
    QComboBox* SizeKindCombo() const { return m_sizeKind; }
    QSpinBox* SizeSpin() const { return m_size; }
    QCheckBox* CaseCheck() const { return m_case; }
    QCheckBox* EncryptedCheck() const { return m_encrypted; }
    CButtonPlus* SearchButton() const { return m_ok; }
    CButtonPlus* CancelButton() const { return m_cancel; }

protected:
    bool OnInitDialog() override;
    void OnOK() override;

private:
    void LayOut();
    QWidget* MakeHeader(unsigned templateId, unsigned checkId, int pane);

    CFileSystemNode* m_root;
    CFileNode* m_start;
    CFoundFileList* m_results;
    std::string m_lastPattern;
    std::vector<QWidget*> m_panes;
    std::vector<int> m_states;
    std::vector<QCheckBox*> m_headers;
    std::vector<std::string> m_typeKeys;

    QLineEdit* m_name = nullptr;
    QCheckBox* m_autoSelect = nullptr;
    QComboBox* m_location = nullptr;
    QComboBox* m_type = nullptr;
    QComboBox* m_dateKind = nullptr;
    QRadioButton* m_byMonths = nullptr;
    QRadioButton* m_byDays = nullptr;
    QRadioButton* m_byRange = nullptr;
    QSpinBox* m_months = nullptr;
    QSpinBox* m_days = nullptr;
    QDateTimeEdit* m_from = nullptr;
    QDateTimeEdit* m_to = nullptr;
    QComboBox* m_sizeKind = nullptr;
    QSpinBox* m_size = nullptr;
    QCheckBox* m_case = nullptr;
    QCheckBox* m_encrypted = nullptr;
    CButtonPlus* m_ok = nullptr;
    CButtonPlus* m_cancel = nullptr;
};
