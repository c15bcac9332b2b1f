// Wizard-state files: where a format or partition recovery keeps the chain of page controllers that led to
// the current page, with each controller's own sections, so that a later run continues without scanning.
// This layer knows the files, their status and the chain; the controllers' sections are written and read by
// the controllers (controller/WizardStateFiles.h).
//
// A wizard-state file is a recovery-state stream (CRSDataEx). Header kind = the status of the controller
// that was current; title = the result text shown in the "Previous Recovery..." row.
// Controller chain {6EAE44F1-5CA7-49F8-BD8D-7126D446AACA}, little-endian:
//   u32 count n (at most kMaxChainEntries), then n u32 controller types, oldest first
// then the controllers' sections in chain order, then a body check written by this program:
// Body check {3F0A52C1-8E47-4B6D-9C21-7A5E0D4B9F63}: u64 length n of the bytes from offset 132 up to this
//   section, u32 CRC-32 (zlib's) of those n bytes. The header keeps its own check, so the status can be
//   rewritten alone. Readers that look sections up by GUID pass over it; a file without it (written
//   elsewhere) is read without the check.
//
// A file under its real name is always complete: it is written under a temporary name beside it, every
// result checked, the status written last, synced and renamed over the old one.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "core/rsdata/RSGuid.h"

class IRSData;

inline constexpr RSGuid kRSWizardStateCheckGuid{
    0x3F0A52C1, 0x8E47, 0x4B6D, {0x9C, 0x21, 0x7A, 0x5E, 0x0D, 0x4B, 0x9F, 0x63}};

// Controller types stored in the chain.
enum WizardStateControllerType : int {
    kStateCompleteDevice = 0, // format recovery: device page
    kStateCompleteScan = 1,   // format recovery: partitions to build
    kStateLostDisk = 2,       // partition recovery: disk page
    kStateLostPartition = 3,  // partition recovery: found partitions
    kStateLostScan = 4,       // partition recovery: partitions to build
    kStateFileSelect = 5,     // found files
    kStateNotSaved = 6,
};

// A chain holds at most this many entries (the longest chain a mode writes has four).
constexpr unsigned kMaxChainEntries = 16;
// Bytes of the result text kept in the header; longer texts are cut on a character boundary.
constexpr int kMaxResultInfoBytes = 100;

struct WizardStatePaths {
    std::string working; // rewritten while the user goes through the wizard
    std::string last;    // the working file once it was complete and valid at a start
};

// The files of a scan kind (1 format: "cstemp.rdf", "cslast.rdf"; 2 partition: "lpstemp.rdf",
// "lpslast.rdf") in the program's state folder. False for other kinds or without a state folder.
bool GetRecoveryStatePaths(int scanKind, WizardStatePaths& out);
// The same files in a folder of the caller's choice.
bool GetRecoveryStatePathsIn(const std::string& folder, int scanKind, WizardStatePaths& out);

// The header status of a current controller's type: 1 -> 1, 5 -> 2, 3 -> 3, 4 -> 4, any other -> 0
// (the file does not count as valid).
int WizardStateStatus(int controllerType);
// The highest controller type restored for a status: 1 -> 1, 2 -> 5, 3 -> 3, 4 -> 4, any other -> 6.
int WizardStateRestoreBound(int status);

// Whether a chain (oldest first, types already bounded) is one that a recovery mode writes: the device
// controller of format (0) or partition (2) recovery first, then controllers of the same mode in rising
// order (format: 1, 5; partition: 3, 4, 5). With a valid status (1..4) the chain must end in the
// controller that status names.
bool IsAcceptedControllerChain(const std::vector<int>& chain, int status);

// Writes the chain section; stream errors pass as CRSException.
void WriteControllerChain(IRSData* stream, const std::vector<int>& chain);
// Reads the chain section of a file with this header status: entries of type 6 are skipped, types above the
// status's bound left out, and what remains must be an accepted chain. A count above kMaxChainEntries or a
// chain not accepted is code 2, a short section code 5, a missing one code 7.
std::vector<int> ReadControllerChain(IRSData* stream, int status);

// Writes the result text (cut to kMaxResultInfoBytes on a character boundary) as the title. Errors pass.
bool WriteWizardStateTitle(IRSData* stream, const char* text);

// The controllers' sections, written after the chain; false (or a CRSException) makes the save fail.
using WizardStateSections = std::function<bool(IRSData* stream)>;

// Writes a whole state file at path: header, chain, the sections, the status last; then reads the header
// and the chain back, syncs, and renames it over path. writer is the stream to write with (a new CRSDataEx
// when null). False, with path untouched and no temporary file left, on any failure; a stream error is
// traced with its code.
bool WriteWizardStateFile(const std::string& path, int status, const std::vector<int>& chain,
                          const WizardStateSections& sections, IRSData* writer = nullptr);

// Rewrites only the status of an existing file whose header is whole. A status its chain does not reach is
// stored as 0, so the file stops counting as valid. False when the file is missing or damaged (nothing is
// created or repaired) or the write fails.
bool SetWizardStateStatus(const std::string& path, int status);

// Whether the bytes after the header are those the body check names (true for a file without one).
bool CheckWizardStateBody(const std::string& path);

// A complete, valid file: header check, a valid status, a readable accepted chain and a matching body.
bool IsCompleteWizardStateFile(const std::string& path);

// Moves a complete, valid working file over the last file. True when it was moved or when there was nothing
// valid to move (the last file is kept); false when the move failed.
bool PromoteWizardStateFile(const WizardStatePaths& paths);

// Copies from over to (under a temporary name, synced and renamed). False on any failure, to untouched.
bool CopyWizardStateFile(const std::string& from, const std::string& to);

// The result text of a valid file into buffer (size bytes with the terminating zero). False when the file is
// missing, damaged or not valid.
bool ReadWizardStateTitle(const std::string& path, char* buffer, int size);
