// The garbage-collected heap that the ext2 reader takes some buffers from: the inode objects of the inode
// walk and the candidate descriptor tables while a file system opens, each given back by its owner.
//
// The collector is started once, on the main thread, while the program's statics are built. A thread that
// allocates from it must be known to it, which Ext2CollectorThread arranges for its scope. Blocks that are
// given back explicitly are never collected behind the caller's back, and collection pauses while the
// descriptor tables are gathered, so no pointer has to stay visible to the collector's stack scan (which
// cannot see pointers kept in ordinary heap memory).
#pragma once

#include <cstddef>

// Starts the collector; idempotent. Runs before main through a static of this library; a program may call it
// first thing in main as well.
void InitExt2Collector();

// Registers the calling thread with the collector for the object's lifetime, unless it already is.
class Ext2CollectorThread {
public:
    Ext2CollectorThread();
    ~Ext2CollectorThread();
    Ext2CollectorThread(const Ext2CollectorThread&) = delete;
    Ext2CollectorThread& operator=(const Ext2CollectorThread&) = delete;

private:
    bool m_registered = false;
};

// No collection runs while one of these exists (in any thread).
class Ext2CollectorPause {
public:
    Ext2CollectorPause();
    ~Ext2CollectorPause();
    Ext2CollectorPause(const Ext2CollectorPause&) = delete;
    Ext2CollectorPause& operator=(const Ext2CollectorPause&) = delete;
};

// Both allocations end the process like MemAlloc when memory runs out.
// A pointer-free block that stays until Ext2CollectedFree gives it back (contents undefined).
void* Ext2CollectedAllocHeld(size_t bytes);
// Gives a block back at once; null does nothing.
void Ext2CollectedFree(void* p);
