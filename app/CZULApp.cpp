// Start-up, message loop and shut-down.
#include "app/CZULApp.h"

#include "app/CMainFrame.h"
#include "app/OutOfMemoryNotice.h"
#include "app/shell/CrashHandler.h"
#include "app/shell/DiskUsageReport.h"
#include "app/shell/LogReports.h"
#include "app/shell/StartupOptions.h"
#include "app/shell/UsageEvents.h"
#include "controls/QtTranslations.h"
#include "controls/CHelpViewer.h"
#include "controls/CResourceLibrary.h"
#include "controls/MessageBox.h"
#include "core/CRecoverySettings.h"
#include "filesystems/partitions/CCollectDiskDevice.h"
#include "platform/Folders.h"
#include "platform/Log.h"
#include "platform/Memory.h"
#include "platform/Settings.h"
#include "raw/CCustomHeaderManage.h"

#include <QApplication>
#include <new>

CZULApp::CZULApp(std::vector<std::string> arguments) : m_arguments(std::move(arguments)) {}

CZULApp::~CZULApp()
{
    m_frame.reset();
    m_help.reset();
    if (GetWizardServices() == &m_services) SetWizardServices(nullptr);
}

void CZULApp::ChooseLanguageBundle()
{
    plat::SettingsFile settings = plat::SettingsFile::Default();
    const std::string name = ReadStartupLanguage(settings);
    const LanguageChoice choice = ChooseLanguage(name);
    CRecoverySettings* options = GetRecoverySettings();
    options->m_interfaceLanguage = choice.interfaceLanguage;
    if (choice.bundleName.empty()) return;
    CResourceLibrary& library = CResourceLibrary::Instance();
    QString error;
    if (library.LoadLanguageBundle(CResourceLibrary::BundlePathFor(QString::fromStdString(choice.bundleName)),
                                   &error)) {
        m_bundleLoaded = true;
        options->m_resourceModule = &library;
        m_helpLanguage = choice.bundleName;
        m_qtTranslator = InstallQtTranslations(QString::fromStdString(choice.bundleName));
    } else {
        LogError("Language bundle %s not loaded: %s", choice.bundleName.c_str(), error.toUtf8().constData());
    }
}

bool CZULApp::InitInstance()
{
    // 1-3: the interface language and its bundle.
    ChooseLanguageBundle();
    // Help requests show the book in the language of the texts.
    m_help = std::make_unique<CHelpViewer>(m_helpLanguage);
    // 4: the texts start-up needs; the product name is read from the table on use.
    m_runningMessage = CResourceLibrary::Instance().LoadString(434);

    // 5: one instance at a time.
    if (m_instance.Acquire(plat::RuntimeFolder(), kInstanceLockName) == CSingleInstance::Result::kAlreadyRunning) {
        ShowMessageBox(nullptr, m_runningMessage, MB_OK | MB_ICONINFORMATION);
        return false;
    }

    // 6-8: the log.
    const LOGLEVEL level = LogLevelFromArguments(m_arguments);
    const LOGTYPE type = LogTypeFromLoaderLock(plat::RuntimeFolder());
    const std::string logPath = LogFilePath(plat::StateFolder());
    InitLog(logPath.c_str(), level, type);
    SetCrashLogPath(logPath);

    // 9: the header.
    LogStartupHeader();

    // The header scripts' types, so that the Options dialog lists them and the wizard selects them from the start.
    LoadCustomRawTypeIds();

    // The controllers reach the log's phase lines and usage events through these services, and the disk
    // collector reports the disks it finds to the usage module.
    SetWizardServices(&m_services);
    SetDiskReportCallback(ReportCollectedDisksToUsageModule);

    // 14: the main frame with the wizard; a sheet that cannot be set up ends start-up.
    m_frame = std::make_unique<CMainFrame>();
    QString error;
    if (!m_frame->LoadFrame(m_sheetFactory ? m_sheetFactory : GetWizardSheetFactory(), &error)) {
        m_frame.reset();
        LogError("Start-up ended: the wizard could not be set up (%s)", error.toUtf8().constData());
        ShowMessageBox(nullptr, CResourceLibrary::Instance().LoadText(QStringLiteral("app.sheet-init-failed")),
                       MB_OK | MB_ICONERROR);
        return false;
    }
    QIcon icon = CResourceLibrary::Instance().LoadIcon(128);
    if (icon.isNull()) icon = CResourceLibrary::Instance().LoadIcon(492);
    if (!icon.isNull()) {
        m_frame->setWindowIcon(icon);
        QApplication::setWindowIcon(icon);
    }
    m_frame->show();

    // 15: the usage module learns of the start.
    ReportUsageEvent(kUsageStartup);
    return true;
}

int CZULApp::Run()
{
    try {
        return QApplication::exec();
    } catch (const std::bad_alloc&) {
        const CRecoverySettings* options = GetRecoverySettings();
        LogError("Out of memory: the message loop ended (exit status %d)", plat::kOutOfMemoryExitStatus);
        ShowOutOfMemoryMessage(OutOfMemoryMessageId(options->m_recoverRawFiles != 0));
        return plat::kOutOfMemoryExitStatus;
    }
}

int CZULApp::ExitInstance(int status)
{
    m_frame.reset();
    m_help.reset();
    if (GetWizardServices() == &m_services) SetWizardServices(nullptr);
    CRecoverySettings* options = GetRecoverySettings();
    if (options->m_resourceModule) {
        CResourceLibrary::Instance().UnloadLanguageBundle();
        options->m_resourceModule = nullptr;
        m_bundleLoaded = false;
    }
    SetDiskReportCallback(nullptr);
    ShutdownUsageModule();
    m_instance.Release();
    return status;
}

int CZULApp::Main()
{
    if (!InitInstance()) return ExitInstance(kExitStartFailed);
    return ExitInstance(Run());
}
