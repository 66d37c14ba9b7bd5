#pragma once

namespace zentrel {

// Turns SIGINT, SIGTERM and SIGHUP into QCoreApplication::quit(), so that a program ended
// by a signal unwinds and its destructors (the screen hold, the log) run. Call once, after
// the application object exists; later calls do nothing. False when it cannot be set up.
bool quitOnSignals();

} // namespace zentrel
