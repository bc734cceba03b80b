#pragma once

namespace kav {

// Runs the program in an existing QApplication: the single-instance check,
// the window's start-up and the event loop. Returns the exit code.
int runKavrilink();

} // namespace kav
