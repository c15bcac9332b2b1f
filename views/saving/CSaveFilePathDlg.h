// The host of the save-path page: the page fills the dialog above an OK and a Cancel button. OK asks the
// page's check first and, when it passes, closes and runs the save; Cancel closes and saves nothing.
#pragma once

#include "controls/CButtonPlus.h"
#include "controls/CSearchSuperDlg.h"

#include <QPointer>
#include <functional>

class CSaveFilePathDlg : public CSearchSuperDlg {
    Q_OBJECT
public:
    static constexpr unsigned kTemplate = 499;

    explicit CSaveFilePathDlg(QWidget* parent);
    ~CSaveFilePathDlg() override;

    // The page shown inside; it goes back to its own parent when the dialog ends.
    void AttachChild(QWidget* page);
    // checkPath: the page's check of the target (true lets OK close); next: run after closing with OK.
    void SetActions(std::function<bool()> checkPath, std::function<void()> next);

    CButtonPlus* OKButton() { return &m_btnOK; }
    CButtonPlus* CancelButton() { return &m_btnCancel; }

protected:
    bool OnInitDialog() override;
    void OnOK() override;
    void done(int result) override;
    void resizeEvent(QResizeEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;

private:
    QPointer<QWidget> m_page;
    QPointer<QWidget> m_pageParent;
    std::function<bool()> m_checkPath;
    std::function<void()> m_next;
    CButtonPlus m_btnOK{382, 381, 380, 379};
    CButtonPlus m_btnCancel{176, 175, 174, 173};
};
