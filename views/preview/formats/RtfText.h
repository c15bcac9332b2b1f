// Rich text read for showing: the paragraphs of an RTF file as runs of text with bold, italic and
// underline, the document's tables and pictures left out. Also the quick test that a file is rich text.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

struct RtfRun {
    std::string text; // UTF-8
    bool bold = false;
    bool italic = false;
    bool underline = false;
};

struct RtfParagraph {
    std::vector<RtfRun> runs;
};

struct RtfDocument {
    std::vector<RtfParagraph> paragraphs;
};

// Pure: the whole file's bytes. Unknown control words are ignored, ignorable destinations ("\*") and the
// tables of fonts, colours, styles and the like are skipped; \'hh and 8-bit bytes are read in the code page
// the document names with \ansicpg (single- and double-byte Windows code pages; Windows-1252 when it names
// none or one the system cannot convert), \uN as UTF-16. Groups nested deeper than a fixed limit are skipped whole, so no input recurses or grows
// the output beyond a few times its own size.
RtfDocument ParseRtf(std::span<const uint8_t> data);

// The rich-text test on the first and last bytes of a file (the same block when the file has at most
// 512 bytes): its first four bytes are "{\rt" in any case, and its last byte other than a carriage return,
// a line feed or a zero byte is "}". size is the file's length; a file of 4 bytes or less is never rich text.
bool IsRtfBytes(std::span<const uint8_t> head, std::span<const uint8_t> tail, uint64_t size);
