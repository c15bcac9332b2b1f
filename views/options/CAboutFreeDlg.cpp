// The about box.
#include "views/options/CAboutFreeDlg.h"

#include "controls/CHyperLink.h"
#include "controls/CResourceLibrary.h"
#include "core/VersionString.h"

#include <QLabel>
#include <QPushButton>
#include <QtGlobal>

#include <boost/version.hpp>
#include <bzlib.h>
#include <gc/gc.h>
#include <libxml/xmlversion.h>
#include <zlib.h>

#include "7zVersion.h"

std::vector<CAboutFreeDlg::LibraryRow> CAboutFreeDlg::Libraries()
{
    const unsigned gc = GC_get_version();
    const QString bzip = QString::fromLatin1(BZ2_bzlibVersion()).section(u',', 0, 0);
    return {
        {QStringLiteral("Qt"), QString::fromLatin1(qVersion()), QStringLiteral("LGPL-3.0")},
        {QStringLiteral("libxml2"), QString::fromLatin1(LIBXML_DOTTED_VERSION), QStringLiteral("MIT")},
        {QStringLiteral("zlib"), QString::fromLatin1(zlibVersion()), QStringLiteral("Zlib")},
        {QStringLiteral("libbz2"), bzip, QStringLiteral("bzip2-1.0.6")},
        {QStringLiteral("LZMA SDK"), QString::fromLatin1(MY_VERSION), QStringLiteral("Public domain")},
        {QStringLiteral("Boehm GC"), QStringLiteral("%1.%2.%3").arg(gc >> 16).arg((gc >> 8) & 0xFF).arg(gc & 0xFF),
         QStringLiteral("MIT-style (bdwgc)")},
        {QStringLiteral("Boost.Regex"),
         QStringLiteral("%1.%2.%3")
             .arg(BOOST_VERSION / 100000)
             .arg(BOOST_VERSION / 100 % 1000)
             .arg(BOOST_VERSION % 100),
         QStringLiteral("BSL-1.0")},
    };
}

QString CAboutFreeDlg::SupportUrl()
{
    return QStringLiteral("https://salvix.example.org/support");
}

CAboutFreeDlg::CAboutFreeDlg(QWidget* parent) : CSearchSuperDlg(kTemplateId, parent) {}

CAboutFreeDlg::~CAboutFreeDlg() = default;

bool CAboutFreeDlg::OnInitDialog()
{
    auto& lib = CResourceLibrary::Instance();
    const QString product = lib.LoadString(349);
    setWindowTitle(product);
    SetTemplateSize(301, 200);

    auto* picture = new QLabel(this);
    const QImage image = lib.LoadBitmap(137);
    picture->setPixmap(image.isNull() ? windowIcon().pixmap(64) : QPixmap::fromImage(image));
    picture->setScaledContents(true);
    PlaceControl(picture, 13, 21, 53, 44);

    m_name = new QLabel(this);
    m_name->setObjectName(QString::number(kNameId));
    QFont bold = m_name->font();
    bold.setWeight(QFont::Bold);
    m_name->setFont(bold);
    m_name->setText(product + u' ' + QString::fromLatin1(GetVersionString()));
    PlaceControl(m_name, 85, 7, 200, 10);

    auto* built = new QLabel(this);
    built->setText(lib.LoadText(QStringLiteral("dialog.487.built")).arg(QStringLiteral(__DATE__ " " __TIME__)));
    PlaceControl(built, 85, 18, 200, 9);

    auto* visit = new QLabel(lib.LoadText(QStringLiteral("dialog.487.visit")), this);
    PlaceControl(visit, 85, 30, 200, 10);

    m_link = new CHyperLink(false, this);
    m_link->setObjectName(QString::number(kLinkId));
    m_link->setText(SupportUrl());
    PlaceControl(m_link, 85, 41, 200, 12);
    m_link->PreSubclassWindow();
    m_link->SetUnderline(1);
    m_link->SetURL(SupportUrl());

    QString rows = QStringLiteral("<table cellspacing=0 cellpadding=1>");
    for (const LibraryRow& row : Libraries())
        rows += QStringLiteral("<tr><td>%1</td><td>&nbsp;&nbsp;%2</td><td>&nbsp;&nbsp;%3</td></tr>")
                    .arg(row.name.toHtmlEscaped(), row.version.toHtmlEscaped(), row.licence.toHtmlEscaped());
    rows += QStringLiteral("</table>");
    auto* heading = new QLabel(lib.LoadText(QStringLiteral("dialog.487.libraries")), this);
    PlaceControl(heading, 13, 70, 270, 10);
    m_libraries = new QLabel(rows, this);
    m_libraries->setTextFormat(Qt::RichText);
    m_libraries->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    PlaceControl(m_libraries, 13, 81, 215, 110);

    auto* ok = new QPushButton(TemplateText(1), this);
    ok->setObjectName(QStringLiteral("1"));
    ok->setDefault(true);
    PlaceControl(ok, 233, 175, 63, 20);
    connect(ok, &QPushButton::clicked, this, [this] { OnOK(); });
    return true;
}
