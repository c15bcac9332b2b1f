// What the widget tests' entry point offers the tests themselves.
#pragma once

class QObject;

namespace testsupport {

// The owner of objects that must not outlive the test that made them: the timers that wait for a dialog, say.
// Its children are deleted as each test ends, so a wait whose dialog never showed cannot act in a later test.
QObject* PerTestOwner();

} // namespace testsupport
