// The installed application services, and the set that does nothing.
#include "controller/IWizardServices.h"

#include "platform/Log.h"

namespace {

class CNoWizardServices : public IWizardServices {
public:
    unsigned LogRecoveryPhase(unsigned code) override { return code; }
    void ReportEvent(unsigned) override {}
    void ReportTimedEvent(unsigned, uint64_t) override {}
    void ShowAdvanceSetting(bool) override { LogInfo("Options dialog is not available"); }
};

CNoWizardServices g_none;
IWizardServices* g_services = nullptr;

} // namespace

IWizardServices* GetWizardServices()
{
    return g_services ? g_services : &g_none;
}

void SetWizardServices(IWizardServices* services)
{
    g_services = services;
}
