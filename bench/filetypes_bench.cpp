// The extension filter's name test, 100,000 names per iteration (a third without an extension), with the
// log open in a temporary file at the normal level and at the trace level (-trace). Counters: names per
// second, and log bytes written per name.
#include "core/filetypes/CFileTypeFilter.h"
#include "core/filetypes/CMapFileTypeInfo.h"
#include "platform/Log.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

void NameTest(benchmark::State& state)
{
    const bool trace = state.range(0) != 0;
    char folder[] = "/tmp/salvix-bench-filter-XXXXXX";
    if (!::mkdtemp(folder)) {
        state.SkipWithError("no temporary folder");
        return;
    }
    const std::string path = std::string(folder) + "/Salvix.log";

    CMapFileTypeInfo catalogue;
    const std::string shipped = GetFileFilterPath();
    if (catalogue.LoadFromXml(shipped.c_str()) != 0) {
        state.SkipWithError("FileFilter.xml not found in the data folder");
        return;
    }
    for (uint32_t id : catalogue.GetIdList()) {
        FileTypeInfoRecord* r = catalogue.Find(id);
        if (r->level == 2 && std::strcmp(r->text, "Zip compression file") == 0) r->checkState = 0;
        if (r->level < 2 && r->id != 0 && std::strcmp(r->text, "Archives") == 0) r->checkState = 1;
        if (r->id == 0) r->checkState = 1;
    }
    CFileTypeFilter filter;
    filter.Load(catalogue, false);

    std::vector<std::string> names;
    for (int i = 0; i < 100000; ++i)
        names.push_back(i % 3 == 0 ? "Inode_" + std::to_string(i)
                                   : "file" + std::to_string(i) + (i % 3 == 1 ? ".jpg" : ".zip"));

    InitLog(path.c_str(), trace ? LOGLEVEL_TRACE : LOGLEVEL_NORMAL, LOGTYPE_STANDALONE);
    plat::log::SetRotationSize(uint64_t(1) << 40); // measure the bytes, not the rotation
    const uintmax_t before = std::filesystem::file_size(path);
    size_t passed = 0;
    for (auto _ : state)
        for (const std::string& name : names) passed += filter.IsFileNameWanted(name.c_str());
    benchmark::DoNotOptimize(passed);
    const uintmax_t written = std::filesystem::file_size(path) - before;
    InitLog("", LOGLEVEL_NORMAL, LOGTYPE_STANDALONE);
    plat::log::SetRotationSize(0);
    std::filesystem::remove_all(folder);

    const double tests = double(state.iterations()) * double(names.size());
    state.counters["names/s"] = benchmark::Counter(tests, benchmark::Counter::kIsRate);
    state.counters["log bytes/name"] = double(written) / tests;
}

BENCHMARK(NameTest)->ArgName("trace")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
