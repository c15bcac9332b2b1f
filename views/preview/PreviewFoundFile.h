// The preview of one found file, as the found-file page runs it (its Preview command and the list's
// context menu). How the page calls it:
//
//     #include "views/preview/PreviewFoundFile.h"
//     PreviewFoundFile(this, controller->GetDevice(), selectedNode, [this] { OnCommand(kCmdRecover); });
//
// page: the parent of the messages and dialogs, and the object the Recover button of the preview dialog
// reaches (onRecover runs queued on it after the dialog has closed; nothing happens when it is gone);
// device: the scanned device, opened read-only; node: the selected file (null: "Please select a file to
// preview!"). Nothing is owned. The file is copied to a temporary file in the program's private temporary
// folder under the loading dialog, shown (rich text, office document through the desktop's opener, else
// the preview dialog with its Text, Hex and Image tabs) and removed again; the device is only read.
#pragma once

#include <functional>

class CFileNode;
class IFileProperties;
class IStorageDevice;
class QWidget;

// The largest file previewed: 100 MiB (equal passes).
constexpr unsigned long long kMaxPreviewSize = 104857600ull;

// The string id of the message that refuses a preview of this file, or 0 when it can be previewed: no
// properties or size 0 (268), a folder (269), an encrypted file (270), or above kMaxPreviewSize (271).
// Folder and encryption are told by valid attributes; the size limit holds whether or not they are valid.
unsigned PreviewRefusal(const IFileProperties* properties);

// What the sequence did, for tests and the page.
enum class PreviewOutcome {
    Refused,        // a message said why (or no file was selected)
    CopyFailed,     // the loading dialog said so, or no temporary name could be made
    Cancelled,      // the user aborted the copy
    RichText,       // shown in the rich-text dialog
    OfficeDocument, // handed to the office opener
    PreviewDialog,  // shown in the preview dialog
};

PreviewOutcome PreviewFoundFile(QWidget* page, IStorageDevice* device, CFileNode* node,
                                std::function<void()> onRecover);
