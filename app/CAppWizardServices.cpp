// Services of the application for the page controllers.
#include "app/CAppWizardServices.h"

#include "app/shell/LogReports.h"
#include "app/shell/UsageEvents.h"
#include "platform/Log.h"
#include "views/options/CAdvanceSettingMasterDlg.h"

#include <QApplication>

unsigned CAppWizardServices::LogRecoveryPhase(unsigned code)
{
    return ::LogRecoveryPhase(code);
}

void CAppWizardServices::ReportEvent(unsigned eventId)
{
    ReportUsageEvent(int(eventId));
}

void CAppWizardServices::ReportTimedEvent(unsigned eventId, uint64_t elapsedMs)
{
    ReportUsageTimedEvent(int(eventId), elapsedMs);
}

void CAppWizardServices::ShowAdvanceSetting(bool editableRawTypes)
{
    CAdvanceSettingMasterDlg dlg(editableRawTypes ? 1 : 0, QApplication::activeWindow());
    dlg.EnableRawTypeTree(editableRawTypes ? 1 : 0);
    dlg.DoModal();
}

void CAppWizardServices::LogScanDevice(bool quick, bool image, const char* deviceName, const char* label,
                                       int fileSystemKind, const char* imageName, const char* imagePath)
{
    ::LogScanDevice(quick, image, deviceName, label, fileSystemKind, imageName, imagePath);
}

void CAppWizardServices::LogSearchDevice(bool quick, bool image, const char* description, bool usb,
                                         const char* imageName, const char* imagePath)
{
    ::LogSearchDevice(quick, image, description, usb, imageName, imagePath);
}

void CAppWizardServices::LogLostPartitionList(const std::list<CLostPartitionRecord*>& partitions)
{
    ::LogLostPartitionList(partitions);
}

void CAppWizardServices::LogRecoverResult(int toRecover, int recovered, const char* folder)
{
    ::LogRecoverResult(toRecover, recovered, folder);
}

void CAppWizardServices::LogSearchedPartitionList(const std::list<CSearchedPartitionInfo*>& partitions)
{
    ::LogSearchedPartitionList(partitions);
}

void CAppWizardServices::LogBuildDirectory(int partitionNumber)
{
    ::LogBuildDirectory(partitionNumber);
}
