// The open and save file dialogs of the disk-image wizards, with a hook through which tests answer them.
#pragma once

#include <QString>

#include <functional>

class QWidget;

namespace diskimg {

struct FileDialogRequest {
    bool save = false; // a save dialog (with the overwrite prompt), else an open dialog of existing files
    QString suggested; // the suggested name or folder
    QString filter;    // Qt filter text, e.g. "Salvix ImageFile (*.kxi)"
};
using FileDialogResponder = std::function<QString(const FileDialogRequest&)>;

// The chosen path, empty when the dialog was cancelled.
QString ChooseFile(QWidget* owner, const FileDialogRequest& request);

// Installs a responder for its lifetime (user-interface thread).
class CScopedFileDialogResponder {
public:
    explicit CScopedFileDialogResponder(FileDialogResponder responder);
    ~CScopedFileDialogResponder();
    CScopedFileDialogResponder(const CScopedFileDialogResponder&) = delete;
    CScopedFileDialogResponder& operator=(const CScopedFileDialogResponder&) = delete;

private:
    FileDialogResponder m_previous;
};

// A filter of the Win32 form "Name(*.ext)|*.ext||" as Qt writes it: "Name(*.ext)", the name alone when it already
// ends with its pattern in brackets, else "Name (*.ext)".
QString QtFilter(const QString& win32Filter);

} // namespace diskimg
