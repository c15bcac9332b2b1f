// Atom lengths and the atom walks of MP4, 3GP and QuickTime files.
#include "raw/Mp4Atoms.h"

#include "core/bytes/ByteReader.h"
#include "raw/RawWalk.h"

#include <cctype>
#include <cstring>

namespace {

bool TypeIsCi(const uint8_t* type, const char* name)
{
    for (int i = 0; i < 4; ++i)
        if (std::tolower(type[i]) != name[i]) return false;
    return true;
}

bool IsMp4Type(const uint8_t* type)
{
    // The top-level boxes of whole and fragmented files: media data, movie, free space, fragments with their
    // random-access table, segment type and index boxes, event messages, producer times, progressive download
    // information and vendor boxes.
    for (const char* name : {"mdat", "moov", "free", "skip", "wide", "moof", "mfra", "sidx", "ssix", "styp", "emsg",
                             "prft", "pdin", "uuid"})
        if (TypeIsCi(type, name)) return true;
    return false;
}

} // namespace

bool ReadAtomLength(std::span<const uint8_t> atom, uint64_t& length)
{
    bytes::ByteReader r(atom);
    const uint32_t small = r.u32be(0);
    if (!r) return false;
    if (small == 1) {
        const uint64_t large = r.u64be(8);
        if (!r || large < 16 || large > uint64_t(INT64_MAX)) return false;
        length = large;
        return true;
    }
    if (small < 8 || small > uint32_t(INT32_MAX)) return false;
    length = small;
    return true;
}

bool IsMp4FileAtom(std::span<const uint8_t> atom)
{
    bytes::ByteReader r(atom);
    if (r.has(4, 4) && IsMp4Type(atom.data() + 4)) return true;
    return r.has(12, 4) && IsMp4Type(atom.data() + 12);
}

bool IsMp4FragmentAtom(std::span<const uint8_t> atom)
{
    bytes::ByteReader r(atom);
    if (!r.has(4, 4)) return false;
    for (const char* name : {"moof", "mdat", "sidx", "ssix", "styp", "emsg", "prft"})
        if (TypeIsCi(atom.data() + 4, name)) return true;
    return false;
}

bool IsMovFileAtom(std::span<const uint8_t> atom)
{
    bytes::ByteReader r(atom);
    for (const char* name : {"free", "mdat", "pnot", "moov", "wide", "ftyp"})
        if (r.matches(4, name)) return true;
    return false;
}

int WalkMp4Atoms(RawWalk& walk)
{
    RawSectorReader& reader = walk.Reader();
    uint64_t offset = 0;
    // The first atom (normally ftyp) is taken as it is.
    if (!ReadAtomLength(reader.GetSpan(0), offset)) return 0;
    // Every atom adds at least 8 bytes, so the bound ends the walk; the atom limit counts no fragment boxes, of
    // which a long fragmented recording has thousands.
    for (unsigned n = 0; n < kMp4MaxAtoms;) {
        walk.Step();
        if (!walk.WithinBound(offset)) break;
        const std::span<const uint8_t> atom = reader.GetSpan(offset);
        uint64_t length = 0;
        if (!ReadAtomLength(atom, length) || !IsMp4FileAtom(atom) || length > UINT64_MAX - offset) break;
        offset += length;
        if (!IsMp4FragmentAtom(atom)) ++n;
    }
    walk.Hit()->SetSize(offset);
    return 1;
}

int WalkMovAtoms(RawWalk& walk)
{
    RawSectorReader& reader = walk.Reader();
    uint64_t offset = 0;
    // Each atom adds at least 8 bytes, so the bound ends the walk.
    while (walk.WithinBound(offset)) {
        walk.Step();
        const std::span<const uint8_t> atom = reader.GetSpan(offset);
        uint64_t length = 0;
        if (!ReadAtomLength(atom, length) || !IsMovFileAtom(atom) || length > UINT64_MAX - offset) break;
        offset += length;
    }
    walk.Hit()->SetSize(offset);
    return 1;
}
