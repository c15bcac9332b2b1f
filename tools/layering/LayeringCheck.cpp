// The layering check: every include in a module's sources and headers names a header of the module itself or
// of a module its table (the DEPS of its module.cmake) lists; no include cycles between module folders; no Qt
// header outside the Qt modules. Reads the table CMake writes at configure time and walks the source tree.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

// One row of the table: "name|dir|qt|deps...|test deps...", lists separated by spaces.
struct Module {
    std::string name;
    std::string dir;
    bool qt = false;
    std::set<std::string> deps;
    std::set<std::string> testDeps;
};

constexpr const char* kTestSupport = "salvix_testsupport";
constexpr const char* kTestsFolder = "tests";

std::vector<std::string> Split(const std::string& text, char separator)
{
    std::vector<std::string> parts;
    std::string part;
    std::istringstream in(text);
    while (std::getline(in, part, separator)) parts.push_back(part);
    if (!text.empty() && text.back() == separator) parts.emplace_back();
    return parts;
}

std::set<std::string> Words(const std::string& text)
{
    std::set<std::string> words;
    std::istringstream in(text);
    std::string w;
    while (in >> w) words.insert(w);
    return words;
}

bool ReadTable(const fs::path& path, std::map<std::string, Module>& modules)
{
    std::ifstream in(path);
    if (!in) {
        std::fprintf(stderr, "layering: cannot read the module table %s\n", path.c_str());
        return false;
    }
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        const std::vector<std::string> f = Split(line, '|');
        if (f.size() != 5) {
            std::fprintf(stderr, "layering: bad table line: %s\n", line.c_str());
            return false;
        }
        Module m{f[0], f[1], f[2] == "QT", Words(f[3]), Words(f[4])};
        modules[m.name] = m;
    }
    return true;
}

class Checker {
public:
    Checker(fs::path root, std::map<std::string, Module> modules)
        : m_root(std::move(root)), m_modules(std::move(modules))
    {
        for (const auto& [name, m] : m_modules) m_byDir[m.dir] = name;
    }

    int Run();

private:
    // The module whose folder holds dir (the deepest one), or "" when none does.
    std::string OwnerOf(const std::string& relativeDir) const
    {
        std::string d = relativeDir;
        while (true) {
            const auto it = m_byDir.find(d);
            if (it != m_byDir.end()) return it->second;
            const size_t slash = d.rfind('/');
            if (slash == std::string::npos) return "";
            d.erase(slash);
        }
    }
    // Whether path, inside the module folder dir, lies in its tests/ folder.
    static bool InTestsFolder(const std::string& path, const std::string& dir)
    {
        const std::string rest = dir.empty() ? path : path.substr(dir.size() + 1);
        return rest.rfind(std::string(kTestsFolder) + "/", 0) == 0 ||
               rest.find(std::string("/") + kTestsFolder + "/") != std::string::npos;
    }
    bool Allowed(const Module& from, bool fromTest, const std::string& target) const
    {
        if (target == from.name || from.deps.count(target)) return true;
        return fromTest && (from.testDeps.count(target) || target == kTestSupport);
    }
    void CheckFile(const fs::path& file, const std::string& relative);
    bool ReportCycles(const std::map<std::string, std::set<std::string>>& graph, const char* what);
    std::string Listing(const Module& m, bool test) const
    {
        std::string text;
        for (const std::string& d : m.deps)
            if (m_modules.count(d)) text += " " + d;
        if (test) {
            for (const std::string& d : m.testDeps)
                if (m_modules.count(d)) text += " " + d;
            text += std::string(" ") + kTestSupport;
        }
        return text.empty() ? " (nothing)" : text;
    }

    fs::path m_root;
    std::map<std::string, Module> m_modules;
    std::map<std::string, std::string> m_byDir;
    std::map<std::string, std::set<std::string>> m_includeGraph; // module -> modules its non-test files include
    std::map<std::string, std::string> m_edgeExample;            // "a>b" -> one file:line that makes the edge
    int m_files = 0;
    int m_includes = 0;
    int m_faults = 0;
};

void Checker::CheckFile(const fs::path& file, const std::string& relative)
{
    const std::string relDir = relative.find('/') == std::string::npos ? "" : relative.substr(0, relative.rfind('/'));
    const std::string owner = OwnerOf(relDir);
    if (owner.empty()) return; // bench/, fuzz/ and tools without a table row use whatever they link
    const Module& from = m_modules.at(owner);
    const bool fromTest = InTestsFolder(relative, from.dir);
    ++m_files;

    std::ifstream in(file);
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        size_t p = line.find_first_not_of(" \t");
        if (p == std::string::npos || line[p] != '#') continue;
        p = line.find_first_not_of(" \t", p + 1);
        if (p == std::string::npos || line.compare(p, 7, "include") != 0) continue;
        p = line.find_first_of("\"<", p + 7);
        if (p == std::string::npos) continue;
        const char close = line[p] == '"' ? '"' : '>';
        const size_t end = line.find(close, p + 1);
        if (end == std::string::npos) continue;
        const std::string name = line.substr(p + 1, end - p - 1);
        const std::string where = relative + ":" + std::to_string(number);

        if (close == '>') {
            const bool qtHeader = name.rfind("Q", 0) == 0 || name.rfind("qt", 0) == 0;
            // Test code (a module's tests/ and the top tests/ folder) may drive Qt to test what it tests.
            const bool testCode = fromTest || relative.rfind(std::string(kTestsFolder) + "/", 0) == 0;
            if (qtHeader && !from.qt && !testCode) {
                std::printf("%s: includes the Qt header <%s>, but %s is not a Qt module\n", where.c_str(), name.c_str(),
                            owner.c_str());
                ++m_faults;
            }
            if (name.find('/') == std::string::npos || !fs::exists(m_root / name)) continue;
        }
        if (name.find('/') == std::string::npos) continue; // a file beside this one, or a generated one
        if (!fs::exists(m_root / name)) continue;          // not ours (a system or generated header)
        ++m_includes;
        const std::string targetDir = name.substr(0, name.rfind('/'));
        const std::string target = OwnerOf(targetDir);
        if (target.empty()) {
            std::printf("%s: includes %s, which no module declares\n", where.c_str(), name.c_str());
            ++m_faults;
            continue;
        }
        const Module& to = m_modules.at(target);
        if (InTestsFolder(name, to.dir) && !fromTest) {
            std::printf("%s: includes the test header %s outside the tests\n", where.c_str(), name.c_str());
            ++m_faults;
            continue;
        }
        if (!Allowed(from, fromTest, target)) {
            std::printf("%s: includes %s of %s, which %s%s does not list (it may use:%s)\n", where.c_str(),
                        name.c_str(), target.c_str(), owner.c_str(), fromTest ? " (tests)" : "",
                        Listing(from, fromTest).c_str());
            ++m_faults;
        }
        if (!fromTest && target != owner) {
            m_includeGraph[owner].insert(target);
            m_edgeExample.emplace(owner + ">" + target, where + " " + name);
        }
    }
}

// Tarjan's strongly connected components; each component of more than one module is a cycle.
bool Checker::ReportCycles(const std::map<std::string, std::set<std::string>>& graph, const char* what)
{
    std::map<std::string, int> index, low;
    std::set<std::string> onStack;
    std::vector<std::string> stack;
    int next = 0;
    bool found = false;
    std::function<void(const std::string&)> visit = [&](const std::string& v) {
        index[v] = low[v] = next++;
        stack.push_back(v);
        onStack.insert(v);
        const auto it = graph.find(v);
        if (it != graph.end()) {
            for (const std::string& w : it->second) {
                if (!index.count(w)) {
                    visit(w);
                    low[v] = std::min(low[v], low[w]);
                } else if (onStack.count(w)) {
                    low[v] = std::min(low[v], index[w]);
                }
            }
        }
        if (low[v] != index[v]) return;
        std::vector<std::string> component;
        std::string w;
        do {
            w = stack.back();
            stack.pop_back();
            onStack.erase(w);
            component.push_back(w);
        } while (w != v);
        if (component.size() < 2) return;
        found = true;
        std::sort(component.begin(), component.end());
        std::printf("%s cycle between:", what);
        for (const std::string& c : component) std::printf(" %s", c.c_str());
        std::printf("\n");
        for (const std::string& a : component)
            for (const std::string& b : component) {
                const auto e = m_edgeExample.find(a + ">" + b);
                const auto g = graph.find(a);
                if (g != graph.end() && g->second.count(b))
                    std::printf("  %s -> %s%s%s\n", a.c_str(), b.c_str(), e != m_edgeExample.end() ? "  e.g. " : "",
                                e != m_edgeExample.end() ? e->second.c_str() : "");
            }
    };
    for (const auto& [v, unused] : graph)
        if (!index.count(v)) visit(v);
    return found;
}

int Checker::Run()
{
    // Table rows must name modules the table has, and a module below the Qt line never lists one above it.
    std::map<std::string, std::set<std::string>> declared;
    for (const auto& [name, m] : m_modules) {
        for (const std::string& d : m.deps) {
            if (!m_modules.count(d)) continue; // a system library (ZLIB::ZLIB, Boost::regex...)
            declared[name].insert(d);
            if (!m.qt && m_modules.at(d).qt) {
                std::printf("table: %s lists the Qt module %s but is not a Qt module itself\n", name.c_str(),
                            d.c_str());
                ++m_faults;
            }
        }
    }
    if (ReportCycles(declared, "table")) ++m_faults;

    std::vector<std::pair<fs::path, std::string>> files;
    for (auto it = fs::recursive_directory_iterator(m_root); it != fs::recursive_directory_iterator(); ++it) {
        const std::string name = it->path().filename().string();
        if (it->is_directory()) {
            // Hidden folders and build trees (any folder holding a CMakeCache.txt) are not sources.
            if (name.empty() || name[0] == '.' || fs::exists(it->path() / "CMakeCache.txt"))
                it.disable_recursion_pending();
            continue;
        }
        const std::string ext = it->path().extension().string();
        if (ext != ".h" && ext != ".hpp" && ext != ".cpp" && ext != ".c" && ext != ".inc") continue;
        files.emplace_back(it->path(), fs::relative(it->path(), m_root).generic_string());
    }
    std::sort(files.begin(), files.end(), [](const auto& a, const auto& b) { return a.second < b.second; });
    for (const auto& [path, relative] : files) CheckFile(path, relative);
    if (ReportCycles(m_includeGraph, "include")) ++m_faults;

    if (m_faults) {
        std::printf(
            "layering: %d fault(s). Either include what the module's table allows, or add the module to the DEPS of "
            "its module.cmake if the dependency points down (see \"Folders and layers\" in README.md).\n",
            m_faults);
        return 1;
    }
    std::printf("layering: %d files of %zu modules, %d includes of their headers checked: no fault\n", m_files,
                m_modules.size(), m_includes);
    return 0;
}

void PrintTable(const std::map<std::string, Module>& modules)
{
    for (const auto& [name, m] : modules) {
        std::printf("%-22s %-24s", name.c_str(), m.dir.c_str());
        for (const std::string& d : m.deps)
            if (modules.count(d)) std::printf(" %s", d.c_str());
        std::printf("\n");
    }
}

// The README's layering table: the rows after the marker line, each "| folder | module | what | may use |". Every
// module has one row whose "may use" names exactly the modules of its DEPS, so the table a newcomer reads cannot
// drift from the build.
constexpr const char* kReadmeMarker = "<!-- layering-table";

std::string Trim(std::string text)
{
    const auto notSpace = [](char c) { return c != ' ' && c != '`'; };
    text.erase(text.begin(), std::find_if(text.begin(), text.end(), notSpace));
    text.erase(std::find_if(text.rbegin(), text.rend(), notSpace).base(), text.end());
    return text;
}

int CheckReadme(const fs::path& readme, const std::map<std::string, Module>& modules)
{
    std::ifstream in(readme);
    if (!in) {
        std::fprintf(stderr, "layering: cannot read %s\n", readme.c_str());
        return 2;
    }
    std::map<std::string, std::set<std::string>> rows;
    std::string line;
    bool inTable = false;
    int faults = 0;
    while (std::getline(in, line)) {
        if (line.rfind(kReadmeMarker, 0) == 0) {
            inTable = true;
            continue;
        }
        if (!inTable) continue;
        if (line.empty() || line[0] != '|') break;
        const std::vector<std::string> cells = Split(line, '|');
        if (cells.size() != 6 || line.rfind("|---", 0) == 0 || Trim(cells[2]) == "Module") continue;
        std::string name = Trim(cells[2]);
        name = name.substr(0, name.find(' '));
        std::set<std::string> deps = Words(cells[4]);
        if (cells[4].find("nothing of ours") != std::string::npos) deps.clear();
        rows[name] = deps;
    }
    if (!inTable) {
        std::printf("%s: no layering table (a line beginning \"%s\")\n", readme.c_str(), kReadmeMarker);
        return 1;
    }
    for (const auto& [name, m] : modules) {
        std::set<std::string> ours;
        for (const std::string& d : m.deps)
            if (modules.count(d)) ours.insert(d);
        const auto row = rows.find(name);
        if (row == rows.end()) {
            std::printf("%s: the layering table has no row for %s (%s)\n", readme.c_str(), name.c_str(), m.dir.c_str());
            ++faults;
            continue;
        }
        if (row->second != ours) {
            std::string want;
            for (const std::string& d : ours) want += " " + d;
            std::printf("%s: the row of %s says it may use other modules than its module.cmake; they are:%s\n",
                        readme.c_str(), name.c_str(), want.empty() ? " nothing of ours" : want.c_str());
            ++faults;
        }
        rows.erase(row);
    }
    for (const auto& [name, deps] : rows) {
        std::printf("%s: the layering table has a row for %s, which no module.cmake declares\n", readme.c_str(),
                    name.c_str());
        ++faults;
    }
    if (faults) {
        std::printf("layering: %d fault(s) in the README's table; mend its rows as listed\n", faults);
        return 1;
    }
    std::printf("layering: the README's table matches the %zu modules\n", modules.size());
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    fs::path root, table, readme;
    bool print = false;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--root" && i + 1 < argc)
            root = argv[++i];
        else if (a == "--table" && i + 1 < argc)
            table = argv[++i];
        else if (a == "--print")
            print = true;
        else if (a == "--readme" && i + 1 < argc)
            readme = argv[++i];
        else {
            std::fprintf(stderr,
                         "usage: %s --root <source folder> --table <build>/layering/modules.txt [--print | --readme "
                         "README.md]\n",
                         argv[0]);
            return 2;
        }
    }
    if (root.empty() || table.empty()) {
        std::fprintf(
            stderr,
            "usage: %s --root <source folder> --table <build>/layering/modules.txt [--print | --readme README.md]\n",
            argv[0]);
        return 2;
    }
    std::map<std::string, Module> modules;
    if (!ReadTable(table, modules)) return 2;
    if (print) {
        PrintTable(modules);
        return 0;
    }
    if (!readme.empty()) return CheckReadme(readme, modules);
    return Checker(root, std::move(modules)).Run();
}
