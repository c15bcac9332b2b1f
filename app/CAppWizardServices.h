// The application's side of the services the page controllers call: the log's phase lines and usage
// events. Installed for the life of the application object.
#pragma once

#include "controller/IWizardServices.h"

class CAppWizardServices : public IWizardServices {
public:
    unsigned LogRecoveryPhase(unsigned code) override;
    void ReportEvent(unsigned eventId) override;
    void ReportTimedEvent(unsigned eventId, uint64_t elapsedMs) override;
    void ShowAdvanceSetting(bool editableRawTypes) override;
    void LogScanDevice(bool quick, bool image, const char* deviceName, const char* label, int fileSystemKind,
                       const char* imageName, const char* imagePath) override;
    void LogSearchDevice(bool quick, bool image, const char* description, bool usb, const char* imageName,
                         const char* imagePath) override;
    void LogLostPartitionList(const std::list<CLostPartitionRecord*>& partitions) override;
    void LogRecoverResult(int toRecover, int recovered, const char* folder) override;
    void LogSearchedPartitionList(const std::list<CSearchedPartitionInfo*>& partitions) override;
    void LogBuildDirectory(int partitionNumber) override;
};
