// The base of the disk-image wizard's panes and of the wizard itself: a dialog that can live as a child
// pane, knows which step Next and Back lead to, and paints itself on a white (or given) background.
#pragma once

#include "controls/CSearchSuperDlg.h"

#include <QColor>

class QKeyEvent;
class QLabel;

class CInterfaceDialog : public CSearchSuperDlg {
    Q_OBJECT
public:
    CInterfaceDialog(unsigned nIDTemplate, QWidget* parent);

    virtual int GetNextStep() { return 0; }
    virtual int GetPrevStep() { return 0; }

    // Makes the dialog a child pane of its parent (no frame of its own) on a solid background.
    void MakePane(const QColor& background = Qt::white);

protected:
    // A label with a text of this template (dialog.<template>.<key>), wrapped to the pane's width.
    QLabel* AddText(const QString& key, int controlId = 0);
    // The same as one line: the label of a value beside it.
    QLabel* AddLabel(const QString& key);
    // Panes that turn Enter into Space and swallow Escape, as the wizard's steps do.
    void keyPressEvent(QKeyEvent* e) override;
    bool m_enterIsSpace = true;
    bool m_swallowEscape = true;
    // The help topic F1 opens (RequestHelpTopic; 0: no help of its own).
    int m_helpTopic = 0;
};

// The sibling base of the open-image wizard's panes: the same two steps, nothing more.
class COpenDiskInterface : public CInterfaceDialog {
    Q_OBJECT
public:
    using CInterfaceDialog::CInterfaceDialog;
};
