// Finding and starting driftwake-lobby, the program through which pilots
// meet online: the one beside the running program, else the one on the
// PATH. The lobby gets the game's environment, so it uses the same data
// directory (DRIFTWAKE_DATA_DIR) and finds the same game program.
#pragma once

#include <QString>

namespace dw {

// The lobby program's path; empty when neither place holds it.
QString lobbyProgram();

// Starts the lobby as a process of its own; false with `error` (one plain
// sentence) when it could not be found or started. `pid` receives its
// process id when given.
bool startLobby(QString& error, qint64* pid = nullptr);

} // namespace dw
