// The top-level atoms (boxes) of MPEG-4, 3GPP and QuickTime files, and the two walks that add up the atoms
// belonging to one file: the MP4 walk (shared by MP4 and 3GP) and the QuickTime walk.
//
// Atom header: length BE u32 at 0 (the whole atom, header included), type (4 characters) at 4; length 1: a
// 64-bit length BE u64 at 8 follows the type.
#pragma once

#include <cstdint>
#include <span>

class RawWalk;

// At most this many atoms follow the first in the MP4 walk, fragment boxes not counted.
inline constexpr unsigned kMp4MaxAtoms = 500;

// The atom's length: the BE u32 at 0, or the 64-bit length at 8 when that is 1. False for lengths that cannot
// hold the atom's own header (below 8, or below 16 for a 64-bit length) or that are negative as signed values.
bool ReadAtomLength(std::span<const uint8_t> atom, uint64_t& length);

// Whether an atom the MP4 walk meets belongs to the file: its type, or the type of an 8-byte atom's successor
// (the 4 bytes at 12), is a top-level box of a whole or fragmented file (any case): mdat, moov, free, skip, wide,
// moof, mfra, sidx, ssix, styp, emsg, prft, pdin or uuid.
bool IsMp4FileAtom(std::span<const uint8_t> atom);
// Whether an atom is one of the boxes of a movie fragment or segment (moof, mdat, sidx, ssix, styp, emsg, prft).
bool IsMp4FragmentAtom(std::span<const uint8_t> atom);
// Whether an atom belongs to a QuickTime file: its type is exactly free, mdat, pnot, moov, wide or ftyp.
bool IsMovFileAtom(std::span<const uint8_t> atom);

// The walks set the hit's size and answer 1, or answer 0 when the file cannot be measured.
int WalkMp4Atoms(RawWalk& walk);
int WalkMovAtoms(RawWalk& walk);
