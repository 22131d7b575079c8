// Backups through the main window's "File" menu: a copy offered in the Backup folder under
// today's name, a restore that brings the copy's data back on screen and keeps the replaced
// file, a damaged copy refused with the result left as it was, the automatic copy at exit
// as the preferences say, and the status panel with what the shown projects add up to.
// On the office's server a copy is a file holding the server's rows, a restore is refused
// before any file is asked for, and the copy at exit is made whether or not this desk changed
// anything, since the other desks change the same data.
#include "app/mainwindowfixture.h"
#include "data/databasebackup.h"
#include "data/schema.h"
#include "data/table.h"

#include <QDir>

class TestBackupFlow : public QObject, public MainWindowFixture
{
    Q_OBJECT

private Q_SLOTS:
    void init() { startFixture(); }
    void cleanup() { stopFixture(); }

    void backupThenRestoreThroughTheMenu();
    void damagedCopyIsRefusedAndTheResultStays();
    void exitKeepsAnAutomaticCopyWhenTheDataChanged();
    void exitCopyFollowsThePreferences();
    void statusPanelShowsWhatIsOwed();

private:
    QString backupFolder() const { return DatabaseBackup::folder(db_->programDir()); }
    // The restore's refusal, with the result and the data left as they were.
    void checkRestoreRefused();
    QString surnameOfFirstPerson()
    {
        return main()->connection().scalar("SELECT Cognome FROM Committente ORDER BY IdCommittente LIMIT 1").toString();
    }
};

void TestBackupFlow::backupThenRestoreThroughTheMenu()
{
    start(12);
    QVERIFY(!QDir(backupFolder()).exists());
    const QString copy = QDir(backupFolder()).filePath(QStringLiteral("copia.mdb"));
    dialogs_->answerNextFile(copy);
    trigger(QStringLiteral("BackupDatabase1"));
    QVERIFY2(dialogs_->errors.isEmpty(), qPrintable(dialogs_->errors.join('\n')));
    QCOMPARE(dialogs_->fileRequests.size(), 1);
    QCOMPARE(dialogs_->fileRequests.first().folder,
             QDir(backupFolder()).filePath(DatabaseBackup::defaultFileName(QDate::currentDate())));
    QVERIFY(QFile::exists(copy));
    QCOMPARE(dialogs_->messages.size(), 1);
    QVERIFY(dialogs_->messages.first().startsWith(QStringLiteral("Copia del database salvata in ")));

    const QString saved = surnameOfFirstPerson();
    {
        Database copied;
        copied.open(copy, Schema::databasePassword());
        QCOMPARE(copied.scalar("SELECT Cognome FROM Committente ORDER BY IdCommittente LIMIT 1").toString(), saved);
        QCOMPARE(copied.scalar("SELECT COUNT(*) FROM Committente").toInt(), 12);
    }
    main()->connection().exec("UPDATE Committente SET Cognome = 'Cambiato'");
    trigger(QStringLiteral("QueryProgetto"));
    QCOMPARE(main()->globals().viewKind, int(ViewProjects));

    if (TestDatabase::onServer()) {
        dialogs_->clear();
        checkRestoreRefused();
        QCOMPARE(surnameOfFirstPerson(), QStringLiteral("Cambiato"));
        return;
    }

    // Answered OK: the copy replaces the database, the start-up query shows its persons.
    dialogs_->clear();
    dialogs_->answerNextFile(copy);
    trigger(QStringLiteral("RipristinaBackup1"));
    QVERIFY2(dialogs_->errors.isEmpty(), qPrintable(dialogs_->errors.join('\n')));
    QCOMPARE(dialogs_->questions.size(), 1);
    QVERIFY(dialogs_->questions.first().contains(DatabaseBackup::asideFileName()));
    QCOMPARE(surnameOfFirstPerson(), saved);
    QCOMPARE(main()->globals().viewKind, int(ViewPersons));
    QVERIFY(main()->statusText().startsWith(QStringLiteral("Query attuale: ")));
    QVERIFY(query()->recordCount() >= 12);
    QVERIFY(query()->text(0, column(QStringLiteral("Cognome"))) != QStringLiteral("Cambiato"));
    QVERIFY(main()->protezione()->isActive());
    QCOMPARE(dialogs_->messages.size(), 1);
    QVERIFY(dialogs_->messages.first().startsWith(QStringLiteral("Database ripristinato dalla copia ")));
    Database aside;
    aside.open(QDir(db_->programDir()).filePath(QStringLiteral("Database/") + DatabaseBackup::asideFileName()),
               Schema::databasePassword());
    QCOMPARE(aside.scalar("SELECT COUNT(*) FROM Committente WHERE Cognome = 'Cambiato'").toInt(), 12);

    // Cancelled at the question: nothing happens.
    dialogs_->clear();
    dialogs_->answerNextFile(copy);
    dialogs_->answerNext(false);
    main()->connection().exec("UPDATE Committente SET Cognome = 'Ancora'");
    trigger(QStringLiteral("RipristinaBackup1"));
    QCOMPARE(surnameOfFirstPerson(), QStringLiteral("Ancora"));
    QVERIFY(dialogs_->messages.isEmpty());
}

void TestBackupFlow::checkRestoreRefused()
{
    const QString status = main()->statusText();
    const int rows = query()->recordCount();
    const int row = query()->currentRow();
    trigger(QStringLiteral("RipristinaBackup1"));
    QCOMPARE(dialogs_->errors, QStringList({DatabaseBackup::serverRestoreRefusal()}));
    QVERIFY(dialogs_->errors.first().startsWith(
        QStringLiteral("Il ripristino da backup non si fa sul server dell'ufficio")));
    QVERIFY(dialogs_->fileRequests.isEmpty());
    QVERIFY(dialogs_->questions.isEmpty());
    QVERIFY(dialogs_->messages.isEmpty());
    QCOMPARE(main()->statusText(), status);
    QCOMPARE(query()->recordCount(), rows);
    QCOMPARE(query()->currentRow(), row);
    QVERIFY(main()->protezione()->isActive());
}

void TestBackupFlow::damagedCopyIsRefusedAndTheResultStays()
{
    start(8);
    trigger(QStringLiteral("QueryProgetto"));
    query()->setCurrentRow(2);
    if (TestDatabase::onServer()) {
        checkRestoreRefused();
        return;
    }
    const QString status = main()->statusText();
    const int rows = query()->recordCount();
    const QString damaged = QDir(db_->programDir()).filePath(QStringLiteral("rotto.mdb"));
    QFile file(damaged);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(8192, '\x01'));
    file.close();
    const QByteArray before = [this] {
        QFile db(db_->path());
        return db.open(QIODevice::ReadOnly) ? db.readAll() : QByteArray();
    }();

    dialogs_->answerNextFile(damaged);
    trigger(QStringLiteral("RipristinaBackup1"));
    QCOMPARE(dialogs_->errors.size(), 1);
    QVERIFY2(dialogs_->errors.first().contains(QStringLiteral("non è una copia valida del database")),
             qPrintable(dialogs_->errors.first()));
    QVERIFY(dialogs_->messages.isEmpty());
    QCOMPARE(main()->statusText(), status);
    QCOMPARE(query()->recordCount(), rows);
    QCOMPARE(query()->currentRow(), 2);
    QFile db(db_->path());
    QVERIFY(db.open(QIODevice::ReadOnly));
    QCOMPARE(db.readAll(), before);
}

void TestBackupFlow::exitKeepsAnAutomaticCopyWhenTheDataChanged()
{
    start(4);
    main()->close();
    // Nothing changed here: no copy of the file. The server's data may have been changed by
    // the other desks: a copy all the same.
    const QStringList unchanged = DatabaseBackup::automaticCopies(backupFolder());
    QCOMPARE(unchanged.size(), TestDatabase::onServer() ? 1 : 0);
    if (!unchanged.isEmpty()) {
        Database copy;
        copy.open(QDir(backupFolder()).filePath(unchanged.first()), Schema::databasePassword());
        QCOMPARE(copy.scalar("SELECT COUNT(*) FROM Committente").toInt(), 4);
    }

    stopFixture();
    startFixture();
    start(4);
    trigger(QStringLiteral("QueryCommittente"));
    query()->fieldByName(QStringLiteral("Nome")).setValue(QStringLiteral("Ugo"));
    main()->close(); // the typed change is saved at exit, and the copy holds it
    QVERIFY2(dialogs_->errors.isEmpty(), qPrintable(dialogs_->errors.join('\n')));
    const QStringList copies = DatabaseBackup::automaticCopies(backupFolder());
    QCOMPARE(copies.size(), 1);
    Database copy;
    copy.open(QDir(backupFolder()).filePath(copies.first()), Schema::databasePassword());
    QCOMPARE(copy.scalar("SELECT COUNT(*) FROM Committente WHERE Nome = 'Ugo'").toInt(), 1);
}

void TestBackupFlow::exitCopyFollowsThePreferences()
{
    db_ = std::make_unique<TestDatabase>(3);
    const QString ini = QDir(db_->programDir()).filePath(QStringLiteral("Default.ini"));
    // The cases' own preferences; on the server followed by the section that names it.
    const auto writeIni = [this, &ini](const QByteArray &bytes) {
        QFile file(ini);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes + db_->databaseSection());
    };
    const auto run = [this] {
        startup_ = std::make_unique<Startup>(db_->programDir());
        startup_->createWindows();
        startup_->start();
        main()->connection().exec("UPDATE Committente SET Note = 'x'");
        main()->close();
        startup_.reset();
    };
    writeIni("[BACKUP]\r\nCopia automatica=0\r\n");
    run();
    QVERIFY(DatabaseBackup::automaticCopies(backupFolder()).isEmpty());

    writeIni("[BACKUP]\r\nCopia automatica=1\r\nCopie da conservare=2\r\n");
    for (int i = 0; i < 3; ++i) {
        // Names go by the second; a copy within the same second takes the next one.
        run();
    }
    QCOMPARE(DatabaseBackup::automaticCopies(backupFolder()).size(), 2);
    QVERIFY2(dialogs_->errors.isEmpty(), qPrintable(dialogs_->errors.join('\n')));
}

void TestBackupFlow::statusPanelShowsWhatIsOwed()
{
    start(0);
    const qint64 person = addPerson(QStringLiteral("Rossi"));
    addProject(person, QStringLiteral("Rossi"), 10000, 7655);
    addProject(person, QStringLiteral("Rossi"), 2345, 2345);
    addProject(person, QStringLiteral("Rossi"), 0, 0);
    auto *panel = child<QLabel>(QStringLiteral("StatusBar1Panel1"));
    trigger(QStringLiteral("QueryCommittente"));
    QCOMPARE(panel->text(), QString());
    trigger(QStringLiteral("QueryProgetto"));
    QCOMPARE(panel->text(), QStringLiteral("Totale: € 12.345,00 — Pagato: € 10.000,00 — Da incassare: € 2.345,00"));
    QVERIFY(panel->isVisible());

    // The quick search's filter narrows the sums to the rows shown.
    query()->setFilter(QStringLiteral("Importo_totale=2345"));
    query()->setFiltered(true);
    QCOMPARE(panel->text(), QStringLiteral("Totale: € 2.345,00 — Pagato: € 2.345,00 — Da incassare: € 0,00"));
}

QTEST_MAIN(TestBackupFlow)
#include "tst_backupflow.moc"
