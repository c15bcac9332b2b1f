// Progress of a directory-tree build, reported on the builder's worker thread to a progress dialog.
#pragma once

#include <climits>
#include <cstdint>

// Every operation returns 0 to go on or -1 once the user has cancelled; a builder stops when it sees -1.
class IDIRBuildCallback {
public:
    virtual ~IDIRBuildCallback() = default;
    // A new phase: shows the title, sets the range to 0..total, restarts the elapsed time, logs the title.
    virtual int Begin(const char* title, int total) = 0;
    virtual int Step(int n) = 0;
    virtual int SetPos(int pos) = 0;
    // The phase is complete: the range is filled.
    virtual int Finish() = 0;
    // Only the cancel test (the receiver refreshes its elapsed time at most every 500 ms).
    virtual int CheckCancel() = 0;
};

// Stands in for a missing callback: shows nothing and never cancels.
class CQuietDIRBuildCallback : public IDIRBuildCallback {
public:
    int Begin(const char*, int) override { return 0; }
    int Step(int) override { return 0; }
    int SetPos(int) override { return 0; }
    int Finish() override { return 0; }
    int CheckCancel() override { return 0; }
};

// The callback, or one shared quiet callback (it holds no state) when it is null.
inline IDIRBuildCallback& CallbackOrQuiet(IDIRBuildCallback* callback)
{
    static CQuietDIRBuildCallback quiet;
    return callback ? *callback : quiet;
}

// A count as a progress total or position: held at INT_MAX beyond it.
inline int ClampToProgress(uint64_t value)
{
    return value > uint64_t(INT_MAX) ? INT_MAX : int(value);
}
