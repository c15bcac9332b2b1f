// The find dialog of the found-file page: each Find Next selects the next file whose name matches the
// typed wildcard, in the file list and, when the list has a folder tree, folder by folder through the
// tree, and says so when the find has come round to the file where it began.
#pragma once

#include "controls/CSearchSuperDlg.h"

#include <QString>

class CFileListCtrl;
class CFileNamePattern;
class CFileNode;
class CFileSystemNode;
class CFileTreeCtrl;
class QCheckBox;
class QLabel;
class QLineEdit;
class CButtonPlus;
class QTreeWidgetItem;

class CFindFileDlg : public CSearchSuperDlg {
    Q_OBJECT
public:
    static constexpr unsigned kTemplate = 250;
    static constexpr int kHelpTopic = 23; // the found-files page's topic, which tells of Find
    static constexpr unsigned kNameEdit = 1059;
    static constexpr unsigned kMatchCaseCheck = 1060;
    static constexpr unsigned kWholeWordCheck = 1062;
    static constexpr unsigned kFindNextButton = 1064;
    static constexpr unsigned kCloseButton = 2;
    static constexpr unsigned kCaptionString = 162;
    static constexpr unsigned kNoMoreFilesString = 61217;
    static constexpr unsigned kNoFilesString = 61218;

    // Search results have no folder tree: tree is null then. None is owned.
    CFindFileDlg(CFileSystemNode* root, CFileListCtrl* list, CFileTreeCtrl* tree, QWidget* parent);

    void OnFindNext();

    QLineEdit* NameEdit() const { return m_nameEdit; }
    QCheckBox* MatchCaseCheck() const { return m_matchCase; }
    QCheckBox* WholeWordCheck() const { return m_wholeWord; }
    CButtonPlus* FindNextButton() const { return m_findNext; }
    CButtonPlus* CloseButton() const { return m_close; }

protected:
    bool OnInitDialog() override;

private:
    enum ScanResult { kNotFound = 1, kBackAtStart = 2, kFound = 4 };

    ScanResult ScanList(const CFileNamePattern& pattern, bool afterCurrent);
    ScanResult Search(const CFileNamePattern& pattern);
    CFileNode* CurrentFile() const;
    bool FolderHoldsMatch(const QTreeWidgetItem* item, const CFileNamePattern& pattern) const;
    static QTreeWidgetItem* NextInPreOrder(QTreeWidgetItem* item);

    CFileSystemNode* m_root; // not owned
    CFileListCtrl* m_list;   // not owned
    CFileTreeCtrl* m_tree;   // not owned; null for search results
    QLabel* m_nameLabel = nullptr;
    QLineEdit* m_nameEdit = nullptr;
    QCheckBox* m_matchCase = nullptr;
    QCheckBox* m_wholeWord = nullptr;
    CButtonPlus* m_findNext = nullptr;
    CButtonPlus* m_close = nullptr;

    QString m_lastText;
    bool m_lastMatchCase = false;
    bool m_lastWholeWord = false;
    CFileNode* m_startMarker = nullptr;
    bool m_searched = false;
};
