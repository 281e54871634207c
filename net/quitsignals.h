// Turns SIGINT and SIGTERM into an orderly quit of the Qt event loop, so
// that everything the program saves at its end is saved.
#pragma once

namespace dw {

// Installs the handlers; on the first signal the application's event loop
// is asked to quit (QCoreApplication::quit on the UI thread).
void quitOnSignals();

} // namespace dw
