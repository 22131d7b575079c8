#pragma once

#include "data/database.h"

#include <QString>
#include <QTemporaryDir>

#include <memory>

class TestServer;
class Workspace;

// A throw-away program folder (Database/DatiCliente.mdb and Output/) with a freshly made
// database, optionally filled with demo data, and a connection open on it. Everything is
// removed when the object goes out of scope.
//
// With PRATILIO_TEST_ENGINE=server the same rows are copied into a database of their own on
// the tests' PostgreSQL cluster, the connection is open on it, and the folder's Default.ini
// names it, so that the program started there works on the server (see useIn for a
// workspace opened by hand).
class TestDatabase
{
public:
    explicit TestDatabase(int demoPersons = 0, quint32 seed = 1);
    ~TestDatabase();

    // Whether the tests of this run work on the server.
    static bool onServer();
    // The exit code of a run on the server where no test cluster is running.
    static constexpr int kSkipExitCode = 77;

    QString programDir() const;
    QString path() const;
    Database &db() { return db_; }
    // The test's database on the server, with a connection of its own (another desk); nullptr
    // on the file.
    TestServer *server() const { return server_.get(); }
    // Makes `workspace` open this database (the server's, when the tests work on it).
    void useIn(Workspace &workspace) const;
    // The [DATABASE] section that names the server in the folder's Default.ini; empty on the
    // file. A test that writes a Default.ini of its own adds it, so that the program started
    // there still works on the server.
    QByteArray databaseSection() const { return databaseSection_; }

    // Lays out the folders under `programDir` and creates the database file the way the
    // database tool does; returns the file's path. Throws DbError when the file exists.
    static QString createAt(const QString &programDir, int demoPersons = 0, quint32 seed = 1);

private:
    QTemporaryDir dir_;
    std::unique_ptr<TestServer> server_;
    QByteArray databaseSection_;
    Database db_;
};
