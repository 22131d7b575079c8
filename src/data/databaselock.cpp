#include "data/databaselock.h"

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLocale>
#include <QSysInfo>
#include <QThread>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// How old a lock file nobody can read must be before it counts as left by a dead copy, and how
// long a starting copy waits for such a file to be written or to age.
constexpr qint64 kUnreadableLockAgeMs = 1000;
constexpr qint64 kUnreadableLockWaitMs = 2500;

QString shown(const QString &path) { return QDir::toNativeSeparators(path); }

bool writable(const QString &path) { return ::access(QFile::encodeName(path).constData(), W_OK) == 0; }

bool processRunning(qint64 pid) { return pid > 0 && (::kill(pid_t(pid), 0) == 0 || errno == EPERM); }

// A copy killed between creating its lock file and writing its process number into it leaves
// a file that names nobody: it would never count as stale, and no copy could start again. Such
// a file is removed once it is older than a moment and no process holds it (the removal takes
// the file's system lock first, which the holder keeps for as long as it runs). Younger, it may
// be a copy starting this very moment: it is given time to write its number.
bool removeUnreadableLock(QLockFile &lock, const QString &path)
{
    QElapsedTimer waited;
    waited.start();
    qint64 pid = 0;
    QString host, app;
    while (QFile::exists(path) && !QFileInfo(path).isDir() && !lock.getLockInfo(&pid, &host, &app)) {
        const qint64 age = QFileInfo(path).lastModified().msecsTo(QDateTime::currentDateTime());
        if (age > kUnreadableLockAgeMs)
            return lock.removeStaleLockFile();
        if (waited.elapsed() > kUnreadableLockWaitMs)
            return false;
        QThread::msleep(50);
    }
    return !QFile::exists(path); // the holder released it meanwhile
}

} // namespace

DatabaseLock::Outcome DatabaseLock::take(const QString &databasePath)
{
    release();
    reason_.clear();
    if (!lockDatabaseFile(databasePath))
        return Outcome::InUse;
    const Outcome outcome = takeLockFile(lockPath(databasePath));
    // Without the lock file the database is opened read-only (NotWritable): the system lock
    // still keeps another copy here from writing meanwhile.
    if (outcome == Outcome::InUse || outcome == Outcome::Foreign)
        release();
    return outcome;
}

bool DatabaseLock::lockDatabaseFile(const QString &databasePath)
{
    // Opened for reading only: the lock needs no more, and the file may be read-only.
    const int fd = ::open(QFile::encodeName(databasePath).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return true; // a file that cannot be read fails when it is opened, with its reason
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const bool held = errno == EWOULDBLOCK;
        ::close(fd);
        return !held; // a file system without such locks relies on the lock file alone
    }
    // Kept open until release(). Closing a descriptor of the file drops the engine's own
    // (POSIX) locks on it too, so release() runs only while the engine holds none: between
    // transactions, or on a file the engine no longer uses.
    fileLock_ = fd;
    return true;
}

bool DatabaseLock::followReplacedFile(const QString &databasePath)
{
    struct stat locked
    {};
    struct stat named
    {};
    if (fileLock_ < 0 || ::fstat(fileLock_, &locked) != 0
        || ::stat(QFile::encodeName(databasePath).constData(), &named) != 0
        || (locked.st_dev == named.st_dev && locked.st_ino == named.st_ino))
        return true;
    const int previous = fileLock_;
    fileLock_ = -1;
    if (!lockDatabaseFile(databasePath)) {
        fileLock_ = previous;
        return false;
    }
    ::close(previous); // the old file, which the engine never opened
    return true;
}

DatabaseLock::Outcome DatabaseLock::takeLockFile(const QString &path)
{
    auto lock = std::make_unique<QLockFile>(path);
    // Only a dead holder makes a lock stale: an old lock of a copy still running is kept,
    // however long that copy has been open.
    lock->setStaleLockTime(0);
    if (lock->tryLock(0)
        || (lock->error() == QLockFile::LockFailedError && removeUnreadableLock(*lock, path) && lock->tryLock(0))) {
        lock_ = std::move(lock);
        return Outcome::Taken;
    }
    if (lock->error() != QLockFile::LockFailedError)
        return Outcome::NotWritable;

    const QFileInfo info(path);
    const bool folderWritable = writable(info.absolutePath());
    if (info.isDir()) {
        reason_ = QStringLiteral("Al posto del file di blocco del database %1 c'è una cartella: il programma non può "
                                 "segnare il database come aperto.")
                      .arg(shown(path));
        return Outcome::Foreign;
    }
    qint64 pid = 0;
    QString host, app;
    if (!lock->getLockInfo(&pid, &host, &app)) {
        if (!folderWritable)
            return Outcome::NotWritable; // nobody can write the database in this folder
        reason_ = QStringLiteral("Il file di blocco del database %1 appartiene all'utente \"%2\" e non si può leggere: "
                                 "non si sa quale copia di Pratilio+ lo abbia lasciato.")
                      .arg(shown(path), info.owner());
        return Outcome::Foreign;
    }
    const QString since = QLocale(QLocale::Italian).toString(info.lastModified(), QStringLiteral("d/M/yyyy HH:mm"));
    if (host.isEmpty() || host == QSysInfo::machineHostName()) {
        // A copy without the system lock on the file (an earlier version) that still runs.
        if (processRunning(pid))
            return Outcome::InUse;
        // Left by a copy that died, in a folder that takes no changes: nobody can write there.
        if (!folderWritable)
            return Outcome::NotWritable;
        reason_ = QStringLiteral("Il file di blocco del database %1 è rimasto da una copia di Pratilio+ che non è più "
                                 "in esecuzione (dal %2, utente \"%3\") e non si è potuto rimuovere da solo.")
                      .arg(shown(path), since, info.owner());
        return Outcome::Foreign;
    }
    reason_ = QStringLiteral("Il database risulta aperto da Pratilio+ sul computer \"%1\" dal %2 (file di blocco %3).")
                  .arg(host, since, shown(path));
    return Outcome::Foreign;
}

DatabaseLock::Outcome DatabaseLock::removeAndTake(const QString &databasePath)
{
    const QString path = lockPath(databasePath);
    const QFileInfo info(path);
    // Only an empty folder is removed: what a folder holds is not the program's to delete.
    const bool removed = info.isDir() ? QDir().rmdir(path) : QFile::remove(path);
    if (!removed && (QFileInfo::exists(path) || info.isSymLink())) {
        reason_ = info.isDir() ? QStringLiteral("Al posto del file di blocco del database %1 c'è una cartella che "
                                                "non è vuota o non si può rimuovere: spostarla altrove e riavviare il "
                                                "programma.")
                                     .arg(shown(path))
                               : QStringLiteral("Il file di blocco del database %1 non si può rimuovere: chiedere a "
                                                "chi amministra il computer di rimuoverlo e riavviare il programma.")
                                     .arg(shown(path));
        return Outcome::Foreign;
    }
    return take(databasePath);
}

void DatabaseLock::release()
{
    if (lock_)
        lock_->unlock();
    lock_.reset();
    if (fileLock_ >= 0)
        ::close(fileLock_); // also releases the system lock
    fileLock_ = -1;
}

QString DatabaseLock::lockPath(const QString &databasePath)
{
    // By the file's real path, so that a copy that reaches it through a symbolic link finds
    // the same lock file.
    const QString real = QFileInfo(databasePath).canonicalFilePath();
    return (real.isEmpty() ? databasePath : real) + QStringLiteral(".lock");
}

QString DatabaseLock::inUseMessage(const QString &databasePath)
{
    return QStringLiteral("Il database %1 è già aperto da un'altra copia di Pratilio+ su questo computer (forse "
                          "attraverso un collegamento al file o da un altro utente). Chiudere l'altra copia e "
                          "riavviare il programma: due copie che scrivono insieme potrebbero perdere dati.")
        .arg(shown(databasePath));
}

QString DatabaseLock::removalQuestion() const
{
    return reason_
           + QStringLiteral(" Se nessuna copia di Pratilio+ sta usando il database, il blocco è rimasto da una "
                            "chiusura irregolare e si può rimuovere. Se invece un'altra copia è aperta, due copie "
                            "che scrivono insieme potrebbero perdere dati.\n\nRimuovere il blocco e aprire il "
                            "database?");
}
