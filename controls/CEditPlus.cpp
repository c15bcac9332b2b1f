// The edit box with editing shortcuts.
#include "controls/CEditPlus.h"

#include <QKeyEvent>

CEditPlus::CEditPlus(QWidget* parent) : QLineEdit(parent) {}

bool CEditPlus::IsEditingShortcut(int key, Qt::KeyboardModifiers modifiers)
{
    if (!(modifiers & Qt::ControlModifier)) return false;
    switch (key) {
    case Qt::Key_A:
    case Qt::Key_C:
    case Qt::Key_V:
    case Qt::Key_X:
    case Qt::Key_Z: return true;
    default: return false;
    }
}

bool CEditPlus::event(QEvent* e)
{
    if (e->type() == QEvent::ShortcutOverride) {
        auto* k = static_cast<QKeyEvent*>(e);
        if (IsEditingShortcut(k->key(), k->modifiers())) {
            e->accept(); // the key comes to this box as a key press instead of triggering a shortcut
            return true;
        }
    }
    return QLineEdit::event(e);
}

void CEditPlus::keyPressEvent(QKeyEvent* e)
{
    if (!IsEditingShortcut(e->key(), e->modifiers())) {
        QLineEdit::keyPressEvent(e);
        return;
    }
    switch (e->key()) {
    case Qt::Key_A: selectAll(); break;
    case Qt::Key_C: copy(); break;
    case Qt::Key_V: paste(); break;
    case Qt::Key_X: cut(); break;
    case Qt::Key_Z: undo(); break;
    }
    e->accept();
}
