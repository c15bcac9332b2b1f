// Forwarding of the build reports to the dialog.
#include "views/devices/CDIRBuildCallback.h"

#include "views/devices/CBuildDirectoryDlg.h"

int CDIRBuildCallback::Begin(const char* title, int total)
{
    return m_dlg->Begin(title, total);
}
int CDIRBuildCallback::Step(int n)
{
    return m_dlg->Step(n);
}
int CDIRBuildCallback::SetPos(int pos)
{
    return m_dlg->SetPos(pos);
}
int CDIRBuildCallback::Finish()
{
    return m_dlg->Finish();
}
int CDIRBuildCallback::CheckCancel()
{
    return m_dlg->CheckCancel();
}
