#pragma once

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QString>
#include <QStringList>

class Database;

// Copies of the database. On the office's server a copy is a new file holding the server's rows
// (ServerBackup), which the program opens as any other; restoring onto the server is left to
// its administrator. Of a file, a copy of the open database is the file's own encrypted bytes,
// read under the engine's read lock, so it is consistent whatever result is open and it is
// keyed with the same key; it takes the target's name only once it is whole on the disk. A
// copy is put back in place of the database only once it has been checked; the replaced file
// is kept beside it. At exit an automatic copy is
// kept when the data changed, and only the latest few automatic copies stay.
//
// Every failure is raised as DbError with an Italian text that says what happened. No
// failure leaves the database file missing or half written: new files are written aside and
// renamed into place.
class DatabaseBackup
{
public:
    // The file-system calls on which the safety of a copy and of a restore rests. Tests put
    // their own in place to watch their order or to make one fail.
    class FileOperations
    {
    public:
        virtual ~FileOperations() = default;
        // Puts the file's written bytes on the disk; 0, or the system's error number.
        virtual int sync(int fd, const QString &path);
        // Replaces `to` by `from` in one step; empty, or the system's reason.
        virtual QString rename(const QString &from, const QString &to);
    };
    // Installs `operations` (Not owned; nullptr goes back to the system's own).
    static void setFileOperations(FileOperations *operations);

    // `db` is the program's connection (Not owned); `key` is the key of its file.
    DatabaseBackup(Database &db, QByteArray key);

    // Writes a copy of the open database to `target`, replacing a file there.
    void copyTo(const QString &target);

    // Puts the copy `source` in place of the database. The connection must hold no open
    // result (the caller closes them first). It is closed, the file replaced, and opened
    // again: on the copy when all went well, otherwise on the database as it was. The file
    // replaced is kept as asideFileName() in the database's folder.
    void restoreFrom(const QString &source);

    // Raises DbError unless `file` opens with `key`, passes the engine's integrity check
    // and holds every table and column of the program.
    static void check(const QString &file, const QByteArray &key);

    // Whether anything was written to the database since the connection was opened; always
    // on the server, which the other desks change too.
    bool dataChanged() const;

    // One more automatic copy in `folder` (made when missing), named after `now`; then
    // the oldest automatic copies are removed so that `keep` remain. Returns its path. The
    // database is checked first (the engine's quick check reads every page): a damaged one is
    // not copied, and no earlier copy is removed for it.
    QString automaticCopy(const QString &folder, int keep, const QDateTime &now);
    // The automatic copies in `folder`, oldest first (the user's own copies are not among them).
    static QStringList automaticCopies(const QString &folder);

    // "Backup" beside the program.
    static QString folder(const QString &programDir);
    // "DatiCliente-AAAA-MM-GG.mdb", the name offered for a copy made on `date`.
    static QString defaultFileName(const QDate &date);
    // Why a restore is refused on the office's server.
    static QString serverRestoreRefusal();
    // What the replaced database is called after a restore.
    static QString asideFileName();

private:
    // Raises DbError when the open database fails the engine's quick check.
    void checkBeforeCopy();
    // check() naming the file as `name` in its message.
    static void checkAs(const QString &file, const QByteArray &key, const QString &name);

    Database &db_;
    QByteArray key_;
};
