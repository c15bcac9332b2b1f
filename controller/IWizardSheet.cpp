// The registered wizard sheet.
#include "controller/IWizardSheet.h"

namespace {
IWizardSheet* g_sheet = nullptr;
}

IWizardSheet* GetWizardSheet()
{
    return g_sheet;
}

void SetWizardSheet(IWizardSheet* sheet)
{
    g_sheet = sheet;
}
