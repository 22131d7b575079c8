#pragma once

#include "data/pgconnection.h"

#include <QString>

class Database;

// A database of its own on the tests' throw-away PostgreSQL cluster (tests/scripts/pgcluster.sh,
// started by ctest before the server tests), copied from the cluster's template that holds the
// citext extension, and a connection open on it. The database is dropped when the object goes
// out of scope. Where no cluster is running (PostgreSQL not installed), available() is false
// and the test skips: SKIP_WITHOUT_SERVER(server).
class TestServer
{
public:
    TestServer();
    ~TestServer();
    TestServer(const TestServer &) = delete;
    TestServer &operator=(const TestServer &) = delete;

    bool available() const { return available_; }
    QString skipReason() const { return skipReason_; }

    // The settings of this test's database, for a second connection (another desk).
    PgSettings settings() const;
    PgConnection &db() { return db_; }
    // The socket folder of the cluster.
    static QString host();

    // Makes the seven tables with the usual states.
    void createTables();
    // Copies every row of the file's seven tables into the server's, keys included.
    void copyFrom(Database &file);

private:
    bool available_ = false;
    QString skipReason_;
    QString name_;
    PgConnection db_;
};

#define SKIP_WITHOUT_SERVER(server) \
    do { \
        if (!(server).available()) \
            QSKIP(qPrintable((server).skipReason())); \
    } while (false)
