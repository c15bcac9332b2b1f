// Control ids kept as a property of the widget.
#include "controls/ControlId.h"

#include <QVariant>
#include <QWidget>

namespace {
constexpr const char* kIdProperty = "salvixCtrlId";
}

void SetDlgCtrlID(QWidget* control, int id)
{
    if (control) control->setProperty(kIdProperty, id);
}

int GetDlgCtrlID(const QWidget* control)
{
    return control ? control->property(kIdProperty).toInt() : 0;
}

QWidget* GetDlgItem(const QWidget* parent, int id)
{
    if (!parent) return nullptr;
    for (QWidget* w : parent->findChildren<QWidget*>())
        if (GetDlgCtrlID(w) == id) return w;
    return nullptr;
}
