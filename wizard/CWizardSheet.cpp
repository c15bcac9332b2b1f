// The wizard sheet.
#include "wizard/CWizardSheet.h"

#include "controller/IWizardPageController.h"
#include "controller/IWizardServices.h"
#include "controller/IWizardSheetController.h"
#include "controls/CResourceLibrary.h"
#include "controls/CXPMenu.h"
#include "controls/ControlId.h"
#include "controls/MessageBox.h"
#include "controls/WindowMessages.h"
#include "core/CRecoverySettings.h"
#include "core/LanguageHelpers.h"
#include "platform/Log.h"
#include "platform/Settings.h"
#include "wizard/CWizardPage.h"
#include "wizard/IWizardSheetHost.h"
#include "wizard/WizardSkin.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QPainter>
#include <QUrl>
#include <cerrno>

CWizardSheet* CWizardSheet::s_instance = nullptr;
const char* const CWizardSheet::kHomePageUrl = "https://salvix.example/";
const char* const CWizardSheet::kSupportUrl = "https://salvix.example/support/";

namespace {

constexpr unsigned kRestartQuestion = 304;
constexpr unsigned kLanguageSaveFailed = 303;
constexpr unsigned kRestartManually = 375;
constexpr unsigned kSheetCaption = 193;

QString String(unsigned id)
{
    return CResourceLibrary::Instance().LoadString(id);
}

} // namespace

CWizardSheet* CWizardSheet::GetInstance()
{
    if (!s_instance) s_instance = new CWizardSheet(kLogoBitmap, kBottomBitmap);
    return s_instance;
}

void CWizardSheet::DestroyInstance()
{
    delete s_instance; // the destructor clears s_instance
}

CWizardSheet::CWizardSheet(unsigned uBmpLogo, unsigned uBmpBottom, std::vector<WizardPageEntry> pages, QWidget* parent)
    : QWidget(parent),
      m_home(425, 424, 423, 422),
      m_next(353, 352, 351, 350),
      m_recover(370, 369, 368, 367),
      m_back(420, 418, 417, 416),
      m_homeLink(wizard_skin::kHomeLink[0], 0, 0, 0),
      m_supportLink(wizard_skin::kSupportLink[0], 0, 0, 0),
      m_about(wizard_skin::kAboutLink[0], 0, 0, 0),
      m_language(wizard_skin::kLanguageLink[0], 0, 0, 0)
{
    LogError("------------------------ParmInfo:UINT uBmpLogo=%u, UINT uBmpBottom=%u", uBmpLogo, uBmpBottom);
    SetWizardSheet(this);
    m_initError = Init(uBmpLogo, uBmpBottom, std::move(pages));
    if (m_initError != 0) LogError("%s", GetInitErrorText().toUtf8().constData());
}

CWizardSheet::~CWizardSheet()
{
    if (s_instance == this) s_instance = nullptr;
    if (GetWizardSheet() == this) SetWizardSheet(nullptr);
    for (auto& page : m_pages) page.reset();
}

QString CWizardSheet::GetInitErrorText() const
{
    return QString::asprintf("Init CWizardSheet is false error=0x%x,GetLastError=%d", unsigned(m_initError), errno);
}

int CWizardSheet::Init(unsigned uBmpLogo, unsigned uBmpBottom, std::vector<WizardPageEntry> pages)
{
    InstallWizardSkin();
    // The link buttons' faces are drawn now that the skin is in place.
    m_homeLink.OwerLoadBitmap(wizard_skin::kHomeLink[0], wizard_skin::kHomeLink[1], wizard_skin::kHomeLink[2],
                              wizard_skin::kHomeLink[3]);
    m_supportLink.OwerLoadBitmap(wizard_skin::kSupportLink[0], wizard_skin::kSupportLink[1],
                                 wizard_skin::kSupportLink[2], wizard_skin::kSupportLink[3]);
    m_about.OwerLoadBitmap(wizard_skin::kAboutLink[0], wizard_skin::kAboutLink[1], wizard_skin::kAboutLink[2],
                           wizard_skin::kAboutLink[3]);
    m_language.OwerLoadBitmap(wizard_skin::kLanguageLink[0], wizard_skin::kLanguageLink[1],
                              wizard_skin::kLanguageLink[2], wizard_skin::kLanguageLink[3]);
    m_optionsAnchor = &m_language;

    m_languageValues = {QString(), QStringLiteral("English"), QStringLiteral("Japanese"), QStringLiteral("Deutsch")};
    m_languageNames = {QString(), String(301), String(483),
                       CResourceLibrary::Instance().LoadText(QStringLiteral("wizard.language.deutsch"))};

    bool failed = false;
    for (WizardPageEntry& entry : pages) {
        if (!IsValidWizardPage(entry.page) || !entry.create) continue;
        std::unique_ptr<CWizardPage> page = entry.create();
        if (!page || page->GetInitError() != 0) {
            LogError("Wizard: page %d cannot be made (error %d)", int(entry.page), page ? page->GetInitError() : 0);
            failed = true;
            continue;
        }
        m_pages[entry.page] = std::move(page);
    }
    m_logo.LoadBitmap(uBmpLogo);
    if (!m_title.LoadBitmap(kHomeTitleBitmap) || !m_bottom.LoadBitmap(uBmpBottom)) {
        LogError("Wizard: the title or bottom strip cannot be loaded");
        failed = true;
    }
    if (failed) {
        for (auto& page : m_pages) page.reset();
        return kInitFailed;
    }
    return 0;
}

bool CWizardSheet::Create(QWidget* parent, int id)
{
    LogError("------------------------ParmInfo:CREATESTRUCT cs.hwndParent=%p, cs.hMenu=%d", static_cast<void*>(parent),
             id);
    setParent(parent);
    SetDlgCtrlID(this, id);
    if (m_initError != 0) return false;

    struct ButtonSpec {
        CButtonPlus* button;
        unsigned id;
        bool visible;
        bool hand;
    } buttons[] = {
        {&m_home, kCmdHome, true, false},        {&m_next, kCmdNext, false, false},
        {&m_recover, kCmdNext, false, false},    {&m_back, kCmdBack, true, false},
        {&m_homeLink, kCmdHomeLink, true, true}, {&m_supportLink, kCmdSupportLink, true, true},
        {&m_about, kCmdAbout, true, true},       {&m_language, kCmdOptionsMenu, true, true},
    };
    for (const ButtonSpec& b : buttons) {
        b.button->Create(QString(), WS_CHILD | (b.visible ? WS_VISIBLE : 0), RECT{}, this, b.id);
        if (b.hand) b.button->SetCursor(Qt::PointingHandCursor);
        const unsigned command = b.id;
        connect(b.button, &QAbstractButton::clicked, this, [this, command] { OnCommand(command); });
    }

    for (int i = 0; i < WP_PAGE_COUNT; ++i) {
        if (!m_pages[i]) continue;
        if (!m_pages[i]->Create(this, kFirstPageId + i)) {
            LogError("Wizard: the window of page %d cannot be made", i);
            m_pages[i].reset();
            continue;
        }
        m_pages[i]->hide(); // shown when it becomes the current page
    }
    ShowNavButtons(false);
    SetActivePage(WP_RECOVERY_MODE);
    LayoutChildren();
    show();
    return true;
}

CWizardPage* CWizardSheet::GetPage(WIZARD_PAGE page) const
{
    return IsValidWizardPage(page) ? m_pages[page].get() : nullptr;
}

CWizardPage* CWizardSheet::GetCurrentPage() const
{
    return GetPage(m_current);
}

IWizardPageController* CWizardSheet::GetCurrentController()
{
    CWizardPage* page = GetCurrentPage();
    return page ? page->GetController() : nullptr;
}

int CWizardSheet::GetCurrentHelpContextId()
{
    CWizardPage* page = GetCurrentPage();
    return page ? page->GetHelpContextId() : 0;
}

void CWizardSheet::SetActivePage(WIZARD_PAGE page)
{
    LogError("------------------------ParmInfo:WIZARD_PAGE ePage=%x", unsigned(page));
    CWizardPage* target = GetPage(page);
    if (!target) {
        LogError("Wizard: page %d is not part of the wizard", int(page));
        return;
    }
    const WIZARD_PAGE previous = m_current;
    if (m_host) m_host->SetResizable(page != WP_RECOVERY_MODE);

    if (target->IsShownAsDialog()) {
        // Shown as a dialog of its own; the page area keeps what it shows.
        target->RunAsDialog(*this);
        return;
    }

    m_current = page;
    target->hide();
    target->setGeometry(PageRect());
    target->show();
    if (QWidget* top = window(); top && top != this) top->activateWindow();
    target->setFocus();
    if (previous != page) {
        if (CWizardPage* old = GetPage(previous)) {
            old->setGeometry(QRect());
            old->hide();
        }
    }

    m_homeLink.hide();
    if (page == WP_RECOVERY_MODE) {
        ShowNavButtons(false);
        m_homeLink.show();
        m_language.show();
        ResetScanOptions();
    } else {
        ShowNavButtons(true);
        m_language.hide();
    }
    UpdateTitle();
    update();
}

void CWizardSheet::EnableNextButton(bool enable)
{
    m_next.setEnabled(enable);
}

void CWizardSheet::SendCommandToPage(unsigned id)
{
    if (CWizardPage* page = GetCurrentPage()) page->OnCommand(id);
}

void CWizardSheet::ShowNavButtons(bool show)
{
    if (!show) {
        for (CButtonPlus* b : {&m_home, &m_next, &m_back, &m_recover}) b->hide();
        return;
    }
    m_home.show();
    m_back.show();
    const bool recover = m_current == WP_FILE_SELECT;
    m_recover.setVisible(recover);
    m_next.setVisible(!recover);
    PlaceNav();
}

void CWizardSheet::OnHelp()
{
    if (m_controller) m_controller->ShowHelp(m_current);
}

void CWizardSheet::OnCommand(unsigned id)
{
    switch (id) {
    case kCmdHome:
        if (ShowMessageBox(this, String(kConfirmHomeString), ProductName(), MB_YESNO | MB_ICONQUESTION) == IDYES &&
            m_controller)
            m_controller->Home();
        return;
    case kCmdNext:
        if (m_controller) m_controller->Next();
        return;
    case kCmdBack:
        if (m_controller) m_controller->Back();
        return;
    case kCmdHomeLink: OpenURL(QString::fromLatin1(kHomePageUrl)); return;
    case kCmdSupportLink: OpenURL(QString::fromLatin1(kSupportUrl)); return;
    case kCmdAbout:
        if (m_host) m_host->ShowAbout();
        return;
    case kCmdOptionsMenu: OnOptionsMenu(); return;
    case kCmdOptions: OnAdvanceSetting(); return;
    default:
        if (id >= kCmdLanguageFirst && id <= kCmdLanguageLast) OnLanguageCommand(id);
        return;
    }
}

void CWizardSheet::OnAdvanceSetting()
{
    GetWizardServices()->ReportEvent(kEventOptionsOpened);
    if (IWizardPageController* controller = GetCurrentController()) controller->ShowAdvanceSetting();
}

int CWizardSheet::CurrentLanguageIndex() const
{
    const QString bundle = CResourceLibrary::Instance().LanguageBundlePath();
    const QString name = bundle.isEmpty() ? QStringLiteral("English") : QFileInfo(bundle).completeBaseName();
    for (int i = 1; i < int(m_languageValues.size()); ++i)
        if (m_languageValues[i] == name) return i;
    return 1;
}

void CWizardSheet::BuildOptionsMenu(CXPMenu& menu) const
{
    if (m_current != WP_RECOVERY_MODE) return;
    const int current = CurrentLanguageIndex();
    for (int i = 0; i < int(m_languageNames.size()); ++i)
        if (!m_languageNames[i].isEmpty()) menu.AppendItem(kCmdLanguageFirst + i, m_languageNames[i], i == current);
}

void CWizardSheet::OnOptionsMenu()
{
    CXPMenu menu(this);
    BuildOptionsMenu(menu);
    if (menu.actions().isEmpty()) return;
    QWidget* anchor = m_optionsAnchor ? m_optionsAnchor : this;
    const unsigned command = menu.TrackPopupMenu(anchor->mapToGlobal(QPoint(0, anchor->height())));
    if (command != 0) OnCommand(command);
}

void CWizardSheet::OnLanguageCommand(unsigned id)
{
    const int index = int(id) - int(kCmdLanguageFirst);
    if (index < 0 || index >= int(m_languageValues.size())) return;
    if (index == CurrentLanguageIndex() || m_languageNames[index].isEmpty()) return;
    ChangeLanguage(m_languageValues[index]);
}

void CWizardSheet::ChangeLanguage(const QString& name)
{
    try {
        if (ShowMessageBox(this, String(kRestartQuestion), String(kSheetCaption), MB_OKCANCEL | MB_ICONQUESTION) !=
            IDOK)
            return;
        plat::SettingsFile settings = plat::SettingsFile::Default();
        if (!settings.WriteString(kLanguageKey, kLanguageValue, name.toStdString())) {
            LogInfo("RegSetValueEx failed with %d\n", errno);
            ShowMessageBox(this, String(kLanguageSaveFailed), String(kSheetCaption), MB_OK | MB_ICONEXCLAMATION);
            return;
        }
        if (!m_host || !m_host->RequestRestart())
            ShowMessageBox(this, String(kRestartManually), ProductName(), MB_OK | MB_ICONEXCLAMATION);
        SendMessageTo(window(), UM_CLOSE_APP);
    } catch (...) {
        LogError("Wizard: the language change failed");
    }
}

bool CWizardSheet::OpenURL(const QString& url)
{
    const bool opened = QDesktopServices::openUrl(QUrl(url));
    if (!opened) LogError("Wizard: %s cannot be opened", url.toUtf8().constData());
    return opened;
}

QRect CWizardSheet::TitleStripRect() const
{
    return QRect(0, 0, width(), m_title.GetSize().height());
}

QRect CWizardSheet::BottomStripRect() const
{
    const int h = m_bottom.GetSize().height();
    return QRect(0, height() - h, width(), h);
}

QRect CWizardSheet::PageRect() const
{
    const int top = TitleStripRect().height();
    const int bottom = BottomStripRect().top();
    return QRect(0, top, width(), std::max(0, bottom - top));
}

CWizardSheet::NavPlacement CWizardSheet::PlaceNavButtons(const QRect& strip, QSize right, QSize back, QSize home)
{
    auto y = [&](QSize s) { return strip.top() + (strip.height() - s.height()) / 2 + 2; };
    const int stripRight = strip.left() + strip.width();
    NavPlacement p;
    p.right = QPoint(stripRight - 50 - right.width(), y(right));
    p.back = QPoint(p.right.x() - 55 - back.width(), y(back));
    p.home = QPoint(strip.left() + 50, y(home));
    return p;
}

void CWizardSheet::PlaceNav()
{
    CButtonPlus& right = m_current == WP_FILE_SELECT ? m_recover : m_next;
    const NavPlacement p =
        PlaceNavButtons(BottomStripRect(), right.GetBitmapSize(), m_back.GetBitmapSize(), m_home.GetBitmapSize());
    right.MoveTo(p.right.x(), p.right.y());
    m_back.MoveTo(p.back.x(), p.back.y());
    m_home.MoveTo(p.home.x(), p.home.y());
}

void CWizardSheet::LayoutChildren()
{
    if (CWizardPage* page = GetCurrentPage()) page->setGeometry(PageRect());
    m_homeLink.MoveTo(10, 0);
    const int aboutX = width() - m_about.GetBitmapSize().width();
    m_about.MoveTo(aboutX, 0);
    const int supportX = aboutX - m_supportLink.GetBitmapSize().width();
    m_supportLink.MoveTo(supportX, 0);
    m_language.MoveTo(supportX - m_language.GetBitmapSize().width(), 0);
    PlaceNav();
}

void CWizardSheet::resizeEvent(QResizeEvent* e)
{
    LogError("------------------------ParmInfo: UINT nType=%u, int cx=%d, int cy=%d", 0u, width(), height());
    QWidget::resizeEvent(e);
    LayoutChildren();
}

unsigned CWizardSheet::ChooseTitleBitmap(int page, int mode, bool photo, unsigned current)
{
    if (page == WP_RECOVERY_MODE) return kHomeTitleBitmap;
    // Every page of a mode has its own title, so that going back shows the page's own subtitle again; the
    // pages after the file choice keep the file choice's.
    const bool filesOrSaving = page == WP_FILE_SELECT || page == WP_SAVE_RESULT || page == WP_SAVE_FILE;
    switch (mode) {
    case 0:
        if (page == WP_TYPE_OF_FILE || page == WP_DELETE_RECOVERY_VOLUME) return 517;
        if (filesOrSaving) return 515;
        break;
    case 1:
        if (page == WP_TYPE_OF_FILE || page == WP_COMPLETE_RECOVERY_DEVICE) return photo ? 546 : 520;
        if (page == WP_COMPLETE_RECOVERY_SCAN_PARTITION) return photo ? 545 : 518;
        // The file choice shows no partitions to choose.
        if (filesOrSaving) return photo ? 547 : 519;
        break;
    case 2:
        if (page == WP_TYPE_OF_FILE || page == WP_LOST_RECOVERY_DISK) return 523;
        if (page == WP_LOST_RECOVERY_PARTITION || page == WP_LOST_RECOVERY_SCAN_PARTITION) return 524;
        if (filesOrSaving) return 521;
        break;
    default: break;
    }
    return current;
}

void CWizardSheet::UpdateTitle()
{
    const CRecoverySettings* s = GetRecoverySettings();
    const unsigned id = ChooseTitleBitmap(m_current, s->m_recoveryMode, s->m_photoMode != 0, m_titleId);
    if (id != m_titleId && m_title.LoadBitmap(id)) m_titleId = id;
}

void CWizardSheet::paintEvent(QPaintEvent*)
{
    UpdateTitle();
    QPainter p(this);
    const QRect title = TitleStripRect();
    const QRect bottom = BottomStripRect();
    // A window wider than the strips (maximised) keeps their title, picture and buttons' backgrounds
    // unstretched and continues their background to the right edge.
    m_title.DrawBand(&p, title.x(), title.y(), title.width(), title.height());
    m_bottom.DrawBand(&p, bottom.x(), bottom.y(), bottom.width(), bottom.height());
}
