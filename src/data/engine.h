#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>

#include <cstddef>
#include <memory>

// What lies behind Database and Statement: the engine that keeps the data. The file's
// (SqliteEngine, the password-protected file of one desk) and the office server's (PgEngine,
// PostgreSQL shared by several desks) take the same statements, written for the file, and
// raise every failure as DbError with an Italian explanation. Nothing outside data/ sees them.

// The kind of value a result cell holds, as the engine gives it.
enum class ValueType { Null, Integer, Float, Text };

// Where a result column comes from: its name in the result and, for a column read from a
// table, the table and the column in the program's spelling, and the type the column is
// declared with (empty for an expression on the file).
struct ColumnOrigin
{
    QString name;
    QString table;
    QString column;
    QByteArray declaredType;
};

// One prepared statement of an engine. Indexes of values are 1-based, of columns 0-based.
class EngineStatement
{
public:
    virtual ~EngineStatement() = default;

    virtual void bindText(int index, const QByteArray &utf8) = 0;
    virtual void bindNull(int index) = 0;
    virtual void bindInt(int index, qint64 value) = 0;
    virtual void bindDouble(int index, double value) = 0;
    // True while a row is available; throws DbError on error.
    virtual bool step() = 0;
    // Ends a run and clears the values.
    virtual void reset() = 0;

    virtual int columnCount() const = 0;
    // The cell's text, valid until the next step; null data for a null cell.
    virtual const char *cell(int column, std::size_t *size) const = 0;
    virtual bool isNull(int column) const = 0;
    virtual qint64 intValue(int column) const = 0;
    virtual double doubleValue(int column) const = 0;
    virtual ValueType valueType(int column) const = 0;
    virtual ColumnOrigin origin(int column) const = 0;
};

// A table as an engine read it from its catalogue when it opened.
struct KnownTable
{
    bool present = false;
    QStringList columns; // in order
    QStringList keys;    // the key columns, in order
};

// One open connection of an engine.
class DatabaseEngine
{
public:
    virtual ~DatabaseEngine() = default;

    virtual std::unique_ptr<EngineStatement> prepare(const QByteArray &sql) = 0;
    // One or more statements without values.
    virtual void exec(const QByteArray &sql) = 0;
    // The statement that starts the outermost transaction: on the file it takes the write
    // lock at once, so that what a save reads first (the largest key) is still true when it
    // writes; the server locks rows, not the database.
    virtual QByteArray beginStatement() const = 0;
    // Whether a transaction is open (a failed write may have ended it already).
    virtual bool inTransaction() const = 0;
    virtual int changes() const = 0;
    virtual qint64 lastInsertRowId() const = 0;

    // "the file /path" or "\"studio\" on server ufficio", for messages.
    virtual QString description() const = 0;
    // The file's path; empty for a server.
    virtual QString path() const { return {}; }
    virtual bool isReadOnly() const = 0;
    virtual QString readOnlyMessage() const = 0;

    // Serialises the taking of new keys of `table` until the transaction ends: nothing on the
    // file, whose transaction already holds the only write lock.
    virtual void lockKeys(const QString & /*table*/) {}

    // Other desks' changes: the socket to watch (-1: none) and the tables they changed since
    // the last call, without this connection's own.
    virtual int changeSocket() const { return -1; }
    virtual QStringList takeChangedTables() { return {}; }

    // The tables the engine read when it opened, by name: Database asks nothing more of them.
    virtual QHash<QString, KnownTable> knownTables() const { return {}; }

    // The transactions Database has open (the outermost and its savepoints).
    int transactionDepth() const { return depth_; }
    void setTransactionDepth(int depth) { depth_ = depth; }

private:
    int depth_ = 0;
};
