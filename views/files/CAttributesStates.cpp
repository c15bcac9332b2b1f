// The states legend dialog.
#include "views/files/CAttributesStates.h"

#include "controls/CResourceLibrary.h"
#include "views/files/FoundFilePictures.h"

#include <QLabel>
#include <QPixmap>

CAttributesStates::CAttributesStates(QWidget* parent) : CSearchSuperDlg(kTemplate, parent), m_picture(new QLabel(this))
{
}

CAttributesStates::~CAttributesStates() = default;

bool CAttributesStates::OnInitDialog()
{
    setWindowTitle(TemplateText(0));
    SetTemplateSize(128, 122);
    const QImage legend = CResourceLibrary::Instance().LoadBitmap(kStatesLegendBitmap);
    m_picture->setPixmap(QPixmap::fromImage(legend));
    // The picture keeps its own size; the template's place only fixes its top-left corner.
    PlaceControl(m_picture, 14, 7, 102, 97);
    m_picture->resize(legend.size());
    const QSize need(m_picture->x() + legend.width() + m_picture->x(),
                     m_picture->y() + legend.height() + m_picture->y());
    if (need.width() > width() || need.height() > height())
        setFixedSize(std::max(width(), need.width()), std::max(height(), need.height()));
    return true;
}
