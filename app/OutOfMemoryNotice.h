// Telling the user that memory ran out, from whichever thread found it: the message box is shown on the
// user-interface thread, and a worker waits for it to be closed.
#pragma once

// Shows the string with that id in a warning box without owner. From a worker thread the box is handed to
// the user-interface thread; when that thread does not take it up within a few seconds (it may be waiting
// for the worker) the text goes to standard error instead.
void ShowOutOfMemoryMessage(unsigned stringId);
