// A tree of the places a user can save to, from the desktop down: the desktop folder, the computer (the
// root file system and the mounted drives by letter), the home folder and the desktop's own folders. An
// item's children are listed the first time it is expanded; hidden entries are left out. With folders
// only, files are left out; otherwise files with an extension that can be read are left out. Every new
// selection is passed as a path to the client's callback. User-interface thread only.
#pragma once

#include <QString>
#include <QTreeWidget>
#include <functional>
#include <vector>

// A mounted drive shown under the computer.
struct ShellDrive {
    char letter = 0;
    QString mountPoint;
    bool removable = false;
    bool cdrom = false;
};

// Where the tree finds its places; the live system's by default, a test's fake tree otherwise.
struct ShellNamespace {
    QString desktop;       // the desktop folder
    QString home;          // the home folder
    QString trash;         // the wastebasket folder, never shown
    QString networkPlaces; // entries under it are shortcuts that are resolved on selection
    std::function<std::vector<ShellDrive>()> drives;

    static ShellNamespace Live();
};

class CShellTreeCtrl : public QTreeWidget {
    Q_OBJECT
public:
    using LPFUNTREESELCHANGED = std::function<void(QString)>;
    enum ItemKind { kPath = 0, kDesktop = 1, kComputer = 2 };
    static constexpr unsigned SHCONTF_FOLDERS = 0x20;
    static constexpr unsigned SHCONTF_NONFOLDERS = 0x40;
    static constexpr unsigned SHCONTF_INCLUDEHIDDEN = 0x80;

    // Whether an entry is listed: a readable file with an extension is not; other files are; folders are
    // unless they are the wastebasket or a CD-ROM.
    static bool ShouldShowItem(const QString& path, bool isFolder, const ShellNamespace& ns);
    // The target of a shortcut: a symbolic link's target, or a desktop entry's URL or command line
    // ("program" or "program arguments"); empty when the path is none of these.
    static QString ResolveShortcut(const QString& path);

    explicit CShellTreeCtrl(QWidget* parent = nullptr);
    ~CShellTreeCtrl() override;

    void SetNamespace(const ShellNamespace& ns) { m_ns = ns; }
    const ShellNamespace& Namespace() const { return m_ns; }

    // The callback is called on every selection while both it and the client are set.
    void SetSelChangedCallback(LPFUNTREESELCHANGED lpFunSelChanged, QObject* pWndClient);
    template <class T>
    void SetSelChangedCallback(void (T::*fn)(QString), T* client)
    {
        SetSelChangedCallback(fn && client ? LPFUNTREESELCHANGED([fn, client](QString s) { (client->*fn)(s); })
                                           : LPFUNTREESELCHANGED(),
                              client);
    }

    // Empties the tree and shows the desktop, expanded.
    void Populate(bool bFoldersOnly);
    // Expands the computer under the desktop (the last child of the desktop when it is missing).
    void ExpandMyComputer();

    static QString ItemPath(const QTreeWidgetItem* item);
    static int ItemKindOf(const QTreeWidgetItem* item);
    // The item whose path is path, among the children listed so far (null when none).
    QTreeWidgetItem* FindPath(const QString& path) const;
    // Lists the children of an item the first time (what expanding it does).
    void OnItemExpanding(QTreeWidgetItem* item);
    void OnSelChanged(QTreeWidgetItem* item);

private:
    QTreeWidgetItem* AddPathItem(QTreeWidgetItem* parent, const QString& path, const QString& text, bool isFolder);
    void FillChildren(QTreeWidgetItem* item);

    LPFUNTREESELCHANGED m_callback;
    QObject* m_client = nullptr; // not owned
    unsigned m_enumFlags = 0;
    ShellNamespace m_ns;
};
