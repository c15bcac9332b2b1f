// The wizard's page table.
#include "wizard/WizardPageTable.h"

#include "controller/CCompleteRecoveryPartitionDeviceSelectController.h"
#include "controller/CCompleteRecoveryScanPartitionDeviceSelectController.h"
#include "controller/CDeleteRecoveryPartitionDeviceSelectController.h"
#include "controller/CFileSelectController.h"
#include "controller/CLostRecoveryDiskDeviceSelectController.h"
#include "controller/CLostRecoveryPartitionDeviceSelectController.h"
#include "controller/CLostRecoveryScanPartitionDeviceSelectController.h"
#include "controller/LostPartitionSearch.h"
#include "controller/CRecoveryModeSelectController.h"
#include "controller/CSaveFileController.h"
#include "controller/CSaveResultController.h"
#include "controller/CTypeOfFileToRecoveryController.h"
#include "controller/ModeDeviceControllers.h"
#include "views/devices/CLostPartitionSearchTask.h"
#include "wizard/CCompleteRecoveryPartitionDeviceSelectPage.h"
#include "wizard/CCompleteRecoveryScanPartitionDeviceSelectPage.h"
#include "wizard/CDeleteRecoveryPartitionDeviceSelectPage.h"
#include "wizard/CFileSelectPage.h"
#include "wizard/CLostRecoveryDiskDeviceSelectPage.h"
#include "wizard/CLostRecoveryPartitionDeviceSelectPage.h"
#include "wizard/CLostRecoveryScanPartitionDeviceSelectPage.h"
#include "wizard/CRecoveryModeSelectPage.h"
#include "wizard/CSaveFilePage.h"
#include "wizard/CSaveResultPage.h"
#include "wizard/CTypeOfFileToRecoveryPage.h"
#include "wizard/WizardStateRunner.h"
#include "wizard/WizardTreeBuildRunner.h"

namespace {
constexpr unsigned kModeCommentBitmap = 152;

int DeletedFileDriveTest(char letter)
{
    return GetDeleteRecoveryPartitionDeviceSelectController()->IsDriveOnSelectedSource(letter);
}

int FormatDriveTest(char letter)
{
    return GetCompleteRecoveryPartitionDeviceSelectController()->IsDriveOnSelectedSource(letter);
}

int LostDiskDriveTest(char letter)
{
    return GetLostRecoveryDiskDeviceSelectController()->IsDriveOnSelectedSource(letter);
}
} // namespace

std::vector<WizardPageEntry> DefaultWizardPages()
{
    return {
        {WP_RECOVERY_MODE,
         []() -> std::unique_ptr<CWizardPage> {
             auto page = std::make_unique<CRecoveryModeSelectPage>(kModeCommentBitmap);
             page->SetController(GetRecoveryModeSelectController());
             return page;
         }},
        {WP_DELETE_RECOVERY_VOLUME,
         []() -> std::unique_ptr<CWizardPage> {
             auto page = std::make_unique<CDeleteRecoveryPartitionDeviceSelectPage>();
             page->SetShowCheck(false);
             CDeleteRecoveryPartitionDeviceSelectController* controller =
                 GetDeleteRecoveryPartitionDeviceSelectController();
             controller->SetPage(page.get());
             page->SetController(controller);
             SetModeDeviceController(kModeDeletedFile, controller, DeletedFileDriveTest);
             SetTreeBuildRunner(RunTreeBuildWithProgress);
             return page;
         }},
        {WP_COMPLETE_RECOVERY_DEVICE,
         []() -> std::unique_ptr<CWizardPage> {
             auto page = std::make_unique<CCompleteRecoveryPartitionDeviceSelectPage>();
             CCompleteRecoveryPartitionDeviceSelectController* controller =
                 GetCompleteRecoveryPartitionDeviceSelectController();
             page->SetController(controller);
             SetModeDeviceController(kModeFormat, controller, FormatDriveTest);
             return page;
         }},
        {WP_COMPLETE_RECOVERY_SCAN_PARTITION,
         []() -> std::unique_ptr<CWizardPage> {
             auto page = std::make_unique<CCompleteRecoveryScanPartitionDeviceSelectPage>();
             page->SetController(GetCompleteRecoveryScanPartitionDeviceSelectController());
             return page;
         }},
        {WP_LOST_RECOVERY_DISK,
         []() -> std::unique_ptr<CWizardPage> {
             auto page = std::make_unique<CLostRecoveryDiskDeviceSelectPage>();
             CLostRecoveryDiskDeviceSelectController* controller = GetLostRecoveryDiskDeviceSelectController();
             controller->SetPage(page.get());
             page->SetController(controller);
             SetModeDeviceController(kModePartition, controller, LostDiskDriveTest);
             SetLostPartitionSearch([](const DiskDeviceRecord& disk, std::vector<CLostPartitionRecord>& found) {
                 return CLostPartitionSearchTask().RunAndMerge(disk, found);
             });
             SetTreeBuildRunner(RunTreeBuildWithProgress);
             return page;
         }},
        {WP_LOST_RECOVERY_PARTITION,
         []() -> std::unique_ptr<CWizardPage> {
             auto page = std::make_unique<CLostRecoveryPartitionDeviceSelectPage>();
             CLostRecoveryPartitionDeviceSelectController* controller =
                 GetLostRecoveryPartitionDeviceSelectController();
             controller->SetPage(page.get());
             page->SetController(controller);
             return page;
         }},
        {WP_LOST_RECOVERY_SCAN_PARTITION,
         []() -> std::unique_ptr<CWizardPage> {
             auto page = std::make_unique<CLostRecoveryScanPartitionDeviceSelectPage>();
             page->SetController(GetLostRecoveryScanPartitionDeviceSelectController());
             return page;
         }},
        {WP_FILE_SELECT,
         []() -> std::unique_ptr<CWizardPage> {
             auto page = std::make_unique<CFileSelectPage>();
             CFileSelectController* controller = GetFileSelectController();
             controller->SetPage(page.get());
             page->SetController(controller);
             SetWizardStateRunner(RunWizardStateWithProgress);
             return page;
         }},
        {WP_SAVE_FILE,
         []() -> std::unique_ptr<CWizardPage> {
             auto page = std::make_unique<CSaveFilePage>();
             CSaveFileController* controller = GetSaveFileController();
             controller->SetPage(page.get());
             page->SetController(controller);
             return page;
         }},
        {WP_SAVE_RESULT,
         []() -> std::unique_ptr<CWizardPage> {
             auto page = std::make_unique<CSaveResultPage>();
             page->SetController(GetSaveResultController());
             return page;
         }},
        {WP_TYPE_OF_FILE,
         []() -> std::unique_ptr<CWizardPage> {
             auto page = std::make_unique<CTypeOfFileToRecoveryPage>();
             CTypeOfFileToRecoveryController* controller = GetTypeOfFileToRecoveryController();
             controller->SetPage(page.get());
             page->SetController(controller);
             return page;
         }},
    };
}
