// Salvix's entry point: the crash handler first, then the Qt application and the application object;
// after a language change the program starts itself again.
#include "app/CZULApp.h"
#include "app/OutOfMemoryNotice.h"
#include "app/shell/CrashHandler.h"
#include "app/shell/ProgramRestart.h"
#include "platform/Memory.h"

#include <QApplication>
#include <string>
#include <vector>

int main(int argc, char** argv)
{
    plat::UseOneHeapArena();
    InstallCrashHandler();
    SetOutOfMemoryNotifier(&ShowOutOfMemoryMessage);
    const std::vector<std::string> arguments(argv, argv + argc);

    int status = 0;
    {
        QApplication qt(argc, argv);
        CZULApp app(arguments);
        status = app.Main();
    }
    if (IsRestartRequested()) RestartProgram(arguments); // returns only when the program could not be executed
    return status;
}
