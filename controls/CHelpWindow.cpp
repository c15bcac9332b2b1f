// The help window over the HTML help book.
#include "controls/CHelpWindow.h"

#include "controls/CResourceLibrary.h"
#include "core/HelpTopic.h"

#include <QDesktopServices>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeySequence>
#include <QRegularExpression>
#include <QSplitter>
#include <QTextBrowser>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

QString Text(const char* key, const char* fallback)
{
    const QString text = CResourceLibrary::Instance().LoadText(QString::fromLatin1(key));
    return text.isEmpty() ? QString::fromLatin1(fallback) : text;
}

QString PathText(const std::filesystem::path& p)
{
    return QString::fromStdString(p.string());
}

} // namespace

CHelpWindow::CHelpWindow(std::filesystem::path bookFolder, QWidget* parent)
    : QWidget(parent, Qt::Window), m_book(std::move(bookFolder))
{
    setObjectName(QStringLiteral("HelpWindow"));
    // Help left open does not keep the program running once its main window has closed.
    setAttribute(Qt::WA_QuitOnClose, false);
    setWindowTitle(Text("help.title", "Salvix Help"));
    resize(820, 580);

    auto makeButton = [this](const char* key, const char* fallback, QStyle::StandardPixmap icon) {
        auto* b = new QToolButton(this);
        b->setText(Text(key, fallback));
        b->setIcon(style()->standardIcon(icon));
        b->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        b->setAutoRaise(true);
        return b;
    };
    m_back = makeButton("help.back", "Back", QStyle::SP_ArrowBack);
    m_forward = makeButton("help.forward", "Forward", QStyle::SP_ArrowForward);
    m_start = makeButton("help.start", "Start page", QStyle::SP_DirHomeIcon);
    m_back->setShortcut(QKeySequence::Back);
    m_forward->setShortcut(QKeySequence::Forward);
    m_back->setEnabled(false);
    m_forward->setEnabled(false);

    auto* bar = new QHBoxLayout;
    bar->setContentsMargins(6, 4, 6, 0);
    bar->addWidget(m_back);
    bar->addWidget(m_forward);
    bar->addWidget(m_start);
    bar->addStretch(1);

    m_contents = new QTreeWidget;
    m_contents->setObjectName(QStringLiteral("HelpContents"));
    m_contents->setColumnCount(1);
    m_contents->setHeaderLabel(Text("help.contents", "Contents"));
    m_contents->setRootIsDecorated(false);
    m_contents->header()->setSectionsClickable(false);

    m_browser = new QTextBrowser;
    m_browser->setObjectName(QStringLiteral("HelpBrowser"));
    m_browser->setOpenLinks(false);
    m_browser->setSearchPaths({PathText(m_book)});

    auto* split = new QSplitter(Qt::Horizontal);
    split->addWidget(m_contents);
    split->addWidget(m_browser);
    split->setStretchFactor(0, 0);
    split->setStretchFactor(1, 1);
    split->setSizes({270, 550});

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    layout->addLayout(bar);
    layout->addWidget(split, 1);

    FillContents();

    connect(m_back, &QToolButton::clicked, m_browser, &QTextBrowser::backward);
    connect(m_forward, &QToolButton::clicked, m_browser, &QTextBrowser::forward);
    connect(m_start, &QToolButton::clicked, this, [this] { ShowPage(QString::fromLatin1(kHelpStartPage)); });
    connect(m_browser, &QTextBrowser::backwardAvailable, m_back, &QToolButton::setEnabled);
    connect(m_browser, &QTextBrowser::forwardAvailable, m_forward, &QToolButton::setEnabled);
    connect(m_browser, &QTextBrowser::anchorClicked, this, &CHelpWindow::FollowLink);
    connect(m_browser, &QTextBrowser::sourceChanged, this, &CHelpWindow::OnSourceChanged);
    connect(m_contents, &QTreeWidget::itemActivated, this, [this](QTreeWidgetItem* item) {
        if (item) ShowPage(item->data(0, Qt::UserRole).toString());
    });
    connect(m_contents, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* item) {
        if (item) ShowPage(item->data(0, Qt::UserRole).toString());
    });
}

CHelpWindow::~CHelpWindow() = default;

QString CHelpWindow::PageTitle(const QString& fileName) const
{
    QFile file(PathText(m_book / fileName.toStdString()));
    if (file.open(QIODevice::ReadOnly)) {
        // The head of a page is small; the title is looked for in its first 4 KiB only.
        const QString head = QString::fromUtf8(file.read(4096));
        static const QRegularExpression title(QStringLiteral("<title>([^<]*)</title>"),
                                              QRegularExpression::CaseInsensitiveOption);
        const QRegularExpressionMatch m = title.match(head);
        if (m.hasMatch() && !m.captured(1).trimmed().isEmpty()) return m.captured(1).trimmed();
    }
    return fileName;
}

void CHelpWindow::FillContents()
{
    for (const HelpTopicPage& page : HelpBookPages()) {
        const QString name = QString::fromLatin1(page.fileName);
        auto* item = new QTreeWidgetItem(m_contents, {PageTitle(name)});
        item->setToolTip(0, item->text(0));
        item->setData(0, Qt::UserRole, name);
        if (page.contextId == 0) {
            QFont bold = item->font(0);
            bold.setBold(true);
            item->setFont(0, bold);
        }
    }
}

void CHelpWindow::ShowTopic(int contextId)
{
    ShowPage(QString::fromStdString(HelpPageForTopic(contextId)));
}

void CHelpWindow::ShowPage(const QString& page)
{
    Navigate(QUrl::fromLocalFile(PathText(m_book) + QLatin1Char('/')).resolved(QUrl(page)));
}

void CHelpWindow::FollowLink(const QUrl& link)
{
    const QString scheme = link.scheme();
    if (scheme == QLatin1String("http") || scheme == QLatin1String("https") || scheme == QLatin1String("mailto")) {
        QDesktopServices::openUrl(link);
        return;
    }
    const QUrl base = m_current.isValid() ? m_current : QUrl::fromLocalFile(PathText(m_book) + QLatin1Char('/'));
    Navigate(base.resolved(link));
}

void CHelpWindow::Navigate(const QUrl& target)
{
    // Only files of the book itself are shown; the browser would warn about anything it cannot load.
    const QFileInfo file(target.toLocalFile());
    const QFileInfo book(PathText(m_book));
    const bool inBook = target.isLocalFile() && file.isFile() && file.canonicalPath() == book.canonicalFilePath() &&
                        file.suffix().compare(QLatin1String("html"), Qt::CaseInsensitive) == 0;
    if (!inBook) {
        const QString name = target.fileName().isEmpty() ? target.toString() : target.fileName();
        m_browser->setHtml(
            QStringLiteral("<p>%1</p>")
                .arg(Text("help.missing", "The help page %1 could not be found.").arg(name.toHtmlEscaped())));
        OnSourceChanged(QUrl());
        return;
    }
    m_browser->setSource(target, QTextDocument::HtmlResource);
}

QString CHelpWindow::CurrentPage() const
{
    return m_current.isValid() ? m_current.fileName() : QString();
}

void CHelpWindow::OnSourceChanged(const QUrl& source)
{
    m_current = source;
    const QString page = CurrentPage();
    const QString title = m_browser->documentTitle();
    setWindowTitle(title.isEmpty() ? Text("help.title", "Salvix Help")
                                   : QStringLiteral("%1 - %2").arg(title, Text("help.title", "Salvix Help")));
    const QSignalBlocker block(m_contents);
    m_contents->clearSelection();
    for (int i = 0; i < m_contents->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = m_contents->topLevelItem(i);
        if (item->data(0, Qt::UserRole).toString() == page) {
            m_contents->setCurrentItem(item);
            break;
        }
    }
}
