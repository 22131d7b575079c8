#pragma once

#include "data/dberror.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>
#include <QVariant>

struct sqlite3;
struct sqlite3_stmt;
class Database;

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
    bool columnIsNull(int column) const;
    sqlite3_stmt *handle() const { return stmt_; }

private:
    Database &db_;
    sqlite3_stmt *stmt_ = nullptr;
};

// The one connection to the password-protected database file. Every failure is raised
// as DbError with a text that tells the user what is wrong.
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
    void close();
    bool isOpen() const { return db_ != nullptr; }
    const QString &path() const { return path_; }
    // Opened read-only because the file or its folder cannot be written; the message says
    // so to the user and what to do (empty when the database can be written).
    bool isReadOnly() const { return readOnly_ != ReadOnlyCause::None; }
    QString readOnlyMessage() const;

    void exec(const QString &sql);
    void exec(const QByteArray &sql);
    void exec(const char *sql) { exec(QByteArray(sql)); }
    // The single value of a one-row, one-column query (null when there is no row).
    QVariant scalar(const QByteArray &sql);

    // Largest value of an integer key column, -1 for an empty table.
    qint64 nextKey(const QString &table, const QString &column);

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
    int transactionDepth() const { return depth_; }

    sqlite3 *handle() const { return db_; }
    // Raises the engine's error `code` explained in Italian; `saving` when it stopped a save
    // (the user is then told that the changes were not saved).
    [[noreturn]] void raise(int code, bool saving) const;
    // Whether a failure of `statement` (nullptr: of one being prepared) stops a save: it
    // writes, starts a transaction, or runs inside one.
    bool isSaving(sqlite3_stmt *statement) const;

    static QString quoteIdentifier(const QString &name);
    // What the engine was doing when it failed: the explanation says what became of the
    // user's changes only after a failed save.
    enum class Activity { Opening, Reading, Saving };
    // The Italian explanation of an engine error on the file at `path`, naming the file and
    // saying what to do, with the engine's own text in brackets.
    static QString explain(int code, const QString &engineText, const QString &path, Activity activity);

private:
    enum class ReadOnlyCause { None, File, Folder };
    void openFile(const QString &path, const QByteArray &key, int flags);
    struct TableInfo
    {
        QStringList columns;
        QStringList keys;
    };
    const TableInfo &tableInfo(const QString &table);

    sqlite3 *db_ = nullptr;
    QString path_;
    int depth_ = 0;
    ReadOnlyCause readOnly_ = ReadOnlyCause::None;
    QHash<QString, TableInfo> tables_;
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
