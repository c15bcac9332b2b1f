// The result dialog of the deleted-file road over an NTFS image cut to half its size: some deleted files are
// saved, those of which no byte is left are not, and the dialog tells it as the harness does (some files
// saved, the counts, the first reason, the source cut short), in each language, with a screenshot of each.
#include "controller/CDeleteRecoveryPartitionDeviceSelectController.h"
#include "controls/CHasCheckboxPromptDlg.h"
#include "controls/CResourceLibrary.h"
#include "core/CRecoverySettings.h"
#include "views/devices/CDeviceSelectCtrl.h"
#include "views/saving/CFileSaveDlg.h"
#include "wizard/CDeleteRecoveryPartitionDeviceSelectPage.h"
#include "wizard/CRecoveryModeSelectPage.h"
#include "wizard/CSaveResultPage.h"
#include "wizard/CWizardSheet.h"
#include "wizard/tests/WizardTestSupport.h"

#include <QLabel>
#include <QTest>
#include <gtest/gtest.h>

#include <filesystem>

namespace fs = std::filesystem;

namespace {

class SaveVerdictGui : public wizardtest::RoadGui {};

TEST_F(SaveVerdictGui, ACutSourceShowsWhatWasNotSavedAndWhyInEachLanguage)
{
    const std::string image = Unpack("ntfs_tree_c512");
    fs::resize_file(image, fs::file_size(image) / 2);
    UseImage(image);
    GetRecoverySettings()->m_recoveryMode = 0;
    auto& lib = CResourceLibrary::Instance();
    const QString folder = wizardtest::ScreenshotFolder();
    for (const QString& language : {QStringLiteral("English"), QStringLiteral("Deutsch"), QStringLiteral("Japanese")}) {
        SCOPED_TRACE(language.toStdString());
        ASSERT_TRUE(lib.LoadLanguageBundle(QStringLiteral(SALVIX_BUILD_DATA_DIR "/") + language + ".rcc"));
        CDeleteRecoveryPartitionDeviceSelectController::HintFlag() = true;
        ASSERT_NO_FATAL_FAILURE(OpenSheet());
        auto* volumes =
            static_cast<CDeleteRecoveryPartitionDeviceSelectPage*>(sheet->GetPage(WP_DELETE_RECOVERY_VOLUME));
        auto* mode = static_cast<CRecoveryModeSelectPage*>(sheet->GetPage(WP_RECOVERY_MODE));
        QTest::mouseClick(mode->ModeButton(0), Qt::LeftButton);
        ASSERT_EQ(sheet->GetCurrentIndex(), WP_DELETE_RECOVERY_VOLUME);
        ASSERT_TRUE(QTest::qWaitFor([&] { return volumes->GetDeviceList()->GetItemCount() > 0; }, 30000));
        ASSERT_TRUE(QTest::qWaitFor([&] { return frame.isEnabled(); }, 30000));
        ASSERT_NO_FATAL_FAILURE(ClickRow(volumes->GetDeviceList(), 0));
        wizardtest::WhenModal<CHasCheckboxPromptDlg>(
            [](CHasCheckboxPromptDlg* dlg) { QTest::mouseClick(dlg->OKButton(), Qt::LeftButton); });
        QTest::mouseClick(&sheet->NextButton(), Qt::LeftButton);
        ASSERT_EQ(sheet->GetCurrentIndex(), WP_FILE_SELECT);
        ASSERT_NO_FATAL_FAILURE(CheckFirstFolder(true));

        SaveTo((dir / ("out-" + language.toStdString())).string(),
               folder + QStringLiteral("/save-verdict-%1").arg(language));
        CFileSaveDlg* summary = resultPage->Summary();
        EXPECT_EQ(summary->Line(CFileSaveDlg::kResultId)->text(), lib.LoadString(221));
        const QString total = summary->Line(CFileSaveDlg::kTotalId)->text();
        EXPECT_TRUE(total.contains(
            lib.LoadText(QStringLiteral("save.reason")).arg(lib.LoadText(QStringLiteral("save.nothing-read")))))
            << total.toStdString();
        EXPECT_EQ(summary->Line(CFileSaveDlg::kShortSourceId)->text(),
                  lib.LoadText(QStringLiteral("save.short-source")));
        // Every line of the summary fits its label.
        for (int id : {CFileSaveDlg::kResultId, CFileSaveDlg::kTotalId, CFileSaveDlg::kShortSourceId}) {
            QLabel* line = summary->Line(id);
            EXPECT_LE(line->heightForWidth(line->width()), line->height()) << id;
        }
        sheet.reset();
        lib.UnloadLanguageBundle();
    }
}

} // namespace
