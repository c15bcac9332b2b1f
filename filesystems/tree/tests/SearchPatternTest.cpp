// Name wildcards, type lists and the search filter: tables of patterns against names, sizes, times and states.
#include "filesystems/tree/CFileNamePattern.h"
#include "filesystems/tree/CFileTypePattern.h"
#include "filesystems/tree/CSearchFileFilter.h"

#include "filesystems/tree/FileTree.h"
#include "filesystems/tree/tests/TreeTestUtil.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

namespace {

struct NameCase {
    const char* pattern;
    bool matchCase;
    bool wholeWord;
    int mode;
    const char* name;
    bool matches;
};

struct TypeCase {
    const char* types;
    const char* name;
    bool matches;
};

CFileNamePattern Name(const NameCase& c)
{
    return CFileNamePattern(NAME_PATTERN_PARAM{c.pattern, c.matchCase, c.wholeWord, c.mode});
}

MyFilePropertiesRecord Record(const char* name, uint64_t size = 100, uint32_t attributes = 0x20, int validMask = 0xFF)
{
    MyFilePropertiesRecord r;
    std::strncpy(r.name, name, sizeof r.name - 1);
    r.nameLength = int32_t(std::strlen(r.name));
    r.size = size;
    r.attributes = attributes;
    r.validMask = validMask;
    return r;
}

std::unique_ptr<CMyFileProperties> Props(const MyFilePropertiesRecord& r)
{
    auto p = std::make_unique<CMyFileProperties>();
    p->SetRecord(r);
    return p;
}

} // namespace

TEST(FileNamePattern, WildcardsAndModes)
{
    const NameCase cases[] = {
        // find dialog: widened to "contains" unless whole-word
        {"abc", false, false, 1, "xabcx.txt", true},
        {"abc", false, false, 1, "ABC", true},
        {"abc", true, false, 1, "ABC", false},
        {"abc", false, true, 1, "abc", true},
        {"abc", false, true, 1, "ABC", true},
        {"abc", false, true, 1, "xabc", false},
        {"?bc", false, false, 1, "abcd", true},
        {"?bc", false, false, 1, "xabc", false},
        {"a?", false, true, 1, "a", true},
        {"a?", false, true, 1, "ab", true},
        {"a?", false, true, 1, "abc", true},
        {"", false, false, 1, "anything.bin", true},
        // search dialog: a trailing "?" widens only without a dot
        {"file?", false, false, 2, "file", true},
        {"file?", false, false, 2, "file123", true},
        {"file.tx?", false, false, 2, "file.txt", true},
        {"file.tx?", false, false, 2, "file.tx", false},
        {"file.tx?", false, false, 2, "file.txtt", false},
        {"abc", false, false, 2, "xabc", false},
        // one pass over wildcard runs: "*?*" becomes "**"
        {"*?*", false, false, 2, "", true},
        {"*?*", false, false, 2, "a", true},
        {"a??b", false, false, 2, "axyb", true},
        {"a??b", false, false, 2, "axb", false},
        // special characters match themselves
        {"a+b(1).txt", false, false, 2, "a+b(1).txt", true},
        {"a.b", false, false, 2, "axb", false},
        {"[x]{2}^$|-", true, false, 2, "[x]{2}^$|-", true},
        {"c++", false, false, 2, "c++", true},
        {"c++", false, false, 2, "cc", false},
        {"back\\slash", false, false, 2, "back\\slash", true},
        // names holding excluded characters never match a run of stars
        {"*", false, false, 2, "a:b", false},
        {"*", false, false, 2, "what?", false},
        {"**", false, false, 2, "plain", true},
    };
    for (const NameCase& c : cases) {
        EXPECT_EQ(Name(c).IsMatchName(c.name), c.matches)
            << "pattern '" << c.pattern << "' mode " << c.mode << " name '" << c.name << "' expr "
            << Name(c).GetExpressionText();
    }
}

TEST(FileNamePattern, NeedsAValidName)
{
    const CFileNamePattern any(NAME_PATTERN_PARAM{"*", false, false, 2});
    EXPECT_TRUE(any.IsMatch(Props(Record("a.txt")).get()));
    EXPECT_FALSE(any.IsMatch(Props(Record("a.txt", 1, 0x20, 0xFE)).get()));
    EXPECT_FALSE(any.IsMatch(nullptr));
    const CFileTypePattern types("*");
    EXPECT_FALSE(types.IsMatch(Props(Record("a.txt", 1, 0x20, 0xFE)).get()));
}

TEST(FileTypePattern, Lists)
{
    const TypeCase cases[] = {
        {"*.jpg;*.png", "A.JPG", true},
        {"*.jpg;*.png", "b.png", true},
        {"*.jpg;*.png", "c.jpeg", false},
        {"*.jpg;*.png", "jpg", false},
        {"jpg", "xjpg", true},
        {"jpg", "a.jpg", true},
        {"jpg", "a.jpgx", false},
        {"", "anything", true},
        {";", "anything", true},
        {"", "a:b", false},
        {"jpg;;png", "a.doc", true},
        {";;jpg", "a.jpg", true},
        {";;jpg", "a.doc", false},
        {"jpg;", "a.doc", false},
        {"jpg;", "a.jpg", true},
        {"jpg;;", "a.doc", true},
        // a mask's special characters match themselves; "?" is one character
        {"c++", "main.c++", true},
        {"c++", "main.doc", false},
        {"*.c++;*.h++", "x.H++", true},
        {"*.tx?", "a.txt", true},
        {"*.tx?", "a.tx", false},
        {"*.(1)", "a.(1)", true},
        {"*.(1)", "a.1", false},
        {"*.[ab]", "x.a", false},
    };
    for (const TypeCase& c : cases) {
        const CFileTypePattern p(c.types);
        EXPECT_EQ(p.IsMatchName(c.name), c.matches)
            << "types '" << c.types << "' name '" << c.name << "' expr " << p.GetExpressionText();
    }
}

namespace {

SEARCH_FILE_CRITERIA Criteria(const char* name, uint32_t flags = 0)
{
    SEARCH_FILE_CRITERIA c;
    std::strncpy(c.szName, name, sizeof c.szName - 1);
    c.dwFlags = flags;
    return c;
}

} // namespace

TEST(SearchFileFilter, NameTypeSizeAndEncryption)
{
    struct Case {
        const char* what;
        SEARCH_FILE_CRITERIA criteria;
        MyFilePropertiesRecord file;
        bool matches;
    };
    auto sized = [](int kind, uint64_t limit) {
        SEARCH_FILE_CRITERIA c = Criteria("*", kSearchBySize);
        c.nSizeKind = kind;
        c.ullSizeLimit = limit;
        return c;
    };
    auto typed = [](const char* types) {
        SEARCH_FILE_CRITERIA c = Criteria("*", kSearchByType);
        std::strncpy(c.szTypeExtensions, types, sizeof c.szTypeExtensions - 1);
        return c;
    };
    auto other = [](int includeEncrypted, int matchCase, uint32_t flags) {
        SEARCH_FILE_CRITERIA c = Criteria("*Report*", flags);
        c.bIncludeEncrypted = includeEncrypted;
        c.bMatchCase = matchCase;
        return c;
    };
    const Case cases[] = {
        {"no flags: name alone", Criteria("*rep*"), Record("Report.doc"), true},
        {"no flags: name misses", Criteria("*xyz*"), Record("Report.doc"), false},
        {"type off: list ignored",
         [&] {
             auto c = typed("*.png");
             c.dwFlags = 0;
             return c;
         }(),
         Record("a.doc"), true},
        {"type on: miss", typed("*.png;*.gif"), Record("a.doc"), false},
        {"type on: hit", typed("*.png;*.gif"), Record("a.GIF"), true},
        {"at most 1024: 1024", sized(kSizeAtMost, 1024), Record("f", 1024), true},
        {"at most 1024: 1025", sized(kSizeAtMost, 1024), Record("f", 1025), false},
        {"at least 1024: 1024", sized(kSizeAtLeast, 1024), Record("f", 1024), true},
        {"at least 1024: 1023", sized(kSizeAtLeast, 1024), Record("f", 1023), false},
        {"at least 2^63", sized(kSizeAtLeast, 1ull << 63), Record("f", ~0ull), true},
        {"unknown size kind", sized(3, 0), Record("f", 0), false},
        {"size not valid", sized(kSizeAtLeast, 0), Record("f", 5, 0x20, 0xFD), false},
        {"encrypted kept, flag off", other(0, 0, 0), Record("report.txt", 1, 0x40), true},
        {"encrypted kept, include on", other(1, 0, kSearchOther), Record("report.txt", 1, 0x40), true},
        {"encrypted left out", other(0, 0, kSearchOther), Record("report.txt", 1, 0x40 | 0x20), false},
        {"plain kept when encrypted left out", other(0, 0, kSearchOther), Record("report.txt", 1, 0x20), true},
        {"match case misses", other(1, 1, kSearchOther), Record("report.txt"), false},
        {"match case off finds", other(1, 0, kSearchOther), Record("report.txt"), true},
    };
    for (const Case& c : cases) {
        const CSearchFileFilter filter(c.criteria);
        EXPECT_EQ(filter.IsMatch(Props(c.file).get()), c.matches) << c.what;
    }
    const CSearchFileFilter any(Criteria("*"));
    EXPECT_FALSE(any.IsMatch(static_cast<const CFileNode*>(nullptr)));
}

TEST(SearchFileFilter, DateRanges)
{
    struct Case {
        const char* what;
        int kind;
        FILETIME from, to;
        int validMask;
        bool matches;
    };
    // The file: created 100, modified 200, accessed 300.
    const Case cases[] = {
        {"modified inside", kDateModified, 150, 250, 0xFF, true},
        {"modified at the lower end", kDateModified, 200, 250, 0xFF, true},
        {"modified at the upper end", kDateModified, 150, 200, 0xFF, true},
        {"modified outside", kDateModified, 201, 250, 0xFF, false},
        {"range entered backwards", kDateModified, 250, 150, 0xFF, true},
        {"backwards, outside", kDateModified, 250, 201, 0xFF, false},
        {"created", kDateCreated, 100, 100, 0xFF, true},
        {"creation time not valid", kDateCreated, 0, ~0ull, 0xFF & ~kValidCreationTime, false},
        {"accessed", kDateAccessed, 299, 301, 0xFF, true},
        {"accessed uses its own time", kDateAccessed, 150, 250, 0xFF, false},
        {"modification time not valid", kDateModified, 0, ~0ull, 0xFF & ~kValidModificationTime, false},
        {"unknown kind", 3, 0, ~0ull, 0xFF, false},
    };
    for (const Case& c : cases) {
        SEARCH_FILE_CRITERIA criteria = Criteria("*", kSearchByDate);
        criteria.nDateKind = c.kind;
        criteria.ftFrom = c.from;
        criteria.ftTo = c.to;
        MyFilePropertiesRecord r = Record("f.txt", 1, 0x20, c.validMask);
        r.creationTime = 100;
        r.modificationTime = 200;
        r.accessTime = 300;
        EXPECT_EQ(CSearchFileFilter(criteria).IsMatch(Props(r).get()), c.matches) << c.what;
    }
}

TEST(SearchFileFilter, WalksNodes)
{
    CFileNode* root = treetest::AddFolder(nullptr, "Root");
    CFileNode* folder = treetest::AddFolder(root, "Docs");
    treetest::AddFile(folder, "a.doc", 10, 0x20, kFileStateDeleted);
    treetest::AddFile(folder, "b.txt", 10);
    treetest::AddFile(root, "c.DOC", 5000);
    SEARCH_FILE_CRITERIA c = Criteria("*", kSearchByType | kSearchBySize);
    std::strcpy(c.szTypeExtensions, "*.doc");
    c.nSizeKind = kSizeAtMost;
    c.ullSizeLimit = 100;
    const CSearchFileFilter filter(c);
    std::vector<std::string> found;
    for (CFileNode* n = root->GetFirstChild(); n; n = n->GetNextSibling()) {
        for (CFileNode* m = n->GetFirstChild(); m; m = m->GetNextSibling())
            if (filter.IsMatch(m)) found.push_back(treetest::NameOf(m));
        if (filter.IsMatch(n)) found.push_back(treetest::NameOf(n));
    }
    EXPECT_EQ(found, std::vector<std::string>{"a.doc"});
    DeleteFoundTree(root);
}
