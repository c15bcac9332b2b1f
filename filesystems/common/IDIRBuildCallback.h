// Progress of a directory-tree build, reported on the builder's worker thread to a progress dialog.
#pragma once

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
