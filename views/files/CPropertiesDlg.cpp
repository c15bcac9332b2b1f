// The file properties dialog.
#include "views/files/CPropertiesDlg.h"

#include "controls/CResourceLibrary.h"
#include "controls/ControlId.h"
#include "views/files/FilePropertyRows.h"

#include <QHeaderView>
#include <QTreeWidget>

CPropertiesDlg::CPropertiesDlg(QWidget* parent) : CSearchSuperDlg(kTemplate, parent), m_list(new QTreeWidget(this))
{
    SetDlgCtrlID(m_list, kListId);
    m_list->setRootIsDecorated(false);
    m_list->setUniformRowHeights(true);
    m_list->setAllColumnsShowFocus(true);
}

CPropertiesDlg::~CPropertiesDlg() = default;

bool CPropertiesDlg::OnInitDialog()
{
    const CResourceLibrary& lib = CResourceLibrary::Instance();
    setWindowTitle(TemplateText(0));
    SetTemplateSize(333, 301);
    PlaceControl(m_list, 7, 7, 319, 287);
    m_list->setColumnCount(2);
    m_list->setHeaderLabels({lib.LoadString(355), lib.LoadString(356)});
    m_list->header()->setStretchLastSection(true);
    m_list->header()->resizeSection(0, 200);
    m_yes = lib.LoadString(366);
    m_no = lib.LoadString(367);
    for (const FilePropertyRow& row : BuildFilePropertyRows(m_node)) {
        const QString value = row.yesNo < 0 ? QString::fromStdString(row.value) : row.yesNo ? m_yes : m_no;
        auto* item = new QTreeWidgetItem(m_list, {lib.LoadString(row.nameId), value});
        item->setToolTip(1, value);
    }
    return true;
}
