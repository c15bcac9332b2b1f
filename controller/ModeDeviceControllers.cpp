// Registry of the device-select controllers by recovery mode, and the drive test of the chosen source.
#include "controller/ModeDeviceControllers.h"

#include "controller/CRecoveryModeSelectController.h"
#include "controller/WizardTypes.h"
#include "platform/DriveLetters.h"
#include "platform/Log.h"

#include <sys/stat.h>

#include <string>

#include <cstring>

namespace {

struct ModeEntry {
    IWizardPageController* controller = nullptr;
    DriveOnSourceTest test = nullptr;
};

ModeEntry g_modes[3];
RecoverySourcePathTest g_pathTest = nullptr;

} // namespace

void SetModeDeviceController(int mode, IWizardPageController* controller, DriveOnSourceTest test)
{
    if (mode < kModeDeletedFile || mode > kModePartition) return;
    g_modes[mode] = ModeEntry{controller, controller ? test : nullptr};
}

IWizardPageController* GetModeDeviceController(int mode)
{
    if (mode < kModeDeletedFile || mode > kModePartition) return nullptr;
    return g_modes[mode].controller;
}

namespace {

// The letter of the drive holding a Linux path, or of the nearest folder above it that exists (a target
// the save will make lies on that folder's drive); 0 when none.
char DriveLetterOfLinuxPath(std::string path)
{
    while (!path.empty()) {
        struct stat st {};
        if (::stat(path.c_str(), &st) == 0) return plat::DriveLetterOfPath(path);
        const size_t slash = path.find_last_of('/');
        if (slash == std::string::npos) return 0;
        path = slash == 0 ? std::string("/") : path.substr(0, slash);
    }
    return 0;
}

} // namespace

void SetRecoverySourcePathTest(RecoverySourcePathTest test)
{
    g_pathTest = test;
}

int IsPathOnRecoverySource(const char* path)
{
    if (path == nullptr) return 0;
    if (g_pathTest) return g_pathTest(path);
    char letter = 0;
    if (path[0] == '/') {
        letter = DriveLetterOfLinuxPath(path);
        if (letter == 0) return 0;
    } else {
        if (std::strlen(path) < 2 || path[1] != ':') return 0;
        letter = path[0];
    }
    if (letter >= 'a' && letter <= 'z') letter = static_cast<char>(letter - 'a' + 'A');
    if (letter < 'A' || letter > 'Z') return 0;
    const int mode = GetRecoveryModeSelectController()->GetMode();
    const int slot = mode == kModePartition ? kModePartition : (mode != 0 ? kModeFormat : kModeDeletedFile);
    const DriveOnSourceTest test = g_modes[slot].test;
    if (!test) return 0;
    try {
        return test(letter);
    } catch (...) {
        LogError("IsPathOnRecoverySource: the drive test of mode %d failed", slot);
        return 0;
    }
}
