// Page 10 of the wizard: the file-type catalogue as a tree with three-state checks. Next stays enabled
// while any type is checked; the controller reads the checks through ITypeOfFileToRecoveryView.
#pragma once

#include "controller/ITypeOfFileToRecoveryView.h"
#include "controls/Win32Types.h"
#include "wizard/CWizardPage.h"

class CTypeRecoveryDrawTreeCtrl;
class ITypeOfFileToRecoveryController;

class CTypeOfFileToRecoveryPage : public CWizardPage, public ITypeOfFileToRecoveryView {
    Q_OBJECT
public:
    static constexpr int kHelpId = 52;
    static constexpr int kTreeId = 1500;
    static constexpr int kItemHeight = 65;
    static constexpr int kDrawOffset = 26;
    static constexpr unsigned kStateBitmap = 135;
    static constexpr COLORREF kFrameColour = RGB(203, 212, 219);

    CTypeOfFileToRecoveryPage();
    ~CTypeOfFileToRecoveryPage() override;

    IWizardPageController* GetController() override;
    int GetHelpContextId() override { return kHelpId; }
    void SetController(ITypeOfFileToRecoveryController* pController);

    bool IsAllTypesChecked() override;
    CMapFileTypeInfo* GetCatalogue() override;

    void Layout(int iClientWidth, int iClientHeight) override;
    void Draw(QPainter* pDC) override;

    CTypeRecoveryDrawTreeCtrl* Tree() const { return m_tree; }
    // The area of the tree.
    QRect TreeRect() const;

protected:
    int OnCreate() override;

private:
    void EnableNext(bool enable);

    ITypeOfFileToRecoveryController* m_controller = nullptr;
    CTypeRecoveryDrawTreeCtrl* m_tree = nullptr; // a child window, made at creation
};
