// The fixed report lines of the log: the start-up header, the recovery phases, the device being scanned,
// the partitions found and the result of a save. The texts are part of the log's format.
#pragma once

#include <cstdint>
#include <list>
#include <string>

struct CLostPartitionRecord;
class CSearchedPartitionInfo;

// "Salvix <version> <build date>".
void LogProductBanner();
// "Date Generated: MM/DD/YYYY hh:mm:ss" in local time.
void LogDateGenerated();
// "Memory status:" and the physical and commit-space figures in megabytes.
void LogMemoryStatus();
// "OS - <system> <distribution> <architecture> <kernel release> (<major> <minor> <product type> <suite>)".
void LogOperatingSystem();
// "OS Directory - <folder of the C library>".
void LogSystemDirectory();
// "Module Directory - <program folder>/".
void LogModuleDirectory();
// The start-up header: banner, date, memory, operating system, system folder, program folder.
void LogStartupHeader();

// The phase line of a code from 0 to 13; any other code writes nothing. Returns the code.
unsigned LogRecoveryPhase(unsigned code);
void LogBuildDirectory(int partitionNumber);

// The device about to be searched for lost partitions. image: the record describes an image file
// (imageName at imagePath); otherwise description names the disk and usb tells its bus.
void LogSearchDevice(bool quick, bool image, const char* description, bool usb, const char* imageName,
                     const char* imagePath);
// The volume about to be scanned: an image file, or a volume by its device name ("sdb1"; "?" when it has
// none), with its label and file-system kind.
void LogScanDevice(bool quick, bool image, const char* deviceName, const char* label, int fileSystemKind,
                   const char* imageName, const char* imagePath);

void LogLostPartitionList(const std::list<CLostPartitionRecord*>& partitions);
void LogSearchedPartitionList(const std::list<CSearchedPartitionInfo*>& partitions);
void LogRecoverResult(int toRecover, int recovered, const char* folder);

// "Caught an excetpion! Exception Code:%08x Address:%08x".
void LogExceptionCaught(uint32_t code, uint64_t address);
void LogExceptionResult(bool succeeded);

// The name of a file-system kind: its name in the file-system registry, RAW for 6, else UNKNOWN. The partition
// tables show it right-aligned to seven characters.
const char* FileSystemKindName(int kind);

// The header's operating-system fields, from uname and /etc/os-release; public for tests.
struct OperatingSystemInfo {
    std::string name;         // "Linux"
    std::string edition;      // the distribution's PRETTY_NAME, or empty
    std::string architecture; // "64-bit", "32-bit" or the machine name
    std::string release;      // the kernel release
    int major = 0;
    int minor = 0;
};
OperatingSystemInfo QueryOperatingSystem();
// The PRETTY_NAME of an os-release text, without its quotes; empty when absent.
std::string PrettyNameFromOsRelease(const std::string& text);
