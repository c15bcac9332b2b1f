// The wizard sheet: the window inside the main frame that hosts the wizard's pages. It makes the pages of
// its page table and links each with its controller, shows one page at a time between a title strip and
// a bottom strip, draws the strips, and carries the navigation buttons (Home, Back, Next or Recover) and
// the link buttons of the title strip (home page, support, about, and the language menu on page 0).
// One process-wide sheet (GetInstance); tests make their own. User-interface thread only.
#pragma once

#include "controller/IWizardSheet.h"
#include "controls/CButtonPlus.h"
#include "controls/CMaskedBitmap.h"
#include "wizard/WizardPageTable.h"

#include <QString>
#include <QWidget>
#include <array>
#include <memory>
#include <vector>

class CWizardPage;
class CXPMenu;
class IWizardSheetController;
class IWizardSheetHost;

class CWizardSheet : public QWidget, public IWizardSheet {
    Q_OBJECT
public:
    // Commands (control ids).
    static constexpr unsigned kCmdOptionsMenu = 1001;
    static constexpr unsigned kCmdHome = 1003;
    static constexpr unsigned kCmdNext = 1004; // Next and Recover alike
    static constexpr unsigned kCmdBack = 1005;
    static constexpr unsigned kCmdHomeLink = 1010;
    static constexpr unsigned kCmdSupportLink = 1012;
    static constexpr unsigned kCmdOptions = 1013;
    static constexpr unsigned kCmdAbout = 1015;
    static constexpr unsigned kCmdLanguageFirst = 1020;
    static constexpr unsigned kCmdLanguageLast = 1023;
    static constexpr int kFirstPageId = 1300;

    static constexpr unsigned kLogoBitmap = 145;
    static constexpr unsigned kBottomBitmap = 133;
    static constexpr unsigned kHomeTitleBitmap = 134;
    static constexpr int kInitFailed = 4097;
    static constexpr unsigned kEventOptionsOpened = 8262;
    static constexpr unsigned kConfirmHomeString = 214;

    static const char* const kHomePageUrl;
    static const char* const kSupportUrl;

    // The process-wide sheet, made on first use with the logo and bottom bitmaps. Once the window that
    // hosts it has adopted it (Create), that window deletes it; DestroyInstance deletes a sheet never adopted.
    static CWizardSheet* GetInstance();
    static void DestroyInstance();

    CWizardSheet(unsigned uBmpLogo, unsigned uBmpBottom, std::vector<WizardPageEntry> pages = DefaultWizardPages(),
                 QWidget* parent = nullptr);
    ~CWizardSheet() override;

    // 0, or kInitFailed when a page or a strip could not be made; the sheet is then unusable and the
    // program must not go on with it (GetInitErrorText gives the message to show).
    int GetInitError() const { return m_initError; }
    QString GetInitErrorText() const;

    void SetController(IWizardSheetController* controller) { m_controller = controller; }
    IWizardSheetController* GetController() const { return m_controller; }
    // The host window's services (not owned; null for none).
    void SetHost(IWizardSheetHost* host) { m_host = host; }

    // Becomes a child window of parent: makes the buttons and the pages' windows, hides the navigation
    // buttons and shows page 0. False, with nothing shown, when the initialisation failed.
    bool Create(QWidget* parent, int id);

    // IWizardSheet.
    void SetActivePage(WIZARD_PAGE page) override;
    void EnableNextButton(bool enable) override;
    IWizardPageController* GetCurrentController() override;
    int GetCurrentHelpContextId() override;

    CWizardPage* GetCurrentPage() const;
    CWizardPage* GetPage(WIZARD_PAGE page) const;
    WIZARD_PAGE GetCurrentIndex() const { return m_current; }

    // A command for the page shown.
    void SendCommandToPage(unsigned id);
    // TRUE shows Home, Back and Next (Recover on the found-file page); FALSE hides all four.
    void ShowNavButtons(bool show);
    void OnHelp();
    void OnCommand(unsigned id);

    // The language entries of the options menu: only on page 0, one per language, the current one marked.
    void BuildOptionsMenu(CXPMenu& menu) const;
    void OnLanguageCommand(unsigned id);
    // Asks to restart; on OK stores the language setting, arranges the restart and closes the program.
    void ChangeLanguage(const QString& name);
    // The language the program runs in: 1 English, 2 Japanese, 3 German.
    int CurrentLanguageIndex() const;
    static bool OpenURL(const QString& url);

    QRect TitleStripRect() const;
    QRect BottomStripRect() const;
    QRect PageRect() const;

    struct NavPlacement {
        QPoint right; // Next or Recover
        QPoint back;
        QPoint home;
    };
    static NavPlacement PlaceNavButtons(const QRect& strip, QSize right, QSize back, QSize home);
    // The title strip for a page in a recovery mode; pages the table does not name keep current.
    static unsigned ChooseTitleBitmap(int page, int mode, bool photo, unsigned current);
    unsigned CurrentTitleBitmap() const { return m_titleId; }

    CButtonPlus& HomeButton() { return m_home; }
    CButtonPlus& NextButton() { return m_next; }
    CButtonPlus& RecoverButton() { return m_recover; }
    CButtonPlus& BackButton() { return m_back; }
    CButtonPlus& HomeLinkButton() { return m_homeLink; }
    CButtonPlus& SupportLinkButton() { return m_supportLink; }
    CButtonPlus& AboutButton() { return m_about; }
    CButtonPlus& LanguageButton() { return m_language; }

protected:
    void resizeEvent(QResizeEvent* e) override;
    void paintEvent(QPaintEvent* e) override;

private:
    int Init(unsigned uBmpLogo, unsigned uBmpBottom, std::vector<WizardPageEntry> pages);
    void LayoutChildren();
    void PlaceNav();
    void UpdateTitle();
    void OnOptionsMenu();
    void OnAdvanceSetting();

    static CWizardSheet* s_instance;

    int m_initError = 0;
    std::array<std::unique_ptr<CWizardPage>, WP_PAGE_COUNT> m_pages;
    WIZARD_PAGE m_current = WP_RECOVERY_MODE;
    CMaskedBitmap m_logo;
    CMaskedBitmap m_title;
    CMaskedBitmap m_bottom;
    unsigned m_titleId = kHomeTitleBitmap;
    CButtonPlus m_home;
    CButtonPlus m_next;
    CButtonPlus m_recover;
    CButtonPlus m_back;
    CButtonPlus m_homeLink;
    CButtonPlus m_supportLink;
    CButtonPlus m_about;
    CButtonPlus m_language;
    IWizardSheetController* m_controller = nullptr;
    IWizardSheetHost* m_host = nullptr;
    QWidget* m_optionsAnchor = nullptr;
    // By command id - 1020: the setting's value and the name shown.
    std::array<QString, 4> m_languageValues;
    std::array<QString, 4> m_languageNames;
};
