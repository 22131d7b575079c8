#include "data/databasebackup.h"

#include "data/database.h"
#include "data/schema.h"
#include "data/sqlite.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>

#include <algorithm>
#include <filesystem>
#include <system_error>

#include <unistd.h>

namespace {

const QString kAutomaticPrefix = QStringLiteral("DatiCliente-automatico-");

QString shown(const QString &path) { return QDir::toNativeSeparators(path); }

// Replaces `to` by `from` in one step (the file system's rename), so that `to` is always
// either the old file or the new one. Empty on success, else the system's reason.
QString renameOver(const QString &from, const QString &to)
{
    std::error_code error;
    std::filesystem::rename(QFile::encodeName(from).toStdString(), QFile::encodeName(to).toStdString(), error);
    return error ? QString::fromLocal8Bit(error.message().c_str()) : QString();
}

// A file and the engine's side files that may have been left beside it.
void removeWithSideFiles(const QString &path)
{
    for (const char *suffix : {"", "-journal", "-wal", "-shm"})
        QFile::remove(path + QLatin1String(suffix));
}

// The program's tables with their columns, as a new database has them.
const QHash<QString, QStringList> &programTables()
{
    static const QHash<QString, QStringList> tables = [] {
        QHash<QString, QStringList> result;
        Database reference;
        reference.create(QStringLiteral(":memory:"), Schema::databasePassword());
        Schema::createTables(reference);
        Statement st(reference, "SELECT name FROM sqlite_master WHERE type = 'table' AND name NOT LIKE 'sqlite_%'");
        QStringList names;
        while (st.step())
            names << QString::fromUtf8(st.columnText(0));
        for (const QString &name : names)
            result.insert(name, reference.columnNames(name));
        return result;
    }();
    return tables;
}

// A failure of the engine on `db` as the reason of a refused copy.
QString engineReason(sqlite3 *db, int rc)
{
    QString text = QString::fromUtf8(sqlite3_errmsg(db));
    if (rc == SQLITE_BUSY || rc == SQLITE_LOCKED)
        return QStringLiteral("il database è occupato da un salvataggio in corso (%1)").arg(text);
    if (rc == SQLITE_FULL)
        return QStringLiteral("il disco è pieno (%1)").arg(text);
    return text;
}

// Writes the whole open database `source` into a new file `target` keyed with `key`, through
// the engine's online backup. It decrypts and encrypts every page again, so it serves only
// the files whose changes may lie in a write-ahead log beside them, where the bytes of the
// file alone are not the database.
void onlineBackup(sqlite3 *source, const QString &target, const QByteArray &key)
{
    sqlite3 *copy = nullptr;
    int rc = sqlite3_open_v2(QFile::encodeName(target).constData(), &copy, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE,
                             nullptr);
    if (rc == SQLITE_OK)
        rc = sqlite3_key(copy, key.constData(), int(key.size()));
    QString reason;
    if (rc == SQLITE_OK) {
        // One step copies every page under one read lock of the source: a consistent copy.
        if (sqlite3_backup *backup = sqlite3_backup_init(copy, "main", source, "main")) {
            rc = sqlite3_backup_step(backup, -1);
            const int finished = sqlite3_backup_finish(backup);
            if (rc == SQLITE_DONE)
                rc = finished;
        } else {
            rc = sqlite3_errcode(copy);
        }
    }
    if (rc != SQLITE_OK && rc != SQLITE_DONE)
        reason = copy ? engineReason(copy, rc) : QString::fromUtf8(sqlite3_errstr(rc));
    if (sqlite3_close(copy) != SQLITE_OK && reason.isEmpty())
        reason = QString::fromUtf8(sqlite3_errmsg(copy));
    if (!reason.isEmpty())
        throw DbError(reason);
}

// Holds a read transaction on a connection for as long as it lives: the engine's shared lock
// on the file, under which no writer can change the file (a writer needs the exclusive lock
// to write into it).
class ReadLock
{
public:
    explicit ReadLock(sqlite3 *db) : db_(db)
    {
        // A transaction of our own may have written pages into the file already.
        if (!sqlite3_get_autocommit(db_))
            throw DbError(QStringLiteral("il database ha un salvataggio in corso"));
        // The first read of the transaction takes the lock; taking it plays back a journal
        // left by a writer that stopped half way, so the file is whole from here on.
        int rc = sqlite3_exec(db_, "BEGIN", nullptr, nullptr, nullptr);
        if (rc == SQLITE_OK) {
            open_ = true;
            rc = sqlite3_exec(db_, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr);
        }
        if (rc != SQLITE_OK) {
            const QString reason = engineReason(db_, rc);
            end();
            throw DbError(reason);
        }
    }
    ~ReadLock() { end(); }
    ReadLock(const ReadLock &) = delete;
    ReadLock &operator=(const ReadLock &) = delete;

    void end()
    {
        if (open_)
            sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
        open_ = false;
    }

private:
    sqlite3 *db_;
    bool open_ = false;
};

// Whether the connection keeps its changes in a write-ahead log (the program never asks for
// one, but a file may come with it set).
bool usesWriteAheadLog(Database &db)
{
    return db.scalar("PRAGMA journal_mode").toString().compare(QLatin1String("wal"), Qt::CaseInsensitive) == 0;
}

// Writes the bytes of the open database `source`, as they lie in its file (encrypted), to the
// new file `target`, and makes them durable. The bytes are read through the engine's own
// handle on the file: opening and closing a second descriptor on it would drop the locks that
// the engine holds on it (the system ties them to the process, not to the descriptor).
void copyFileBytes(sqlite3 *source, const QString &target)
{
    QFile out(target);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate))
        throw DbError(out.errorString());
    ReadLock lock(source);
    sqlite3_file *file = nullptr;
    if (sqlite3_file_control(source, "main", SQLITE_FCNTL_FILE_POINTER, &file) != SQLITE_OK || file == nullptr
        || file->pMethods == nullptr)
        throw DbError(QStringLiteral("il file del database non è leggibile"));
    sqlite3_int64 size = 0;
    if (const int rc = file->pMethods->xFileSize(file, &size); rc != SQLITE_OK)
        throw DbError(QString::fromUtf8(sqlite3_errstr(rc)));
    constexpr sqlite3_int64 kChunk = 1 << 20;
    QByteArray buffer(int(std::min(size, kChunk)), Qt::Uninitialized);
    for (sqlite3_int64 offset = 0; offset < size; offset += kChunk) {
        const int length = int(std::min(kChunk, size - offset));
        if (const int rc = file->pMethods->xRead(file, buffer.data(), length, offset); rc != SQLITE_OK)
            throw DbError(QString::fromUtf8(sqlite3_errstr(rc)));
        if (out.write(buffer.constData(), length) != length)
            throw DbError(out.errorString());
    }
    lock.end();
    // On the disk before the copy takes the target's name, so that a crash never leaves a
    // file of that name with the end of the copy missing.
    if (!out.flush() || ::fsync(out.handle()) != 0)
        throw DbError(out.errorString());
    out.close();
}

} // namespace

DatabaseBackup::DatabaseBackup(Database &db, QByteArray key) : db_(db), key_(std::move(key)) {}

void DatabaseBackup::copyTo(const QString &target)
{
    const auto failed = [&target](const QString &reason) {
        return DbError(QStringLiteral("La copia del database in %1 non è stata fatta: %2.").arg(shown(target), reason));
    };
    if (!db_.isOpen())
        throw failed(QStringLiteral("il database non è aperto"));
    if (QFileInfo(target).absoluteFilePath() == QFileInfo(db_.path()).absoluteFilePath())
        throw failed(QStringLiteral("è il file del database stesso"));
    const QString part = target + QStringLiteral(".parziale");
    removeWithSideFiles(part);
    try {
        if (usesWriteAheadLog(db_))
            onlineBackup(db_.handle(), part, key_);
        else
            copyFileBytes(db_.handle(), part);
    } catch (const DbError &error) {
        removeWithSideFiles(part);
        throw failed(error.text());
    }
    // The copy is not opened again to check it: its bytes are the database's own, read under
    // the lock with every read, write and flush checked, and opening it would cost the key's
    // derivation (tens of milliseconds) on every backup. A restore checks a copy in full.
    if (const QString reason = renameOver(part, target); !reason.isEmpty()) {
        removeWithSideFiles(part);
        throw failed(reason);
    }
}

void DatabaseBackup::check(const QString &file, const QByteArray &key) { checkAs(file, key, file); }

void DatabaseBackup::checkAs(const QString &file, const QByteArray &key, const QString &name)
{
    const auto unusable = [&name](const QString &reason) {
        return DbError(QStringLiteral("Il file %1 non è una copia valida del database: %2").arg(shown(name), reason));
    };
    Database probe;
    QStringList problems;
    try {
        probe.open(file, key);
        Statement integrity(probe, "PRAGMA integrity_check");
        while (integrity.step() && problems.size() < 5)
            problems << QString::fromUtf8(integrity.columnText(0));
    } catch (const DbError &error) {
        // A damaged file may fail already when it is opened or read.
        throw unusable(error.text());
    }
    if (problems != QStringList{QStringLiteral("ok")})
        throw unusable(QStringLiteral("è danneggiato (%1).").arg(problems.join(QStringLiteral("; "))));
    const QHash<QString, QStringList> &tables = programTables();
    for (auto it = tables.cbegin(); it != tables.cend(); ++it) {
        const QStringList columns = probe.columnNames(it.key());
        if (columns.isEmpty())
            throw unusable(QStringLiteral("manca la tabella %1.").arg(it.key()));
        for (const QString &column : it.value())
            if (!columns.contains(column, Qt::CaseInsensitive))
                throw unusable(QStringLiteral("nella tabella %1 manca la colonna %2.").arg(it.key(), column));
    }
}

void DatabaseBackup::restoreFrom(const QString &source)
{
    const QString path = db_.path();
    const auto refused = [&source](const QString &reason) {
        return DbError(QStringLiteral("Il ripristino da %1 non è stato fatto: %2").arg(shown(source), reason));
    };
    if (!db_.isOpen() || path.isEmpty())
        throw refused(QStringLiteral("il database non è aperto."));
    if (!QFileInfo(source).isFile())
        throw refused(QStringLiteral("il file non esiste."));

    // The copy is brought beside the database first, so that the final step is a rename on
    // one file system, and it is the copy in place that gets checked.
    const QString incoming = path + QStringLiteral(".ripristino");
    removeWithSideFiles(incoming);
    if (!QFile::copy(source, incoming)) {
        removeWithSideFiles(incoming);
        throw refused(QStringLiteral("impossibile copiarlo nella cartella del database."));
    }
    try {
        checkAs(incoming, key_, source);
    } catch (const DbError &error) {
        removeWithSideFiles(incoming);
        throw DbError(error.text() + QStringLiteral(" Il database non è stato modificato."));
    }

    db_.close();
    const auto reopenAndFail = [&](const QString &reason) {
        removeWithSideFiles(incoming);
        db_.open(path, key_);
        return refused(reason + QStringLiteral(" Il database non è stato modificato."));
    };
    // A journal left beside the database belongs to it: renaming the file away would let
    // the engine play that journal into the copy.
    if (QFile::exists(path + QStringLiteral("-journal")) || QFile::exists(path + QStringLiteral("-wal")))
        throw reopenAndFail(QStringLiteral("il database ha un salvataggio in sospeso."));
    const QString aside = QFileInfo(path).dir().filePath(asideFileName());
    removeWithSideFiles(aside);
    if (const QString reason = renameOver(path, aside); !reason.isEmpty())
        throw reopenAndFail(QStringLiteral("impossibile mettere da parte il database attuale (%1).").arg(reason));
    if (const QString reason = renameOver(incoming, path); !reason.isEmpty()) {
        renameOver(aside, path);
        throw reopenAndFail(QStringLiteral("impossibile mettere la copia al posto del database (%1).").arg(reason));
    }
    try {
        db_.open(path, key_);
    } catch (const DbError &error) {
        renameOver(path, incoming);
        renameOver(aside, path);
        throw reopenAndFail(error.text());
    }
}

bool DatabaseBackup::dataChanged() const { return db_.isOpen() && sqlite3_total_changes(db_.handle()) > 0; }

QString DatabaseBackup::automaticCopy(const QString &folder, int keep, const QDateTime &now)
{
    if (!QDir().mkpath(folder))
        throw DbError(QStringLiteral("La copia automatica del database non è stata fatta: impossibile creare la "
                                     "cartella %1.")
                          .arg(shown(folder)));
    QDateTime when = now;
    QString path;
    do {
        path = QDir(folder).filePath(kAutomaticPrefix + when.toString(QStringLiteral("yyyy-MM-dd-HH.mm.ss"))
                                     + QStringLiteral(".mdb"));
        when = when.addSecs(1);
    } while (QFile::exists(path));
    copyTo(path);
    QStringList copies = automaticCopies(folder);
    while (copies.size() > std::max(keep, 1))
        QFile::remove(QDir(folder).filePath(copies.takeFirst()));
    return path;
}

QStringList DatabaseBackup::automaticCopies(const QString &folder)
{
    // The names hold the date and time with every field zero-padded: by name is by age.
    return QDir(folder).entryList({kAutomaticPrefix + QStringLiteral("*.mdb")}, QDir::Files, QDir::Name);
}

QString DatabaseBackup::folder(const QString &programDir)
{
    return QDir(programDir).filePath(QStringLiteral("Backup"));
}

QString DatabaseBackup::defaultFileName(const QDate &date)
{
    return QStringLiteral("DatiCliente-%1.mdb").arg(date.toString(QStringLiteral("yyyy-MM-dd")));
}

QString DatabaseBackup::asideFileName() { return QStringLiteral("DatiCliente-prima-del-ripristino.mdb"); }
