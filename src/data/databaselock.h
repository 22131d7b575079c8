#pragma once

#include <QDateTime>
#include <QLockFile>
#include <QString>

#include <memory>

// Makes one copy of the program the only writer of a database file. Two locks are taken:
// - a system lock on the database file itself (flock, which the engine does not use), so
//   that the same file reached through another name, a symbolic or a hard link, is still
//   the same file to lock; the system drops it when a copy dies, however it dies;
// - a lock file beside the database ("DatiCliente.mdb.lock", by the file's real path), which
//   tells copies on other computers sharing the folder, and earlier versions, that the file
//   is in use; it names the computer, the process and, by its date, since when.
// The lock file of a copy that died on this computer is taken over. A lock file that no copy
// on this computer holds and that cannot be taken over (another computer's, another user's,
// a folder in its place) is not removed without the user's consent: see removeAndTake().
class DatabaseLock
{
public:
    enum class Outcome {
        Taken,       // this copy is the only writer
        InUse,       // another running copy on this computer holds the database
        Foreign,     // a lock file no copy here holds and that cannot be taken over: see reason()
        NotWritable, // the folder takes no lock file: nobody can write the database there
    };

    DatabaseLock() = default;
    ~DatabaseLock() { release(); }
    DatabaseLock(const DatabaseLock &) = delete;
    DatabaseLock &operator=(const DatabaseLock &) = delete;

    // Tries once, without waiting, to become the writer of `databasePath`.
    Outcome take(const QString &databasePath);
    // After Foreign, and only when the user agreed: removes the lock file (or the empty
    // folder in its place) and tries again. Foreign again, with the reason, when it cannot.
    Outcome removeAndTake(const QString &databasePath);
    // After the file at `databasePath` was replaced by another under its name (an old archive
    // converted in its place): the system lock moves to the new file, the lock file stays.
    // Nothing changes while the file is the one locked. False when another copy locked it.
    bool followReplacedFile(const QString &databasePath);
    void release();
    bool isTaken() const { return lock_ && lock_->isLocked(); }

    // After Foreign: why the lock could not be taken, in Italian, naming the lock file.
    const QString &reason() const { return reason_; }

    static QString lockPath(const QString &databasePath);
    // What the user is told when another copy holds the lock.
    static QString inUseMessage(const QString &databasePath);
    // The question asked after Foreign.
    QString removalQuestion() const;

private:
    Outcome takeLockFile(const QString &path);
    bool lockDatabaseFile(const QString &databasePath);

    std::unique_ptr<QLockFile> lock_;
    int fileLock_ = -1; // the descriptor holding the system lock on the database file
    QString reason_;
};
