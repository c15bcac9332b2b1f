// The application's wizard sheet inside the client view.
#include "app/WizardSheetHost.h"

#include <QWidget>

std::unique_ptr<IHostedWizardSheet> CreateApplicationWizardSheet(QWidget* /*parent*/,
                                                                 CWizardSheetController* /*controller*/, QString* error)
{
    if (error)
        *error = QStringLiteral("the wizard sheet is not part of this build");
    return nullptr;
}
