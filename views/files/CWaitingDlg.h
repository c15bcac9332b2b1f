// The small window without caption that asks the user to wait while a folder's check change runs.
#pragma once

#include "controls/CSearchSuperDlg.h"

class QLabel;

class CWaitingDlg : public CSearchSuperDlg {
    Q_OBJECT
public:
    static constexpr unsigned kTemplate = 265;
    static constexpr int kTextId = 1194;

    explicit CWaitingDlg(QWidget* parent = nullptr);
    ~CWaitingDlg() override;

    void SetText(const QString& text);
    QString GetText() const { return m_text; }

protected:
    bool OnInitDialog() override;

private:
    QString m_text;
    QLabel* m_static;
};
