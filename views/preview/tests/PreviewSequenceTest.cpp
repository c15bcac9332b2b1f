// The preview sequence from a found file to its viewer, over a RAW tree on an in-memory disk: refusals,
// the loading dialog and its Abort, a text file in the preview dialog, rich text (also named .doc), a .doc
// that is no document, office documents handed to a scripted opener, the temporary copy removed every time,
// the rich-text dialog's copy guard, and screenshots of every window in each language.
#include "views/preview/CFilePreViewDlg.h"
#include "views/preview/CPreviewLoadingDlg.h"
#include "views/preview/CRtfPreviewerDlg.h"
#include "views/preview/CTextFilePreViewEdit.h"
#include "views/preview/OfficePreview.h"
#include "views/preview/PreviewFoundFile.h"

#include "controls/CResourceLibrary.h"
#include "controls/MessageBox.h"
#include "core/CTempPathNameSignle.h"
#include "filesystems/tree/CFileSystemNode.h"
#include "filesystems/tree/CMyFileProperties.h"
#include "filesystems/tree/CRAWFileProperties.h"
#include "filesystems/tree/CRawFileInfo.h"
#include "filesystems/tree/FileSystemKind.h"
#include "filesystems/tree/FileTree.h"
#include "raw/tests/CompoundFileBuilder.h"
#include "tests/support/MemoryDevice.h"
#include "tests/support/TempDir.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QScopeGuard>
#include <QTabBar>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

namespace fs = std::filesystem;

namespace {

std::vector<uint8_t> Bytes(const std::string& s)
{
    return {s.begin(), s.end()};
}

// Files laid one after another on a 4 MiB disk, each a RAW node under one tree.
struct RawDisk {
    RawDisk() : device(8192)
    {
        root = NewFileSystemNode();
        auto* rootProps = new CMyFileProperties();
        root->SetProperties(rootProps);
        root->SetClusterGeometry(0, 1);
        root->SetFileSystemKind(kFsKindRaw);
    }
    ~RawDisk() { DeleteFoundTree(root); }

    CFileNode* Add(const std::string& name, const std::vector<uint8_t>& bytes, uint16_t attributes = 0x20)
    {
        device.Write(nextSector * 512, bytes.data(), bytes.size());
        CRawFileInfo hit;
        hit.SetStartSector(nextSector);
        hit.SetSize(bytes.size());
        auto* p = CreateRAWFileProperties();
        p->SetFromRawHit(&hit);
        p->SetRawFileName(name.c_str());
        p->SetAttributes(attributes);
        nextSector += bytes.size() / 512 + 2;
        CFileNode* n = NewFileNode();
        n->SetProperties(p);
        return root->AddChild(n);
    }

    testsupport::MemoryDevice device;
    CFileSystemNode* root = nullptr;
    uint64_t nextSector = 8;
};

// Records every message box and answers it.
struct Messages {
    Messages()
        : responder([this](const MessageBoxRequest& r) {
              seen.push_back(r);
              return IDOK;
          })
    {
    }
    std::vector<MessageBoxRequest> seen;
    CScopedMessageBoxResponder responder;
};

QString Str(unsigned id)
{
    return CResourceLibrary::Instance().LoadString(id);
}

// Runs action on the first modal window of type T that shows up (polled on the event loop).
template <class T>
void WhenModal(std::function<void(T*)> action)
{
    auto* timer = new QTimer(qApp);
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, action] {
        if (auto* w = qobject_cast<T*>(QApplication::activeModalWidget()); w && w->isVisible()) {
            timer->stop();
            timer->deleteLater();
            action(w);
        }
    });
    timer->start();
}

bool TempFilesLeft()
{
    for (const std::string& name : GetTempPathNameSignle()->Names())
        if (fs::exists(name)) return true;
    return false;
}

const char kRtf[] = "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}Quarterly {\\b report}\\par Second line\\par}\r\n";

QString ScreenshotFolder()
{
    const QString dir = QDir::cleanPath(QStringLiteral(SALVIX_BUILD_DATA_DIR "/../screenshots"));
    QDir().mkpath(dir);
    return dir;
}

} // namespace

TEST(PreviewSequence, RefusalsBySizeFolderAndEncryption)
{
    auto props = [](uint64_t size, uint32_t attributes, int mask) {
        auto* p = new CMyFileProperties();
        MyFilePropertiesRecord r;
        r.size = size;
        r.attributes = attributes;
        r.validMask = mask;
        p->SetRecord(r);
        return std::unique_ptr<CMyFileProperties>(p);
    };
    struct Case {
        const char* name;
        uint64_t size;
        uint32_t attributes;
        int mask;
        unsigned refusal;
    } cases[] = {
        {"empty", 0, 0x20, 0x7, 268},
        {"exactly 100 MiB", 104857600, 0x20, 0x7, 0},
        {"one byte more", 104857601, 0x20, 0x7, 271},
        {"folder", 10, 0x10, 0x7, 269},
        {"encrypted", 10, 0x40, 0x7, 270},
        {"folder bit without valid attributes", 10, 0x10, 0x3, 0},
        {"too big without valid attributes", 104857601, 0x20, 0x3, 271},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(PreviewRefusal(props(c.size, c.attributes, c.mask).get()), c.refusal);
    }
    EXPECT_EQ(PreviewRefusal(nullptr), 268u);

    RawDisk disk;
    CFileNode* folder = disk.Add("Folder", Bytes("x"), 0x10);
    Messages box;
    const size_t names = GetTempPathNameSignle()->Names().size();
    EXPECT_EQ(PreviewFoundFile(nullptr, &disk.device, nullptr, {}), PreviewOutcome::Refused);
    EXPECT_EQ(PreviewFoundFile(nullptr, &disk.device, folder, {}), PreviewOutcome::Refused);
    ASSERT_EQ(box.seen.size(), 2u);
    EXPECT_EQ(box.seen[0].text, Str(267));
    EXPECT_EQ(box.seen[1].text, Str(269));
    EXPECT_EQ(box.seen[1].type, MB_OK | MB_ICONINFORMATION);
    EXPECT_EQ(GetTempPathNameSignle()->Names().size(), names); // no temporary file was made
}

TEST(PreviewSequence, ATextFileIsCopiedShownAndRemoved)
{
    RawDisk disk;
    std::string text;
    for (int i = 0; i < 300; ++i) text += "line " + std::to_string(i) + " of the found notes\n";
    CFileNode* node = disk.Add("notes.txt", Bytes(text));
    QWidget page;
    int recovered = 0;
    QString shown, title;
    bool copyExisted = false;
    WhenModal<CFilePreViewDlg>([&](CFilePreViewDlg* dlg) {
        shown = dlg->TextView()->toPlainText();
        title = dlg->windowTitle();
        copyExisted = TempFilesLeft();
        QTest::mouseClick(dlg->RecoverButton(), Qt::LeftButton);
    });
    EXPECT_EQ(PreviewFoundFile(&page, &disk.device, node, [&] { ++recovered; }), PreviewOutcome::PreviewDialog);
    EXPECT_TRUE(shown.startsWith(QStringLiteral("line 0 of the found notes \nline 1 of")));
    EXPECT_EQ(title, QStringLiteral("notes.txt - File Preview"));
    EXPECT_TRUE(copyExisted);
    EXPECT_FALSE(TempFilesLeft());
    QTRY_COMPARE(recovered, 1);
}

TEST(PreviewSequence, AbortingALongLoadLeavesNothingAndSaysNothing)
{
    RawDisk disk;
    CFileNode* node = disk.Add("slow.bin", std::vector<uint8_t>(3 << 20, 'z'));
    // The copy is held at its reads until Abort was pressed, however fast the machine.
    std::atomic<bool> aborted{false};
    disk.device.SetReadHook([&aborted](uint64_t, uint64_t) {
        for (int i = 0; i < 500 && !aborted.load(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    });
    Messages box;
    bool sawLoading = false;
    WhenModal<CPreviewLoadingDlg>([&](CPreviewLoadingDlg* dlg) {
        sawLoading = true;
        const auto release = qScopeGuard([&aborted] { aborted.store(true); });
        EXPECT_EQ(dlg->windowTitle(), Str(411));
        EXPECT_EQ(dlg->Value(CPreviewLoadingDlg::kStatusId)->text(), Str(244));
        QTest::mouseClick(dlg->AbortButton(), Qt::LeftButton);
        EXPECT_EQ(dlg->windowTitle(), Str(402));
        EXPECT_FALSE(dlg->AbortButton()->isEnabled());
    });
    EXPECT_EQ(PreviewFoundFile(nullptr, &disk.device, node, {}), PreviewOutcome::Cancelled);
    EXPECT_TRUE(sawLoading);
    EXPECT_TRUE(box.seen.empty());
    EXPECT_FALSE(TempFilesLeft());
}

TEST(PreviewSequence, RichTextComesBeforeTheNameAndADocThatIsNoDocumentIsSaidSo)
{
    RawDisk disk;
    CFileNode* rtf = disk.Add("a.doc", Bytes(kRtf));
    CFileNode* fake = disk.Add("report.doc", Bytes("Just some words, not a document.\n"));
    Messages box;
    QString rtfText;
    WhenModal<CRtfPreviewerDlg>([&](CRtfPreviewerDlg* dlg) {
        rtfText = dlg->Edit()->toPlainText();
        EXPECT_EQ(dlg->windowTitle(), QStringLiteral("a.doc"));
        dlg->close();
    });
    EXPECT_EQ(PreviewFoundFile(nullptr, &disk.device, rtf, {}), PreviewOutcome::RichText);
    EXPECT_EQ(rtfText, QStringLiteral("Quarterly report\nSecond line"));

    WhenModal<CFilePreViewDlg>([](CFilePreViewDlg* dlg) { dlg->close(); });
    EXPECT_EQ(PreviewFoundFile(nullptr, &disk.device, fake, {}), PreviewOutcome::PreviewDialog);
    ASSERT_EQ(box.seen.size(), 1u);
    EXPECT_EQ(box.seen[0].text, Str(273));
    EXPECT_EQ(box.seen[0].type, MB_OK | MB_ICONEXCLAMATION);
    EXPECT_FALSE(TempFilesLeft());
}

TEST(PreviewSequence, OfficeDocumentsGoToTheScriptedOpener)
{
    testsupport::TempDir dir;
    const fs::path script = dir / "opener.sh";
    const fs::path log = dir / "opened.txt";
    std::ofstream(script) << "#!/bin/sh\nfor f in \"$@\"; do printf '%s\\n' \"$f\" >> '" << log.string()
                          << "'; cat \"$f\" > '" << (dir / "last").string() << "'; done\n";
    fs::permissions(script, fs::perms::owner_all);
    ::setenv("SALVIX_OFFICE_OPENER", script.c_str(), 1);

    rawkit::CompoundFileBuilder builder;
    builder.Add(u"Workbook", 900);
    const std::vector<uint8_t> workbook = builder.Build();
    std::vector<uint8_t> docx = Bytes("PK\x03\x04 not really a zip, the name decides");
    RawDisk disk;
    CFileNode* xls = disk.Add("sheet.xls", workbook);
    CFileNode* x = disk.Add("new.docx", docx);
    Messages box;
    EXPECT_EQ(PreviewFoundFile(nullptr, &disk.device, xls, {}), PreviewOutcome::OfficeDocument);
    auto lastCopy = [&] {
        std::ifstream in(dir / "last", std::ios::binary);
        return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
    };
    EXPECT_EQ(lastCopy(), workbook);
    EXPECT_EQ(PreviewFoundFile(nullptr, &disk.device, x, {}), PreviewOutcome::OfficeDocument);
    EXPECT_EQ(lastCopy(), docx);
    std::ifstream opened(log);
    std::string first, second;
    std::getline(opened, first);
    std::getline(opened, second);
    // The opener sees the found file's name, in a private folder, read-only.
    EXPECT_EQ(fs::path(first).filename(), "sheet.xls");
    EXPECT_EQ(fs::path(second).filename(), "new.docx");
    EXPECT_EQ(fs::status(first).permissions() & fs::perms::all, fs::perms::owner_read);
    EXPECT_TRUE(box.seen.empty());
    EXPECT_FALSE(TempFilesLeft());

    // A file that is no compound document is not handed over when the check is asked for.
    const QString plain = QString::fromStdString((dir / "plain.xls").string());
    std::ofstream(plain.toStdString()) << "plain";
    EXPECT_FALSE(OpenWithOfficeViewer(plain, QStringLiteral("plain.xls"), false));
    ::unsetenv("SALVIX_OFFICE_OPENER");
}

TEST(RtfPreview, FileTestsAndACopyGuard)
{
    testsupport::TempDir dir;
    auto write = [&](const std::string& name, const std::string& bytes) {
        const std::string path = (dir / name).string();
        std::ofstream(path, std::ios::binary) << bytes;
        return QString::fromStdString(path);
    };
    // 512 bytes are tested from their own block; 513 from the last 512, which here start inside the text.
    std::string body = "{\\rtf1 " + std::string(504, 'a') + "}";
    ASSERT_EQ(body.size(), 512u);
    EXPECT_TRUE(IsRtfFile(write("512.rtf", body)));
    EXPECT_TRUE(IsRtfFile(write("513.rtf", body + "\n")));
    EXPECT_FALSE(IsRtfFile(write("513x.rtf", body + "x")));
    EXPECT_FALSE(IsRtfFile(write("four.rtf", "{\\rt")));
    EXPECT_FALSE(IsRtfFile(QStringLiteral("/nonexistent/a.rtf")));

    CRtfPreviewerDlg dlg;
    ASSERT_TRUE(dlg.LoadFile(write("guard.rtf", kRtf), QStringLiteral("guard.rtf")));
    dlg.ShowModeless();
    QApplication::processEvents();
    QApplication::clipboard()->setText(QStringLiteral("before"));
    CCopyLimitedRichEditCtrl* edit = dlg.Edit();
    QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(edit, Qt::Key_Right, Qt::ShiftModifier);
    QTest::keyClick(edit, Qt::Key_C, Qt::ControlModifier);
    const QPoint from = edit->cursorRect(edit->textCursor()).center();
    QTest::mousePress(edit->viewport(), Qt::LeftButton, {}, from);
    QTest::mouseMove(edit->viewport(), from + QPoint(80, 20));
    QTest::mouseRelease(edit->viewport(), Qt::LeftButton, {}, from + QPoint(80, 20));
    EXPECT_FALSE(edit->textCursor().hasSelection());
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("before"));
    // The arrows still move through the text.
    const int before = edit->textCursor().position();
    QTest::keyClick(edit, Qt::Key_Right);
    EXPECT_EQ(edit->textCursor().position(), before + 1);
    dlg.close();

    // A file that cannot be read is said so, not shown empty.
    Messages box;
    CRtfPreviewerDlg missing;
    EXPECT_FALSE(missing.ShowFile(QStringLiteral("/nonexistent/x.rtf"), QStringLiteral("x.rtf")));
    ASSERT_EQ(box.seen.size(), 1u);
    EXPECT_EQ(box.seen[0].text, Str(268));
}

// Rich text in a Windows code page of its own shows its own letters in the dialog.
TEST(RtfPreview, CyrillicAndJapaneseDocumentsShowTheirText)
{
    const std::string dir = std::string(SALVIX_SOURCE_DIR) + "/tests/fixtures/";
    const struct {
        const char* file;
        const char* text;
    } cases[] = {{"rtf-cp1251-wordpad.rtf", "Привет, мир!\nЁлка и щука"},
                 {"rtf-cp932-wordpad.rtf", "日本語のテキスト\nソフト表示 ABC"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        CRtfPreviewerDlg dlg;
        ASSERT_TRUE(dlg.LoadFile(QString::fromStdString(dir + c.file), QString::fromLatin1(c.file)));
        dlg.ShowModeless();
        EXPECT_EQ(dlg.Edit()->toPlainText(), QString::fromUtf8(c.text));
        dlg.close();
    }
}

TEST(PreviewScreens, EveryWindowInEveryLanguage)
{
    testsupport::TempDir dir;
    const QString folder = ScreenshotFolder();
    std::string text;
    for (int i = 0; i < 200; ++i) text += "Line " + std::to_string(i) + ": caf\xC3\xA9 \xE6\x97\xA5\xE6\x9C\xAC\tend\n";
    const QString textPath = QString::fromStdString((dir / "notes.txt").string());
    std::ofstream(textPath.toStdString(), std::ios::binary) << text;
    QImage picture(640, 360, QImage::Format_RGB32);
    picture.fill(QColor(40, 90, 160));
    const QString picturePath = QString::fromStdString((dir / "photo.png").string());
    ASSERT_TRUE(picture.save(picturePath));
    const QString rtfPath = QString::fromStdString((dir / "letter.rtf").string());
    std::ofstream(rtfPath.toStdString(), std::ios::binary) << kRtf;

    RawDisk disk;
    CFileNode* node = disk.Add("notes.txt", Bytes(text));
    auto& lib = CResourceLibrary::Instance();
    for (const QString& language : {QStringLiteral("English"), QStringLiteral("Deutsch"), QStringLiteral("Japanese")}) {
        SCOPED_TRACE(language.toStdString());
        ASSERT_TRUE(lib.LoadLanguageBundle(QStringLiteral(SALVIX_BUILD_DATA_DIR "/") + language + ".rcc"));
        {
            CPreviewLoadingDlg loading(&disk.device, node, QString::fromStdString((dir / "never").string()), nullptr);
            loading.Progress().Begin(1, 1000);
            loading.Progress().AddBytesDone(420);
            loading.RefreshTexts();
            EXPECT_TRUE(loading.grab().save(folder + QStringLiteral("/preview-loading-%1.png").arg(language)));
        }
        for (int tab : {CFilePreViewDlg::kTabText, CFilePreViewDlg::kTabHex}) {
            CFilePreViewDlg dlg;
            dlg.SetFile(textPath, QStringLiteral("notes.txt"));
            dlg.ShowModeless();
            dlg.SelectTab(tab);
            QApplication::processEvents();
            EXPECT_TRUE(dlg.grab().save(
                folder + QStringLiteral("/preview-%1-%2.png").arg(tab == 0 ? "text" : "hex").arg(language)));
            dlg.close();
        }
        {
            CFilePreViewDlg dlg;
            dlg.SetFile(picturePath, QStringLiteral("photo.png"));
            dlg.ShowModeless();
            QApplication::processEvents();
            EXPECT_TRUE(dlg.grab().save(folder + QStringLiteral("/preview-image-%1.png").arg(language)));
            dlg.close();
            CFilePreViewDlg none;
            none.SetFile(textPath, QStringLiteral("notes.txt"));
            none.ShowModeless();
            none.SelectTab(CFilePreViewDlg::kTabImage);
            QApplication::processEvents();
            EXPECT_TRUE(none.grab().save(folder + QStringLiteral("/preview-noimage-%1.png").arg(language)));
            none.close();
        }
        {
            CRtfPreviewerDlg rtf;
            ASSERT_TRUE(rtf.LoadFile(rtfPath, QStringLiteral("letter.rtf")));
            rtf.ShowModeless();
            QApplication::processEvents();
            EXPECT_TRUE(rtf.grab().save(folder + QStringLiteral("/preview-rtf-%1.png").arg(language)));
            rtf.close();
        }
    }
    lib.UnloadLanguageBundle();
}

TEST(OfficeFiles, DocumentsMadeByAnOfficeSuiteAreRecognised)
{
    const QString office = QStringLiteral(SALVIX_SOURCE_DIR "/tests/fixtures/raw/office/");
    EXPECT_TRUE(IsOfficeDocument(office + "office.doc"));
    EXPECT_TRUE(IsOfficeDocument(office + "office.xls"));
    EXPECT_FALSE(IsOfficeDocument(office + "office.docx")); // a zip: decided by its name
    EXPECT_FALSE(IsCompoundFile(office + "office.docx"));
    EXPECT_FALSE(IsRtfFile(office + "office.doc"));
}
