// Path roots, the mount table and the NTFS test of a folder.
#include "core/MountTable.h"
#include "core/PathHelpers.h"

#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <fstream>

namespace {

TEST(PathHelpers, RootsOfLetterAndNetworkPaths)
{
    struct Case {
        const char* path;
        bool ok;
        const char* root;
    };
    const Case cases[] = {
        {"c:\\data", true, "c:\\"},
        {"C:", true, "C:\\"},
        {"D:\\", true, "D:\\"},
        {"\\\\server\\share\\folder\\file", true, "\\\\server\\share\\"},
        {"\\\\server\\share", true, "\\\\server\\share\\"},
        {"\\\\server", true, ""},
        {"relative\\path", true, ""},
        {"1:\\x", true, ""},
        {"c", false, ""},
        {"", false, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        std::string root = "stale";
        ASSERT_EQ(GetPathRoot(c.path, &root), c.ok);
        if (c.ok) {
            EXPECT_EQ(root, c.root);
        }
    }
    std::string root;
    EXPECT_FALSE(GetPathRoot(nullptr, &root));
    // 260 characters are still a path; one more is not. The root comes from a bounded string either way.
    std::string longest = "C:\\" + std::string(257, 'a');
    EXPECT_TRUE(GetPathRoot(longest.c_str(), &root));
    EXPECT_EQ(root, "C:\\");
    longest += "a";
    EXPECT_FALSE(GetPathRoot(longest.c_str(), &root));
}

TEST(PathHelpers, RootsOfLinuxPathsAreTheirMountPoints)
{
    std::string root;
    ASSERT_TRUE(GetPathRoot("/", &root));
    EXPECT_EQ(root, "/");
    ASSERT_TRUE(GetPathRoot("/proc/self/status", &root));
    EXPECT_EQ(root, "/proc/");
    ASSERT_TRUE(GetPathRoot("/proc/not/there/yet", &root));
    EXPECT_EQ(root, "/proc/");

    testsupport::TempDir dir;
    const std::string deep = (dir / "a" / "b").string() + "/" + std::string(300, 'x');
    ASSERT_TRUE(GetPathRoot(deep.c_str(), &root));
    ASSERT_FALSE(root.empty());
    EXPECT_EQ(root.back(), '/');
    EXPECT_EQ(dir.path().string().rfind(root == "/" ? "/" : root.substr(0, root.size() - 1), 0), 0u);
}

TEST(MountTable, ParsesMountInfoLines)
{
    const char* text = "22 1 8:2 / / rw,relatime shared:1 - ext4 /dev/sda2 rw\n"
                       "40 22 8:17 / /media/usb\\040stick rw,nosuid shared:5 master:2 - ntfs3 /dev/sdb1 rw,uid=1000\n"
                       "41 22 0:50 / /mnt/win rw - fuseblk /dev/sdc1 rw,user_id=0\n"
                       "garbage line\n"
                       "42 22 0:51 / /mnt/half rw -\n"
                       "43 22 0:52 / /media/usb\\040stick/inner rw - tmpfs tmpfs rw\n";
    const std::vector<MountEntry> table = ParseMountInfo(text);
    ASSERT_EQ(table.size(), 4u);
    EXPECT_EQ(table[1].mountPoint, "/media/usb stick");
    EXPECT_EQ(table[1].fsType, "ntfs3");
    EXPECT_EQ(table[1].source, "/dev/sdb1");
    EXPECT_EQ(table[2].fsType, "fuseblk");

    struct Case {
        const char* path;
        const char* mount;
    };
    for (const Case& c : {Case{"/home/u/file", "/"}, Case{"/media/usb stick", "/media/usb stick"},
                          Case{"/media/usb stick/DCIM/a.jpg", "/media/usb stick"}, Case{"/media/usb sticker", "/"},
                          Case{"/media/usb stick/inner/x", "/media/usb stick/inner"}}) {
        SCOPED_TRACE(c.path);
        const MountEntry* m = FindMountOfPath(table, c.path);
        ASSERT_NE(m, nullptr);
        EXPECT_EQ(m->mountPoint, c.mount);
    }
    EXPECT_EQ(FindMountOfPath({}, "/x"), nullptr);
}

TEST(MountTable, NtfsMountsByTypeOrBootSector)
{
    testsupport::TempDir dir;
    const std::string ntfsImage = (dir / "ntfs.img").string();
    std::ofstream(ntfsImage, std::ios::binary) << std::string("\xEB\x52\x90NTFS    ", 11) << std::string(501, '\0');
    const std::string fatImage = (dir / "fat.img").string();
    std::ofstream(fatImage, std::ios::binary) << std::string("\xEB\x3C\x90MSDOS5.0", 11) << std::string(501, '\0');
    const std::string shortImage = (dir / "short.img").string();
    std::ofstream(shortImage, std::ios::binary) << std::string("\xEB\x52\x90NTFS", 7);
    const std::string fifo = (dir / "fifo").string();
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);

    struct Case {
        const char* type;
        std::string source;
        bool ntfs;
    };
    const Case cases[] = {
        {"ntfs3", "/dev/none", true},    {"ntfs", "/dev/none", true},    {"fuseblk", ntfsImage, true},
        {"fuseblk", fatImage, false},    {"fuseblk", shortImage, false}, {"fuseblk", fifo, false},
        {"fuseblk", "/dev/none", false}, {"ext4", ntfsImage, false},     {"vfat", "/dev/none", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.type) + " " + c.source);
        EXPECT_EQ(IsNtfsMount(MountEntry{"/mnt", c.type, c.source}), c.ntfs);
    }
}

TEST(PathHelpers, NtfsTestOfPathsOnThisMachine)
{
    EXPECT_FALSE(IsNtfsVolume("/proc"));
    EXPECT_FALSE(IsNtfsVolume("\\\\server\\share\\"));
    EXPECT_FALSE(IsNtfsVolume(""));
    EXPECT_FALSE(IsNtfsVolume(nullptr));
    EXPECT_FALSE(IsNtfsVolume("relative"));
}

} // namespace
