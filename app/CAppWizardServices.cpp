// Services of the application for the page controllers.
#include "app/CAppWizardServices.h"

#include "app/shell/LogReports.h"
#include "app/shell/UsageEvents.h"
#include "platform/Log.h"

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
    // The Options dialog is not part of the application yet.
    LogInfo("Options dialog requested (RAW types %s); not available in this build",
            editableRawTypes ? "editable" : "fixed");
}
