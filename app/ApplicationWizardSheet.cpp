// The application's wizard sheet inside the client view: the wizard's sheet singleton, adopted by the view.
#include "app/WizardSheetHost.h"

#include "controller/CWizardSheetController.h"
#include "wizard/CWizardSheet.h"

namespace {

constexpr int kSheetControlId = 1314;

class CHostedWizardSheet final : public IHostedWizardSheet {
public:
    explicit CHostedWizardSheet(CWizardSheet* sheet) : m_sheet(sheet) {}
    // The view adopted the sheet: it goes with this holder, before the view's controller.
    ~CHostedWizardSheet() override { delete m_sheet; }

    QWidget* Window() override { return m_sheet; }
    void SendCommandToPage(unsigned command) override { m_sheet->SendCommandToPage(command); }
    void OnHelp() override { m_sheet->OnHelp(); }

private:
    CWizardSheet* m_sheet;
};

} // namespace

std::unique_ptr<IHostedWizardSheet> CreateApplicationWizardSheet(QWidget* parent, CWizardSheetController* controller,
                                                                 IWizardSheetHost* host, QString* error)
{
    CWizardSheet* sheet = CWizardSheet::GetInstance();
    if (sheet->GetInitError() != 0) {
        if (error) *error = sheet->GetInitErrorText();
        CWizardSheet::DestroyInstance();
        return nullptr;
    }
    sheet->SetController(controller);
    controller->SetWizardSheet(sheet);
    sheet->SetHost(host);
    if (!sheet->Create(parent, kSheetControlId)) {
        if (error) *error = sheet->GetInitErrorText();
        controller->SetWizardSheet(nullptr);
        delete sheet;
        return nullptr;
    }
    return std::make_unique<CHostedWizardSheet>(sheet);
}
