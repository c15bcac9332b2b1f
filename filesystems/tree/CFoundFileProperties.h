// The base of the found-file properties of NTFS, FAT and ext2: the fields they all keep, held once, with the
// stored block they write after their names.
#pragma once

#include "filesystems/tree/FoundFileFields.h"
#include "filesystems/tree/IFileProperties.h"

#include <cstdint>

// A kind adds its own fields, writes its name before these and its extras after them.
class CFoundFileProperties : public IFileProperties {
protected:
    FoundFileFields Fields() const
    {
        return {m_size, m_attributes, m_creationTime, m_modificationTime, m_accessTime, m_state};
    }
    // Taken only once everything else of a stored record was read, so a failed read leaves the old values.
    void SetFields(const FoundFileFields& f)
    {
        m_size = f.size;
        m_attributes = f.attributes;
        m_creationTime = f.creationTime;
        m_modificationTime = f.modificationTime;
        m_accessTime = f.accessTime;
        m_state = f.state;
    }

    uint64_t m_size = 0;
    uint16_t m_attributes = 0;
    FILETIME m_creationTime = 0;
    FILETIME m_modificationTime = 0;
    FILETIME m_accessTime = 0;
    uint8_t m_state = 0;
};
