// The reason line of the saving dialogs.
#include "views/saving/SaveReasonText.h"

#include "controls/CResourceLibrary.h"
#include "storage/saving/CFileSaver.h"

QString SaveReasonLine(const std::string& reason)
{
    if (reason.empty()) return {};
    auto& lib = CResourceLibrary::Instance();
    const QString words = reason == CFileSaver::kNothingReadReason  ? lib.LoadText(QStringLiteral("save.nothing-read"))
                          : reason == CFileSaver::kUnreadableReason ? lib.LoadText(QStringLiteral("save.unreadable"))
                                                                    : QString::fromStdString(reason);
    return lib.LoadText(QStringLiteral("save.reason")).arg(words);
}
