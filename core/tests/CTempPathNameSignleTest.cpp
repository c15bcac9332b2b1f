// Temporary names: private folder, unused names, and removal of every name's files.
#include "core/CTempPathNameSignle.h"
#include "platform/Folders.h"

#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace {

void Touch(const std::string& name, const char* ext)
{
    std::ofstream(name.substr(0, name.size() - 4) + ext) << "x";
}

bool AnyForm(const std::string& name)
{
    const std::string stem = name.substr(0, name.size() - 4);
    return fs::exists(stem + ".tmp") || fs::exists(stem + ".doc") || fs::exists(stem + ".xls");
}

TEST(CTempPathNameSignle, NamesAreFreshAndPrivate)
{
    CTempPathNameSignle holder;
    std::set<std::string> seen;
    for (int i = 0; i < 5; ++i) {
        const std::string name = holder.MakeTempPath();
        ASSERT_FALSE(name.empty());
        EXPECT_TRUE(seen.insert(name).second);
        EXPECT_FALSE(fs::exists(name));
        EXPECT_EQ(fs::path(name).parent_path(), plat::TempFolder());
        EXPECT_EQ(fs::path(name).filename().string().rfind("~@!", 0), 0u);
        EXPECT_EQ(fs::path(name).extension(), ".tmp");
    }
    struct stat st {};
    ASSERT_EQ(::stat(plat::TempFolder().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    EXPECT_EQ(holder.Names().size(), 5u);
}

TEST(CTempPathNameSignle, RemovesLastNameNowAndEveryNameAtTheEnd)
{
    std::string first, second;
    {
        CTempPathNameSignle holder;
        holder.RemoveTempFiles(); // nothing handed out yet: a quiet no-op
        first = holder.MakeTempPath();
        second = holder.MakeTempPath();
        for (const char* ext : {".tmp", ".doc", ".xls"}) {
            Touch(first, ext);
            Touch(second, ext);
        }
        holder.RemoveTempFiles();
        EXPECT_FALSE(AnyForm(second));
        EXPECT_TRUE(AnyForm(first)); // a preview may still use an earlier name
        Touch(second, ".doc");
    }
    EXPECT_FALSE(AnyForm(first));
    EXPECT_FALSE(AnyForm(second));
    EXPECT_EQ(GetTempPathNameSignle(), GetTempPathNameSignle());
}

} // namespace
