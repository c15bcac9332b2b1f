// Every text the wizard, its controllers, the views and the application ask for by id or key is in each
// language's string table: a missing one shows as an empty message box, menu item or caption. The ids are
// read from the sources the way the code asks for them: a literal or a named constant (or a choice of two)
// handed to LoadString, String, Text or a message box, a constant documented with its English text, and
// the dotted keys.
#include "controls/CStringTable.h"

#include <QString>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>

namespace fs = std::filesystem;

namespace {

struct Asked {
    std::map<std::string, std::set<std::string>> where; // key -> files asking for it
};

std::string ReadAll(const fs::path& path)
{
    std::ostringstream out;
    out << std::ifstream(path, std::ios::binary).rdbuf();
    return out.str();
}

std::vector<fs::path> Sources()
{
    std::vector<fs::path> files;
    for (const char* folder : {"wizard", "controller", "views", "app"}) {
        for (const fs::directory_entry& f : fs::recursive_directory_iterator(fs::path(SALVIX_SOURCE_DIR) / folder)) {
            const std::string ext = f.path().extension().string();
            if (!f.is_regular_file() || (ext != ".cpp" && ext != ".h")) continue;
            if (f.path().string().find("/tests/") != std::string::npos) continue;
            files.push_back(f.path());
        }
    }
    return files;
}

Asked AskedTexts()
{
    const std::regex constant(R"(\b(k[A-Za-z0-9_]+)\s*=\s*(\d+)\b)");
    const std::regex documented(R"(\b(k[A-Za-z0-9_]+)\s*=\s*(\d+)\s*;\s*//\s*"(.*)$)");
    const std::regex call(R"(\b(?:LoadString|String|Text)\(\s*([A-Za-z0-9_]+)\s*\))");
    const std::regex choice(R"(\b(?:LoadString|String|Text)\([^()?]*\?\s*([A-Za-z0-9_]+)\s*:\s*([A-Za-z0-9_]+)\s*\))");
    const std::regex message(R"(\bShowMessage\(\s*([A-Za-z0-9_]+)\s*,)");
    const std::regex box(R"(\bShowMessageBox\(\s*[^,()]+,\s*([A-Za-z0-9_]+)\s*,)");
    const std::regex key(R"re("((?:wizard|skin|dialog)\.[a-z0-9_.\-]*[a-z0-9_\-])")re");

    // Named constants first, every value a name has anywhere (a name may mean different ids in two classes).
    std::map<std::string, std::set<std::string>> values;
    const std::vector<fs::path> files = Sources();
    for (const fs::path& file : files) {
        const std::string text = ReadAll(file);
        std::istringstream lines(text);
        for (std::string line; std::getline(lines, line);) {
            if (line.find("constexpr") == std::string::npos) continue;
            for (std::sregex_iterator m(line.begin(), line.end(), constant), end; m != end; ++m)
                values[(*m)[1]].insert((*m)[2]);
        }
    }

    Asked asked;
    for (const fs::path& file : files) {
        const std::string text = ReadAll(file);
        const std::string name = fs::relative(file, SALVIX_SOURCE_DIR).string();
        const auto add = [&](const std::string& argument) {
            if (std::isdigit(static_cast<unsigned char>(argument[0]))) {
                asked.where[argument].insert(name);
            } else if (auto it = values.find(argument); it != values.end()) {
                for (const std::string& id : it->second) asked.where[id].insert(name);
            }
        };
        for (const std::regex* r : {&call, &message, &box})
            for (std::sregex_iterator m(text.begin(), text.end(), *r), end; m != end; ++m) add((*m)[1]);
        for (std::sregex_iterator m(text.begin(), text.end(), choice), end; m != end; ++m) {
            add((*m)[1]);
            add((*m)[2]);
        }
        std::istringstream lines(text);
        for (std::string line; std::getline(lines, line);) {
            std::smatch m;
            if (std::regex_search(line, m, documented)) asked.where[m[2]].insert(name);
        }
        for (std::sregex_iterator m(text.begin(), text.end(), key), end; m != end; ++m)
            asked.where[(*m)[1]].insert(name);
    }
    return asked;
}

TEST(LanguageBundleStrings, EveryTextTheWindowsAskForIsInEachLanguage)
{
    const Asked asked = AskedTexts();
    // The scan found the ids of the device pages and their messages (a guard against a scan finding nothing).
    for (const char* id : {"61230", "129", "142", "189", "308", "395", "400", "wizard.menu.importstate"})
        EXPECT_EQ(asked.where.count(id), 1u) << id;

    for (const char* language : {"English", "Deutsch", "Japanese"}) {
        SCOPED_TRACE(language);
        CStringTable table;
        QString error;
        ASSERT_TRUE(table.LoadFile(QStringLiteral(SALVIX_SOURCE_DIR "/resources/lang/%1.tsv").arg(language), &error))
            << error.toStdString();
        for (const auto& [id, files] : asked.where) {
            if (table.Contains(QString::fromStdString(id)) && !table.Find(QString::fromStdString(id)).isEmpty())
                continue;
            std::string users;
            for (const std::string& f : files) users += " " + f;
            ADD_FAILURE() << language << " lacks " << id << ", asked for by" << users;
        }
    }
}

} // namespace
