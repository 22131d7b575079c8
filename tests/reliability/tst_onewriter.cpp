// One writer per database: a second copy of the program is refused before it touches the
// file, the lock of a killed copy is taken over, a deletion another copy already made is
// refused, and new keys are taken inside the saving transaction.
#include "core/workspace.h"
#include "data/databaselock.h"
#include "data/schema.h"
#include "editing/editingfixture.h"
#include "editing/recordhooks.h"
#include "settings/password.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QFile>
#include <QTemporaryDir>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

namespace {

QByteArray fileHash(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256);
}

} // namespace

class TestOneWriter : public QObject, public EditingFixture
{
    Q_OBJECT

private Q_SLOTS:
    void init() { startFixture(); }
    void cleanup() { stopFixture(); }

    void secondCopyIsRefusedAndChangesNothing();
    void secondProgramShowsOneBoxAndEnds();
    void lockIsReleasedOnExit();
    void lockOfAKilledCopyIsTakenOver();
    void sameFileThroughALinkIsRefused_data();
    void sameFileThroughALinkIsRefused();
    void lockNoCopyHereHoldsIsRemovedOnlyWhenTheUserSaysSo_data();
    void lockNoCopyHereHoldsIsRemovedOnlyWhenTheUserSaysSo();
    void deletingAPaymentAlreadyDeletedChangesNoTotal();
    void deletingAPersonAlreadyDeletedIsRefused();
    void newKeyIsTakenWhenSaving();
};

void TestOneWriter::secondCopyIsRefusedAndChangesNothing()
{
    TestDatabase db(5);
    Workspace first(db.programDir());
    first.openConnection();
    QVERIFY(QFile::exists(DatabaseLock::lockPath(db.path())));
    const QByteArray before = fileHash(db.path());
    const QByteArray lockBefore = fileHash(DatabaseLock::lockPath(db.path()));

    Workspace second(db.programDir());
    try {
        second.openConnection();
        QFAIL("the second copy opened the database");
    } catch (const DbError &e) {
        QVERIFY2(e.text().contains(QStringLiteral("è già aperto da un'altra copia di Pratilio+")), qPrintable(e.text()));
        QVERIFY(e.text().contains(QStringLiteral("DatiCliente.mdb")));
    }
    QVERIFY(second.isRefused());
    QVERIFY(!second.connection().isOpen());
    QCOMPARE(fileHash(db.path()), before);
    QCOMPARE(fileHash(DatabaseLock::lockPath(db.path())), lockBefore);
}

void TestOneWriter::secondProgramShowsOneBoxAndEnds()
{
    start(5);
    const QByteArray before = fileHash(db_->path());
    Startup second(db_->programDir());
    second.createWindows();
    second.start();
    QVERIFY(second.refused());
    QCOMPARE(dialogs_->errors.size(), 1); // no second box from the password prompt
    QVERIFY(dialogs_->errors.first().contains(QStringLiteral("un'altra copia")));
    QVERIFY(!second.mainWindow()->isVisible());
    QVERIFY(!second.password()->isVisible());
    QCOMPARE(fileHash(db_->path()), before);
    // The first copy goes on working.
    trigger(QStringLiteral("QueryCommittente"));
    QCOMPARE(query()->recordCount(), 5);
}

void TestOneWriter::lockIsReleasedOnExit()
{
    TestDatabase db(1);
    {
        Workspace first(db.programDir());
        first.openConnection();
    }
    QVERIFY(!QFile::exists(DatabaseLock::lockPath(db.path())));
    Workspace again(db.programDir());
    again.openConnection();
    QVERIFY(!again.isRefused());
}

void TestOneWriter::lockOfAKilledCopyIsTakenOver()
{
    TestDatabase db(1);
    int ready[2];
    QVERIFY(pipe(ready) == 0);
    const pid_t child = fork();
    if (child == 0) {
        // The other copy: takes the lock and waits to be killed, never releasing it.
        DatabaseLock lock;
        const char taken = lock.take(db.path()) == DatabaseLock::Outcome::Taken ? 'y' : 'n';
        (void) !write(ready[1], &taken, 1);
        for (;;)
            pause();
    }
    char taken = 0;
    QCOMPARE(read(ready[0], &taken, 1), ssize_t(1));
    QCOMPARE(taken, 'y');

    Workspace whileAlive(db.programDir());
    QVERIFY_THROWS_EXCEPTION(DbError, whileAlive.openConnection());
    QVERIFY(whileAlive.isRefused());

    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    QVERIFY(QFile::exists(DatabaseLock::lockPath(db.path()))); // left behind by the killed copy
    Workspace after(db.programDir());
    after.openConnection();
    QVERIFY(!after.isRefused());
    close(ready[0]);
    close(ready[1]);

    // A copy killed before it wrote its process number leaves an empty lock file: once it is
    // older than a moment and nobody holds it, it is taken over too.
    TestDatabase other(1);
    QFile empty(DatabaseLock::lockPath(other.path()));
    QVERIFY(empty.open(QIODevice::WriteOnly | QIODevice::Truncate));
    empty.setFileTime(QDateTime::currentDateTime().addSecs(-5), QFileDevice::FileModificationTime);
    empty.close();
    DatabaseLock lock;
    QCOMPARE(lock.take(other.path()), DatabaseLock::Outcome::Taken);
}

void TestOneWriter::sameFileThroughALinkIsRefused_data()
{
    QTest::addColumn<bool>("symbolic");
    QTest::newRow("symbolic link") << true;
    QTest::newRow("hard link") << false;
}

void TestOneWriter::sameFileThroughALinkIsRefused()
{
    QFETCH(bool, symbolic);
    TestDatabase db(2);
    Workspace first(db.programDir());
    first.openConnection();

    // A second program folder whose database is the first one's file under another name.
    QTemporaryDir other;
    QVERIFY(QDir().mkpath(other.filePath(QStringLiteral("Database"))));
    const QString linked = Schema::databasePath(other.path());
    if (symbolic)
        QVERIFY(QFile::link(db.path(), linked));
    else
        QCOMPARE(::link(QFile::encodeName(db.path()).constData(), QFile::encodeName(linked).constData()), 0);
    const QByteArray before = fileHash(db.path());

    Workspace second(other.path());
    try {
        second.openConnection();
        QFAIL("the same file was opened by a second copy through a link");
    } catch (const DbError &e) {
        QVERIFY2(e.text().contains(QStringLiteral("è già aperto da un'altra copia di Pratilio+")), qPrintable(e.text()));
    }
    QVERIFY(second.isRefused());
    QCOMPARE(fileHash(db.path()), before);
}

void TestOneWriter::lockNoCopyHereHoldsIsRemovedOnlyWhenTheUserSaysSo_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("reason");
    QTest::newRow("another computer, a week old") << "other computer"
                                                  << "sul computer \"ufficio-2\"";
    QTest::newRow("a folder in its place") << "folder"
                                           << "c'è una cartella";
}

void TestOneWriter::lockNoCopyHereHoldsIsRemovedOnlyWhenTheUserSaysSo()
{
    QFETCH(QString, kind);
    QFETCH(QString, reason);
    TestDatabase db(2);
    const QString lockPath = DatabaseLock::lockPath(db.path());
    if (kind == QLatin1String("folder")) {
        QVERIFY(QDir().mkpath(lockPath));
    } else {
        // As another computer's copy writes it: its process number, the program, its name.
        QFile lock(lockPath);
        QVERIFY(lock.open(QIODevice::WriteOnly));
        lock.write("4242\npratilio\nufficio-2\n");
        lock.setFileTime(QDateTime::currentDateTime().addDays(-7), QFileDevice::FileModificationTime);
    }

    // Declined: the program says why and opens nothing.
    for (const bool remove : {false, true}) {
        dialogs_->clear();
        dialogs_->answerNext(remove);
        Workspace workspace(db.programDir());
        try {
            workspace.openConnection();
            QVERIFY2(remove, "opened although the user kept the lock");
        } catch (const DbError &e) {
            QVERIFY2(!remove, qPrintable(e.text()));
            QVERIFY2(e.text().contains(reason), qPrintable(e.text()));
            QVERIFY(!e.text().contains(QStringLiteral("un'altra copia")));
            QVERIFY(workspace.isRefused());
        }
        QCOMPARE(dialogs_->questions.size(), 1);
        QVERIFY2(dialogs_->questions.first().contains(reason), qPrintable(dialogs_->questions.first()));
        QVERIFY(dialogs_->questions.first().contains(QStringLiteral("Rimuovere il blocco")));
        if (remove) {
            QVERIFY(workspace.connection().isOpen());
            QVERIFY(QFileInfo(lockPath).isFile()); // this copy's own lock now
        } else {
            QVERIFY(QFileInfo::exists(lockPath));
        }
    }
}

void TestOneWriter::deletingAPaymentAlreadyDeletedChangesNoTotal()
{
    start(0);
    const qint64 person = addPerson("Rinaldi");
    const qint64 project = addProject(person, "Rinaldi", 1000, 0);
    openPaymentsOf(person, project);
    addPaymentThroughSheet(300);
    QCOMPARE(paid(project), 300.0);

    // Another copy (it got past the lock: an older version, another computer) deletes it first.
    db_->db().exec(QStringLiteral("DELETE FROM Pagamenti WHERE IdProgetto = %1").arg(project));
    db_->db().exec(QStringLiteral("UPDATE Progetto SET Importo_pagato = 0 WHERE IdProgetto = %1").arg(project));

    deletePaymentOf(300);
    QCOMPARE(dialogs_->errors.size(), 1);
    QVERIFY2(dialogs_->errors.first().contains(QStringLiteral("non è più presente")),
             qPrintable(dialogs_->errors.first()));
    QCOMPARE(paid(project), 0.0);        // nothing subtracted
    QCOMPARE(query()->recordCount(), 1); // the row stays until the query runs again
}

void TestOneWriter::deletingAPersonAlreadyDeletedIsRefused()
{
    start(3);
    trigger(QStringLiteral("QueryCommittente"));
    const qint64 person = query()->value(0, column(QStringLiteral("Committente.IdCommittente"))).toLongLong();
    db_->db().exec(QStringLiteral("DELETE FROM Recapiti WHERE IdCommittente = %1").arg(person));
    dialogs_->answerNext(true);
    trigger(QStringLiteral("Elimina"));
    QCOMPARE(dialogs_->errors.size(), 1);
    // Nothing of the deletion stays: the other two rows are still there.
    QCOMPARE(scalar(QStringLiteral("SELECT COUNT(*) FROM Committente WHERE IdCommittente = %1").arg(person)).toInt(), 1);
    QCOMPARE(scalar(QStringLiteral("SELECT COUNT(*) FROM Indirizzo WHERE IdCommittente = %1").arg(person)).toInt(), 1);
}

void TestOneWriter::newKeyIsTakenWhenSaving()
{
    start(0);
    addPerson("Primo");
    trigger(QStringLiteral("QueryCommittente"));
    trigger(QStringLiteral("Inserisci"));
    QVERIFY(sheet()->isVisible());
    const int key = column(QStringLiteral("Committente.IdCommittente"));
    QCOMPARE(query()->value(query()->currentRow(), key).toLongLong(), 1);

    // Meanwhile another writer stores the person with key 1.
    addPerson("Altro");
    type(QStringLiteral("Cognome"), QStringLiteral("Nuovo"));
    type(QStringLiteral("Qualifica"), QStringLiteral("Ing."));
    pressEnterIn(QStringLiteral("Cognome"));
    QVERIFY2(dialogs_->errors.isEmpty(), qPrintable(dialogs_->errors.join('\n')));
    QCOMPARE(scalar(QStringLiteral("SELECT IdCommittente FROM Committente WHERE Cognome = 'Nuovo'")).toLongLong(), 2);
    QCOMPARE(scalar(QStringLiteral("SELECT COUNT(*) FROM Indirizzo WHERE IdCommittente = 2")).toInt(), 1);
    QCOMPARE(scalar(QStringLiteral("SELECT COUNT(*) FROM Recapiti WHERE IdCommittente = 2")).toInt(), 1);
    QCOMPARE(count(QStringLiteral("Committente")), 3);
}

QTEST_MAIN(TestOneWriter)
#include "tst_onewriter.moc"
