#pragma once

namespace zentrel {

// Blocks SIGINT, SIGTERM and SIGHUP in the calling thread. Call first thing in main(),
// before any thread starts: every thread inherits the mask, so the ending signals reach
// only the one thread quitOnSignals() starts, one at a time and never in a handler.
void blockEndingSignals();

// Turns SIGINT, SIGTERM and SIGHUP into the end of the program, whatever box is open:
// QCoreApplication::exit(0) ends the main loop and any modal box's loop (a box closed so
// answers Cancel: nothing unconfirmed is saved), so that the program unwinds and its
// destructors (the screen hold, the log) run. The end is bounded: if it has not come
// EndWithinSeconds after the signal (a thread that does not stop), the process ends there
// and then with 128 + the first signal's number; a second signal ends it at once with
// 128 + its own. Call once, after the application object exists and blockEndingSignals();
// later calls do nothing. False when it cannot be set up.
bool quitOnSignals();

// Whether a signal has asked the program to end. An exit() asked for before app.exec()
// runs (while the start-up notice is open) is forgotten by the main loop, so main() checks
// this after the start-up and before app.exec():
//     if (endRequested()) return EXIT_SUCCESS;
bool endRequested();
// The signal that asked for the end; 0 for none.
int endingSignal();

inline constexpr unsigned EndWithinSeconds = 2;

} // namespace zentrel
