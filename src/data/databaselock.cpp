#include "data/databaselock.h"

#include <QDir>

DatabaseLock::Outcome DatabaseLock::take(const QString &databasePath)
{
    release();
    auto lock = std::make_unique<QLockFile>(lockPath(databasePath));
    // Only a dead holder makes a lock stale: an old lock of a copy still running is kept,
    // however long that copy has been open.
    lock->setStaleLockTime(0);
    if (lock->tryLock(0)) {
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
