// The found-file views over a real FAT16 volume (tests/fixtures/fat16.img.xz, whose manifest lists every
// file and folder): one tree item per folder with its entry count, checks from the tree reaching the
// volume's figures, the list of a folder, and the properties rows of a FAT file.
#include "views/files/CFileListCtrl.h"
#include "views/files/CFileTreeCtrl.h"
#include "views/files/CListCtrlPlus.h"
#include "views/files/CPropertiesDlg.h"
#include "views/files/CTreeCtrlPlus.h"
#include "views/files/FileListColumns.h"
#include "views/files/FoundFilePictures.h"

#include "controls/TreeStateImages.h"

#include "filesystems/fat/BuildFAT.h"
#include "filesystems/tree/CFileSystemNode.h"
#include "filesystems/tree/FileTree.h"
#include "filesystems/tree/IFileProperties.h"
#include "tests/support/MemoryDevice.h"
#include "tests/support/TempDir.h"

#include <QTest>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <map>
#include <memory>
#include <sstream>

namespace {

struct FatVolume {
    FatVolume()
    {
        const std::string dir = std::string(SALVIX_SOURCE_DIR) + "/tests/fixtures/";
        const std::string image = (tmp / "image").string();
        if (std::system(("xz -dc '" + dir + "fat16.img.xz' > '" + image + "'").c_str()) != 0) return;
        std::ifstream in(image, std::ios::binary);
        device =
            std::make_unique<testsupport::MemoryDevice>(std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {}));
        volume = BuildFAT(device.get(), false, true, nullptr);
        if (volume) {
            volume->RecomputeStatistics();
            root->AddChild(volume);
        }
        // Live entries per folder path ("/" the volume), as the manifest lists them.
        std::ifstream manifest(dir + "fat16.manifest");
        for (std::string line; std::getline(manifest, line);) {
            if (line.empty() || line[0] == '#') continue;
            std::istringstream fields(line);
            std::string state, path;
            std::getline(fields, state, '\t');
            std::getline(fields, path, '\t');
            if (state != "live") continue;
            const bool folder = path.size() > 1 && path.back() == '/';
            const std::string bare = folder ? path.substr(0, path.size() - 1) : path;
            const std::string parent = bare.substr(0, bare.rfind('/') + 1);
            ++entries[parent];
            if (folder) entries.emplace(path, 0);
        }
    }
    ~FatVolume() { DeleteFoundTree(root); }

    testsupport::TempDir tmp;
    std::unique_ptr<testsupport::MemoryDevice> device;
    CFileSystemNode* root = CreateRootNode();
    CFileSystemNode* volume = nullptr;
    std::map<std::string, int> entries;
};

std::string PathOf(const QTreeWidgetItem* item)
{
    std::string path = "/";
    for (const QTreeWidgetItem* i = item; i && i->parent(); i = i->parent()) {
        const QString text = i->text(0);
        path = "/" + text.left(text.lastIndexOf(" (")).toStdString() + path;
    }
    return path;
}

} // namespace

TEST(FatFixtureViews, FoldersCountsChecksAndProperties)
{
    InstallFoundFilePictures();
    FatVolume fat;
    ASSERT_TRUE(fat.volume) << "the FAT16 fixture did not build";
    QWidget window;
    window.resize(700, 400);
    auto* tree = new CFileTreeCtrl(&window);
    auto* list = new CFileListCtrl(&window);
    tree->setGeometry(0, 0, 250, 400);
    list->setGeometry(250, 0, 450, 400);
    tree->SetImages(kFoundCheckBoxBitmap, kFolderImagesBitmap);
    tree->SetFileListCtrl(list);
    list->SetFileTreeCtrl(tree);
    list->SetCheckImageList(kFoundCheckBoxBitmap);
    list->SetSourceDevice(fat.device.get());
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    tree->SetRootNode(fat.root);

    // Every live folder of the manifest has an item whose count covers its live entries (the tree holds
    // deleted entries too).
    std::map<std::string, QTreeWidgetItem*> items;
    for (QTreeWidgetItemIterator it(tree->Tree()); *it; ++it) items[PathOf(*it)] = *it;
    for (const auto& [path, count] : fat.entries) {
        SCOPED_TRACE(path);
        ASSERT_TRUE(items.count(path));
        const QString text = items[path]->text(0);
        EXPECT_GE(text.mid(text.lastIndexOf(" (") + 2).chopped(1).toInt(), count);
    }
    EXPECT_EQ(items["/Photos/"]->data(0, CTreeCtrlPlus::kFolderImageRole).toInt(), 2); // deleted folder

    // Checking the volume from the tree checks every file and moves the volume's figures.
    QTreeWidgetItem* top = tree->Tree()->topLevelItem(0);
    QTest::mouseClick(tree->Tree()->viewport(), Qt::LeftButton, {}, tree->Tree()->StateImageRect(top).center());
    FileTreeStatistics stats;
    ASSERT_TRUE(fat.volume->GetStatistics(stats));
    EXPECT_GT(stats.files, 0u);
    EXPECT_EQ(stats.checkedFiles, stats.files);
    EXPECT_EQ(stats.checkedBytes, stats.bytes);
    for (const auto& [path, item] : items) EXPECT_EQ(GetItemStateImage(item), 3) << path;

    // The list of Documents sorted by name; a file's properties show where its entry and data lie.
    tree->Tree()->setCurrentItem(items["/Documents/"]);
    ASSERT_FALSE(list->Items().empty());
    list->ReportList()->OnColumnClick(kColumnName);
    CFileNode* fill0 = nullptr;
    for (size_t i = 0; i < list->Items().size(); ++i) {
        const QString name = QString::fromUtf8(list->Items()[i]->GetProperties()->GetName());
        if (i > 0) {
            EXPECT_LE(
                QString::fromUtf8(list->Items()[i - 1]->GetProperties()->GetName()).compare(name, Qt::CaseInsensitive),
                0);
        }
        if (name == "FILL0000.TXT") fill0 = list->Items()[i];
    }
    ASSERT_TRUE(fill0);
    CPropertiesDlg dlg(&window);
    dlg.SetFileNode(fill0);
    dlg.ShowModeless();
    QStringList names;
    for (int i = 0; i < dlg.List()->topLevelItemCount(); ++i) names << dlg.List()->topLevelItem(i)->text(0);
    EXPECT_EQ(names,
              QStringList({"Name", "Parent", "Parent Sector", "Deleted", "Lost", "Cross Link", "Temp", "Lay out"}));
    EXPECT_TRUE(dlg.List()->topLevelItem(7)->text(1).endsWith(": 1."));
    dlg.close();
    tree->SetRootNode(nullptr);
}
