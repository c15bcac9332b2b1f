// The read-loss notice after a scan.
#include "views/devices/ReadLossNotice.h"

#include "controls/CResourceLibrary.h"
#include "controls/MessageBox.h"
#include "core/devices/CReadLossScope.h"

QString ReadLossText(const CReadLossScope& loss)
{
    return CResourceLibrary::Instance()
        .LoadText(QStringLiteral("scan.unreadable"))
        .arg(QString::number(loss.GetLostSectors()), QString::number(loss.GetLostBytes()),
             QString::number(loss.GetSkippedSectors()));
}

bool ShowReadLoss(const CReadLossScope& loss, QWidget* owner)
{
    if (loss.Empty()) return false;
    ShowMessageBox(owner, ReadLossText(loss), MB_OK | MB_ICONWARNING);
    return true;
}
