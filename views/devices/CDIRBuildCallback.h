// The build callback that forwards every report of a tree builder to a CBuildDirectoryDlg. Owns nothing;
// called on the builder's worker.
#pragma once

#include "filesystems/common/IDIRBuildCallback.h"

class CBuildDirectoryDlg;

class CDIRBuildCallback : public IDIRBuildCallback {
public:
    explicit CDIRBuildCallback(CBuildDirectoryDlg* dlg) : m_dlg(dlg) {}
    int Begin(const char* title, int total) override;
    int Step(int n) override;
    int SetPos(int pos) override;
    int Finish() override;
    int CheckCancel() override;

private:
    CBuildDirectoryDlg* m_dlg;
};
