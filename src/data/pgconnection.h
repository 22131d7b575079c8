#pragma once

#include "data/dberror.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <vector>

struct pg_conn;
struct pg_result;
class PgStatement;

// Where the office's database is: the server, its port, the database, the user, how the
// connection is encrypted, and the password (empty: libpq reads ~/.pgpass, or none is sent).
struct PgSettings
{
    QString host; // a name, an address, or a folder holding the server's socket
    int port = 5432;
    QString database;
    QString user;
    QString sslMode = QStringLiteral("prefer");
    QString password;

    // Reads a libpq connection string ("host=ufficio dbname=studio user=mario" or
    // "postgresql://mario@ufficio/studio"): host, port, dbname, user, sslmode and password.
    // False, with the reason in Italian, for a text libpq cannot read or a key not among these.
    static bool fromConnectionString(const QString &text, PgSettings *settings, QString *error);
};

// One change announced by another desk (or by this one, see fromSelf).
struct PgNotification
{
    QString table; // the program's spelling
    bool fromSelf = false;
};

// What the server says of one result column: its name and, for a column read from a table,
// the table and column in the program's spelling; its type as the file would declare it.
struct PgField
{
    QString name;
    QString table;
    QString column;
    QByteArray declaredType; // "INTEGER", "NUMERIC", "DATE", "TEXT", "REAL", "BOOLEAN"
    unsigned typeOid = 0;
    bool respell = false; // its values are names, given back in the program's spelling
};

// One connection to an office's PostgreSQL server, through libpq. Statements are written for
// the file's engine and translated (ServerDialect); values always travel as bound text, and
// results come back as text. Every failure is raised as DbError with an Italian text that
// names the database and the server (PgErrors).
class PgConnection
{
public:
    PgConnection() = default;
    ~PgConnection();
    PgConnection(const PgConnection &) = delete;
    PgConnection &operator=(const PgConnection &) = delete;

    // Connects, with dates in ISO form, UTF-8 text and a bounded wait for locks; listening for
    // other desks' changes from the start when asked (all in one exchange with the server).
    void open(const PgSettings &settings, bool listenForChanges = false);
    void close();
    bool isOpen() const { return conn_ != nullptr; }
    // The connection was lost (server restarted, backend ended); reconnect() tries again.
    bool isBroken() const;
    void reconnect();
    const PgSettings &settings() const { return settings_; }
    // "\"studio\" sul server ufficio" for messages.
    QString where() const;

    // A statement for the file's engine, translated; with no parameters, possibly several.
    void exec(const QByteArray &sql);
    void exec(const char *sql) { exec(QByteArray(sql)); }
    // A statement in the server's own language, not translated.
    void execNative(const QByteArray &sql);
    // The single value of a one-row, one-column query (null when there is no row).
    QVariant scalar(const QByteArray &sql);
    // The rows of a query in the server's own language, each cell as text (a null is empty),
    // in one exchange with the server: nothing is prepared.
    QList<QByteArrayList> rowsNative(const QByteArray &sql);

    // Rows in bulk: `COPY ... FROM STDIN` (the server's own language) is started, takes any
    // number of batches of rows in COPY's text format, and ends; endCopy() raises the server's
    // refusal of any row. abortCopy() ends it with nothing written (inside a transaction,
    // which the failure then ends as well).
    void startCopy(const QByteArray &copySql);
    void sendCopyData(const QByteArray &rows);
    void endCopy();
    void abortCopy();
    bool isCopying() const { return copying_; }

    // Largest value of an integer key column, -1 for an empty table.
    qint64 nextKey(const QString &table, const QString &column);
    // The table's columns in their order, and its key columns, in the program's spelling.
    QStringList columnNames(const QString &table);
    QStringList keyColumns(const QString &table);
    bool hasColumn(const QString &table, const QString &column);

    // The key the server gave the last row inserted into a table it numbers, and the rows
    // the last statement inserted, changed or deleted.
    qint64 lastInsertRowId() const { return lastInsertId_; }
    int changes() const { return changes_; }

    // Nested transactions through savepoints: the outermost one commits.
    void begin();
    void commit();
    void rollback();
    int transactionDepth() const { return depth_; }
    bool inTransaction() const;

    // Other desks' changes: the socket to watch, listening, and the notices received.
    int socket() const;
    int backendPid() const;
    void listen();
    QList<PgNotification> takeNotifications();

    [[noreturn]] void raise(const pg_result *result, bool opening = false);
    QString missingTableMessage(const QString &table) const;

    // For PgStatement: a statement prepared once per connection, with what its result holds.
    struct Prepared
    {
        QByteArray name;
        int parameterCount = 0;
        bool returnsKey = false;
        std::vector<PgField> fields;
        int users = 0;
    };
    // Prepares `sql` (a statement for the file's engine) unless it was prepared before, and
    // counts the statement as a user until release(); unused ones are dropped in time.
    Prepared acquire(const QByteArray &sql);
    void release(const QByteArray &sql);
    // The statement whose rows are streaming; any other command first buffers its rest.
    void setStreaming(PgStatement *statement);
    void finishStreaming(PgStatement *statement);
    void setLastCommand(int changes) { changes_ = changes; }
    void setLastInsertId(qint64 id) { lastInsertId_ = id; }
    pg_conn *handle() const { return conn_; }

private:
    struct TableInfo
    {
        QStringList columns;
        QStringList keys;
    };
    const TableInfo &tableInfo(const QString &table);
    void describeOrigins(std::vector<PgField> &fields, const pg_result *description);
    void run(const QByteArray &sql);
    void dropUnusedStatements();
    void startSession();
    [[noreturn]] void raiseConnectionError(bool opening);

public:
    // Buffers the rest of a streaming statement's rows, so that the connection is free.
    void takeConnection();

private:
    pg_conn *conn_ = nullptr;
    PgSettings settings_;
    int depth_ = 0;
    int changes_ = 0;
    qint64 lastInsertId_ = 0;
    PgStatement *streaming_ = nullptr;
    QHash<QByteArray, Prepared> prepared_;
    int preparedSerial_ = 0;
    bool listening_ = false;
    bool copying_ = false;
    QHash<QString, TableInfo> tables_;
    QHash<unsigned, QString> tableNames_;              // table oid -> name
    QHash<QPair<unsigned, int>, QString> columnNames_; // (table oid, column number) -> name
};

// Rolls back unless commit() was called, as Transaction does for the file.
class PgTransaction
{
public:
    explicit PgTransaction(PgConnection &db) : db_(db) { db_.begin(); }
    ~PgTransaction()
    {
        if (!done_) {
            try {
                db_.rollback();
            } catch (...) {
            }
        }
    }
    void commit()
    {
        db_.commit();
        done_ = true;
    }

private:
    PgConnection &db_;
    bool done_ = false;
};
