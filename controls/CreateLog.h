// The log lines that windows made from code write about their creation record.
#pragma once

#include "controls/Win32Types.h"

#include <QString>

class QWidget;

// The creation-record line that windows write before they are made (class, name, style, rectangle, parent, id).
void LogCreateStruct(const char* className, const QString& name, unsigned style, const RECT& rect,
                     const QWidget* parent, unsigned nID);
// The line that creation handlers write with the whole record in one line.
void LogCreateHandler(const char* className, const QString& name, unsigned style, const RECT& rect,
                      const QWidget* parent, unsigned nID);
// A pointer as the log shows it: its full value in hex.
unsigned long long LogPointer(const void* p);
