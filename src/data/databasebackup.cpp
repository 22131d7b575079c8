#include "data/databasebackup.h"

#include "data/database.h"
#include "data/schema.h"
#include "data/serverbackup.h"
#include "data/sqlite.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <filesystem>
#include <system_error>

#include <QScopeGuard>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

const QString kAutomaticPrefix = QStringLiteral("DatiCliente-automatico-");

QString shown(const QString &path) { return QDir::toNativeSeparators(path); }

DatabaseBackup::FileOperations systemOperations;
DatabaseBackup::FileOperations *operations = &systemOperations;

// Replaces `to` by `from` in one step (the file system's rename), so that `to` is always
// either the old file or the new one. Empty on success, else the system's reason.
QString renameOver(const QString &from, const QString &to) { return operations->rename(from, to); }

// What a failed write of a copy means to the user.
QString writeFailure(int error)
{
    switch (error) {
    case ENOSPC:
    case EDQUOT:
        return QStringLiteral("il disco è pieno; liberare spazio sul disco e riprovare");
    case EROFS:
        return QStringLiteral("il disco è di sola lettura");
    case EACCES:
    case EPERM:
        return QStringLiteral("non si hanno i permessi per scrivere nella cartella");
    case EIO:
        return QStringLiteral("errore di scrittura sul disco; controllare il disco e riprovare");
    default:
        return QStringLiteral("errore di scrittura sul disco (%1)").arg(QString::fromLocal8Bit(std::strerror(error)));
    }
}

// A file and the engine's side files that may have been left beside it.
void removeWithSideFiles(const QString &path)
{
    for (const char *suffix : {"", "-journal", "-wal", "-shm"})
        QFile::remove(path + QLatin1String(suffix));
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
    // Plain system calls, so that every failure comes with its reason (a full disk).
    const int out = ::open(QFile::encodeName(target).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (out < 0)
        throw DbError(writeFailure(errno));
    const auto closeOut = qScopeGuard([out] { ::close(out); });
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
        for (int written = 0; written < length;) {
            const ssize_t n = ::write(out, buffer.constData() + written, size_t(length - written));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                throw DbError(writeFailure(n < 0 ? errno : ENOSPC));
            written += int(n);
        }
    }
    lock.end();
    // On the disk before the copy takes the target's name, so that a crash never leaves a
    // file of that name with the end of the copy missing.
    if (const int error = operations->sync(out, target); error != 0)
        throw DbError(writeFailure(error));
}

} // namespace

int DatabaseBackup::FileOperations::sync(int fd, const QString &) { return ::fsync(fd) == 0 ? 0 : errno; }

QString DatabaseBackup::FileOperations::rename(const QString &from, const QString &to)
{
    std::error_code error;
    std::filesystem::rename(QFile::encodeName(from).toStdString(), QFile::encodeName(to).toStdString(), error);
    return error ? QString::fromLocal8Bit(error.message().c_str()) : QString();
}

void DatabaseBackup::setFileOperations(FileOperations *replacement)
{
    operations = replacement ? replacement : &systemOperations;
}

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
        // On the office's server the copy is its rows written into a file of the program.
        if (db_.isServer())
            ServerBackup::writeFile(db_, part, key_);
        else if (usesWriteAheadLog(db_))
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
    try {
        probe.open(file, key);
    } catch (const DbError &error) {
        throw unusable(error.text()); // the reason, in Italian, naming the file
    }
    // The engine's findings name pages and cells; to the user they all mean that it is damaged.
    const QString damaged = QStringLiteral("è danneggiato (il controllo del file ha trovato parti illeggibili o "
                                           "incoerenti). Scegliere un'altra copia.");
    QStringList problems;
    try {
        Statement integrity(probe, "PRAGMA integrity_check");
        while (integrity.step() && problems.size() < 5)
            problems << QString::fromUtf8(integrity.columnText(0));
    } catch (const DbError &) {
        throw unusable(damaged); // a damaged file may fail already when it is read
    }
    if (problems != QStringList{QStringLiteral("ok")})
        throw unusable(damaged);
    if (const QString problem = Schema::structureProblem(probe); !problem.isEmpty())
        throw unusable(problem);
}

void DatabaseBackup::restoreFrom(const QString &source)
{
    const QString path = db_.path();
    const auto refused = [&source](const QString &reason) {
        return DbError(QStringLiteral("Il ripristino da %1 non è stato fatto: %2").arg(shown(source), reason));
    };
    if (db_.isServer())
        throw DbError(serverRestoreRefusal());
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

bool DatabaseBackup::dataChanged() const
{
    // Every desk changes the server's data: this one cannot tell whether the others did.
    if (db_.isServer())
        return true;
    return db_.handle() && sqlite3_total_changes(db_.handle()) > 0;
}

QString DatabaseBackup::automaticCopy(const QString &folder, int keep, const QDateTime &now)
{
    if (!QDir().mkpath(folder))
        throw DbError(QStringLiteral("La copia automatica del database non è stata fatta: impossibile creare la "
                                     "cartella %1.")
                          .arg(shown(folder)));
    checkBeforeCopy();
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

void DatabaseBackup::checkBeforeCopy()
{
    if (db_.isServer())
        return; // the server checks its own pages; its rows are read in full by the copy

    const QString refused = QStringLiteral("La copia automatica del database non è stata fatta: il database %1 è "
                                           "danneggiato. Le copie precedenti sono state conservate: chiudere il "
                                           "programma e ripristinare l'ultima copia buona (menu \"File\", "
                                           "\"Ripristina da backup\").")
                                .arg(shown(db_.path()));
    QStringList problems;
    try {
        Statement check(db_, "PRAGMA quick_check");
        while (check.step() && problems.size() < 2)
            problems << QString::fromUtf8(check.columnText(0));
    } catch (const DbError &) {
        throw DbError(refused); // a page too damaged to be read at all
    }
    if (problems != QStringList{QStringLiteral("ok")})
        throw DbError(refused);
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

QString DatabaseBackup::serverRestoreRefusal()
{
    return QStringLiteral("Il ripristino da backup non si fa sul server dell'ufficio, i cui dati sono di tutte le "
                          "postazioni: lo fa l'amministratore del server. Una copia fatta dal server è un file del "
                          "database, che il programma può aprire al posto del server.");
}

QString DatabaseBackup::asideFileName() { return QStringLiteral("DatiCliente-prima-del-ripristino.mdb"); }
