// The pages of the wizard: one row per page, which makes the page and links it with its controller both
// ways (and, for a device page, registers the controller for its recovery mode). A page joins the wizard
// by its row in DefaultWizardPages; pages without a row are left out of the sheet.
#pragma once

#include "controller/WizardTypes.h"

#include <functional>
#include <memory>
#include <vector>

class CWizardPage;

struct WizardPageEntry {
    WIZARD_PAGE page;
    // Makes the page and links it with its controller; null when the page cannot be made.
    std::function<std::unique_ptr<CWizardPage>()> create;
};

std::vector<WizardPageEntry> DefaultWizardPages();
