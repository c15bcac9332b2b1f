// Report lines of the log, written through LogInfo.
#include "app/shell/LogReports.h"

#include "core/VersionString.h"
#include "filesystems/common/CLostPartitionRecord.h"
#include "filesystems/common/CSearchedPartitionInfo.h"
#include "filesystems/partitions/FileSystemNames.h"
#include "filesystems/tree/FileSystemKind.h"
#include "platform/Folders.h"
#include "platform/Log.h"
#include "platform/Memory.h"

#include <cinttypes>
#include <cstdio>
#include <ctime>
#include <string>
#include <dlfcn.h>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/utsname.h>

namespace {

constexpr const char* kBuildDate = "20141120";

const char* const kPhaseTexts[] = {
    "Performing Deleted File Recovery...",
    "Performing Complete File Recovery...",
    "Performing Partition Recovery...",
    "User abort.",
    "Found nothing.",
    "Completely search the selected device.",
    "Displaying directory tree.",
    "Restoring files...",
    "Restoring last recovery...",
    "Failed to restore last recovery.",
    "Completely restore last recovery.",
    "Did not find any possible partition. Building RAW file tree.",
    "Did not find any lost partition. Performing intelligent search.",
    "Did not find any RAWfiles",
};

const char* Text(const char* s)
{
    return s ? s : "";
}

} // namespace

void LogProductBanner()
{
    LogInfo("Salvix %s %s", GetVersionString(), kBuildDate);
}

void LogDateGenerated()
{
    const time_t now = std::time(nullptr);
    tm local{};
    localtime_r(&now, &local);
    LogInfo("Date Generated: %02d/%02d/%d %02d:%02d:%02d\r\n", local.tm_mon + 1, local.tm_mday, local.tm_year + 1900,
            local.tm_hour, local.tm_min, local.tm_sec);
}

void LogMemoryStatus()
{
    plat::LogMemoryStatus();
}

std::string PrettyNameFromOsRelease(const std::string& text)
{
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("PRETTY_NAME=", 0) != 0) continue;
        std::string v = line.substr(12);
        if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
            v = v.substr(1, v.size() - 2);
        return v;
    }
    return {};
}

OperatingSystemInfo QueryOperatingSystem()
{
    OperatingSystemInfo info;
    utsname u{};
    if (uname(&u) == 0) {
        info.name = u.sysname;
        info.release = u.release;
        const std::string machine = u.machine;
        if (machine == "x86_64" || machine == "aarch64" || machine == "ppc64le" || machine == "s390x" ||
            machine == "riscv64")
            info.architecture = "64-bit";
        else if (machine.size() == 4 && machine[0] == 'i' && machine.substr(2) == "86")
            info.architecture = "32-bit";
        else
            info.architecture = machine;
        std::sscanf(u.release, "%d.%d", &info.major, &info.minor);
    }
    for (const char* path : {"/etc/os-release", "/usr/lib/os-release"}) {
        std::ifstream f(path);
        if (!f) continue;
        std::stringstream text;
        text << f.rdbuf();
        info.edition = PrettyNameFromOsRelease(text.str());
        break;
    }
    return info;
}

void LogOperatingSystem()
{
    const OperatingSystemInfo os = QueryOperatingSystem();
    if (os.name.empty()) {
        LogInfo("Unsupported operating system!");
        return;
    }
    // Product type 1 (a workstation) and suite mask 0: Linux has neither notion.
    LogInfo("OS - %s %s %s %s (%d %d %d %d)", os.name.c_str(), os.edition.c_str(), os.architecture.c_str(),
            os.release.c_str(), os.major, os.minor, 1, 0);
}

void LogSystemDirectory()
{
    // The folder of the C library stands in for the system folder.
    std::string folder = "/usr/lib";
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&std::fopen), &info) != 0 && info.dli_fname && info.dli_fname[0] == '/')
        folder = std::filesystem::path(info.dli_fname).parent_path().string();
    LogInfo("OS Directory - %s", folder.c_str());
}

void LogModuleDirectory()
{
    std::string folder = plat::ProgramFolder().string();
    if (folder.empty() || folder.back() != '/') folder += '/';
    LogInfo("Module Directory - %s", folder.c_str());
}

void LogStartupHeader()
{
    LogProductBanner();
    LogDateGenerated();
    LogMemoryStatus();
    LogOperatingSystem();
    LogSystemDirectory();
    LogModuleDirectory();
}

unsigned LogRecoveryPhase(unsigned code)
{
    if (code >= sizeof kPhaseTexts / sizeof kPhaseTexts[0]) return code;
    if (code <= 2)
        LogInfo("\r\n%s", kPhaseTexts[code]);
    else
        LogInfo("%s", kPhaseTexts[code]);
    return code;
}

void LogBuildDirectory(int partitionNumber)
{
    LogInfo("Building directory tree on partition %d", partitionNumber);
}

void LogSearchDevice(bool quick, bool image, const char* description, bool usb, const char* imageName,
                     const char* imagePath)
{
    const char* prefix = quick ? "Quick searching" : "Intelligent searching";
    if (image)
        LogInfo("%s image file - %s at %s", prefix, Text(imageName), Text(imagePath));
    else if (usb)
        LogInfo("%s usb disk device - %s", prefix, Text(description));
    else
        LogInfo("%s disk device - %s", prefix, Text(description));
}

void LogScanDevice(bool quick, bool image, const char* deviceName, const char* label, int fileSystemKind,
                   const char* imageName, const char* imagePath)
{
    const char* prefix = quick ? "Quick searching" : "Intelligent searching";
    if (image) {
        LogInfo("%s image file device - %s at %s", prefix, Text(imageName), Text(imagePath));
        return;
    }
    // By the name a Linux user knows it by ("sdb1"), never by a drive letter, which this system does not have.
    const std::string device = deviceName && *deviceName ? deviceName : "?";
    const std::string name = label && *label ? device + " " + label : device;
    LogInfo("%s partition device - %s (%s)", prefix, name.c_str(), FileSystemKindName(fileSystemKind));
}

const char* FileSystemKindName(int kind)
{
    return kind == kFsKindRaw ? "RAW" : GetFileSystemName(kind);
}

void LogLostPartitionList(const std::list<CLostPartitionRecord*>& partitions)
{
    if (partitions.empty()) {
        LogInfo("%s", "Did not find any lost partition.");
        return;
    }
    const std::string rule(45, '-');
    LogInfo("Lost partition list:");
    LogInfo("%s", rule.c_str());
    LogInfo(" NO.       FS     StartSect     TotalSect");
    int number = 0;
    for (const CLostPartitionRecord* p : partitions) {
        if (!p) continue;
        LogInfo("%4d  %7s  %12" PRId64 "  %12" PRId64, number++, FileSystemKindName(p->nFileSystemKind),
                int64_t(p->u64StartSector), int64_t(p->u64SectorCount));
    }
    LogInfo("%s", rule.c_str());
}

void LogSearchedPartitionList(const std::list<CSearchedPartitionInfo*>& partitions)
{
    if (partitions.empty()) {
        LogInfo("Did not find any possible partition.");
        return;
    }
    const std::string rule(96, '-');
    LogInfo("Searched partition list:");
    LogInfo("%s", rule.c_str());
    LogInfo(" NO.       FS  Suggestion  MFiles  MFolders     StartSect    DtAreaSect  ClstSize     TotalSect");
    int number = 0;
    for (const CSearchedPartitionInfo* p : partitions) {
        if (!p) continue;
        char score[64];
        std::snprintf(score, sizeof score, "%10.2f", p->dRank);
        LogInfo("%4d  %7s  %s  %6" PRId64 "  %8" PRId64 "  %12" PRId64 "  %12" PRId64 "  %8d  %" PRId64, number++,
                FileSystemKindName(p->nFileSystemKind), score, int64_t(p->u64FilesMatch), int64_t(p->u64FoldersMatch),
                int64_t(p->u64StartSector), int64_t(p->u64DataAreaStartSector), int(p->bySectorsPerCluster),
                int64_t(p->u64SectorsCount));
    }
    LogInfo("%s", rule.c_str());
}

void LogRecoverResult(int toRecover, int recovered, const char* folder)
{
    LogInfo("%d File are to be recovered, recovered %d", toRecover, recovered);
    LogInfo("Files are saved in %s", Text(folder));
}

void LogExceptionCaught(uint32_t code, uint64_t address)
{
    LogError("Caught an excetpion! Exception Code:%08x Address:%08llx", code, static_cast<unsigned long long>(address));
}

void LogExceptionResult(bool succeeded)
{
    LogError("%s", succeeded ? "Succeeded process the exception!" : "Failed to process the exception!");
}
