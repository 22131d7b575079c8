#pragma once

#include "core/globals.h"
#include "core/gridcolumns.h"
#include "core/programpaths.h"
#include "data/databaselock.h"
#include "data/pgconnection.h"

#include <QString>

#include <functional>
#include <memory>
#include <optional>

class Database;
class Query;
class Table;

// What the program works on, without any window: the one connection, the one query whose
// rows are the current result, the protection row, the shared look-up table, the state every window shares and the
// grid's column set-up. The main window owns it; the other windows borrow it.
class Workspace
{
public:
    explicit Workspace(const QString &programDir);
    ~Workspace();
    Workspace(const Workspace &) = delete;
    Workspace &operator=(const Workspace &) = delete;

    const QString &programDir() const { return paths_.programDir(); }
    // Where the program's files and the office's data are.
    const ProgramPaths &paths() const { return paths_; }
    // The database file openConnection() opens: the one of the data folders unless set.
    QString databaseFile() const;
    void setDatabaseFile(const QString &path) { databaseFile_ = path; }
    // The office's server openConnection() opens instead of the file (its password, when
    // ~/.pgpass holds none, is asked then).
    void setServer(const PgSettings &server) { server_ = server; }
    bool usesServer() const { return server_.has_value(); }
    Database &connection() { return *connection_; }
    Query *query() const { return query_.get(); }
    Table *protezione() const { return protezione_.get(); }
    // The shared look-up table `ADOTable1`: opened on a named table for one short task and
    // closed again (see Lookups).
    Table *lookUpTable() const { return lookUp_.get(); }
    Globals &globals() { return globals_; }
    const Globals &globals() const { return globals_; }
    GridColumns &gridColumns() { return gridColumns_; }
    const GridColumns &gridColumns() const { return gridColumns_; }

    // Becomes the one writer of the database file, opens it and the
    // protection row. A file or folder that cannot be written opens read-only, and the user
    // is told so. A server is shared by every desk: no lock is taken, and a role that may
    // only read opens read-only.
    void openConnection();
    // Runs in openConnection() once the database file is locked, before it is opened: an old
    // office's archive in the database's place is offered for conversion there, so that two
    // desks never convert at once. False when the program must end (the user was told why):
    // openConnection() then raises ErrorHandler::Ended and the workspace is refused.
    using BeforeOpening = std::function<bool(const QString &path)>;
    void setBeforeOpening(BeforeOpening step) { beforeOpening_ = std::move(step); }
    // Another running copy of the program holds the database: this copy must end.
    bool isRefused() const { return refused_; }
    // False when the database was opened read-only: the editing actions stay disabled.
    bool canWrite() const;
    // The check lists of the visible fields, ticked as the catalogue's flags say.
    void fillFieldCheckLists();
    // Saves a change typed into the current row and not saved yet; throws when refused.
    void saveTypedChange();

private:
    ProgramPaths paths_;
    QString databaseFile_;
    std::optional<PgSettings> server_;
    Globals globals_;
    // Declared in this order so that the query and the protection row go before the connection.
    std::unique_ptr<Database> connection_;
    std::unique_ptr<Query> query_;
    std::unique_ptr<Table> protezione_;
    std::unique_ptr<Table> lookUp_;
    GridColumns gridColumns_;
    DatabaseLock lock_;
    BeforeOpening beforeOpening_;
    bool refused_ = false;

    void openServer();
};
