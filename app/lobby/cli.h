// driftwake-lobby without a window, for scripts and servers: list the tables
// in the room, advertise a headless host as a table, or open a relayed
// stream to a table for any game client.
#pragma once

#include <QString>
#include <QStringList>

namespace dw::lobby {

struct CliOptions {
    QString server; // HOST[:PORT]
    QString jid;
    QString passwordFile;
    QString room; // empty: driftwake@conference.<the JID's domain>
    QString nick; // empty: the JID's name (list) or the table's name
    int listSeconds = -1;
    QString advertise; // HOST:PORT
    // Advertise the fleet's table: HOST:PORT from the Agones SDK sidecar.
    bool agones = false;
    bool help = false;
    QString tableName;
    QString statusUrl;
    QString connect; // a table's nickname: open a relayed stream to it
    int localPort = 0;
};

// Reads the command line into `options`; false (with `error` set) when it
// does not make sense. `windowless` tells whether it asks for one of the
// modes without a window.
bool parseCli(const QStringList& arguments, CliOptions& options, bool& windowless, QString& error);

// The first line of `path`, refused when the file can be read by its group
// or by others, is not a regular file or is too long. False with `error`.
bool readPasswordFile(const QString& path, QString& password, QString& error);

// Runs --list-tables, --advertise or --connect to its end: the exit code.
int runCli(const CliOptions& options);

// What --help prints.
QString cliUsage();

} // namespace dw::lobby
