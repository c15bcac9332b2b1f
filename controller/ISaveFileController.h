// The save-path controller as the wizard reads the figures of the last save.
#pragma once

#include "controller/IWizardPageController.h"

#include <string>

class ISaveFileController : public IWizardPageController {
public:
    virtual int GetToRecoverCount() = 0;
    virtual int GetRecoveredCount() = 0;
    virtual std::string GetSavedPath(int index) = 0;
    virtual int GetSavedPathCount() = 0;
};
