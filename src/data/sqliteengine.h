#pragma once

#include "data/engine.h"

struct sqlite3;
struct sqlite3_stmt;

// The password-protected database file of one desk, through SQLCipher's C API.
class SqliteEngine final : public DatabaseEngine
{
public:
    // Opens an existing file keyed with `key`, read-write unless the file or its folder
    // cannot be written (then read-only). Never creates the file.
    static std::unique_ptr<SqliteEngine> open(const QString &path, const QByteArray &key);
    // Creates a new, empty keyed file; refuses a path that already exists.
    static std::unique_ptr<SqliteEngine> create(const QString &path, const QByteArray &key);
    ~SqliteEngine() override;
    SqliteEngine(const SqliteEngine &) = delete;
    SqliteEngine &operator=(const SqliteEngine &) = delete;

    std::unique_ptr<EngineStatement> prepare(const QByteArray &sql) override;
    void exec(const QByteArray &sql) override;
    QByteArray beginStatement() const override { return "BEGIN IMMEDIATE"; }
    bool inTransaction() const override;
    int changes() const override;
    qint64 lastInsertRowId() const override;
    QString description() const override;
    QString path() const override { return path_; }
    bool isReadOnly() const override { return readOnly_ != ReadOnlyCause::None; }
    QString readOnlyMessage() const override;

    sqlite3 *handle() const { return db_; }
    // Raises the engine's error `code` explained in Italian; `saving` when it stopped a save
    // (the user is then told that the changes were not saved).
    [[noreturn]] void raise(int code, bool saving) const;
    // Whether a failure of `statement` (nullptr: of one being prepared) stops a save: it
    // writes, starts a transaction, or runs inside one.
    bool isSaving(sqlite3_stmt *statement) const;

    // What the engine was doing when it failed: the explanation says what became of the
    // user's changes only after a failed save.
    enum class Activity { Opening, Reading, Saving };
    // The Italian explanation of an engine error on the file at `path`, naming the file and
    // saying what to do, with the engine's own text in brackets.
    static QString explain(int code, const QString &engineText, const QString &path, Activity activity);

private:
    enum class ReadOnlyCause { None, File, Folder };
    SqliteEngine(sqlite3 *db, const QString &path);
    static sqlite3 *openFile(const QString &path, const QByteArray &key, int flags);

    sqlite3 *db_ = nullptr;
    QString path_;
    ReadOnlyCause readOnly_ = ReadOnlyCause::None;
};
