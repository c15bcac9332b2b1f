// The host of the save-result page: the page fills the dialog; the dialog ends when the page closes it.
#pragma once

#include "controls/CSearchSuperDlg.h"

#include <QPointer>

class CSaveFileResultDlg : public CSearchSuperDlg {
    Q_OBJECT
public:
    static constexpr unsigned kTemplate = 501;

    explicit CSaveFileResultDlg(QWidget* parent);
    ~CSaveFileResultDlg() override;

    // The page shown inside; it goes back to its own parent when the dialog ends.
    void AttachChild(QWidget* page);

protected:
    bool OnInitDialog() override;
    void done(int result) override;
    void resizeEvent(QResizeEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;

private:
    QPointer<QWidget> m_page;
    QPointer<QWidget> m_pageParent;
};
