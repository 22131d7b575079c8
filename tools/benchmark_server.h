#pragma once

#include <QString>

// The office server's figures for pratilio-bench (--server): a throw-away PostgreSQL cluster is
// started, the demo database moved onto it with the program's own move, and each figure taken
// next to libpq alone doing the same work over the same local socket.
namespace BenchServer {

// Runs every server figure on the demo database of `persons` persons kept in `folder`, on a
// cluster started by `clusterScript` (tests/scripts/pgcluster.sh) and stopped again at the end,
// also when a figure fails. Returns the exit code.
int run(const QString &folder, int persons, const QString &clusterScript);

// In a process of its own: the memory the persons result takes while it loads on the server
// named by `connection` (a libpq connection string), in the program folder `folder`.
int memoryChild(const QString &connection, const QString &folder);

} // namespace BenchServer
