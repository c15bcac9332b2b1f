// Renders the list, splitter, tab, scroll, folder-tree, pie and link controls in each language to PNG
// files under <build>/screenshots for a look by eye.
#include "controls/CEnTabCtrl.h"
#include "controls/CExSplitterWnd.h"
#include "controls/CExtendListCtrl.h"
#include "controls/CHyperLink.h"
#include "controls/CPieCtrl.h"
#include "controls/CResourceLibrary.h"
#include "controls/CScrollWnd.h"
#include "controls/CShellTreeCtrl.h"
#include "controls/CTabCtrlPlus.h"
#include "controls/ControlFont.h"

#include "tests/support/TempDir.h"

#include <QApplication>
#include <QDir>
#include <QEnterEvent>
#include <QLabel>
#include <QPainter>
#include <QStyle>
#include <gtest/gtest.h>

namespace {

QString ScreenshotFolder()
{
    const QString dir = QDir::cleanPath(QStringLiteral(SALVIX_BUILD_DATA_DIR "/../screenshots"));
    QDir().mkpath(dir);
    return dir;
}

// Sample contents in the language of each run (the owners of these controls bring their own texts).
struct Sample {
    QStringList columns, rows, tabs;
    QString strip, scroll;
};

Sample SampleFor(const QString& language)
{
    if (language == u"Deutsch")
        return {{"Partition", "Dateisystem", "Größe"},
                {"Lokaler Datenträger (C:)", "Daten (D:)", "Verlorene Partition 1", "Wechseldatenträger (E:)"},
                {"Allgemein", "RAW-Dateien", "Erweitert"},
                "Gefundene Dateien",
                "Vorschau"};
    if (language == u"Japanese")
        return {{"パーティション", "ファイル システム", "サイズ"},
                {"ローカル ディスク (C:)", "データ (D:)", "失われたパーティション 1", "リムーバブル ディスク (E:)"},
                {"全般", "RAW ファイル", "詳細"},
                "検出されたファイル",
                "プレビュー"};
    return {{"Partition", "File System", "Size"},
            {"Local Disk (C:)", "Data (D:)", "Lost Partition 1", "Removable (E:)"},
            {"General", "RAW Files", "Advanced"},
            "Found Files",
            "Preview"};
}

void Fill(CExtendListCtrl& list, const Sample& s)
{
    list.InsertColumn(s.columns[0], 230, CExtendListCtrl::AF_LEFT);
    list.InsertColumn(s.columns[1], 110, CExtendListCtrl::AF_CENTER);
    list.InsertColumn(s.columns[2], 90, CExtendListCtrl::AF_RIGHT);
    const QIcon drive = QApplication::style()->standardIcon(QStyle::SP_DriveHDIcon);
    const char* systems[] = {"NTFS", "FAT32", "EXT4", "exFAT"};
    const char* sizes[] = {"237.9 GB", "931.5 GB", "16.0 GB", "29.8 GB"};
    for (int i = 0; i < 4; ++i) {
        const int r = list.AddRow(26);
        CExtendListCell c;
        c.nItemCount = 1;
        c.items[0].bHasCheckBox = true;
        c.items[0].bChecked = i != 2;
        c.items[0].hIcon = drive;
        c.items[0].szText = s.rows[i];
        c.crText = i == 2 ? RGB(0xB0, 0x20, 0x20) : RGB(0, 0, 0);
        list.AddCell(unsigned(r), &c);
        CExtendListCell t;
        t.nItemCount = 1;
        t.items[0].szText = QString::fromLatin1(systems[i]);
        list.AddCell(unsigned(r), &t);
        t.items[0].szText = QString::fromLatin1(sizes[i]);
        list.AddCell(unsigned(r), &t);
    }
    list.SelectRow(list.GetRow(1));
}

ShellNamespace FakeNamespace(const testsupport::TempDir& dir)
{
    for (const char* d : {"desktop/Recovered", "desktop/Photos 2026", "desktop/.config", "home", "media/stick"})
        std::filesystem::create_directories(dir / d);
    ShellNamespace ns;
    ns.desktop = QString::fromStdString((dir / "desktop").string());
    ns.home = QString::fromStdString((dir / "home").string());
    const QString stick = QString::fromStdString((dir / "media/stick").string());
    ns.drives = [stick] {
        return std::vector<ShellDrive>{{'C', QStringLiteral("/"), false, false}, {'E', stick, true, false}};
    };
    return ns;
}

// A scroll window that paints a grid numbered by its scroll positions.
struct GridView : CScrollWnd {
    int x = 0, y = 0;
    QString caption;
    void OnVertScrolled(int nPos) override
    {
        y = nPos;
        viewport()->update();
    }
    void OnHorzScrolled(int nPos) override
    {
        x = nPos;
        viewport()->update();
    }
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(viewport());
        p.fillRect(viewport()->rect(), Qt::white);
        p.setPen(QColor(0xD9, 0xD2, 0xC9));
        for (int gx = -(x * 10 % 40); gx < width(); gx += 40) p.drawLine(gx, 0, gx, height());
        for (int gy = -(y * 10 % 40); gy < height(); gy += 40) p.drawLine(0, gy, width(), gy);
        p.setPen(Qt::black);
        p.setFont(CreateControlFont());
        p.drawText(viewport()->rect().adjusted(8, 8, 0, 0), Qt::AlignLeft | Qt::AlignTop,
                   QStringLiteral("%1  x=%2 y=%3").arg(caption).arg(x).arg(y));
    }
};

QImage Grab(QWidget& w)
{
    w.show();
    QApplication::processEvents();
    return w.grab().toImage();
}

} // namespace

TEST(ControlScreenshots, ListsTabsTreesPiesAndLinksInEachLanguage)
{
    InstallFontSubstitutes();
    auto& lib = CResourceLibrary::Instance();
    const QString folder = ScreenshotFolder();
    for (const QString& language : {QStringLiteral("English"), QStringLiteral("Deutsch"), QStringLiteral("Japanese")}) {
        SCOPED_TRACE(language.toStdString());
        ASSERT_TRUE(lib.LoadLanguageBundle(QStringLiteral(SALVIX_BUILD_DATA_DIR "/") + language + ".rcc"));
        const Sample s = SampleFor(language);
        auto save = [&](const QImage& img, const char* name) {
            const QString path = folder + QStringLiteral("/%1-%2.png").arg(QLatin1String(name), language);
            EXPECT_TRUE(img.save(path)) << path.toStdString();
        };

        {
            QWidget host;
            host.resize(450, 170);
            CExtendListCtrl list;
            list.Create(WS_CHILD | WS_VISIBLE, RECT{0, 0, 450, 170}, &host, 1201);
            Fill(list, s);
            save(Grab(host), "extlist");
        }
        {
            testsupport::TempDir dir;
            QWidget host;
            host.resize(640, 300);
            CExSplitterWnd split(Qt::Horizontal, &host);
            split.resize(640, 300);
            auto* tree = new CShellTreeCtrl;
            tree->SetNamespace(FakeNamespace(dir));
            split.addWidget(tree);
            auto* rows = new CExSplitterWnd(Qt::Vertical);
            auto* list = new CExtendListCtrl;
            Fill(*list, s);
            rows->addWidget(list);
            auto* pieHost = new QWidget;
            pieHost->setAutoFillBackground(true);
            pieHost->setPalette(QPalette(Qt::white));
            rows->addWidget(pieHost);
            rows->SetFixedRow(1, 100, 100, 340);
            split.addWidget(rows);
            split.SetFixedColumn(0, 200, 100, 400);
            tree->Populate(true);
            tree->ExpandMyComputer();
            tree->setCurrentItem(tree->topLevelItem(0)->child(0));
            save(Grab(host), "splitter");

            QWidget treeHost;
            treeHost.resize(260, 220);
            CShellTreeCtrl alone(&treeHost);
            alone.resize(260, 220);
            alone.SetNamespace(FakeNamespace(dir));
            alone.Populate(false);
            alone.ExpandMyComputer();
            alone.setCurrentItem(alone.topLevelItem(0)->child(1));
            save(Grab(treeHost), "shelltree");
        }
        {
            QWidget host;
            host.setAutoFillBackground(true);
            host.setPalette(QPalette(QColor(0xF0, 0xF0, 0xF0)));
            host.resize(420, 90);
            CEnTabCtrl::EnableCustomLook(true, 0x1F);
            auto* custom = new CEnTabCtrl(&host);
            custom->SetDrawType(2);
            custom->SetBkgndColor(0x37FCF6);
            custom->PreSubclassWindow();
            auto* plain = new CBaseTabCtrl(&host);
            for (const QString& t : s.tabs) {
                custom->addTab(t);
                plain->addTab(t);
            }
            custom->setCurrentIndex(1);
            custom->setGeometry(10, 10, 400, custom->sizeHint().height());
            plain->setGeometry(10, 50, 400, plain->sizeHint().height());
            save(Grab(host), "tabs");
            CEnTabCtrl::EnableCustomLook(false, 0);
        }
        {
            QWidget host;
            host.resize(320, 160);
            CTabCtrlPlus strip;
            strip.Create(WS_CHILD | WS_VISIBLE, RECT{0, 0, 320, 160}, &host, 1300);
            QLabel view(s.strip);
            view.setAlignment(Qt::AlignCenter);
            view.setFont(CreateControlFont());
            view.setAutoFillBackground(true);
            view.setPalette(QPalette(QColor(0xFC, 0xFB, 0xF8)));
            QLabel search(QStringLiteral("2"));
            strip.AddWindow(&view);
            strip.AddWindow(&search);
            strip.InsertItem(s.strip, 0);
            strip.InsertItem(s.tabs[0], 1);
            strip.SetCurSel(0);
            save(Grab(host), "tabstrip");
        }
        {
            QWidget host;
            host.resize(300, 180);
            GridView grid;
            grid.caption = s.scroll;
            grid.Create(QRect(0, 0, 300, 180), &host);
            grid.SetContentSize(QSize(1000, 1000));
            grid.UpdateScrollBars();
            grid.SetVertRange(100);
            grid.SetVertPage(20);
            grid.SetHorzRange(50);
            grid.SetHorzPage(10);
            grid.OnVScroll(SB_PAGEDOWN);
            grid.OnHScroll(SB_LINERIGHT);
            save(Grab(host), "scrollwnd");
        }
        {
            QWidget host;
            host.resize(3 * 200, 150);
            host.setAutoFillBackground(true);
            host.setPalette(QPalette(Qt::white));
            CPieCtrl pies[3];
            const int64_t amounts[3][3] = {{50, 20, 30}, {1, 0, 0}, {10, 2, 300}};
            for (int i = 0; i < 3; ++i) {
                pies[i].Create(RECT{i * 200 + 10, 10, i * 200 + 10, 10}, &host, 1400 + unsigned(i));
                pies[i].SetSpace(amounts[i][0], amounts[i][1], amounts[i][2]);
            }
            save(Grab(host), "pie");
        }
        {
            QWidget host;
            host.resize(360, 100);
            host.setAutoFillBackground(true);
            host.setPalette(QPalette(QColor(0xF0, 0xF0, 0xF0)));
            CHyperLink plain, hover, visited;
            plain.Create(lib.LoadText(QStringLiteral("wizard.link.homepage")), WS_CHILD | WS_VISIBLE,
                         RECT{10, 10, 300, 30}, &host, 1);
            hover.Create(lib.LoadText(QStringLiteral("wizard.link.support")), WS_CHILD | WS_VISIBLE,
                         RECT{10, 40, 300, 60}, &host, 2);
            visited.Create(lib.LoadString(345), WS_CHILD | WS_VISIBLE, RECT{10, 70, 300, 90}, &host, 3);
            visited.SetVisited(true);
            QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), QPointF(2, 2));
            QApplication::sendEvent(&hover, &enter);
            save(Grab(host), "hyperlink");
        }
    }
    lib.UnloadLanguageBundle();
}
