// The folder tree of save destinations over a fake desktop, home and drive list: what is listed, lazy
// filling, the selection callback, shortcuts and the wait cursor.
#include "controls/CShellTreeCtrl.h"

#include "tests/support/TempDir.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

namespace {

QString Q(const std::filesystem::path& p)
{
    return QString::fromStdString(p.string());
}

void Touch(const std::filesystem::path& p, const char* text = "x")
{
    QFile f(Q(p));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(text);
}

QStringList ChildTexts(QTreeWidgetItem* item)
{
    QStringList out;
    for (int i = 0; item && i < item->childCount(); ++i) out << item->child(i)->text(0);
    return out;
}

struct Client : QObject {
    QStringList paths;
    void OnSelChanged(QString path) { paths << path; }
};

// desktop/ with folders "Only files" (a.txt), "Projects" (sub/), ".cache", "trash" (the wastebasket),
// files notes.txt, README and .profile; home/ and a mounted removable drive E: and a CD-ROM F:.
struct TreeFixture {
    testsupport::TempDir dir;
    CShellTreeCtrl tree;
    TreeFixture()
    {
        for (const char* d : {"desktop/Only files", "desktop/Projects/sub", "desktop/.cache", "desktop/trash", "home",
                              "media/stick", "media/cd", "net"})
            std::filesystem::create_directories(dir / d);
        Touch(dir / "desktop/Only files/a.txt");
        Touch(dir / "desktop/notes.txt");
        Touch(dir / "desktop/README");
        Touch(dir / "desktop/.profile");
        ShellNamespace ns;
        ns.desktop = Q(dir / "desktop");
        ns.home = Q(dir / "home");
        ns.trash = Q(dir / "desktop/trash");
        ns.networkPlaces = Q(dir / "net");
        const QString stick = Q(dir / "media/stick"), cd = Q(dir / "media/cd");
        ns.drives = [stick, cd] {
            return std::vector<ShellDrive>{
                {'C', QStringLiteral("/"), false, false}, {'E', stick, true, false}, {'F', cd, false, true}};
        };
        tree.SetNamespace(ns);
        tree.resize(300, 400);
    }
    QTreeWidgetItem* Root() const { return tree.topLevelItem(0); }
    QTreeWidgetItem* Child(QTreeWidgetItem* parent, const QString& text) const
    {
        for (int i = 0; parent && i < parent->childCount(); ++i)
            if (parent->child(i)->text(0) == text) return parent->child(i);
        return nullptr;
    }
};

} // namespace

TEST(ShellTree, ListsTheDesktopWithoutHiddenFoldersOrTheWastebasket)
{
    TreeFixture f;
    f.tree.Populate(true);
    ASSERT_NE(f.Root(), nullptr);
    EXPECT_EQ(f.Root()->text(0), QStringLiteral("Desktop"));
    EXPECT_TRUE(f.Root()->isExpanded());
    EXPECT_EQ(ChildTexts(f.Root()), (QStringList{"Computer", "Home", "Only files", "Projects"}));
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    // A folder holding only files loses its expand button at its first expansion.
    QTreeWidgetItem* onlyFiles = f.Child(f.Root(), "Only files");
    EXPECT_EQ(onlyFiles->childIndicatorPolicy(), QTreeWidgetItem::ShowIndicator);
    onlyFiles->setExpanded(true);
    EXPECT_EQ(onlyFiles->childCount(), 0);
    EXPECT_EQ(onlyFiles->childIndicatorPolicy(), QTreeWidgetItem::DontShowIndicator);
    QTreeWidgetItem* projects = f.Child(f.Root(), "Projects");
    projects->setExpanded(true);
    EXPECT_EQ(ChildTexts(projects), QStringList{"sub"});
    projects->setExpanded(false);
    projects->setExpanded(true); // filled once
    EXPECT_EQ(projects->childCount(), 1);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST(ShellTree, WithFilesReadableFilesWithAnExtensionAreLeftOut)
{
    TreeFixture f;
    f.tree.Populate(false);
    EXPECT_EQ(ChildTexts(f.Root()), (QStringList{"Computer", "Home", "Only files", "Projects", "README"}));
    EXPECT_FALSE(CShellTreeCtrl::ShouldShowItem(Q(f.dir / "desktop/notes.txt"), false, f.tree.Namespace()));
    EXPECT_TRUE(CShellTreeCtrl::ShouldShowItem(Q(f.dir / "desktop/missing.txt"), false, f.tree.Namespace()));
    EXPECT_TRUE(CShellTreeCtrl::ShouldShowItem(Q(f.dir / "desktop/README"), false, f.tree.Namespace()));
}

TEST(ShellTree, TheComputerShowsDrivesByMountPointWithoutCdRoms)
{
    TreeFixture f;
    f.tree.Populate(true);
    f.tree.ExpandMyComputer();
    QTreeWidgetItem* computer = f.Child(f.Root(), "Computer");
    ASSERT_NE(computer, nullptr);
    EXPECT_TRUE(computer->isExpanded());
    EXPECT_EQ(ChildTexts(computer), (QStringList{"File System (/)", "Removable (" + Q(f.dir / "media/stick") + ")"}));
    EXPECT_EQ(CShellTreeCtrl::ItemPath(computer->child(1)), Q(f.dir / "media/stick"));
}

TEST(ShellTree, SelectionsPassPathsOrNamesToTheClient)
{
    TreeFixture f;
    Client client;
    f.tree.Populate(true);
    f.tree.setCurrentItem(f.Child(f.Root(), "Projects")); // no callback yet: nothing
    f.tree.SetSelChangedCallback(&Client::OnSelChanged, &client);
    f.tree.setCurrentItem(f.Root());
    f.tree.setCurrentItem(f.Child(f.Root(), "Computer"));
    f.tree.setCurrentItem(f.Child(f.Root(), "Only files"));
    EXPECT_EQ(client.paths, (QStringList{Q(f.dir / "desktop"), "Computer", Q(f.dir / "desktop/Only files")}));
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST(ShellTree, ShortcutsUnderTheNetworkPlacesAreResolved)
{
    TreeFixture f;
    Touch(f.dir / "net/share.desktop", "[Desktop Entry]\nType=Link\nURL=smb://server/share\n");
    Touch(f.dir / "net/tool.desktop", "[Desktop Entry]\nType=Application\nExec=/usr/bin/tool\n");
    Touch(f.dir / "net/args.desktop", "[Desktop Entry]\nType=Application\nExec=/usr/bin/tool --open %u\n");
    std::filesystem::create_symlink(f.dir / "home", f.dir / "net/homelink");
    EXPECT_EQ(CShellTreeCtrl::ResolveShortcut(Q(f.dir / "net/share.desktop")), "smb://server/share");
    EXPECT_EQ(CShellTreeCtrl::ResolveShortcut(Q(f.dir / "net/tool.desktop")), "/usr/bin/tool"); // no blank after
    EXPECT_EQ(CShellTreeCtrl::ResolveShortcut(Q(f.dir / "net/args.desktop")), "/usr/bin/tool --open");
    EXPECT_EQ(CShellTreeCtrl::ResolveShortcut(Q(f.dir / "net/homelink")), Q(f.dir / "home"));
    EXPECT_EQ(CShellTreeCtrl::ResolveShortcut(Q(f.dir / "desktop/README")), "");

    ShellNamespace ns = f.tree.Namespace();
    ns.desktop = Q(f.dir / "net");
    f.tree.SetNamespace(ns);
    Client client;
    f.tree.SetSelChangedCallback(&Client::OnSelChanged, &client);
    f.tree.Populate(false);
    QTreeWidgetItem* homelink = f.Child(f.Root(), "homelink");
    ASSERT_NE(homelink, nullptr);
    f.tree.setCurrentItem(homelink);
    EXPECT_EQ(client.paths.back(), Q(f.dir / "home"));
}

TEST(ShellTree, AFolderThatCannotBeListedShowsNoChildren)
{
    TreeFixture f;
    f.tree.Populate(true);
    QTreeWidgetItem* projects = f.Child(f.Root(), "Projects");
    ASSERT_NE(projects, nullptr);
    // The folder goes away between listing and expanding: nothing is shown in its place.
    std::filesystem::remove_all(f.dir / "desktop/Projects");
    projects->setExpanded(true);
    EXPECT_EQ(projects->childCount(), 0);
    EXPECT_EQ(projects->childIndicatorPolicy(), QTreeWidgetItem::DontShowIndicator);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}
