// The partition properties dialog.
#include "views/devices/CScanPartitionPropertiesDlg.h"

#include "controls/CResourceLibrary.h"
#include "controls/ControlFont.h"
#include "controls/ControlId.h"
#include "controls/MessageBox.h"

#include <QHeaderView>
#include <QTreeWidget>

CScanPartitionPropertiesDlg::CScanPartitionPropertiesDlg(QWidget* parent)
    : CSearchSuperDlg(kTemplate, parent), m_list(new QTreeWidget(this))
{
    setFont(CreateDialogFont());
    SetTemplateSize(336, 250);
    SetDlgCtrlID(m_list, kListId);
    PlaceControl(m_list, 7, 7, 322, 208);
    m_list->setRootIsDecorated(false);
    m_list->setColumnCount(2);
    const CResourceLibrary& lib = CResourceLibrary::Instance();
    m_list->setHeaderLabels(
        {lib.LoadText(QStringLiteral("dialog.320.name")), lib.LoadText(QStringLiteral("dialog.320.value"))});
    m_list->header()->resizeSection(0, 200);
    m_list->header()->resizeSection(1, 200);
    m_list->header()->setDefaultAlignment(Qt::AlignLeft);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_btnOK.AttachToDialog(this, IDOK, DialogUnits().MapDialogRect(270, 224, 59, 20));
    connect(&m_btnOK, &QAbstractButton::clicked, this, [this] { EndDialog(IDOK); });
}

CScanPartitionPropertiesDlg::~CScanPartitionPropertiesDlg() = default;

bool CScanPartitionPropertiesDlg::OnInitDialog()
{
    CSearchSuperDlg::OnInitDialog();
    setWindowTitle(TemplateText(0));
    PropertyRows rows;
    if (m_info)
        rows = ScanPartitionRows(*m_info, m_ntfs ? &*m_ntfs : nullptr);
    else if (m_range)
        rows = RangeRows(m_range->first, m_range->second);
    for (const auto& [name, value] : rows) m_list->addTopLevelItem(new QTreeWidgetItem({name, value}));
    return true;
}
