#pragma once

#include <QLockFile>
#include <QString>

#include <memory>

// Makes one copy of the program the only writer of a database file: a lock file beside the
// database ("DatiCliente.mdb.lock"), held while the connection is open and released on exit.
// The lock of a copy that died without releasing it (a crash, a kill) is taken over, because
// the lock file names a process that no longer runs (or, killed while creating it, names none
// and is held by nobody).
class DatabaseLock
{
public:
    enum class Outcome {
        Taken,       // this copy is the only writer
        InUse,       // another running copy holds the lock
        NotWritable, // the folder takes no lock file: nobody can write the database there
    };

    DatabaseLock() = default;
    ~DatabaseLock() { release(); }
    DatabaseLock(const DatabaseLock &) = delete;
    DatabaseLock &operator=(const DatabaseLock &) = delete;

    // Tries once, without waiting, to become the writer of `databasePath`.
    Outcome take(const QString &databasePath);
    void release();
    bool isTaken() const { return lock_ && lock_->isLocked(); }

    static QString lockPath(const QString &databasePath);
    // What the user is told when another copy holds the lock.
    static QString inUseMessage(const QString &databasePath);

private:
    std::unique_ptr<QLockFile> lock_;
};
