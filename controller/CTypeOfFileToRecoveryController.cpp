// The file-type controller.
#include "controller/CTypeOfFileToRecoveryController.h"

#include "controller/ITypeOfFileToRecoveryView.h"
#include "controller/IWizardServices.h"
#include "controller/IWizardSheet.h"
#include "controller/ModeDeviceControllers.h"
#include "core/CRecoverySettings.h"
#include "core/filetypes/CFileTypeFilter.h"
#include "core/filetypes/CMapFileTypeInfo.h"
#include "core/filetypes/RawTypeTable.h"
#include "platform/Clock.h"

#include <cstdio>

void CTypeOfFileToRecoveryController::Activate()
{
    m_activatedAt = plat::GetTickCount();
    if (IWizardSheet* sheet = GetWizardSheet()) sheet->SetActivePage(WP_TYPE_OF_FILE);
}

void CTypeOfFileToRecoveryController::Home()
{
    Reset();
    if (m_previous) m_previous->Home();
}

void CTypeOfFileToRecoveryController::Back()
{
    Reset();
    if (m_previous) m_previous->Activate();
}

int CTypeOfFileToRecoveryController::GetScanKind()
{
    return m_mode == kModeFormat ? kScanFormat : (m_mode == kModePartition ? kScanPartition : kScanDeletedFile);
}

void CTypeOfFileToRecoveryController::FillRawTypeList()
{
    CFileTypeFilter& filter = GetFileTypeFilter();
    std::vector<int>& ids = GetRecoverySettings()->m_rawTypeIds;
    ids.clear();
    const bool filtering = filter.GetCount() > 0;
    // The fixed types, then the types of the header scripts loaded at start-up.
    std::vector<int> candidates;
    for (int id = kRawTypeFirstFixed; id <= kRawTypeLastFixed; ++id) candidates.push_back(id);
    for (int id : GetCustomRawTypeIds()) candidates.push_back(id);
    for (int id : candidates) {
        if (filtering) {
            char extension[kRawTypeNameSize + 2];
            std::snprintf(extension, sizeof extension, ".%s", GetRawTypeName(id));
            if (!filter.IsFileTypeInList(extension)) continue;
        }
        ids.push_back(id);
    }
}

bool CTypeOfFileToRecoveryController::next()
{
    if (m_page) {
        if (CMapFileTypeInfo* catalogue = m_page->GetCatalogue()) {
            GetFileTypeFilter().Load(*catalogue, m_page->IsAllTypesChecked());
            FillRawTypeList();
        }
    }
    if (m_mode < kModeDeletedFile || m_mode > kModePartition) return true;

    IWizardServices* services = GetWizardServices();
    services->LogRecoveryPhase(static_cast<unsigned>(m_mode));
    const uint32_t elapsed = plat::GetTickCount() - m_activatedAt;
    services->ReportTimedEvent(kEventTypesChosen[m_mode], elapsed);
    if (IWizardPageController* device = GetModeDeviceController(m_mode)) {
        device->SetPrevious(this);
        device->Activate();
    }
    return true;
}

CTypeOfFileToRecoveryController* GetTypeOfFileToRecoveryController()
{
    static CTypeOfFileToRecoveryController controller;
    return &controller;
}
