// The application services that page controllers call: the log's recovery-phase lines, usage events and
// the Options dialog. The application installs its implementation at start-up; until then (and in tests
// that install nothing) every call does nothing.
#pragma once

#include <cstdint>
#include <list>

class CSearchedPartitionInfo;
struct CLostPartitionRecord;

class IWizardServices {
public:
    virtual ~IWizardServices() = default;
    // Writes the phase line of a recovery mode to the log; returns the code.
    virtual unsigned LogRecoveryPhase(unsigned code) = 0;
    virtual void ReportEvent(unsigned eventId) = 0;
    virtual void ReportTimedEvent(unsigned eventId, uint64_t elapsedMs) = 0;
    // The Options dialog, modal; editableRawTypes tells whether its RAW type tree may be changed.
    virtual void ShowAdvanceSetting(bool editableRawTypes) = 0;
    // The log's line of the volume about to be scanned (an image file, or a volume by its device name: "sdb1").
    virtual void LogScanDevice(bool /*quick*/, bool /*image*/, const char* /*deviceName*/, const char* /*label*/,
                               int /*fileSystemKind*/, const char* /*imageName*/, const char* /*imagePath*/)
    {
    }
    // The log's lines of the disk about to be searched for lost partitions (an image file, or a disk with
    // its description and bus).
    virtual void LogSearchDevice(bool /*quick*/, bool /*image*/, const char* /*description*/, bool /*usb*/,
                                 const char* /*imageName*/, const char* /*imagePath*/)
    {
    }
    // The log's list of the lost partitions offered.
    virtual void LogLostPartitionList(const std::list<CLostPartitionRecord*>& /*partitions*/) {}
    // The log's line of a finished save.
    virtual void LogRecoverResult(int /*toRecover*/, int /*recovered*/, const char* /*folder*/) {}
    // The log's lines of the partitions a search found, and of the tree build of the nth ticked one.
    virtual void LogSearchedPartitionList(const std::list<CSearchedPartitionInfo*>& /*partitions*/) {}
    virtual void LogBuildDirectory(int /*partitionNumber*/) {}
};

// The services in use: those installed, else a set that does nothing. Never null.
IWizardServices* GetWizardServices();
// Installs services (not owned; null restores the set that does nothing).
void SetWizardServices(IWizardServices* services);
