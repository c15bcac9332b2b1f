// Helpers of the application tests: private folders for settings, state and run-time locks; a stand-in
// sheet that records what the view passes to it; a message-box responder that records every box.
#pragma once

#include "app/WizardSheetHost.h"
#include "controls/MessageBox.h"
#include "tests/support/TempDir.h"

#include <QWidget>
#include <filesystem>
#include <string>
#include <vector>

// Points the settings, state and run-time folders at a fresh temporary folder for its lifetime.
class PrivateFolders {
public:
    PrivateFolders();
    ~PrivateFolders();
    std::filesystem::path Config() const { return m_dir / "config"; }
    std::filesystem::path State() const { return m_dir / "state"; }
    std::filesystem::path Runtime() const { return m_dir / "runtime" / "salvix"; }
    // Writes the stored interface language (nothing for null).
    void SetLanguage(const char* name) const;

private:
    testsupport::TempDir m_dir;
    std::vector<std::pair<std::string, std::string>> m_saved;
};

class FakeSheet : public QWidget, public IHostedWizardSheet {
public:
    explicit FakeSheet(QWidget* parent) : QWidget(parent) {}
    QWidget* Window() override { return this; }
    void SendCommandToPage(unsigned command) override { commands.push_back(command); }
    void OnHelp() override { ++helps; }
    std::vector<unsigned> commands;
    int helps = 0;
};

// A factory making FakeSheets (the last one made is in *made when given).
WizardSheetFactory FakeSheetFactory(FakeSheet** made = nullptr);
// A factory that fails.
WizardSheetFactory FailingSheetFactory();

// Records every message box and answers with a fixed button.
class RecordingResponder {
public:
    explicit RecordingResponder(int answer = IDOK);
    std::vector<MessageBoxRequest> boxes;
    int answer;

private:
    CScopedMessageBoxResponder m_scope;
};

// The texts of the log lines in a file (time, thread and level taken off).
std::vector<std::string> AppLogTexts(const std::filesystem::path& file);
