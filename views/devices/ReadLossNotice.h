// What a scan under one of the progress dialogs (a one-pass search, a lost-partition search, a directory
// build) got as zeros because the device could not give it: the figures of the read-loss scope opened around
// the scan, told once its dialog has gone ("8 sectors could not be read (4096 bytes), 0 of them passed over
// unread ..."), as the command-line harness tells them.
#pragma once

#include <QString>

class CReadLossScope;
class QWidget;

// The text of the notice, in the interface language.
QString ReadLossText(const CReadLossScope& loss);
// An information box with that text when the scope heard of any sector; false, and nothing shown, otherwise.
bool ShowReadLoss(const CReadLossScope& loss, QWidget* owner = nullptr);
