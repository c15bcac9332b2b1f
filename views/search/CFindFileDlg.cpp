// Find dialog: the list is scanned from the selection on; when it holds no further match the folder tree
// is walked in pre-order from the selected folder, round to the first root item.
#include "views/search/CFindFileDlg.h"

#include "controls/CButtonPlus.h"
#include "controls/CResourceLibrary.h"
#include "controls/MessageBox.h"
#include "filesystems/tree/CFileNamePattern.h"
#include "filesystems/tree/CFileNode.h"
#include "filesystems/tree/IFileProperties.h"
#include "views/files/CFileListCtrl.h"
#include "views/files/CFileTreeCtrl.h"
#include "views/files/CTreeCtrlPlus.h"

#include <QCheckBox>
#include <QLabel>
#include <algorithm>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>

#include <boost/regex.hpp>

namespace {

bool IsFile(const CFileNode* node)
{
    return node && node->GetProperties() && !(node->GetProperties()->GetAttributes() & kFileAttrDirectory);
}

// A name typed for a find must not hold a character that no file name holds.
bool IsValidFindText(const std::string& text)
{
    static const boost::regex s_allowed(R"([^\x5c/:"<>|]*)");
    try {
        return boost::regex_match(text, s_allowed);
    } catch (...) {
        return false;
    }
}

} // namespace

CFindFileDlg::CFindFileDlg(CFileSystemNode* root, CFileListCtrl* list, CFileTreeCtrl* tree, QWidget* parent)
    : CSearchSuperDlg(kTemplate, parent), m_root(root), m_list(list), m_tree(tree)
{
    SetHelpTopic(kHelpTopic);
}

bool CFindFileDlg::OnInitDialog()
{
    setWindowTitle(CResourceLibrary::Instance().LoadString(kCaptionString));
    SetTemplateSize(250, 62);
    m_nameLabel = new QLabel(TemplateText(kNameEdit), this);
    PlaceControl(m_nameLabel, 7, 9, 52, 8);
    m_nameEdit = new QLineEdit(this);
    m_nameEdit->setMaxLength(256);
    PlaceControl(m_nameEdit, 60, 7, 120, 12);
    m_matchCase = new QCheckBox(TemplateText(kMatchCaseCheck), this);
    PlaceControl(m_matchCase, 7, 28, 175, 10);
    m_wholeWord = new QCheckBox(TemplateText(kWholeWordCheck), this);
    PlaceControl(m_wholeWord, 7, 43, 175, 10);
    // Find Next and Close are bitmap buttons stacked at the right; the dialog grows to hold them.
    m_findNext = new CButtonPlus(324, 323, 322, 321, this);
    m_close = new CButtonPlus(180, 179, 178, 177, this);
    const int x = DialogUnits().ToPixelsX(188), y = DialogUnits().ToPixelsY(7);
    m_findNext->AttachToDialog(this, kFindNextButton, QRect(QPoint(x, y), m_findNext->GetBitmapSize()));
    m_close->AttachToDialog(this, kCloseButton,
                            QRect(QPoint(x, y + m_findNext->GetBitmapSize().height() + 4), m_close->GetBitmapSize()));
    m_findNext->setText(TemplateText(kFindNextButton)); // the bitmap carries the caption
    m_close->setText(TemplateText(kCloseButton));
    for (CButtonPlus* b : {m_findNext, m_close}) b->setFocusPolicy(Qt::StrongFocus);
    setFixedSize(std::max(width(), std::max(m_findNext->geometry().right(), m_close->geometry().right()) + y),
                 std::max(height(), m_close->geometry().bottom() + y));
    connect(m_findNext, &QAbstractButton::clicked, this, [this] { OnFindNext(); });
    connect(m_close, &QAbstractButton::clicked, this, [this] { OnCancel(); });
    m_nameEdit->setFocus();
    return false;
}

CFileNode* CFindFileDlg::CurrentFile() const
{
    if (!m_list || m_list->Items().empty()) return nullptr;
    const int selected = m_list->GetSelectedItem();
    return m_list->GetItemNode(selected >= 0 ? selected : 0);
}

void CFindFileDlg::OnFindNext()
{
    QString text = m_nameEdit->text();
    if (text.isEmpty()) text = QStringLiteral("*");
    const bool matchCase = m_matchCase->isChecked();
    const bool wholeWord = m_wholeWord->isChecked();
    const std::string narrow = text.toStdString();
    if (!IsValidFindText(narrow)) {
        ShowMessageBox(this, kNoFilesString, MB_OK | MB_ICONINFORMATION);
        return;
    }
    const CFileNamePattern pattern(NAME_PATTERN_PARAM{narrow, matchCase, wholeWord, 1});
    const ScanResult result = Search(pattern);
    if (result == kBackAtStart) {
        ShowMessageBox(this, kNoMoreFilesString, MB_OK | MB_ICONINFORMATION);
        return;
    }
    if (result == kNotFound) ShowMessageBox(this, kNoFilesString, MB_OK | MB_ICONINFORMATION);
    if (!m_startMarker) m_startMarker = CurrentFile();
    if (text != m_lastText || matchCase != m_lastMatchCase || wholeWord != m_lastWholeWord) {
        m_lastText = text;
        m_lastMatchCase = matchCase;
        m_lastWholeWord = wholeWord;
        m_startMarker = CurrentFile();
    }
    m_searched = true;
}

CFindFileDlg::ScanResult CFindFileDlg::ScanList(const CFileNamePattern& pattern, bool afterCurrent)
{
    if (!m_list) return kNotFound;
    const int count = int(m_list->Items().size());
    if (count == 0) return kNotFound;
    int i = m_list->GetSelectedItem();
    if (afterCurrent) ++i;
    if (i < 0) i = 0;
    while (i < count) {
        CFileNode* node = m_list->GetItemNode(i);
        if (IsFile(node) && pattern.IsMatch(node->GetProperties())) {
            m_list->SelectNode(node);
            return node == m_startMarker && m_searched ? kBackAtStart : kFound;
        }
        ++i;
        if (node == m_startMarker) return kBackAtStart;
    }
    return kNotFound;
}

bool CFindFileDlg::FolderHoldsMatch(const QTreeWidgetItem* item, const CFileNamePattern& pattern) const
{
    const CFileNode* folder = CTreeCtrlPlus::NodeOf(item);
    if (!folder) return false;
    for (const CFileNode* c = folder->GetFirstChild(); c; c = c->GetNextSibling())
        if (IsFile(c) && pattern.IsMatch(c->GetProperties())) return true;
    return false;
}

QTreeWidgetItem* CFindFileDlg::NextInPreOrder(QTreeWidgetItem* item)
{
    if (item->childCount() > 0) return item->child(0);
    QTreeWidget* tree = item->treeWidget();
    for (QTreeWidgetItem* at = item; at; at = at->parent()) {
        QTreeWidgetItem* parent = at->parent();
        const int index = parent ? parent->indexOfChild(at) : tree->indexOfTopLevelItem(at);
        const int siblings = parent ? parent->childCount() : tree->topLevelItemCount();
        if (index + 1 < siblings) return parent ? parent->child(index + 1) : tree->topLevelItem(index + 1);
    }
    return tree->topLevelItem(0);
}

CFindFileDlg::ScanResult CFindFileDlg::Search(const CFileNamePattern& pattern)
{
    const ScanResult first = ScanList(pattern, true);
    if (first == kFound) return kFound;
    if (first == kBackAtStart) return m_searched ? kBackAtStart : kNotFound;
    if (!m_startMarker) m_startMarker = CurrentFile();
    if (m_tree) {
        QTreeWidgetItem* start = m_tree->GetSelectedItem();
        for (QTreeWidgetItem* item = start ? NextInPreOrder(start) : nullptr; item && item != start;
             item = NextInPreOrder(item)) {
            if (!FolderHoldsMatch(item, pattern)) continue;
            m_tree->Tree()->setCurrentItem(item);
            const ScanResult r = ScanList(pattern, false);
            if (r == kFound) return kFound;
            if (r == kBackAtStart) break;
        }
    }
    if (m_list && !m_list->Items().empty()) {
        m_list->SelectNode(m_list->GetItemNode(0));
        if (ScanList(pattern, false) == kFound) return kFound;
    }
    return m_searched ? kBackAtStart : kNotFound;
}
