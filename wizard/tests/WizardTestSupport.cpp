// The road tests' shared sheet, clicks and saving.
#include "wizard/tests/WizardTestSupport.h"

#include "controls/CEditPlus.h"
#include "controls/CExtendListCtrl.h"
#include "controls/CExtendListRow.h"
#include "controls/CResourceLibrary.h"
#include "controls/CXPMenu.h"
#include "controls/Win32Types.h"
#include "filesystems/tree/CFileSystemNode.h"
#include "filesystems/tree/IFileProperties.h"
#include "tests/support/FixtureManifests.h"
#include "views/devices/CDeviceSelectCtrl.h"
#include "views/devices/CDeviceSelectView.h"
#include "views/devices/CIntelligentSearchingDialog.h"
#include "views/devices/CMultipleChoosePartitionListCtrl.h"
#include "views/diskimage/CImageDiskMasterDlg.h"
#include "views/files/CFileTreeCtrl.h"
#include "views/files/CTreeCtrlPlus.h"
#include "views/saving/CSaveFilePathDlg.h"
#include "views/saving/CSaveFileResultDlg.h"
#include "wizard/CFileSelectPage.h"
#include "wizard/CSaveFilePage.h"
#include "wizard/CSaveResultPage.h"
#include "wizard/CScanPartitionDeviceSelectPage.h"

#include <QAbstractButton>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QPushButton>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <QMenu>
#include <QProgressBar>
#include <QTest>

#include <algorithm>
#include <cstdlib>

namespace wizardtest {

void WhenPopup(unsigned command, bool* enabled)
{
    auto* timer = new QTimer(testsupport::PerTestOwner());
    QObject::connect(timer, &QTimer::timeout, [timer, command, enabled] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!menu) return;
        timer->stop();
        timer->deleteLater();
        for (QAction* action : menu->actions()) {
            if (CXPMenu::CommandId(action) != command) continue;
            if (enabled) *enabled = action->isEnabled();
            if (action->isEnabled()) {
                QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(action).center());
                return;
            }
        }
        menu->close();
    });
    timer->start(20);
}

void CancelSearchAfterBlock(int block, bool* cancelled)
{
    WhenModal<CIntelligentSearchingDialog>([block, cancelled](CIntelligentSearchingDialog* dlg) {
        // The bar shows the last block searched (one step per block below 1001 blocks).
        if (!QTest::qWaitFor([&] { return dlg->ProgressBar()->value() >= block || dlg->IsFinished(); }, 60000))
            ADD_FAILURE() << "the search did not reach block " << block;
        if (dlg->IsFinished()) return;
        QTest::mouseClick(dlg->CancelButton(), Qt::LeftButton);
        *cancelled = true;
    });
}

std::map<std::string, std::string> LostDiskFiles(const std::string& label)
{
    std::map<std::string, std::string> files;
    for (const std::vector<std::string>& f : testsupport::ReadManifestRows("lost-disk"))
        if (f.size() == 5 && f[0] == "file" && f[1] == label) files[f[2]] = f[4];
    return files;
}

std::vector<std::pair<std::string, std::string>> SurvivingFiles(const std::string& fixture)
{
    std::vector<std::pair<std::string, std::string>> out;
    for (const std::vector<std::string>& f : testsupport::ReadManifestRows(fixture))
        if (f.size() >= 6 && f[4] == "1") out.emplace_back(f[5], f[3]);
    return out;
}

void AnswerImageWizard(const std::string& path, bool* imaged)
{
    WhenModal<CImageDiskMasterDlg>([path, imaged](CImageDiskMasterDlg* dlg) {
        QTest::mouseClick(dlg->NextButton(), Qt::LeftButton);
        ASSERT_EQ(dlg->CurrentStep(), CImageDiskMasterDlg::kPath);
        QTest::keyClicks(dlg->PathPane()->PathRow()->Edit(), QString::fromStdString(path));
        QTest::mouseClick(dlg->NextButton(), Qt::LeftButton);
        ASSERT_EQ(dlg->CurrentStep(), CImageDiskMasterDlg::kSummary);
        QTest::mouseClick(dlg->NextButton(), Qt::LeftButton);
        ASSERT_EQ(dlg->CurrentStep(), CImageDiskMasterDlg::kSuccess) << dlg->RunError();
        *imaged = true;
        QTest::mouseClick(dlg->NextButton(), Qt::LeftButton);
    });
}

void AnswerOpenDialog(const std::string& path, QStringList* filters, bool* asked)
{
    WhenModal<QFileDialog>([path, filters, asked](QFileDialog* dlg) {
        if (asked) *asked = true;
        if (filters) *filters = dlg->nameFilters();
        auto* name = dlg->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        auto* buttons = dlg->findChild<QDialogButtonBox*>();
        QPushButton* open = buttons ? buttons->button(QDialogButtonBox::Open) : nullptr;
        if (!name || !open) {
            ADD_FAILURE() << "the file dialog has no file name box or no Open button";
            dlg->reject();
            return;
        }
        name->setText(QString::fromStdString(path));
        QTest::mouseClick(open, Qt::LeftButton);
        if (dlg->isVisible()) {
            ADD_FAILURE() << "the file dialog stayed open with " << name->text().toStdString();
            dlg->reject();
        }
    });
}

void OpenSheetIn(FrameStandIn& frame, RecordingHost& host, CWizardSheetController& controller,
                 std::unique_ptr<CWizardSheet>& sheet)
{
    sheet = std::make_unique<CWizardSheet>(CWizardSheet::kLogoBitmap, CWizardSheet::kBottomBitmap);
    ASSERT_EQ(sheet->GetInitError(), 0);
    controller.SetWizardSheet(sheet.get());
    sheet->SetController(&controller);
    sheet->SetHost(&host);
    frame.setFixedSize(1000, 700);
    ASSERT_TRUE(sheet->Create(&frame, 1314));
    sheet->setGeometry(0, 0, 1000, 700);
    frame.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&frame));
}

void ExpectSavedBelow(const std::map<std::string, std::string>& expected, const std::filesystem::path& out)
{
    std::map<std::string, std::string> saved;
    for (const auto& [path, file] : testsupport::SavedFiles(out)) saved["/" + path] = file.sha256;
    std::string listing;
    for (const auto& [path, sha] : saved) listing += path + "\n";
    for (const auto& [path, sha] : expected) {
        SCOPED_TRACE(path);
        bool found = false;
        for (const auto& [got, hash] : saved)
            if (got.size() > path.size() && got.compare(got.size() - path.size(), path.size(), path) == 0 &&
                hash == sha)
                found = true;
        EXPECT_TRUE(found) << listing;
    }
}

int ScanRowAt(CScanPartitionDeviceSelectPage* page, uint64_t start)
{
    CMultipleChoosePartitionListCtrl* list = page->PartitionList();
    for (int i = 0; i < list->GetItemCount(); ++i)
        if (static_cast<CSearchedPartitionInfo*>(list->GetItemPartition(i))->u64StartSector == start) return i;
    return -1;
}

void ClickScanTick(CScanPartitionDeviceSelectPage* page, int row)
{
    CExtendListCtrl* list = page->PartitionList()->List();
    CExtendListRow* r = list->GetRow(row);
    ASSERT_NE(r, nullptr);
    list->EnsureRowVisible(r);
    QTest::qWait(20);
    ASSERT_FALSE(r->cells.empty());
    const CExtendListCellItem& item = r->cells[0].items[0];
    ASSERT_TRUE(item.bHasCheckBox);
    const QRect box = ToQRect(item.rcCheckBox).translated(-list->HorzPos(), -list->VertPos());
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, box.center());
}

QString ScreenshotFolder()
{
    const QString folder = QDir::cleanPath(QStringLiteral(SALVIX_BUILD_DATA_DIR "/../screenshots"));
    QDir().mkpath(folder);
    return folder;
}

namespace {
const QString kRowPrefix = QStringLiteral("row: ");
} // namespace

QStringList ShownTexts(QWidget* top)
{
    QStringList texts;
    auto add = [&](const QString& t) {
        const QString text = t.trimmed();
        if (!text.isEmpty()) texts << text;
    };
    // Rows of trees and lists also show what the disk holds (folder and file names).
    auto addRow = [&](const QString& t) {
        const QString text = t.trimmed();
        if (!text.isEmpty()) texts << kRowPrefix + text;
    };
    QList<QWidget*> widgets{top};
    widgets += top->findChildren<QWidget*>();
    for (QWidget* w : widgets) {
        if (!w->isVisible()) continue;
        if (w->isWindow()) add(w->windowTitle());
        if (auto* label = qobject_cast<QLabel*>(w)) add(label->text());
        if (auto* button = qobject_cast<QAbstractButton*>(w)) add(button->text());
        if (auto* edit = qobject_cast<QLineEdit*>(w)) add(edit->text());
        if (auto* header = qobject_cast<QHeaderView*>(w); header && header->model())
            for (int i = 0; i < header->count(); ++i)
                if (!header->isSectionHidden(i)) add(header->model()->headerData(i, header->orientation()).toString());
        if (auto* tree = qobject_cast<QTreeWidget*>(w)) {
            for (QTreeWidgetItemIterator it(tree); *it; ++it)
                if (!(*it)->isHidden() && (!(*it)->parent() || (*it)->parent()->isExpanded()))
                    for (int c = 0; c < tree->columnCount(); ++c) addRow((*it)->text(c));
        } else if (auto* view = qobject_cast<QAbstractItemView*>(w); view && view->model()) {
            const QAbstractItemModel* m = view->model();
            for (int r = 0; r < std::min(m->rowCount(), 200); ++r)
                for (int c = 0; c < m->columnCount(); ++c) addRow(m->index(r, c).data().toString());
        }
        if (auto* devices = dynamic_cast<CDeviceSelectView*>(w))
            for (int r = 0; r < devices->GetItemCount(); ++r)
                for (const auto& cell : devices->GetRow(r).cells) addRow(cell.text);
        if (auto* list = dynamic_cast<CExtendListCtrl*>(w))
            for (int r = 0; r < list->GetRowCount(); ++r)
                for (const CExtendListCell& cell : list->GetRow(r)->cells)
                    for (int i = 0; i < cell.nItemCount; ++i) addRow(cell.items[size_t(i)].szText);
    }
    return texts;
}

QStringList EnglishLeftIn(const QStringList& shown)
{
    CResourceLibrary& lib = CResourceLibrary::Instance();
    QStringList left;
    if (lib.LanguageBundlePath().isEmpty() || lib.LanguageBundlePath().endsWith(QLatin1String("English.rcc")))
        return left;
    auto isLetter = [](QChar c) { return c.isLetter(); };
    for (const QString& key : lib.BundleKeys()) {
        const QString english = lib.LoadProgramText(key), translated = lib.LoadText(key);
        if (english.isEmpty() || english == translated) continue;
        for (QString piece : english.split(u'\n')) {
            piece = piece.trimmed();
            // Short words and what a language keeps as it is (OK, RAW, FAT32) say nothing.
            if (piece.size() < 5 || !std::any_of(piece.begin(), piece.end(), isLetter) || translated.contains(piece))
                continue;
            for (QString text : shown) {
                // A disk's folder may be called "Documents": in rows only texts of several words count.
                if (text.startsWith(kRowPrefix)) {
                    if (!piece.contains(u' ')) continue;
                    text.remove(0, kRowPrefix.size());
                }
                for (qsizetype at = text.indexOf(piece); at >= 0; at = text.indexOf(piece, at + 1)) {
                    const qsizetype end = at + piece.size();
                    const bool whole =
                        (at == 0 || !text[at - 1].isLetter()) && (end >= text.size() || !text[end].isLetter());
                    if (whole) {
                        left << piece + QStringLiteral(" <- ") + text;
                        break;
                    }
                }
            }
        }
    }
    left.removeDuplicates();
    return left;
}

void SavePageInEveryForm(QWidget* top, const QString& path)
{
    QApplication::processEvents();
    EXPECT_TRUE(top->grab().save(path + QStringLiteral(".png")));
    const QStringList shown = ShownTexts(top);
    QFile list(path + QStringLiteral(".txt"));
    if (list.open(QIODevice::WriteOnly | QIODevice::Truncate)) list.write(shown.join(u'\n').toUtf8() + "\n");
    const QStringList left = EnglishLeftIn(shown);
    EXPECT_TRUE(left.isEmpty()) << path.toStdString() << ":\n" << left.join(u'\n').toStdString();
    // Maximised: the window and the children that fill it (the sheet in its frame) grow together.
    const QRect before = top->rect();
    QList<QWidget*> filling;
    for (QWidget* child : top->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (!child->isWindow() && child->geometry() == before) filling << child;
    auto resizeAll = [&](QSize size) {
        top->resize(size);
        for (QWidget* child : filling) child->setGeometry(QRect(QPoint(0, 0), size));
        QApplication::processEvents();
    };
    resizeAll(QSize(1920, 1040));
    // A shown top-level window takes its new size from the window system; what fills it has it at once.
    QWidget* shot = filling.isEmpty() ? top : filling.front();
    EXPECT_TRUE(shot->grab().save(path + QStringLiteral("-max.png")));
    resizeAll(before.size());
}

void RoadGui::TearDown()
{
    sheet.reset();
    setenv("SALVIX_DISKS", "", 1);
    setenv("SALVIX_DRIVES", "", 1);
    CResourceLibrary::Instance().UnloadLanguageBundle();
}

std::string RoadGui::Unpack(const std::string& fixture)
{
    const std::string image = (dir / (fixture + ".img")).string();
    EXPECT_EQ(std::system(("xz -dc '" + testsupport::FixturePath(fixture + ".img.xz") + "' > '" + image + "'").c_str()),
              0);
    return image;
}

void RoadGui::UseImage(const std::string& image, bool asDriveC)
{
    setenv("SALVIX_DISKS", image.c_str(), 1);
    if (asDriveC) setenv("SALVIX_DRIVES", ("C=" + image).c_str(), 1);
}

void RoadGui::OpenSheet()
{
    ASSERT_NO_FATAL_FAILURE(OpenSheetIn(frame, host, controller, sheet));
    files = static_cast<CFileSelectPage*>(sheet->GetPage(WP_FILE_SELECT));
    savePage = static_cast<CSaveFilePage*>(sheet->GetPage(WP_SAVE_FILE));
    resultPage = static_cast<CSaveResultPage*>(sheet->GetPage(WP_SAVE_RESULT));
    ASSERT_TRUE(files && savePage && resultPage);
}

void RoadGui::ClickRow(CDeviceSelectCtrl* list, int row)
{
    CDeviceSelectView* view = list->View();
    view->EnsureVisible(row);
    const QRect r = view->RowRect(row).translated(-view->HorzPos(), -view->VertPos());
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, r.center());
    ASSERT_EQ(list->GetSelectedIndex(), row);
}

void RoadGui::CheckEveryFolder()
{
    CFileNode* last = nullptr;
    for (CFileNode* folder = files->GetRoot()->GetFirstChild(); folder; folder = folder->GetNextSibling())
        last = folder;
    for (CFileNode* folder = files->GetRoot()->GetFirstChild(); folder; folder = folder->GetNextSibling()) {
        ASSERT_NO_FATAL_FAILURE(CheckFolder(folder, folder == last));
    }
}

void RoadGui::CheckFirstFolder(bool everyFile, bool byKey)
{
    CheckFolder(files->GetRoot()->GetFirstChild(), everyFile, byKey);
}

void RoadGui::CheckFolder(CFileNode* folder, bool everyFile, bool byKey)
{
    CTreeCtrlPlus* tree = files->Tree()->Tree();
    QTreeWidgetItem* item = nullptr;
    ASSERT_TRUE(files->Tree()->SelectNodeItem(folder, &item))
        << (folder && folder->GetProperties() ? std::string(folder->GetProperties()->GetName()) : std::string("?"));
    ASSERT_NE(item, nullptr);
    tree->scrollToItem(item);
    if (byKey) {
        tree->setFocus();
        QTest::keyClick(tree, Qt::Key_Space);
    } else {
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->StateImageRect(item).center());
    }
    FileTreeStatistics now;
    files->GetRoot()->GetStatistics(now);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            FileTreeStatistics s;
            if (!files->GetRoot()->GetStatistics(s)) return false;
            return everyFile ? s.checkedFiles == s.files && s.files > 0 : s.checkedFiles > 0;
        },
        30000))
        << now.checkedFiles << " of " << now.files << " checked; item at " << tree->StateImageRect(item).x() << ","
        << tree->StateImageRect(item).y() << " visible " << tree->isVisible();
    QTest::qWait(50);
}

void RoadGui::SaveTo(const std::string& target, const QString& screenshotPrefix)
{
    bool pathShown = false, resultShown = false;
    WhenModal<CSaveFilePathDlg>([&](CSaveFilePathDlg* dlg) {
        pathShown = true;
        CEditPlus* edit = savePage->PathEdit();
        edit->setFocus();
        edit->selectAll();
        QTest::keyClicks(edit, QString::fromStdString(target));
        if (!screenshotPrefix.isEmpty()) dlg->grab().save(screenshotPrefix + QStringLiteral("-savepath.png"));
        WhenModal<CSaveFileResultDlg>([&](CSaveFileResultDlg* result) {
            resultShown = true;
            if (!screenshotPrefix.isEmpty()) result->grab().save(screenshotPrefix + QStringLiteral("-result.png"));
            EXPECT_TRUE(resultPage->rect().contains(resultPage->OkButton().geometry()));
            QTest::mouseClick(&resultPage->OkButton(), Qt::LeftButton);
        });
        QTest::mouseClick(dlg->OKButton(), Qt::LeftButton);
    });
    QTest::mouseClick(&sheet->RecoverButton(), Qt::LeftButton);
    EXPECT_TRUE(pathShown);
    EXPECT_TRUE(resultShown);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

} // namespace wizardtest
