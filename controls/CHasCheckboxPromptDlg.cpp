// The prompt with a check box.
#include "controls/CHasCheckboxPromptDlg.h"

#include "controls/CResourceLibrary.h"
#include "controls/ControlFont.h"
#include "controls/ControlId.h"
#include "controls/MessageBox.h"

#include <QCheckBox>
#include <QLabel>
#include <QStyle>

CHasCheckboxPromptDlg::CHasCheckboxPromptDlg(const QString& lpszText, QWidget* pParent)
    : CSearchSuperDlg(kTemplate, pParent), m_strText(lpszText)
{
    setFont(CreateDialogFont());
    SetTemplateSize(210, 88);

    m_icon = new QLabel(this);
    SetDlgCtrlID(m_icon, kIconId);
    PlaceControl(m_icon, 7, 7, 20, 20);

    m_text = new QLabel(this);
    SetDlgCtrlID(m_text, kTextId);
    m_text->setWordWrap(true);
    m_text->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    PlaceControl(m_text, 38, 7, 165, 27);

    m_check = new QCheckBox(TemplateText(kCheckId), this);
    SetDlgCtrlID(m_check, kCheckId);
    PlaceControl(m_check, 10, 42, 117, 10);

    m_btnOK.AttachToDialog(this, IDOK, DialogUnits().MapDialogRect(136, 66, 59, 19));
    connect(&m_btnOK, &QAbstractButton::clicked, this, [this] { OnOK(); });
}

CHasCheckboxPromptDlg::~CHasCheckboxPromptDlg() = default;

bool CHasCheckboxPromptDlg::OnInitDialog()
{
    CSearchSuperDlg::OnInitDialog();
    m_text->setText(m_strText);
    const QIcon info = style()->standardIcon(QStyle::SP_MessageBoxInformation);
    m_icon->setPixmap(info.pixmap(m_icon->size().boundedTo(QSize(32, 32))));
    setWindowTitle(CResourceLibrary::Instance().LoadString(349));
    return true;
}

void CHasCheckboxPromptDlg::OnOK()
{
    m_bDontShowAgain = m_check->checkState() == Qt::Checked ? 1 : 0;
    CSearchSuperDlg::OnOK();
}
