// The progress, cancel and new-slice interface between the disk-image writer and whoever runs it (the
// image-run dialog, a test, a benchmark).
#pragma once

#include <cstdint>

// Every operation is called by the writer on the thread that runs CCompressController::Compress.
class ICompressCallBack {
public:
    virtual ~ICompressCallBack() = default;

    // After every block: lets the owner process its pending events.
    virtual int PumpMessages() = 0;
    virtual void Reserved2() {}
    // Non-zero stops the writer before its next block; the image then holds the blocks written so far.
    virtual int IsCancelled() = 0;
    virtual void Reserved4(uint64_t) {}
    // Block blockIndex has been written.
    virtual void StepBlock(uint64_t blockIndex) = 0;
    // Once before the first block: first is always 0, blockCount the number of blocks of the run.
    virtual void Begin(uint64_t first, uint64_t blockCount) = 0;
    virtual void Reserved7(uint64_t) {}
    // After every block, before StepBlock: the block's stored size in bytes.
    virtual void BlockWritten(int storedSize) = 0;
    // Asked before every block; non-zero makes the writer start a new slice before storing it.
    virtual int NewSliceRequested() { return 0; }
};
