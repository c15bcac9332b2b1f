// A one-line edit box that keeps the five editing shortcuts (Ctrl+A, C, V, X, Z) for itself, so that no
// dialog or window shortcut can take them while it has the focus.
#pragma once

#include <QLineEdit>

class CEditPlus : public QLineEdit {
    Q_OBJECT
public:
    explicit CEditPlus(QWidget* parent = nullptr);

    // Whether a key press is one of the editing shortcuts (Ctrl held, any other modifiers aside).
    static bool IsEditingShortcut(int key, Qt::KeyboardModifiers modifiers);

protected:
    bool event(QEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
};
