// Ctrl+C (SIGINT) and kill (SIGTERM) end a Qt program as closing its window does. The signal
// handlers only write a byte to a pipe; the event loop reads it and quits, so the windows,
// the device and the picture are released as after a normal exit.
#pragma once

class QCoreApplication;

namespace platform::qt {

// Installs the handlers. Call first thing in main: a graphics library that starts later
// keeps handlers it finds in place instead of putting in its own, which would swallow the
// signals.
void catchTerminationSignals();

// Quits `app`'s event loops, modal ones included, once a caught signal has arrived (also one
// that arrived before this call).
void quitOnTerminationSignals(QCoreApplication& app);

}  // namespace platform::qt
