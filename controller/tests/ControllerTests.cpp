// The page controllers driven without windows: mode choice, the file-type page's RAW type list, the
// chain of Home, Back and next, the sheet controller and the drive test of the chosen source.
#include "controller/CRecoveryModeSelectController.h"
#include "controller/CTypeOfFileToRecoveryController.h"
#include "controller/CWizardSheetController.h"
#include "controller/ITypeOfFileToRecoveryView.h"
#include "controller/IWizardServices.h"
#include "controller/IWizardSheet.h"
#include "controller/ModeDeviceControllers.h"
#include "core/CRecoverySettings.h"
#include "core/filetypes/CFileTypeFilter.h"
#include "core/filetypes/CMapFileTypeInfo.h"
#include "core/filetypes/RawTypeTable.h"

#include <gtest/gtest.h>

#include <cstring>
#include <numeric>
#include <stdexcept>
#include <vector>

namespace {

class FakeSheet : public IWizardSheet {
public:
    std::vector<int> pages;
    IWizardPageController* current = nullptr;
    int helpId = 0;
    void SetActivePage(WIZARD_PAGE page) override { pages.push_back(page); }
    void EnableNextButton(bool) override {}
    IWizardPageController* GetCurrentController() override { return current; }
    int GetCurrentHelpContextId() override { return helpId; }
};

class FakeServices : public IWizardServices {
public:
    std::vector<unsigned> phases, events, timedEvents;
    unsigned LogRecoveryPhase(unsigned code) override
    {
        phases.push_back(code);
        return code;
    }
    void ReportEvent(unsigned id) override { events.push_back(id); }
    void ReportTimedEvent(unsigned id, uint64_t) override { timedEvents.push_back(id); }
    void ShowAdvanceSetting(bool) override {}
};

// A device-select controller standing for the pages that follow the file types.
class FakeDeviceController : public IWizardPageController {
public:
    int activations = 0;
    bool nextResult = true;
    IWizardPageController* previous = nullptr;
    void Activate() override { ++activations; }
    void Home() override
    {
        if (previous) previous->Home();
    }
    void Back() override
    {
        if (previous) previous->Activate();
    }
    bool next() override { return nextResult; }
    void SetPrevious(IWizardPageController* p) override { previous = p; }
    IWizardPageController* GetPrevious() override { return previous; }
};

class FakeTypesPage : public ITypeOfFileToRecoveryView {
public:
    CMapFileTypeInfo catalogue;
    bool allChecked = false;
    bool IsAllTypesChecked() override { return allChecked; }
    CMapFileTypeInfo* GetCatalogue() override { return &catalogue; }

    void Add(uint32_t id, int32_t parent, uint16_t state, std::vector<const char*> extensions = {})
    {
        FileTypeInfoRecord r;
        r.id = id;
        r.parentId = parent;
        r.level = parent < 0 ? 0 : (parent == 0 ? 1 : 2);
        r.checkState = state;
        std::snprintf(r.text, sizeof r.text, "record %u", id);
        for (const char* e : extensions)
            std::snprintf(r.extensions[r.extensionCount++], kFileTypeExtensionSize, "%s", e);
        catalogue.Insert(&r);
    }
};

std::vector<int> AllFixedTypes()
{
    std::vector<int> ids(kRawTypeLastFixed);
    std::iota(ids.begin(), ids.end(), 1);
    return ids;
}

class ControllerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetWizardSheet(&sheet);
        SetWizardServices(&services);
        for (int mode = 0; mode < 3; ++mode) SetModeDeviceController(mode, &devices[mode]);
        GetTypeOfFileToRecoveryController()->SetPage(nullptr);
        GetRecoverySettings()->m_rawTypeIds = AllFixedTypes();
    }
    void TearDown() override
    {
        SetWizardSheet(nullptr);
        SetWizardServices(nullptr);
        for (int mode = 0; mode < 3; ++mode) SetModeDeviceController(mode, nullptr);
        GetTypeOfFileToRecoveryController()->SetPage(nullptr);
        GetRecoveryModeSelectController()->SetMode(0);
        GetRecoverySettings()->m_photoMode = 0;
        GetRecoverySettings()->m_recoveryMode = 0;
        GetRecoverySettings()->m_rawTypeIds = AllFixedTypes();
        GetFileTypeFilter().Load(CMapFileTypeInfo(), true);
    }

    FakeSheet sheet;
    FakeServices services;
    FakeDeviceController devices[3];
};

TEST_F(ControllerTest, ModeChoiceSetsOptionsAndPassesThroughFileTypesToTheModesDevicePage)
{
    const std::vector<int> photo(kPhotoModeRawTypes.begin(), kPhotoModeRawTypes.end());
    struct Case {
        int mode;
        bool photo;
        std::vector<int> rawTypes;
        unsigned timedEvent;
    } cases[] = {
        {0, false, AllFixedTypes(), 8195},
        {1, false, AllFixedTypes(), 8214},
        {2, false, AllFixedTypes(), 8241},
        {1, true, photo, 8214},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "mode " << c.mode << " photo " << c.photo);
        sheet.pages.clear();
        services.phases.clear();
        services.timedEvents.clear();
        for (auto& d : devices) d = FakeDeviceController();
        GetRecoverySettings()->m_rawTypeIds = {5};
        GetRecoverySettings()->m_photoMode = c.photo ? 0 : 1;

        GetRecoveryModeSelectController()->ChooseMode(c.mode, c.photo);

        const CRecoverySettings* s = GetRecoverySettings();
        EXPECT_EQ(s->m_recoveryMode, c.mode);
        EXPECT_EQ(s->m_photoMode, c.photo ? 1 : 0);
        EXPECT_EQ(s->m_rawTypeIds, c.rawTypes);
        EXPECT_EQ(GetRecoveryModeSelectController()->GetMode(), c.mode);
        CTypeOfFileToRecoveryController* types = GetTypeOfFileToRecoveryController();
        EXPECT_EQ(types->GetMode(), c.mode);
        EXPECT_EQ(types->GetPrevious(), GetRecoveryModeSelectController());
        EXPECT_EQ(sheet.pages, std::vector<int>{WP_TYPE_OF_FILE});
        EXPECT_EQ(services.phases, std::vector<unsigned>{unsigned(c.mode)});
        EXPECT_EQ(services.timedEvents, std::vector<unsigned>{c.timedEvent});
        for (int m = 0; m < 3; ++m) {
            EXPECT_EQ(devices[m].activations, m == c.mode ? 1 : 0);
            EXPECT_EQ(devices[m].previous, m == c.mode ? types : nullptr);
        }
    }
}

TEST_F(ControllerTest, ModeWithoutDeviceControllerStaysOnTheFileTypePage)
{
    SetModeDeviceController(1, nullptr);
    GetRecoveryModeSelectController()->ChooseMode(1, false);
    EXPECT_EQ(sheet.pages, std::vector<int>{WP_TYPE_OF_FILE});
    EXPECT_EQ(devices[1].activations, 0);

    // An unknown mode hands over to nobody and reports nothing.
    services.timedEvents.clear();
    GetTypeOfFileToRecoveryController()->SetMode(7);
    EXPECT_TRUE(GetTypeOfFileToRecoveryController()->next());
    EXPECT_TRUE(services.timedEvents.empty());
}

TEST_F(ControllerTest, FileTypeNextBuildsTheRawTypeListFromTheCheckedTypes)
{
    FakeTypesPage page;
    page.Add(0, -1, 1);
    page.Add(1, 0, 1); // pictures, partly checked
    page.Add(2, 1, 2, {".jpg"});
    page.Add(3, 1, 0, {".gif"});
    page.Add(4, 1, 2, {".PNG", ".xyz"}); // case does not matter; extensions without a type add nothing
    page.Add(5, 0, 0);
    page.Add(6, 5, 0, {".zip"});
    CTypeOfFileToRecoveryController* types = GetTypeOfFileToRecoveryController();
    types->SetPage(&page);
    types->SetMode(0);

    struct Case {
        const char* name;
        bool allChecked;
        std::vector<int> expected;
    } cases[] = {
        {"some types checked", false, {33, 47}}, // JPG, PNG in ascending id order
        {"root fully checked", true, AllFixedTypes()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        page.allChecked = c.allChecked;
        GetRecoverySettings()->m_rawTypeIds = {1};
        EXPECT_TRUE(types->next());
        EXPECT_EQ(GetRecoverySettings()->m_rawTypeIds, c.expected);
    }
    ASSERT_STREQ(GetRawTypeName(33), "JPG");
    ASSERT_STREQ(GetRawTypeName(47), "PNG");

    // Nothing checked leaves the filter empty: every type is searched.
    for (uint32_t id : {0u, 1u, 2u, 4u}) page.catalogue.Find(id)->checkState = 0;
    page.allChecked = false;
    EXPECT_TRUE(types->next());
    EXPECT_EQ(GetFileTypeFilter().GetCount(), 0u);
    EXPECT_EQ(GetRecoverySettings()->m_rawTypeIds, AllFixedTypes());

    // The types of loaded header scripts are chosen with the rest: all of them when every type is checked, the
    // checked extensions' otherwise (".xyz" is checked above).
    const int xyz = ClaimCustomRawType("XYZ");
    const int abc = ClaimCustomRawType("ABC");
    ASSERT_EQ(abc, xyz + 1);
    std::vector<int> all = AllFixedTypes();
    all.insert(all.end(), {xyz, abc});
    EXPECT_TRUE(types->next());
    EXPECT_EQ(GetRecoverySettings()->m_rawTypeIds, all);
    page.catalogue.Find(4)->checkState = 2;
    EXPECT_TRUE(types->next());
    EXPECT_EQ(GetRecoverySettings()->m_rawTypeIds, (std::vector<int>{47, xyz}));
    GetRecoveryModeSelectController()->ApplyModeToOptions(0, false);
    EXPECT_EQ(GetRecoverySettings()->m_rawTypeIds, all);
    ResetCustomRawTypesForTest();

    // Without a page the list stays as the mode choice left it.
    types->SetPage(nullptr);
    GetRecoverySettings()->m_rawTypeIds = {9, 35};
    EXPECT_TRUE(types->next());
    EXPECT_EQ(GetRecoverySettings()->m_rawTypeIds, (std::vector<int>{9, 35}));
}

TEST_F(ControllerTest, HomeAndBackUnwindTheChain)
{
    GetRecoveryModeSelectController()->ChooseMode(2, false);
    ASSERT_EQ(devices[2].previous, GetTypeOfFileToRecoveryController());
    sheet.pages.clear();

    // Back from the device page: the file-type page, whose Back shows page 0.
    devices[2].Back();
    EXPECT_EQ(sheet.pages, std::vector<int>{WP_TYPE_OF_FILE});
    GetTypeOfFileToRecoveryController()->Back();
    EXPECT_EQ(sheet.pages, (std::vector<int>{WP_TYPE_OF_FILE, WP_RECOVERY_MODE}));

    sheet.pages.clear();
    devices[2].Home();
    EXPECT_EQ(sheet.pages, std::vector<int>{WP_RECOVERY_MODE});
    GetRecoveryModeSelectController()->Back(); // nothing behind page 0
    EXPECT_EQ(sheet.pages, std::vector<int>{WP_RECOVERY_MODE});
}

TEST_F(ControllerTest, ScanKindsAndTypeIds)
{
    CTypeOfFileToRecoveryController* types = GetTypeOfFileToRecoveryController();
    const int kinds[][2] = {{0, kScanDeletedFile}, {1, kScanFormat}, {2, kScanPartition}, {5, kScanDeletedFile}};
    for (const auto& k : kinds) {
        types->SetMode(k[0]);
        EXPECT_EQ(types->GetScanKind(), k[1]) << "mode " << k[0];
    }
    EXPECT_EQ(types->GetControllerType(), kControllerNotSaved);
    EXPECT_EQ(GetRecoveryModeSelectController()->GetScanKind(), kScanNone);

    CSelectedDevice selection;
    selection.Set(CSelectedDevice::kVolume, &selection);
    EXPECT_EQ(types->GetSelection(&selection), &selection);
    EXPECT_EQ(selection.GetKind(), uint32_t(CSelectedDevice::kDisk));
    EXPECT_EQ(selection.GetDisk(), nullptr);
    EXPECT_EQ(selection.GetVolume(), nullptr);
    EXPECT_EQ(selection.GetDevice(), nullptr);

    // Each getter answers only for its own kind; the device comes from the record of that kind.
    auto* device = reinterpret_cast<IStorageDevice*>(&selection);
    VolumeDeviceRecord volume;
    volume.pDevice = device;
    CLostPartitionRecord partition;
    partition.pDevice = device;
    selection.Set(CSelectedDevice::kVolume, &volume);
    EXPECT_EQ(selection.GetVolume(), &volume);
    EXPECT_EQ(selection.GetDisk(), nullptr);
    EXPECT_EQ(selection.GetDevice(), device);
    selection.Set(CSelectedDevice::kFoundPartition, &partition);
    EXPECT_EQ(selection.GetFoundPartition(), &partition);
    EXPECT_EQ(selection.GetDevice(), device);
    selection.Set(7, &partition);
    EXPECT_EQ(selection.GetDevice(), nullptr);
}

TEST_F(ControllerTest, SheetControllerForwardsToTheCurrentPagesController)
{
    CWizardSheetController controller;
    EXPECT_FALSE(controller.Next()); // no sheet
    controller.Home();

    controller.SetWizardSheet(&sheet);
    EXPECT_FALSE(controller.Next()); // no page
    FakeDeviceController current;
    sheet.current = &current;
    EXPECT_TRUE(controller.Next());
    current.nextResult = false;
    EXPECT_FALSE(controller.Next());

    current.previous = GetRecoveryModeSelectController();
    controller.Home();
    controller.Back();
    EXPECT_EQ(sheet.pages, (std::vector<int>{WP_RECOVERY_MODE, WP_RECOVERY_MODE}));
}

int g_driveAsked = 0;
int DriveE(char letter)
{
    ++g_driveAsked;
    return letter == 'E';
}
int DriveThrows(char)
{
    ++g_driveAsked;
    throw std::runtime_error("device gone");
}

TEST_F(ControllerTest, PathOnRecoverySource)
{
    // No drive stands on a block device, so no Linux path has a letter.
    setenv("SALVIX_DRIVES", "C=/nonexistent/image", 1);
    SetModeDeviceController(0, &devices[0], DriveE);
    SetModeDeviceController(1, &devices[1], DriveThrows);
    struct Case {
        const char* path;
        int mode;
        int expected;
        int asked;
    } cases[] = {
        {"e:\\found", 0, 1, 1}, {"E:", 0, 1, 1}, {"D:\\x", 0, 0, 1}, {"\\\\server\\share", 0, 0, 0},
        {"E", 0, 0, 0},         {"", 0, 0, 0},   {"1:\\", 0, 0, 0},  {"/media/usb", 0, 0, 0},
        {"E:\\", 1, 0, 1}, // the format controller's test throws
        {"E:\\", 3, 0, 1}, // any other nonzero mode asks the format controller
        {"E:\\", 2, 0, 0}, // partition mode has no test registered
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.path << " mode " << c.mode);
        GetRecoveryModeSelectController()->SetMode(c.mode);
        g_driveAsked = 0;
        EXPECT_EQ(IsPathOnRecoverySource(c.path), c.expected);
        EXPECT_EQ(g_driveAsked, c.asked);
    }
    EXPECT_EQ(IsPathOnRecoverySource(nullptr), 0);
    unsetenv("SALVIX_DRIVES");
}

} // namespace
