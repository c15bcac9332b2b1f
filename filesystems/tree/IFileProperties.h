// What a found file or folder is: name, size, attributes, times, recovery state, check state and runs.
// One implementation per source (NTFS, FAT, ext2, RAW) plus the plain kind of the synthetic folders.
#pragma once

#include <cstdint>
#include <string>

class IDataRunList;
class IRSData;

// 100 ns units since 1601-01-01 UTC.
typedef uint64_t FILETIME;

// Attribute bits that the tree and the views read (the rest as each kind supplies them).
enum : uint16_t {
    kFileAttrReadOnly = 0x0001,
    kFileAttrHidden = 0x0002,
    kFileAttrSystem = 0x0004,
    kFileAttrDirectory = 0x0010,
    kFileAttrArchive = 0x0020,
    kFileAttrEncrypted = 0x0040,
    kFileAttrSparse = 0x0200,
    kFileAttrCompressed = 0x0800,
};

// State flags (GetState).
enum : uint16_t {
    kFileStateDeleted = 0x01,
    kFileStateLost = 0x02,
    kFileStateCrossLinked = 0x04,
    kFileStateTemporary = 0x08,
    // A folder the system makes itself (the RAW folders, "Deleted Files"); the tree view does not sort
    // below it.
    kFileStateSystemFolder = 0x10,
};

// Check states (GetCheckState). A file is only ever 0 or 2; folders may be 1.
enum : uint8_t {
    kCheckNone = 0,
    kCheckPartial = 1,
    kCheckAll = 2,
};

// Bits of GetValidMask: which fields mean something.
enum : int {
    kValidName = 0x01,
    kValidSize = 0x02,
    kValidAttributes = 0x04,
    kValidCreationTime = 0x08,
    kValidModificationTime = 0x10,
    kValidAccessTime = 0x20,
    kValidState = 0x40,
    kValidCheckState = 0x80,
    kValidDescription = 0x100,
};

// GetPropertiesType values; also the 4-byte kind that precedes each node's properties in a saved tree.
enum : int {
    kPropertiesNTFS = 0,
    kPropertiesFAT = 1,
    kPropertiesExt2 = 2,
    kPropertiesRAW = 3,
    kPropertiesPlain = 4,
};

// Not safe to share between threads (the tree is used by one thread at a time).
class IFileProperties {
public:
    IFileProperties() = default;
    // Frees what the kind owns (its name, its packed runs).
    virtual ~IFileProperties() = default;
    IFileProperties(const IFileProperties&) = delete;
    IFileProperties& operator=(const IFileProperties&) = delete;

    // Length of the name in bytes.
    virtual int GetNameLength() const = 0;
    virtual void SetName(const char* name) = 0;
    // Zero-terminated, owned by the properties; never null ("" when there is no name).
    virtual const char* GetName() const = 0;
    virtual uint64_t GetSize() const = 0;
    virtual uint16_t GetAttributes() const = 0;
    virtual std::string GetDescription() const = 0;
    virtual FILETIME GetCreationTime() const = 0;
    virtual FILETIME GetModificationTime() const = 0;
    virtual FILETIME GetAccessTime() const = 0;
    virtual uint16_t GetState() const = 0;
    virtual uint8_t GetCheckState() const = 0;
    virtual void SetCheckState(uint8_t state) = 0;
    // A new run list that the caller deletes; null when the file has no runs.
    virtual IDataRunList* GetDataRunList() const = 0;
    virtual int GetValidMask() const = 0;
    virtual int GetUserFlag() const = 0;
    // Returns the previous flag (RAW properties return 1).
    virtual int SetUserFlag(int flag) = 0;
    // The kind's recovery-state form; stream errors (CRSException) pass to the caller.
    virtual int Write(IRSData* stream) const = 0;
    virtual int GetPropertiesType() const = 0;
    // Reads what Write wrote; a length out of range throws CRSException with code 2.
    virtual int Read(IRSData* stream) = 0;
};
