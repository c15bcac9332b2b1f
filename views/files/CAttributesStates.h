// "About States": a fixed picture that explains the folder marks and the name colours of the found-file
// views.
#pragma once

#include "controls/CSearchSuperDlg.h"

class QLabel;

class CAttributesStates : public CSearchSuperDlg {
    Q_OBJECT
public:
    static constexpr unsigned kTemplate = 362;

    explicit CAttributesStates(QWidget* parent = nullptr);
    ~CAttributesStates() override;

protected:
    bool OnInitDialog() override;

private:
    QLabel* m_picture;
};
