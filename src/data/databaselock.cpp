#include "data/databaselock.h"

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QThread>

namespace {

// How old a lock file nobody can read must be before it counts as left by a dead copy, and how
// long a starting copy waits for such a file to be written or to age.
constexpr qint64 kUnreadableLockAgeMs = 1000;
constexpr qint64 kUnreadableLockWaitMs = 2500;

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
    while (QFile::exists(path) && !lock.getLockInfo(&pid, &host, &app)) {
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
    auto lock = std::make_unique<QLockFile>(lockPath(databasePath));
    // Only a dead holder makes a lock stale: an old lock of a copy still running is kept,
    // however long that copy has been open.
    lock->setStaleLockTime(0);
    if (lock->tryLock(0)
        || (lock->error() == QLockFile::LockFailedError && removeUnreadableLock(*lock, lockPath(databasePath))
            && lock->tryLock(0))) {
        lock_ = std::move(lock);
        return Outcome::Taken;
    }
    switch (lock->error()) {
    case QLockFile::LockFailedError:
        return Outcome::InUse;
    case QLockFile::PermissionError:
    case QLockFile::UnknownError:
    case QLockFile::NoError:
        break;
    }
    return Outcome::NotWritable;
}

void DatabaseLock::release()
{
    if (lock_)
        lock_->unlock();
    lock_.reset();
}

QString DatabaseLock::lockPath(const QString &databasePath) { return databasePath + QStringLiteral(".lock"); }

QString DatabaseLock::inUseMessage(const QString &databasePath)
{
    return QStringLiteral("Il database %1 è già aperto da un'altra copia di Pratilio+ (anche su un altro "
                          "computer o da un altro utente). Chiudere l'altra copia e riavviare il programma: "
                          "due copie che scrivono insieme potrebbero perdere dati.")
        .arg(QDir::toNativeSeparators(databasePath));
}
