// The file dialogs of the disk-image wizards.
#include "views/diskimage/DiskImageFileDialog.h"

#include <QFileDialog>
#include <QStringList>

namespace diskimg {

namespace {
FileDialogResponder s_responder; // user-interface thread only
} // namespace

QString ChooseFile(QWidget* owner, const FileDialogRequest& request)
{
    if (s_responder) return s_responder(request);
    if (request.save) return QFileDialog::getSaveFileName(owner, QString(), request.suggested, request.filter);
    return QFileDialog::getOpenFileName(owner, QString(), request.suggested, request.filter);
}

CScopedFileDialogResponder::CScopedFileDialogResponder(FileDialogResponder responder)
    : m_previous(std::move(s_responder))
{
    s_responder = std::move(responder);
}

CScopedFileDialogResponder::~CScopedFileDialogResponder()
{
    s_responder = std::move(m_previous);
}

QString QtFilter(const QString& win32Filter)
{
    const QStringList parts = win32Filter.split(QLatin1Char('|'), Qt::SkipEmptyParts);
    QStringList filters;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        const QString name = parts[i].trimmed();
        const QString pattern = parts[i + 1].trimmed();
        // The name usually shows its pattern already ("Name(*.ext)"); Qt reads the patterns from that trailing
        // group, so adding it a second time would only print it twice.
        if (name.endsWith(QLatin1Char('(') + pattern + QLatin1Char(')')))
            filters << name;
        else
            filters << name + QStringLiteral(" (") + pattern + QLatin1Char(')');
    }
    return filters.join(QStringLiteral(";;"));
}

} // namespace diskimg
