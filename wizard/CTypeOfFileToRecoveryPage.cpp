// The file-type page.
#include "wizard/CTypeOfFileToRecoveryPage.h"

#include "controller/CTypeOfFileToRecoveryController.h"
#include "controller/IWizardSheet.h"
#include "controls/ControlId.h"
#include "core/filetypes/CMapFileTypeInfo.h"
#include "platform/Log.h"
#include "views/files/CTypeRecoveryDrawTreeCtrl.h"

#include <QPainter>

CTypeOfFileToRecoveryPage::CTypeOfFileToRecoveryPage() = default;

CTypeOfFileToRecoveryPage::~CTypeOfFileToRecoveryPage()
{
    CTypeOfFileToRecoveryController* shared = GetTypeOfFileToRecoveryController();
    if (shared->GetPage() == this) shared->SetPage(nullptr);
}

IWizardPageController* CTypeOfFileToRecoveryPage::GetController()
{
    return m_controller;
}

void CTypeOfFileToRecoveryPage::SetController(ITypeOfFileToRecoveryController* pController)
{
    LogError("------------------------ParmInfo:ITypeOfFileToRecoveryController* pController=%p",
             static_cast<void*>(pController));
    m_controller = pController;
}

bool CTypeOfFileToRecoveryPage::IsAllTypesChecked()
{
    return m_tree && m_tree->IsRootChecked();
}

CMapFileTypeInfo* CTypeOfFileToRecoveryPage::GetCatalogue()
{
    return m_tree ? &m_tree->GetCatalogue() : nullptr;
}

void CTypeOfFileToRecoveryPage::EnableNext(bool enable)
{
    IWizardSheet* sheet = dynamic_cast<IWizardSheet*>(parentWidget());
    if (!sheet) sheet = GetWizardSheet();
    if (sheet) sheet->EnableNextButton(enable);
}

int CTypeOfFileToRecoveryPage::OnCreate()
{
    m_tree = new CTypeRecoveryDrawTreeCtrl(this);
    SetDlgCtrlID(m_tree, kTreeId);
    m_tree->setFrameShape(QFrame::NoFrame);
    m_tree->SetBkColor(RGB(255, 255, 255));
    m_tree->SetItemHeight(kItemHeight);
    m_tree->SetDefaultMouseHandling(false);
    m_tree->SetDrawOffset(kDrawOffset);
    m_tree->CreateCategoryImageList();
    m_tree->CreateStateImageList(kStateBitmap);
    m_tree->LoadFromXml(GetFileFilterPath().c_str());
    connect(m_tree, &CTypeOfFileToRecoveryTreeCtrl::checkedTypesChanged, this, [this](bool any) { EnableNext(any); });
    EnableNext(m_tree->HasCheckedType());
    return 0;
}

QRect CTypeOfFileToRecoveryPage::TreeRect() const
{
    return ToQRect(RECT{m_rcSubTitle.left, m_rcSubTitle.top, m_rcBottom.right, m_rcBottom.bottom});
}

void CTypeOfFileToRecoveryPage::Layout(int, int)
{
    if (!m_tree) return;
    m_tree->setGeometry(TreeRect());
    m_tree->show();
}

void CTypeOfFileToRecoveryPage::Draw(QPainter* pDC)
{
    const QRect frame = TreeRect().adjusted(-1, -1, 1, 1);
    pDC->setPen(ToQColor(kFrameColour));
    pDC->setBrush(Qt::NoBrush);
    pDC->drawRect(frame.adjusted(0, 0, -1, -1));
}
