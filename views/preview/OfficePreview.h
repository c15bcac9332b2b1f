// The tests that send a preview elsewhere than the preview dialog (rich text, office documents), and the
// hand-over of an office document to the desktop's opener.
//
// Office documents are not shown by Salvix itself: OpenWithOfficeViewer gives a copy of the file, named
// after the found file so that the desktop picks the application by its type, to the opener program and
// waits (input to Salvix's windows held back) until the opener has returned, at most kOpenerWaitMs. The
// opener is $SALVIX_OFFICE_OPENER when set (a program run with the file as its one argument: tests and
// users script it there), else "xdg-open". Because a desktop opener may hand the file to an application
// that is already running and return at once, the copy stays, read-only, in the program's private
// temporary folder until Salvix exits.
#pragma once

#include <QString>

// Files read to detect a type are never larger than the preview's limit; a larger one is no document.
constexpr qint64 kMaxProbedFileSize = 104857600;
// How long the opener is waited for before the preview goes on without it.
constexpr int kOpenerWaitMs = 10000;

// Starts with "{\rt" in any case and its last byte other than CR, LF or NUL is "}" (see IsRtfBytes).
bool IsRtfFile(const QString& path);
// A compound document (opened read-only) with a word-processor or spreadsheet stream at its root.
bool IsOfficeDocument(const QString& path);
// A compound document whose header and directory can be read.
bool IsCompoundFile(const QString& path);
// With skipCheck false the file must be a compound document, else nothing is started. False when nothing
// was handed over (not a document, no copy could be made, the opener could not be started).
bool OpenWithOfficeViewer(const QString& path, const QString& title, bool skipCheck);
// The opener command in use.
QString OfficeOpenerProgram();
