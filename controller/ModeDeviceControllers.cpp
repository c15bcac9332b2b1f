// Registry of the device-select controllers by recovery mode, and the drive test of the chosen source.
#include "controller/ModeDeviceControllers.h"

#include "controller/CRecoveryModeSelectController.h"
#include "controller/WizardTypes.h"
#include "platform/Log.h"

#include <cstring>

namespace {

struct ModeEntry {
    IWizardPageController* controller = nullptr;
    DriveOnSourceTest test = nullptr;
};

ModeEntry g_modes[3];

} // namespace

void SetModeDeviceController(int mode, IWizardPageController* controller, DriveOnSourceTest test)
{
    if (mode < kModeDeletedFile || mode > kModePartition)
        return;
    g_modes[mode] = ModeEntry{controller, controller ? test : nullptr};
}

IWizardPageController* GetModeDeviceController(int mode)
{
    if (mode < kModeDeletedFile || mode > kModePartition)
        return nullptr;
    return g_modes[mode].controller;
}

int IsPathOnRecoverySource(const char* path)
{
    if (path == nullptr || std::strlen(path) < 2 || path[1] != ':')
        return 0;
    char letter = path[0];
    if (letter >= 'a' && letter <= 'z')
        letter = static_cast<char>(letter - 'a' + 'A');
    if (letter < 'A' || letter > 'Z')
        return 0;
    const int mode = GetRecoveryModeSelectController()->GetMode();
    const int slot = mode == kModePartition ? kModePartition : (mode != 0 ? kModeFormat : kModeDeletedFile);
    const DriveOnSourceTest test = g_modes[slot].test;
    if (!test)
        return 0;
    try {
        return test(letter);
    } catch (...) {
        LogError("IsPathOnRecoverySource: the drive test of mode %d failed", slot);
        return 0;
    }
}
