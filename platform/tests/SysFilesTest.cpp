// sysfs attributes and mountinfo lines: numbers that are missing or malformed read as 0, and lines cut short
// keep their leading fields without a type.
#include "platform/SysFiles.h"

#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sys/sysmacros.h>

TEST(SysFiles, AttributesReadAsNumbersOrZero)
{
    testsupport::TempDir dir;
    auto put = [&](const char* name, const char* text) { std::ofstream((dir / name).string()) << text; };
    put("start", "2048\n");
    put("junk", "abc\n");
    put("dev", "8:17\n");
    put("baddev", "8-17\n");
    EXPECT_EQ(plat::ReadSysNumber((dir / "start").string()), 2048u);
    EXPECT_EQ(plat::ReadSysNumber((dir / "junk").string()), 0u);
    EXPECT_EQ(plat::ReadSysNumber((dir / "missing").string()), 0u);
    EXPECT_EQ(plat::ReadSysDevNumber((dir / "dev").string()), makedev(8, 17));
    EXPECT_EQ(plat::ReadSysDevNumber((dir / "baddev").string()), dev_t(0));
    EXPECT_EQ(plat::SysBlockDir(makedev(259, 3)), "/sys/dev/block/259:3");
}

TEST(SysFiles, MountInfoLines)
{
    plat::MountInfoLine m;
    ASSERT_TRUE(plat::ParseMountInfoLine(
        "40 22 8:17 /sub\\134dir /media/usb\\040stick rw shared:5 master:2 - ntfs3 /dev/disk\\011x rw", m));
    EXPECT_EQ(m.devNumber, "8:17");
    EXPECT_EQ(m.root, "/sub\\dir");
    EXPECT_EQ(m.mountPoint, "/media/usb stick");
    EXPECT_TRUE(m.hasType);
    EXPECT_EQ(m.fsType, "ntfs3");
    EXPECT_EQ(m.source, "/dev/disk\tx");

    ASSERT_TRUE(plat::ParseMountInfoLine("42 22 0:51 / /mnt/half rw -", m));
    EXPECT_EQ(m.mountPoint, "/mnt/half");
    EXPECT_FALSE(m.hasType);
    EXPECT_TRUE(m.fsType.empty());

    EXPECT_FALSE(plat::ParseMountInfoLine("42 22 0:51 /", m));
    EXPECT_FALSE(plat::ParseMountInfoLine("", m));
    // A trailing backslash without its three digits stays as written.
    EXPECT_EQ(plat::UnescapeMountField("/a\\04"), "/a\\04");
}
