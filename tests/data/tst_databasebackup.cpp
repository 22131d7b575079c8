// Copies of the database: a copy taken while a result is open or another connection is
// writing holds every saved row, and none is taken while a writer holds the file; a copy that
// does not open with the key, is damaged or lacks the program's tables is refused with the
// database untouched; a good one replaces the database and the old file is kept aside; the
// automatic copies rotate.
#include "data/database.h"
#include "data/databasebackup.h"
#include "data/query.h"
#include "data/schema.h"
#include "data/sqlite.h"
#include "support/testdatabase.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QtTest>

namespace {

const QStringList kTables = {"Committente", "Indirizzo", "Recapiti", "Progetto", "Pagamenti", "Stato", "Applicazione"};

// Every table of the database, row by row, each row as one line of text.
QStringList contents(Database &db)
{
    QStringList lines;
    for (const QString &table : kTables) {
        lines << QStringLiteral("== ") + table;
        Statement st(db, QStringLiteral("SELECT * FROM %1 ORDER BY rowid").arg(table).toUtf8());
        while (st.step()) {
            QStringList cells;
            for (int c = 0; c < st.columnCount(); ++c)
                cells << (st.columnIsNull(c) ? QStringLiteral("<null>") : QString::fromUtf8(st.columnText(c)));
            lines << cells.join(QLatin1Char('|'));
        }
    }
    return lines;
}

QStringList contentsOf(const QString &path)
{
    Database db;
    db.open(path, Schema::databasePassword());
    return contents(db);
}

QByteArray hashOf(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return "(unreadable)";
    return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256).toHex();
}

void writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

// Records the file operations of copies and restores, and makes the chosen rename fail.
class WatchedOperations : public DatabaseBackup::FileOperations
{
public:
    WatchedOperations() { DatabaseBackup::setFileOperations(this); }
    ~WatchedOperations() override { DatabaseBackup::setFileOperations(nullptr); }

    int sync(int fd, const QString &path) override
    {
        log << QStringLiteral("sync ") + QFileInfo(path).fileName();
        return FileOperations::sync(fd, path);
    }
    QString rename(const QString &from, const QString &to) override
    {
        log << QStringLiteral("rename %1 %2").arg(QFileInfo(from).fileName(), QFileInfo(to).fileName());
        if (++renames == failingRename)
            return QStringLiteral("errore simulato");
        return FileOperations::rename(from, to);
    }

    QStringList log;
    int renames = 0;
    int failingRename = 0; // 1-based; 0: none fails
};

} // namespace

class TestDatabaseBackup : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void copyTakenWhileAResultIsOpenHoldsEveryRow();
    void copyTakenWhileAnotherConnectionWritesHoldsTheSavedRows();
    void copyWaitsForNoWriterInsideTheFile();
    void copyReplacesAnEarlierFileWhole();
    void copyIntoAMissingFolderSaysSoAndLeavesNothing();
    void refusedCopyLeavesTheDatabaseUnchanged_data();
    void refusedCopyLeavesTheDatabaseUnchanged();
    void restorePutsTheCopyInPlaceAndKeepsTheOldFileAside();
    void dataChangedOnlyAfterAWrite();
    void automaticCopiesRotate();
    void damagedDatabaseIsNotCopiedAutomatically();
    void copyIsOnTheDiskBeforeItTakesItsName();
    void restoreFailingAfterTheDatabaseWasMovedAsideMovesItBack();
    void names();
};

void TestDatabaseBackup::copyTakenWhileAResultIsOpenHoldsEveryRow()
{
    TestDatabase data(25);
    Query projects(&data.db());
    projects.setSql({"SELECT IdProgetto, Descrizione, Importo_totale FROM Progetto"});
    projects.open();
    projects.setFilter(QStringLiteral("Importo_totale>1000"));
    projects.setFiltered(true);
    // A row being typed is not saved, so it is not in the copy either.
    projects.edit();
    projects.fieldByName(QStringLiteral("Descrizione")).setValue(QStringLiteral("non salvato"));

    const QString copy = QDir(data.programDir()).filePath(QStringLiteral("copia.mdb"));
    DatabaseBackup(data.db(), Schema::databasePassword()).copyTo(copy);
    projects.cancel();

    const QStringList original = contents(data.db());
    QVERIFY(original.size() > 100);
    QCOMPARE(contentsOf(copy), original);
    // Keyed like the database: no other key opens it.
    Database other;
    QVERIFY_THROWS_EXCEPTION(DbError, other.open(copy, QByteArrayLiteral("altra chiave")));
    QVERIFY(!QFile::exists(copy + QStringLiteral(".parziale")));
    // The result stays open and usable after the copy.
    QVERIFY(projects.isActive());
    QVERIFY(projects.recordCount() > 0);
}

void TestDatabaseBackup::copyTakenWhileAnotherConnectionWritesHoldsTheSavedRows()
{
    TestDatabase data(25);
    const QStringList saved = contents(data.db());
    Database writer;
    writer.open(data.path(), Schema::databasePassword());
    writer.begin();
    writer.exec("UPDATE Committente SET Cognome = 'Non ancora salvato'");
    writer.exec("DELETE FROM Pagamenti");

    const QString copy = QDir(data.programDir()).filePath(QStringLiteral("copia.mdb"));
    DatabaseBackup(data.db(), Schema::databasePassword()).copyTo(copy);
    QCOMPARE(contentsOf(copy), saved);
    // The copy let go of its read lock: the writer can finish, and the copy keeps what it had.
    writer.commit();
    QVERIFY(contents(data.db()) != saved);
    QCOMPARE(contentsOf(copy), saved);
}

void TestDatabaseBackup::copyWaitsForNoWriterInsideTheFile()
{
    // A writer holding the exclusive lock may have written half of its pages into the file:
    // no copy may be taken of it then.
    TestDatabase data(3);
    sqlite3_busy_timeout(data.db().handle(), 50);
    Database writer;
    writer.open(data.path(), Schema::databasePassword());
    writer.exec("BEGIN EXCLUSIVE");
    writer.exec("DELETE FROM Pagamenti");
    const QString copy = QDir(data.programDir()).filePath(QStringLiteral("copia.mdb"));
    try {
        DatabaseBackup(data.db(), Schema::databasePassword()).copyTo(copy);
        QFAIL("a copy was taken while a writer held the file");
    } catch (const DbError &error) {
        QVERIFY2(error.text().contains(QStringLiteral("occupato")), qPrintable(error.text()));
    }
    QVERIFY(!QFile::exists(copy));
    QVERIFY(!QFile::exists(copy + QStringLiteral(".parziale")));
    writer.exec("ROLLBACK");
    DatabaseBackup(data.db(), Schema::databasePassword()).copyTo(copy);
    QCOMPARE(contentsOf(copy), contents(data.db()));
}

void TestDatabaseBackup::copyReplacesAnEarlierFileWhole()
{
    TestDatabase data(3);
    const QString copy = QDir(data.programDir()).filePath(QStringLiteral("copia.mdb"));
    writeBytes(copy, QByteArray(100000, 'x'));
    DatabaseBackup(data.db(), Schema::databasePassword()).copyTo(copy);
    QCOMPARE(contentsOf(copy), contents(data.db()));
}

void TestDatabaseBackup::copyIntoAMissingFolderSaysSoAndLeavesNothing()
{
    TestDatabase data(1);
    const QString copy = QDir(data.programDir()).filePath(QStringLiteral("manca/copia.mdb"));
    try {
        DatabaseBackup(data.db(), Schema::databasePassword()).copyTo(copy);
        QFAIL("a copy into a missing folder was reported as made");
    } catch (const DbError &error) {
        QVERIFY2(error.text().startsWith(QStringLiteral("La copia del database in ")), qPrintable(error.text()));
        QVERIFY2(error.text().contains(QStringLiteral("non è stata fatta")), qPrintable(error.text()));
    }
    QVERIFY(!QFile::exists(copy));
    QVERIFY(!QFile::exists(copy + QStringLiteral(".parziale")));
}

void TestDatabaseBackup::refusedCopyLeavesTheDatabaseUnchanged_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("reason");
    QTest::newRow("other key") << "other key"
                               << "password del database è errata";
    QTest::newRow("cut short") << "cut short"
                               << "non è una copia valida";
    QTest::newRow("page overwritten") << "page overwritten"
                                      << "non è una copia valida";
    QTest::newRow("not a database") << "not a database"
                                    << "non è una copia valida";
    QTest::newRow("empty file") << "empty file"
                                << "non è una copia valida";
    QTest::newRow("table missing") << "table missing"
                                   << "manca la tabella Pagamenti";
    QTest::newRow("column missing") << "column missing"
                                    << "nella tabella Progetto manca la colonna Importo_pagato";
    QTest::newRow("no such file") << "no such file"
                                  << "il file non esiste";
}

void TestDatabaseBackup::refusedCopyLeavesTheDatabaseUnchanged()
{
    QFETCH(QString, kind);
    QFETCH(QString, reason);
    TestDatabase data(10);
    const QDir dir(data.programDir());
    const QString copy = dir.filePath(QStringLiteral("copia.mdb"));
    DatabaseBackup backup(data.db(), Schema::databasePassword());
    backup.copyTo(copy);
    QFile file(copy);
    QVERIFY(file.open(QIODevice::ReadWrite));
    const qint64 size = file.size();
    if (kind == QLatin1String("other key")) {
        file.close();
        QFile::remove(copy);
        Database other;
        other.create(copy, QByteArrayLiteral("un'altra chiave"));
        Schema::createTables(other);
    } else if (kind == QLatin1String("cut short")) {
        QVERIFY(file.resize(size / 2));
    } else if (kind == QLatin1String("page overwritten")) {
        QVERIFY(file.seek(size / 2));
        file.write(QByteArray(4096, '\x5a'));
    } else if (kind == QLatin1String("not a database")) {
        QVERIFY(file.resize(0));
        file.write(QByteArray("Questo non è un database.\n").repeated(200));
    } else if (kind == QLatin1String("empty file")) {
        QVERIFY(file.resize(0));
    } else if (kind == QLatin1String("table missing") || kind == QLatin1String("column missing")) {
        file.close();
        Database edited;
        edited.open(copy, Schema::databasePassword());
        edited.exec(kind == QLatin1String("table missing")
                        ? "DROP TABLE Pagamenti"
                        : "ALTER TABLE Progetto RENAME TO Vecchio; "
                          "CREATE TABLE Progetto (IdProgetto INTEGER PRIMARY KEY, IdCommittente INTEGER, "
                          "Cognome_progettista TEXT, Nome_progettista TEXT, Descrizione TEXT, Comune TEXT, "
                          "Stato TEXT, Importo_totale CURRENCY, Data_inizio DATE, Data_fine DATE, "
                          "Data_scadenza DATE, Archivio TEXT, Nota TEXT); DROP TABLE Vecchio");
    } else if (kind == QLatin1String("no such file")) {
        file.close();
        QFile::remove(copy);
    }
    file.close();

    const QByteArray before = hashOf(data.path());
    const QStringList rows = contents(data.db());
    try {
        backup.restoreFrom(copy);
        QFAIL("the copy was put in place");
    } catch (const DbError &error) {
        QVERIFY2(error.text().contains(reason), qPrintable(error.text()));
        // In the user's words: no engine finding, no word of changes when nothing was saved.
        for (const char *raw : {"btree", "error code", "SQL logic error", "Le modifiche non sono state salvate"})
            QVERIFY2(!error.text().contains(QLatin1String(raw)), qPrintable(error.text()));
        if (kind != QLatin1String("no such file"))
            QVERIFY2(error.text().endsWith(QStringLiteral("Il database non è stato modificato.")),
                     qPrintable(error.text()));
    }
    QCOMPARE(hashOf(data.path()), before);
    QVERIFY(data.db().isOpen());
    QCOMPARE(contents(data.db()), rows);
    QVERIFY(!dir.exists(QStringLiteral("Database/") + DatabaseBackup::asideFileName()));
    QVERIFY(!QFile::exists(data.path() + QStringLiteral(".ripristino")));
}

void TestDatabaseBackup::restorePutsTheCopyInPlaceAndKeepsTheOldFileAside()
{
    TestDatabase data(10);
    const QString copy = QDir(data.programDir()).filePath(QStringLiteral("copia.mdb"));
    DatabaseBackup backup(data.db(), Schema::databasePassword());
    backup.copyTo(copy);
    const QStringList saved = contents(data.db());

    data.db().exec("DELETE FROM Pagamenti WHERE IdFattura % 2 = 0");
    data.db().exec("UPDATE Committente SET Cognome = 'Cambiato'");
    const QStringList changed = contents(data.db());
    QVERIFY(changed != saved);

    backup.restoreFrom(copy);
    QVERIFY(data.db().isOpen());
    QCOMPARE(contents(data.db()), saved);
    const QString aside = QDir(data.programDir()).filePath(QStringLiteral("Database/") + DatabaseBackup::asideFileName());
    QCOMPARE(contentsOf(aside), changed);
    QVERIFY(QFile::exists(copy)); // the user's copy stays where it was
    QVERIFY(!QFile::exists(data.path() + QStringLiteral(".ripristino")));

    // A second restore keeps the database it replaces, not the first one set aside.
    data.db().exec("DELETE FROM Stato");
    const QStringList third = contents(data.db());
    backup.restoreFrom(copy);
    QCOMPARE(contentsOf(aside), third);
}

void TestDatabaseBackup::dataChangedOnlyAfterAWrite()
{
    TestDatabase data(2);
    DatabaseBackup backup(data.db(), Schema::databasePassword());
    Query persons(&data.db());
    persons.setSql({"SELECT IdCommittente, Cognome FROM Committente"});
    persons.open();
    QVERIFY(!backup.dataChanged());
    persons.fieldByName(QStringLiteral("Cognome")).setValue(QStringLiteral("Bianchi"));
    QVERIFY(!backup.dataChanged()); // typed, not saved
    persons.post();
    QVERIFY(backup.dataChanged());
}

void TestDatabaseBackup::automaticCopiesRotate()
{
    TestDatabase data(2);
    const QString folder = DatabaseBackup::folder(data.programDir());
    QCOMPARE(folder, QDir(data.programDir()).filePath(QStringLiteral("Backup")));
    DatabaseBackup backup(data.db(), Schema::databasePassword());
    // The folder is made by the first copy; the user's own copies there are never removed.
    const QDateTime start(QDate(2024, 12, 31), QTime(23, 59, 55));
    backup.automaticCopy(folder, 10, start);
    backup.copyTo(QDir(folder).filePath(DatabaseBackup::defaultFileName(QDate(2024, 1, 1))));
    QStringList made = {backup.automaticCopy(folder, 10, start.addSecs(0))}; // same second: the next free name
    QCOMPARE(QFileInfo(made.first()).fileName(), QStringLiteral("DatiCliente-automatico-2024-12-31-23.59.56.mdb"));
    for (int i = 1; i <= 10; ++i)
        made << backup.automaticCopy(folder, 10, start.addSecs(3600 * i));

    const QStringList copies = DatabaseBackup::automaticCopies(folder);
    QCOMPARE(copies.size(), 10);
    QCOMPARE(copies.first(), QStringLiteral("DatiCliente-automatico-2025-01-01-00.59.55.mdb"));
    QCOMPARE(copies.last(), QStringLiteral("DatiCliente-automatico-2025-01-01-09.59.55.mdb"));
    QVERIFY(!QFile::exists(QDir(folder).filePath(QStringLiteral("DatiCliente-automatico-2024-12-31-23.59.55.mdb"))));
    QVERIFY(QFile::exists(QDir(folder).filePath(QStringLiteral("DatiCliente-2024-01-01.mdb"))));
    QCOMPARE(contentsOf(made.last()), contents(data.db()));

    // Fewer kept from now on: the oldest go at the next copy.
    backup.automaticCopy(folder, 3, start.addDays(1));
    QCOMPARE(DatabaseBackup::automaticCopies(folder), QStringList({"DatiCliente-automatico-2025-01-01-08.59.55.mdb",
                                                                   "DatiCliente-automatico-2025-01-01-09.59.55.mdb",
                                                                   "DatiCliente-automatico-2025-01-01-23.59.55.mdb"}));
    // Zero or less still keeps the copy just made.
    backup.automaticCopy(folder, 0, start.addDays(2));
    QCOMPARE(DatabaseBackup::automaticCopies(folder), QStringList({"DatiCliente-automatico-2025-01-02-23.59.55.mdb"}));
}

void TestDatabaseBackup::damagedDatabaseIsNotCopiedAutomatically()
{
    TestDatabase data(300);
    const QString folder = DatabaseBackup::folder(data.programDir());
    DatabaseBackup(data.db(), Schema::databasePassword()).automaticCopy(folder, 1, QDateTime(QDate(2025, 1, 1), {}));
    const QStringList good = DatabaseBackup::automaticCopies(folder);
    QCOMPARE(good.size(), 1);
    data.db().close();

    // A page near the end, which opening the file and its first queries never read.
    {
        QFile file(data.path());
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.size() > 16 * 4096);
        QVERIFY(file.seek(file.size() - 2 * 1024));
        file.write(QByteArray(512, '\x5a'));
    }
    Database damaged;
    damaged.open(data.path(), Schema::databasePassword());
    QVERIFY(damaged.scalar("SELECT Codice FROM Applicazione").isValid());
    try {
        DatabaseBackup(damaged, Schema::databasePassword()).automaticCopy(folder, 1, QDateTime(QDate(2025, 1, 2), {}));
        QFAIL("a damaged database was copied");
    } catch (const DbError &error) {
        QVERIFY2(error.text().contains(QStringLiteral("danneggiato")), qPrintable(error.text()));
        QVERIFY2(error.text().contains(QStringLiteral("Le copie precedenti sono state conservate")),
                 qPrintable(error.text()));
    }
    // The good copy is still there, and nothing else.
    QCOMPARE(DatabaseBackup::automaticCopies(folder), good);
    QCOMPARE(QDir(folder).entryList(QDir::Files).size(), 1);
}

void TestDatabaseBackup::copyIsOnTheDiskBeforeItTakesItsName()
{
    TestDatabase data(3);
    WatchedOperations watched;
    const QString target = QDir(data.programDir()).filePath(QStringLiteral("copia.mdb"));
    DatabaseBackup(data.db(), Schema::databasePassword()).copyTo(target);
    QCOMPARE(watched.log, QStringList({"sync copia.mdb.parziale", "rename copia.mdb.parziale copia.mdb"}));
}

void TestDatabaseBackup::restoreFailingAfterTheDatabaseWasMovedAsideMovesItBack()
{
    TestDatabase data(5);
    DatabaseBackup backup(data.db(), Schema::databasePassword());
    const QString copy = QDir(data.programDir()).filePath(QStringLiteral("copia.mdb"));
    backup.copyTo(copy);
    data.db().exec("DELETE FROM Pagamenti");
    const QStringList rows = contents(data.db());
    const QByteArray before = hashOf(data.path());

    // The first rename moves the database aside; the second, which would put the copy in its
    // place, fails.
    WatchedOperations watched;
    watched.failingRename = 2;
    try {
        backup.restoreFrom(copy);
        QFAIL("the restore reported success");
    } catch (const DbError &error) {
        QVERIFY2(error.text().contains(QStringLiteral("Il database non è stato modificato")), qPrintable(error.text()));
    }
    QCOMPARE(watched.log, QStringList({"rename DatiCliente.mdb DatiCliente-prima-del-ripristino.mdb",
                                       "rename DatiCliente.mdb.ripristino DatiCliente.mdb",
                                       "rename DatiCliente-prima-del-ripristino.mdb DatiCliente.mdb"}));
    QCOMPARE(hashOf(data.path()), before);
    QVERIFY(data.db().isOpen());
    QCOMPARE(contents(data.db()), rows);
    QVERIFY(!QFile::exists(data.path() + QStringLiteral(".ripristino")));
}

void TestDatabaseBackup::names()
{
    QCOMPARE(DatabaseBackup::defaultFileName(QDate(2025, 3, 7)), QStringLiteral("DatiCliente-2025-03-07.mdb"));
    QCOMPARE(DatabaseBackup::asideFileName(), QStringLiteral("DatiCliente-prima-del-ripristino.mdb"));
}

QTEST_GUILESS_MAIN(TestDatabaseBackup)
#include "tst_databasebackup.moc"
