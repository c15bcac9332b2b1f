// Creation-record log lines.
#include "controls/CreateLog.h"

#include "platform/Log.h"

#include <QByteArray>
#include <cstdint>

unsigned long long LogPointer(const void* p)
{
    return static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(p));
}

void LogCreateStruct(const char* className, const QString& name, unsigned style, const RECT& rect,
                     const QWidget* parent, unsigned nID)
{
    const QByteArray n = name.toUtf8();
    LogError("------------------------ParmInfo:CREATESTRUCT cs.cx=%d, cs.cy=%d, cs.dwExStyle=%x, cs.hInstance=%llx,"
             "\t\t\t\tcs.hMenu=%llx, cs.hwndParent=%llx, cs.lpCreateParams=%llx,cs.lpszClass=%llx, cs.lpszName=%llx, "
             "cs.style=%x,\t\t\t\tcs.x=%d, cs.y=%d",
             rect.Width(), rect.Height(), 0u, 0ull, static_cast<unsigned long long>(nID), LogPointer(parent), 0ull,
             LogPointer(className), LogPointer(n.constData()), style, rect.left, rect.top);
}

void LogCreateHandler(const char* className, const QString& name, unsigned style, const RECT& rect,
                      const QWidget* parent, unsigned nID)
{
    const QByteArray n = name.toUtf8();
    LogError("------------------------ParmInfo: LPCREATESTRUCT  lpCreateParams=%llx,  hInstance =%llx, \t\t\t\t\t"
             "hMenu=%llx,  hwndParent=%llx,  cy=%x,  cx=%x,  y=%x,  x=%x, \t\t\t\t\t"
             "style=%x,  lpszName=%llx,  lpszClass=%llx,  dwExStyle=%x",
             0ull, 0ull, static_cast<unsigned long long>(nID), LogPointer(parent), unsigned(rect.Height()),
             unsigned(rect.Width()), unsigned(rect.top), unsigned(rect.left), style, LogPointer(n.constData()),
             LogPointer(className), 0u);
}
