// Stand-ins of the wizard tests: a host that records what the sheet asks of it, a page controller that
// counts its calls, and a page with such a controller; and what the road tests share, which drive a whole
// sheet offscreen through its widgets (wizardtest::RoadGui).
#pragma once

#include "controller/CWizardSheetController.h"
#include "controller/IWizardPageController.h"
#include "controls/WindowMessages.h"
#include "tests/support/QtTestMain.h"
#include "tests/support/TempDir.h"
#include "wizard/CWizardPage.h"
#include "wizard/CWizardSheet.h"
#include "wizard/IWizardSheetHost.h"

#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

class CDeviceSelectCtrl;
class CFileNode;
class CScanPartitionDeviceSelectPage;
class CFileSelectPage;
class CSaveFilePage;
class CSaveResultPage;

class RecordingHost : public IWizardSheetHost {
public:
    std::vector<bool> resizable;
    int aboutShown = 0;
    int restarts = 0;
    bool restartPossible = true;
    void SetResizable(bool r) override { resizable.push_back(r); }
    void ShowAbout() override { ++aboutShown; }
    bool RequestRestart() override
    {
        ++restarts;
        return restartPossible;
    }
};

class CountingController : public IWizardPageController {
public:
    int activated = 0, home = 0, back = 0, nexts = 0;
    IWizardPageController* previous = nullptr;
    void Activate() override { ++activated; }
    void Home() override { ++home; }
    void Back() override { ++back; }
    bool next() override
    {
        ++nexts;
        return true;
    }
    void SetPrevious(IWizardPageController* p) override { previous = p; }
    IWizardPageController* GetPrevious() override { return previous; }
};

class FakePage : public CWizardPage {
public:
    explicit FakePage(int helpId, bool dialog = false) : m_helpId(helpId), m_dialog(dialog) {}
    CountingController controller;
    int dialogRuns = 0;
    IWizardPageController* GetController() override { return &controller; }
    int GetHelpContextId() override { return m_helpId; }
    bool IsShownAsDialog() const override { return m_dialog; }
    void RunAsDialog(CWizardSheet&) override { ++dialogRuns; }

private:
    int m_helpId;
    bool m_dialog;
};

// A top-level window standing for the main frame: it records the private messages it receives.
class FrameStandIn : public QWidget {
public:
    std::vector<unsigned> messages;

protected:
    void customEvent(QEvent* e) override
    {
        if (CWindowMessage* m = CWindowMessage::From(e)) messages.push_back(m->Message());
    }
};

namespace wizardtest {

// build/screenshots, made when missing.
QString ScreenshotFolder();

// Every text a window shows (the visible ones of its widgets): window titles, labels, buttons, check
// boxes, header sections, the rows of trees and lists, the rows of the owner-drawn device and partition
// lists, line edits. One entry per text, in widget order; the texts of rows begin with "row: ".
QStringList ShownTexts(QWidget* top);
// The English interface texts (the program's own string table) that a window shows in another language:
// each is "English text <- shown text". Empty while the English bundle (or none) is loaded.
QStringList EnglishLeftIn(const QStringList& shown);
// Saves top at its size as <path>.png and maximised (1920 x 1040) as <path>-max.png, lists its texts in
// <path>.txt and expects no English interface text in them when another language is loaded.
void SavePageInEveryForm(QWidget* top, const QString& path);

// Acts on the next modal window of type T as soon as it shows (polling, as a person would wait for it).
template <class T>
void WhenModal(std::function<void(T*)> act, int timeoutMs = 60000)
{
    auto* timer = new QTimer(testsupport::PerTestOwner());
    auto waited = std::make_shared<int>(0);
    QObject::connect(timer, &QTimer::timeout, [timer, act, waited, timeoutMs] {
        *waited += 20;
        if (T* w = qobject_cast<T*>(QApplication::activeModalWidget())) {
            timer->stop();
            timer->deleteLater();
            act(w);
        } else if (*waited > timeoutMs) {
            timer->stop();
            timer->deleteLater();
        }
    });
    timer->start(20);
}

// A whole wizard sheet in a 1000 x 700 frame, driven through its widgets: the fixture images it unpacks
// stand in for the machine's disks and drives. Each test opens its own sheet; the language bundle and the
// device variables are reset after it.
// Clicks the item carrying this command in the next popup menu, as soon as it opens; *enabled tells whether
// the item could be chosen (a disabled one is not clicked and the menu is closed).
void WhenPopup(unsigned command, bool* enabled = nullptr);

// Clicks Cancel in the intelligent-search dialog once its bar has passed that block (the search is then
// still running on a long enough device); *cancelled tells that the click was made. The Yes to the question
// is the test's.
void CancelSearchAfterBlock(int block, bool* cancelled);
// The files of one partition of the lost-disk fixture's manifest: path below the partition -> SHA-256.
std::map<std::string, std::string> LostDiskFiles(const std::string& label);
// The surviving files of a format fixture's manifest: the end of their path and their SHA-256.
std::vector<std::pair<std::string, std::string>> SurvivingFiles(const std::string& fixture);
// Answers the next open-file dialog as a person does: the path typed into its file name box and Open
// clicked (selectFile() would leave the box empty whenever it already has the focus, and Open would then do
// nothing); *filters receives the dialog's name filters; *asked tells that the dialog came.
void AnswerOpenDialog(const std::string& path, QStringList* filters = nullptr, bool* asked = nullptr);
// Runs the next disk-image wizard in its simple mode to its end, with "open in the list" left ticked: the image
// is written to <path>.kxi; *imaged tells that the wizard reached its success step.
void AnswerImageWizard(const std::string& path, bool* imaged);
// A new sheet in the frame (1000 x 700, shown), its controller and host set.
void OpenSheetIn(FrameStandIn& frame, RecordingHost& host, CWizardSheetController& controller,
                 std::unique_ptr<CWizardSheet>& sheet);
// Every file of expected saved below out, at a path ending in its own, with its bytes.
void ExpectSavedBelow(const std::map<std::string, std::string>& expected, const std::filesystem::path& out);

// The row of a scan-partition page whose partition starts at that sector; -1 when none.
int ScanRowAt(CScanPartitionDeviceSelectPage* page, uint64_t start);
// A click on the tick of a row of a scan-partition page.
void ClickScanTick(CScanPartitionDeviceSelectPage* page, int row);

class RoadGui : public ::testing::Test {
protected:
    void TearDown() override;

    // The fixture image unpacked into the test's folder; its path.
    std::string Unpack(const std::string& fixture);
    // The image stands for the machine's one disk and, with asDriveC, for drive C.
    static void UseImage(const std::string& image, bool asDriveC = true);
    // A new sheet shown in the frame; the found-file, save and result pages are looked up.
    void OpenSheet();
    // A click on the row of a device list (scrolled into view).
    static void ClickRow(CDeviceSelectCtrl* list, int row);
    // The check box of the found tree's first folder, by a click (or the space key); then waits until
    // every file is checked (everyFile) or any is.
    void CheckFirstFolder(bool everyFile, bool byKey = false);
    // The check box of every folder right below the found tree's root, in turn; then waits until every file
    // is checked.
    void CheckEveryFolder();
    // The check box of that folder of the found tree; then waits as CheckFirstFolder does.
    void CheckFolder(CFileNode* folder, bool everyFile, bool byKey = false);
    // Recover, the target typed into the save-path dialog, OK; the save runs and the result dialog is
    // closed with its OK. With a prefix, both dialogs are grabbed to prefix-savepath.png and -result.png.
    void SaveTo(const std::string& target, const QString& screenshotPrefix = QString());

    testsupport::TempDir dir;
    FrameStandIn frame;
    RecordingHost host;
    CWizardSheetController controller;
    std::unique_ptr<CWizardSheet> sheet;
    CFileSelectPage* files = nullptr;
    CSaveFilePage* savePage = nullptr;
    CSaveResultPage* resultPage = nullptr;
};

} // namespace wizardtest
