// Helpers of the application tests.
#include "app/tests/AppTestSupport.h"

#include "core/LanguageHelpers.h"
#include "platform/Log.h"
#include "platform/Settings.h"

#include <cstdlib>
#include <fstream>

PrivateFolders::PrivateFolders()
{
    const std::pair<const char*, std::filesystem::path> vars[] = {
        {"SALVIX_CONFIG_DIR", Config()}, {"SALVIX_STATE_DIR", State()}, {"XDG_RUNTIME_DIR", m_dir / "runtime"}};
    for (const auto& [name, value] : vars) {
        const char* old = std::getenv(name);
        m_saved.emplace_back(name, old ? old : std::string("\x01"));
        std::filesystem::create_directories(value);
        ::setenv(name, value.c_str(), 1);
    }
    std::filesystem::create_directories(Runtime());
    std::filesystem::permissions(m_dir / "runtime", std::filesystem::perms::owner_all);
    ResetUILanguageCacheForTest();
}

PrivateFolders::~PrivateFolders()
{
    InitLog("", LOGLEVEL_NORMAL, LOGTYPE_STANDALONE);
    for (const auto& [name, value] : m_saved) {
        if (value == "\x01")
            ::unsetenv(name.c_str());
        else
            ::setenv(name.c_str(), value.c_str(), 1);
    }
    ResetUILanguageCacheForTest();
}

void PrivateFolders::SetLanguage(const char* name) const
{
    if (!name) return;
    plat::SettingsFile settings(Config() / "settings.ini");
    settings.WriteString(kLanguageKey, kLanguageValue, name);
}

WizardSheetFactory FakeSheetFactory(FakeSheet** made)
{
    return [made](QWidget* parent, CWizardSheetController*, IWizardSheetHost*,
                  QString*) -> std::unique_ptr<IHostedWizardSheet> {
        auto sheet = std::make_unique<FakeSheet>(parent);
        if (made) *made = sheet.get();
        return sheet;
    };
}

WizardSheetFactory FailingSheetFactory()
{
    return [](QWidget*, CWizardSheetController*, IWizardSheetHost*,
              QString* error) -> std::unique_ptr<IHostedWizardSheet> {
        if (error) *error = QStringLiteral("Init CWizardSheet is false error=0x1001");
        return nullptr;
    };
}

RecordingResponder::RecordingResponder(int answer)
    : answer(answer), m_scope([this](const MessageBoxRequest& r) {
          boxes.push_back(r);
          return this->answer;
      })
{
}

std::vector<std::string> AppLogTexts(const std::filesystem::path& file)
{
    std::vector<std::string> out;
    std::ifstream f(file);
    std::string line;
    while (std::getline(f, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const size_t close = line.find("] ");
        out.push_back(close == std::string::npos || line.size() < close + 8 ? line : line.substr(close + 8));
    }
    return out;
}
