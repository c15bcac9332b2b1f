// The recovery-mode controller.
#include "controller/CRecoveryModeSelectController.h"

#include "controller/CTypeOfFileToRecoveryController.h"
#include "controller/IWizardSheet.h"
#include "core/CRecoverySettings.h"
#include "core/filetypes/RawTypeTable.h"

void CRecoveryModeSelectController::Activate()
{
    if (IWizardSheet* sheet = GetWizardSheet()) sheet->SetActivePage(WP_RECOVERY_MODE);
}

void CRecoveryModeSelectController::Home()
{
    Activate();
}

bool CRecoveryModeSelectController::next()
{
    CTypeOfFileToRecoveryController* types = GetTypeOfFileToRecoveryController();
    types->SetMode(m_mode);
    types->SetPrevious(this);
    types->Activate();
    types->next();
    return true;
}

void CRecoveryModeSelectController::ChooseMode(int mode, bool photo)
{
    ApplyModeToOptions(mode, photo);
    SetMode(mode);
    next();
}

void CRecoveryModeSelectController::ApplyModeToOptions(int mode, bool photo)
{
    CRecoverySettings* settings = GetRecoverySettings();
    settings->m_recoveryMode = mode;
    settings->m_photoMode = photo ? 1 : 0;
    settings->m_rawTypeIds.clear();
    if (photo) {
        settings->m_rawTypeIds.assign(kPhotoModeRawTypes.begin(), kPhotoModeRawTypes.end());
    } else {
        for (int id = kRawTypeFirstFixed; id <= kRawTypeLastFixed; ++id) settings->m_rawTypeIds.push_back(id);
        // The types of the header scripts loaded at start-up.
        for (int id : GetCustomRawTypeIds()) settings->m_rawTypeIds.push_back(id);
    }
}

CRecoveryModeSelectController* GetRecoveryModeSelectController()
{
    static CRecoveryModeSelectController controller;
    return &controller;
}
