#pragma once

#include "data/dberror.h"
#include "data/engine.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <memory>

struct sqlite3;
class Database;
class DatabaseEngine;
class EngineStatement;
struct ColumnOrigin;
struct PgSettings;

// One prepared statement, finalised when it goes out of scope.
class Statement
{
public:
    Statement(Database &db, const QByteArray &sql);
    ~Statement();
    Statement(const Statement &) = delete;
    Statement &operator=(const Statement &) = delete;

    void bind(int index, const QVariant &value); // 1-based, as the engine counts
    void bindText(int index, const QByteArray &utf8);
    void bindNull(int index);
    bool step(); // true while a row is available; throws on error
    void reset();

    int columnCount() const;
    QByteArray columnText(int column) const;
    qint64 columnInt(int column) const;
    double columnDouble(int column) const;
    bool columnIsNull(int column) const;
    // The cell's text without a copy, valid until the next step; null data for a null cell.
    const char *cell(int column, std::size_t *size) const;
    ValueType valueType(int column) const;
    // The column's name, the table and column it reads, and its declared type.
    ColumnOrigin origin(int column) const;

private:
    std::unique_ptr<EngineStatement> stmt_;
};

// The one connection to the database: the password-protected file of one desk, or the office's
// PostgreSQL server that several desks share. Both take the statements written for the file.
// Every failure is raised as DbError with a text that tells the user what is wrong.
class Database
{
public:
    Database() = default;
    ~Database();
    Database(const Database &) = delete;
    Database &operator=(const Database &) = delete;

    // Opens an existing file keyed with `key`, read-write unless the file or its folder
    // cannot be written (then read-only: see isReadOnly). Never creates the file.
    void open(const QString &path, const QByteArray &key);
    // Creates a new, empty keyed file; refuses a path that already exists.
    void create(const QString &path, const QByteArray &key);
    // Connects to a database on the office's server.
    void openServer(const PgSettings &settings);
    void close();
    bool isOpen() const { return engine_ != nullptr; }
    bool isServer() const { return server_; }
    // The file's path; empty on a server.
    QString path() const;
    // The file's path or the database and its server, as messages name them.
    QString description() const;
    // Opened read-only because the file or its folder cannot be written, or the server's
    // role may only read; the message says so to the user and what to do (empty when the
    // database can be written).
    bool isReadOnly() const;
    QString readOnlyMessage() const;

    void exec(const QString &sql);
    void exec(const QByteArray &sql);
    void exec(const char *sql) { exec(QByteArray(sql)); }
    // The single value of a one-row, one-column query (null when there is no row).
    QVariant scalar(const QByteArray &sql);

    // Largest value of an integer key column, -1 for an empty table.
    qint64 nextKey(const QString &table, const QString &column);

    // Whether the database has a table of that name, in any case.
    bool hasTable(const QString &table);
    // The table's columns in their order, and its key columns (empty when it has none).
    QStringList columnNames(const QString &table);
    QStringList keyColumns(const QString &table);
    bool hasColumn(const QString &table, const QString &column);

    qint64 lastInsertRowId() const;
    int changes() const;

    // Nested transactions through savepoints: the outermost one commits.
    void begin();
    void commit();
    void rollback();
    int transactionDepth() const;

    // Inside a transaction, serialises the taking of new keys of `table` with the other desks
    // until it ends (nothing on the file, whose transaction is the only writer).
    void lockKeys(const QString &table);

    // The file engine's connection, for its online backup; nullptr on a server.
    sqlite3 *handle() const;
    // The engine, for the data layer's own use (change watching).
    DatabaseEngine *engine() const { return engine_.get(); }

    static QString quoteIdentifier(const QString &name);
    // "INSERT INTO table (columns...) VALUES (?, ...)", the names quoted.
    static QByteArray insertStatement(const QString &table, const QStringList &columns);

private:
    DatabaseEngine &open_() const;
    void take(std::unique_ptr<DatabaseEngine> engine, bool server);
    struct TableInfo
    {
        QStringList columns;
        QStringList keys;
    };
    const TableInfo &tableInfo(const QString &table);

    std::unique_ptr<DatabaseEngine> engine_;
    bool server_ = false;
    QHash<QString, TableInfo> tables_;
    QHash<QString, bool> knownPresence_; // tables the engine read when it opened
};

// Rolls a transaction back unless commit() was called: a failure between its writes never
// leaves half of them in the file.
class Transaction
{
public:
    explicit Transaction(Database &db) : db_(db) { db_.begin(); }
    ~Transaction()
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
    Database &db_;
    bool done_ = false;
};
