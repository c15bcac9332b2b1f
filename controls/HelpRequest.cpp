// Help requests of the dialogs.
#include "controls/HelpRequest.h"

#include "controls/WindowMessages.h"
#include "core/HelpTopic.h"

#include <QWidget>

void RequestHelpTopic(QWidget* from, int contextId)
{
    // The main window is the outermost window above the dialog (dialogs own dialogs in turn).
    QWidget* main = nullptr;
    for (QWidget* w = from ? from->parentWidget() : nullptr; w; w = w->parentWidget()) main = w->window();
    if (main && SendMessageTo(main, UM_SHOW_HELP, WPARAM(contextId)) != 0) return;
    OpenHelpTopic(from, contextId);
}
