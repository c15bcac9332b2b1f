// Control ids: the number a window's template gives each control, by which owners find it and by which
// controls name themselves in notifications.
#pragma once

class QWidget;

void SetDlgCtrlID(QWidget* control, int id);
// The control's id, 0 when none was set.
int GetDlgCtrlID(const QWidget* control);
// The first child of parent (at any depth) with that id, or null.
QWidget* GetDlgItem(const QWidget* parent, int id);
