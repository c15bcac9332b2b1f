// Writes small compound documents for tests: directory entries in the order given (so the tests choose which
// names come first), every stream in whole 512-byte sectors, a consistent allocation table and directory tree.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace rawkit {

class CompoundFileBuilder {
public:
    // Adds a stream (or, with storage true, a storage) under parent (0: the root). Returns the entry's index; the
    // root is entry 0 and entries keep the order of the calls.
    size_t Add(const std::u16string& name, size_t dataBytes, size_t parent = 0, bool storage = false);
    // The root entry's class id (sixteen zero bytes unless set).
    void SetRootClass(const std::array<uint8_t, 16>& classId) { m_rootClass = classId; }

    // The document: header, allocation-table sectors, directory sectors, then the streams' sectors.
    std::vector<uint8_t> Build() const;

private:
    struct Entry {
        std::u16string name;
        size_t dataBytes;
        size_t parent;
        bool storage;
    };
    std::vector<Entry> m_entries;
    std::array<uint8_t, 16> m_rootClass{};
};

// A compound-document header only (512 bytes), listing the first 109 of the allocation-table sector numbers, with
// the first directory sector and the first DIFAT sector; the caller writes DIFAT and other sectors behind it
// (document sector n at byte 512 x (n + 1)).
std::vector<uint8_t> CompoundHeader(const std::vector<uint32_t>& tableSectors, uint32_t firstDirectorySector,
                                    uint32_t firstDifatSector = 0xFFFFFFFE);
// One directory sector of four entries with these names (entry 0 first) and the root's class id.
std::vector<uint8_t> CompoundDirectorySector(const std::vector<std::u16string>& names,
                                             const std::array<uint8_t, 16>& rootClass = {});

} // namespace rawkit
