// The signature analyser: one object per file format that says whether a file of its kind starts in a sector
// (IsMatch) and measures such a file on the device (Analyse). The conventions every analyser follows are below.
#pragma once

#include "core/filetypes/RawTypeIds.h"
#include "raw/RawSignatures.h"

#include <cstdint>
#include <string>

class CRawFileInfo;
class IStorageDevice;

// How an analyser is written
// ---------------------------
// - One class per format family, in raw/<ClassName>.h and raw/<ClassName>.cpp, deriving from IRawFileAnalyser.
//   The class's constructor takes no arguments and passes its own RAW type id and its RawSignature to the base:
//       FileZIPAnalyser() : IRawFileAnalyser(RawType::kZIP, RawSignature::ZIP) {}
// - IsMatch is the shared signature test and nothing else:
//       int IsMatch(const uint8_t* sector, CRawFileInfo* hit) override
//       { return MatchRawSignature(RawSignature::ZIP, sector, hit); }
//   It must stay a pure function of the sector's first 512 bytes: the sector matcher (RawSectorMatcher) asks an
//   analyser only for sectors whose key byte fits its signature (GetRawSignatureKey), and asks only the first of
//   several analysers with the same signature. On a match MatchRawSignature sets the type id and the size (0 for
//   formats that are measured by walking; the header size, capped by the maximal RAW file size, for the others).
// - Analyse measures by walking, through RunRawWalk (raw/RawWalk.h), which gives a RawWalk: its RawSectorReader
//   (raw/RawSectorReader.h: GetSpan/GetReader give a pointer and the bytes valid from an offset, so byte scans can
//   use memchr/memcmp; a whole sector is valid behind every pointer except at the device's end), the bound
//   (WithinBound: the running offset against the maximal RAW file size option) and Step (call once per structure
//   visited; it is the hook that stands in for the message pumping of long walks). RunRawWalk turns an
//   exception into size 0 (not found) and caps the size the walk set to the maximal RAW file size and to the
//   bytes left on the device. Decode every structure through bytes::ByteReader (core/bytes/ByteReader.h);
//   keep decoding in small pure functions over spans, I/O in the walk. Never keep a pointer from the reader
//   across another reader call. No analyser keeps process-wide state; texts (GetNamePrefix, GetExtraText) are
//   members describing the file measured last.
// - A name prefix taken from file contents (camera model, song title) goes through CleanRawNamePrefix
//   (raw/RawWalk.h) before SetNamePrefix: it becomes part of a file name.
//
// How an analyser joins the list and the factory
// ----------------------------------------------
// SALVIX_RAW_ANALYSER_CLASSES (raw/RawAnalyserFactory.h) is the one list of classes, in the default list order;
// raw/RawAnalyserFactory.cpp includes raw/<ClassName>.h for each and makes the class from it, so a class named
// in the list that is missing or renamed fails the build. The factory's type rows (kTypeRows, one per fixed RAW
// type id of core/filetypes/RawTypeIds.h) name the classes that serve each id; RawAnalyserListTest makes every
// class of the list and checks its name, type and signature.
//
// Tests, fixtures and fuzz targets
// --------------------------------
// - Tests go to raw/tests/<Name>Test.cpp (one GoogleTest program for the module). Byte-built headers for exact
//   edges; real files for measuring: tests/fixtures/raw/<family>/ with one manifest per family,
//   tests/fixtures/raw/<family>.manifest, lines "name<TAB>type id<TAB>expected size<TAB>sha256", made by
//   tests/fixtures/make_raw_fixtures_<family>.sh with Debian tools (files <= 64 KiB each; the script installs
//   its tools itself, CI needs none of them). testsupport::RawImageComposer (tests/support/RawImageComposer.h)
//   places such files at sector offsets of an in-memory disk and records their start, size, type and SHA-256.
// - Every analyser that decodes bytes gets a libFuzzer target fuzz/raw/<Name>Fuzz.cpp whose first line is
//   "// fuzz-target: salvix_raw".
class IRawFileAnalyser {
public:
    virtual ~IRawFileAnalyser() = default;

    IRawFileAnalyser(const IRawFileAnalyser&) = delete;
    IRawFileAnalyser& operator=(const IRawFileAnalyser&) = delete;

    // Measures the hit's file on the device: sets its size (0: not found) and may refine its type id and texts.
    // 1 on success, 0 on failure. The base answers 1 and changes nothing.
    virtual int Analyse(CRawFileInfo* hit, IStorageDevice* device);
    // Whether a file of this kind starts in the sector (at least 512 readable bytes); non-zero on a match, after
    // setting the hit's type id and size. Reads only the first 512 bytes.
    virtual int IsMatch(const uint8_t* sector, CRawFileInfo* hit) = 0;
    // Texts of the file measured last; empty for most formats.
    virtual std::string GetNamePrefix();
    virtual std::string GetExtraText();
    // Whether a measured file of this kind holds every hit of this analyser that starts inside it (the member
    // headers of an archive, a stored archive or document within one): such hits are not files of their own.
    // True for the containers whose walk ends at their last structure; false (the base) where a walk that finds
    // no end runs on into the files that follow.
    virtual bool HoldsNestedHits() const { return false; }

    // The analyser's own RAW type id; -1 for the custom analyser.
    int GetType() const { return m_type; }
    // Which sectors IsMatch can accept; RawSignature::None: any sector (it is asked for every one).
    RawSignature GetSignature() const { return m_signature; }

protected:
    IRawFileAnalyser() = default;
    IRawFileAnalyser(int type, RawSignature signature) : m_type(type), m_signature(signature) {}

    int m_type = -1;
    RawSignature m_signature = RawSignature::None;
};
