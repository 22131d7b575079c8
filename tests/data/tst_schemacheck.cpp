// A database holds the program's objects and nothing else. The file's key is the same in every
// office, so anyone can add a trigger, a view or a table to a copy: such a file is refused when
// it is opened and when it is offered as a backup, before any of its objects can run. Files the
// program (and its earlier versions) made are accepted.
#include "core/workspace.h"
#include "data/database.h"
#include "data/databasebackup.h"
#include "data/schema.h"
#include "support/scripteddialogs.h"
#include "support/testdatabase.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QByteArray hashOf(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256);
}

qint64 count(Database &db, const char *table)
{
    return db.scalar(QByteArray("SELECT COUNT(*) FROM ") + table).toLongLong();
}

} // namespace

class TestSchemaCheck : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void foreignObjectIsRefused_data();
    void foreignObjectIsRefused();
    void filesOfTheProgramAreAccepted_data();
    void filesOfTheProgramAreAccepted();
};

void TestSchemaCheck::foreignObjectIsRefused_data()
{
    QTest::addColumn<QByteArray>("statement");
    QTest::addColumn<QString>("reason");
    QTest::newRow("trigger emptying the persons")
        << QByteArray("CREATE TRIGGER trappola AFTER INSERT ON Pagamenti BEGIN DELETE FROM Committente; END")
        << "contiene un trigger \"trappola\"";
    QTest::newRow("trigger on a change") << QByteArray("CREATE TRIGGER t2 BEFORE UPDATE ON Progetto BEGIN "
                                                       "UPDATE Progetto SET Importo_pagato = 0; END")
                                         << "contiene un trigger \"t2\"";
    QTest::newRow("view") << QByteArray("CREATE VIEW Elenco AS SELECT * FROM Committente") << "contiene una vista";
    QTest::newRow("table") << QByteArray("CREATE TABLE Altro (x)") << "contiene una tabella \"Altro\"";
    QTest::newRow("index on an expression")
        << QByteArray("CREATE INDEX strano ON Committente (lower(Cognome))") << "contiene un indice \"strano\"";
    QTest::newRow("program index redefined")
        << QByteArray("DROP INDEX Progetto_Stato; CREATE INDEX Progetto_Stato ON Progetto (Stato, Comune)")
        << "contiene un indice \"Progetto_Stato\"";
    QTest::newRow("extra column") << QByteArray("ALTER TABLE Pagamenti ADD COLUMN Extra TEXT DEFAULT 'x'")
                                  << "la tabella Pagamenti non ha la struttura di Pratilio+";
    QTest::newRow("column of another type")
        << QByteArray("ALTER TABLE Stato RENAME TO Vecchio; CREATE TABLE Stato (Stato_progetto INTEGER); "
                      "DROP TABLE Vecchio")
        << "la tabella Stato non ha la struttura di Pratilio+";
    QTest::newRow("table missing") << QByteArray("DROP TABLE Recapiti") << "manca la tabella Recapiti";
}

void TestSchemaCheck::foreignObjectIsRefused()
{
    QFETCH(QByteArray, statement);
    QFETCH(QString, reason);
    ScriptedDialogs dialogs;
    TestDatabase data(4);
    // Made from a whole copy of the database, as anyone holding the key can make it.
    const QString copy = QDir(data.programDir()).filePath(QStringLiteral("copia.mdb"));
    DatabaseBackup(data.db(), Schema::databasePassword()).copyTo(copy);
    {
        Database edited;
        edited.open(copy, Schema::databasePassword());
        edited.exec(statement);
    }

    // Offered as a backup: refused, the database as it was.
    const QByteArray before = hashOf(data.path());
    DatabaseBackup backup(data.db(), Schema::databasePassword());
    try {
        backup.restoreFrom(copy);
        QFAIL("the copy was put in place");
    } catch (const DbError &error) {
        QVERIFY2(error.text().contains(QStringLiteral("non è una copia valida")), qPrintable(error.text()));
        QVERIFY2(error.text().contains(reason), qPrintable(error.text()));
    }
    QCOMPARE(hashOf(data.path()), before);
    QVERIFY_THROWS_EXCEPTION(DbError, DatabaseBackup::check(copy, Schema::databasePassword()));

    // Found beside the program: not opened, so that nothing in it runs.
    QTemporaryDir other;
    QVERIFY(QDir().mkpath(other.filePath(QStringLiteral("Database"))));
    QVERIFY(QFile::copy(copy, Schema::databasePath(other.path())));
    const QByteArray copyBefore = hashOf(copy);
    Workspace workspace(other.path());
    try {
        workspace.openConnection();
        QFAIL("the database with a foreign object was opened");
    } catch (const DbError &error) {
        QVERIFY2(error.text().contains(QStringLiteral("non è stato aperto")), qPrintable(error.text()));
        QVERIFY2(error.text().contains(reason), qPrintable(error.text()));
    }
    QVERIFY(!workspace.connection().isOpen());
    QCOMPARE(hashOf(Schema::databasePath(other.path())), copyBefore);
    QVERIFY(dialogs.messages.isEmpty());
}

void TestSchemaCheck::filesOfTheProgramAreAccepted_data()
{
    QTest::addColumn<QByteArray>("statement");
    QTest::newRow("as the database tool makes it") << QByteArray();
    QTest::newRow("with the surname index of earlier versions")
        << QByteArray("CREATE INDEX Committente_Cognome ON Committente (Cognome)");
    QTest::newRow("an index of the program missing") << QByteArray("DROP INDEX Pagamenti_IdProgetto");
    QTest::newRow("after the engine's statistics") << QByteArray("ANALYZE");
}

void TestSchemaCheck::filesOfTheProgramAreAccepted()
{
    QFETCH(QByteArray, statement);
    ScriptedDialogs dialogs;
    QTemporaryDir dir;
    const QString path = TestDatabase::createAt(dir.path(), 6);
    if (!statement.isEmpty()) {
        Database edited;
        edited.open(path, Schema::databasePassword());
        edited.exec(statement);
    }
    DatabaseBackup::check(path, Schema::databasePassword());
    Workspace workspace(dir.path());
    workspace.openConnection();
    QVERIFY(workspace.connection().isOpen());
    QCOMPARE(count(workspace.connection(), "Committente"), 6);
    QVERIFY(dialogs.errors.isEmpty());
}

QTEST_GUILESS_MAIN(TestSchemaCheck)
#include "tst_schemacheck.moc"
