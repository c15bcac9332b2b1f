// The header band of both disk-image wizards: the program's picture and the step's title in bold on the
// wizards' blue.
#pragma once

#include "views/diskimage/CInterfaceDialog.h"

#include "controls/CPublicInterface.h"

class QLabel;

class CDIskImagePublicDlg : public CInterfaceDialog, public CPublicInterface {
    Q_OBJECT
public:
    static constexpr unsigned kTemplate = 266;
    static constexpr int kPictureId = 1097, kTitleId = 1141;
    static constexpr unsigned kBitmap = 136;
    static constexpr QRgb kBackground = 0xFFB1DAF4; // COLORREF 0xF4DAB1

    explicit CDIskImagePublicDlg(QWidget* parent);
    void SetTitle(const QString& text);
    QString Title() const;

private:
    QLabel* m_picture;
    QLabel* m_title;
};
