// The header band of the disk-image wizards.
#include "views/diskimage/CDIskImagePublicDlg.h"

#include "controls/CResourceLibrary.h"
#include "controls/ControlFont.h"
#include "controls/ControlId.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>

CDIskImagePublicDlg::CDIskImagePublicDlg(QWidget* parent) : CInterfaceDialog(kTemplate, parent)
{
    MakePane(QColor::fromRgb(kBackground));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(16, 6, 16, 6);
    m_picture = new QLabel(this);
    SetDlgCtrlID(m_picture, kPictureId);
    const QImage image = CResourceLibrary::Instance().LoadBitmap(kBitmap);
    if (!image.isNull()) m_picture->setPixmap(QPixmap::fromImage(image));
    m_title = new QLabel(this);
    SetDlgCtrlID(m_title, kTitleId);
    QFont bold = CreateDialogFont();
    bold.setWeight(QFont::Bold);
    bold.setPixelSize(16);
    m_title->setFont(bold);
    m_title->setWordWrap(true);
    layout->addWidget(m_picture, 0, Qt::AlignTop);
    layout->addSpacing(10);
    layout->addWidget(m_title, 1, Qt::AlignTop);
    layout->setAlignment(Qt::AlignTop);
}

void CDIskImagePublicDlg::SetTitle(const QString& text)
{
    m_title->setText(text);
    update();
}

QString CDIskImagePublicDlg::Title() const
{
    return m_title->text();
}
