// Rich-text and office tests, and the office opener.
#include "views/preview/OfficePreview.h"

#include "platform/Log.h"
#include "views/preview/formats/CompoundFileProbe.h"
#include "views/preview/formats/RtfText.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QWidget>

#include <cstdlib>
#include <signal.h>
#include <stdlib.h>

namespace {

// Holds back mouse and keyboard input to the program's windows while the opener runs.
class InputBlocker : public QObject {
public:
    InputBlocker() { qApp->installEventFilter(this); }
    ~InputBlocker() override { qApp->removeEventFilter(this); }

protected:
    bool eventFilter(QObject*, QEvent* e) override
    {
        switch (e->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseMove:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::Wheel:
        case QEvent::Shortcut:
        case QEvent::ShortcutOverride:
        case QEvent::Close: return true;
        default: return false;
        }
    }
};

QByteArray ReadWhole(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly) || f.size() > kMaxProbedFileSize) return {};
    return f.readAll();
}

CompoundProbe Probe(const QString& path)
{
    const QByteArray data = ReadWhole(path);
    return ProbeCompoundFile(
        std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(data.constData()), size_t(data.size())));
}

// A name for the opener's copy: the found file's name without folders or characters a desktop would trip on.
QString SafeName(const QString& title, const QString& fallbackSuffix)
{
    QString name = QFileInfo(title).fileName();
    for (QChar& c : name)
        if (c == QLatin1Char('/') || c.unicode() < 32) c = QLatin1Char('_');
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String(".."))
        name = QStringLiteral("document") + fallbackSuffix;
    if (name.startsWith(QLatin1Char('-'))) name.prepend(QLatin1Char('_')); // never read as an option
    return name;
}

} // namespace

bool IsRtfFile(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return false;
    const qint64 size = f.size();
    const QByteArray head = f.read(512);
    QByteArray tail = head;
    if (size > 512) {
        if (!f.seek(size - 512)) return false;
        tail = f.read(512);
    }
    auto span = [](const QByteArray& b) {
        return std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(b.constData()), size_t(b.size()));
    };
    return IsRtfBytes(span(head), span(tail), uint64_t(std::max<qint64>(0, size)));
}

bool IsOfficeDocument(const QString& path)
{
    const CompoundProbe p = Probe(path);
    return p.opens && (p.word || p.excel);
}

bool IsCompoundFile(const QString& path)
{
    return Probe(path).opens;
}

QString OfficeOpenerProgram()
{
    const char* env = std::getenv("SALVIX_OFFICE_OPENER");
    return env && *env ? QString::fromLocal8Bit(env) : QStringLiteral("xdg-open");
}

bool OpenWithOfficeViewer(const QString& path, const QString& title, bool skipCheck)
{
    if (!skipCheck && !IsCompoundFile(path)) return false;

    // The copy lies in a folder of its own beside the temporary file, inside the private temporary folder.
    const QString base = QFileInfo(path).absolutePath();
    QByteArray folder = QDir(base).filePath(QStringLiteral("view-XXXXXX")).toLocal8Bit();
    if (!::mkdtemp(folder.data())) {
        LogError("Cannot make a folder for the office preview under %s", base.toLocal8Bit().constData());
        return false;
    }
    const QString copy = QDir(QString::fromLocal8Bit(folder)).filePath(SafeName(title, QStringLiteral(".doc")));
    if (!QFile::copy(path, copy)) {
        LogError("Cannot copy the office preview to %s", copy.toLocal8Bit().constData());
        return false;
    }
    QFile::setPermissions(copy, QFileDevice::ReadOwner);

    // Detached, so that an opener that turns out to be the viewer itself may outlive the wait (and Salvix).
    QProcess opener;
    opener.setProgram(OfficeOpenerProgram());
    opener.setArguments({copy});
    qint64 pid = 0;
    if (!opener.startDetached(&pid) || pid <= 0) {
        LogError("Cannot start the office opener %s", OfficeOpenerProgram().toLocal8Bit().constData());
        return false;
    }
    const InputBlocker block;
    QElapsedTimer waited;
    waited.start();
    // The detached process is not our child: it is alive while signal 0 reaches it.
    while (::kill(pid_t(pid), 0) == 0 && waited.elapsed() < kOpenerWaitMs)
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    return true;
}
