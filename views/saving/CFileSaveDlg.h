// The summary of a save, shown on the save-result page: whether all, some or none of the files were
// recovered, how many (with the partial and failed ones), a link that shows the saved folders, and a line
// when the source was shorter than its file system.
#pragma once

#include "controls/CHyperLink.h"
#include "controls/CSearchSuperDlg.h"

#include <QStringList>

class QLabel;
struct SaveTally;

class CFileSaveDlg : public CSearchSuperDlg {
    Q_OBJECT
public:
    static constexpr unsigned kTemplate = 355;
    static constexpr int kResultId = 1149, kTotalId = 1141, kSavedInId = 1159, kLinkId = 1140;
    // The line under the link that tells a source shorter than its file system.
    static constexpr int kShortSourceId = 1161;
    // Folder texts this long or longer are cut to their first 25 characters and "...".
    static constexpr int kMaxLinkChars = 26;

    explicit CFileSaveDlg(QWidget* parent);
    ~CFileSaveDlg() override;

    // The saved top folders, given before SetSavePath.
    void SetSavedFolders(const QStringList& folders) { m_savedFolders = folders; }
    void SetSavePath(const QString& folder);
    // toRecover files were checked, recovered of them were saved (partial ones included), partial of those
    // have unreadable parts and failed could not be saved. sourceShort: the source is shorter than its file
    // system, which a line of its own tells (the result is then never "all recovered").
    // The verdict of a save; reason: why the first file that failed was not saved (the system's words).
    void ShowResult(int toRecover, int recovered, int partial = 0, int failed = 0, bool sourceShort = false,
                    const QString& reason = QString());
    // The same from the figures of the one verdict every road judges by.
    void ShowVerdict(const SaveTally& tally);
    void ShowControls();

    QLabel* Line(int id) const;
    CHyperLink* Link() { return &m_link; }
    // The link's text for a folder.
    static QString LinkText(const QString& folder);

protected:
    bool OnInitDialog() override;

private:
    QString m_savePath;
    QStringList m_savedFolders;
    CHyperLink m_link{true};
};
