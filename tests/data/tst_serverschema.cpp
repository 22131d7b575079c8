#include "data/database.h"
#include "data/dberror.h"
#include "data/pgstatement.h"
#include "data/schema.h"
#include "data/serverschema.h"
#include "support/testdatabase.h"
#include "support/testserver.h"

#include <QtTest>

// The seven tables on the server: made by the database's owner (no superuser), the same
// columns and keys as the file's, the fixed rows in order, text compared without case.
class TestServerSchema : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void sameTablesAsTheFile();
    void fixedRowsInTheirOrder();
    void textComparesWithoutCase();
    void missingTableIsNamed();
    void openingReadsTheCatalogueOnce();
    void openingTellsWhatIsMissing_data();
    void openingTellsWhatIsMissing();
    void openingWithoutRightsIsReadOnly_data();
    void openingWithoutRightsIsReadOnly();
    void spellingOfNames_data();
    void spellingOfNames();
};

void TestServerSchema::sameTablesAsTheFile()
{
    TestServer server;
    SKIP_WITHOUT_SERVER(server);
    // The tests' role is no superuser: everything below runs with an office owner's rights.
    QCOMPARE(server.db().scalar("SELECT rolsuper FROM pg_roles WHERE rolname = current_user").toString(),
             QStringLiteral("f"));
    server.createTables();
    ServerSchema::checkTables(server.db());
    TestDatabase file;
    for (const ServerSchema::Table &t : ServerSchema::tables()) {
        QCOMPARE(server.db().columnNames(t.name), file.db().columnNames(t.name));
        // The file's INTEGER PRIMARY KEY is its rowid alias; the key columns agree.
        QCOMPARE(server.db().keyColumns(t.name), file.db().keyColumns(t.name));
    }
    const QVariant payments = server.db().scalar("SELECT COUNT(*) FROM Pagamenti");
    QCOMPARE(payments.toLongLong(), 0);
}

void TestServerSchema::fixedRowsInTheirOrder()
{
    TestServer server;
    SKIP_WITHOUT_SERVER(server);
    const QStringList states = {QStringLiteral("Zeta"), QStringLiteral("Alfa"), QStringLiteral("Media")};
    ServerSchema::createTables(server.db(), states);
    // Renaming a state keeps its place, as the file's rowid does.
    server.db().exec("UPDATE Stato SET Stato_progetto = 'Beta' WHERE Stato_progetto = 'Zeta'");
    for (const char *sql : {"SELECT Stato_progetto FROM Stato ORDER BY rowid", "SELECT * FROM \"Stato\""}) {
        PgStatement st(server.db(), sql);
        QCOMPARE(st.columnCount(), 1); // the order column stays hidden
        QStringList read;
        while (st.step())
            read << QString::fromUtf8(st.columnText(0));
        QCOMPARE(read, QStringList({"Beta", "Alfa", "Media"}));
    }
    PgStatement app(server.db(), "SELECT * FROM Applicazione");
    QVERIFY(app.step());
    QCOMPARE(app.columnText(0), QByteArray(""));
    QVERIFY(!app.columnIsNull(0));
    QVERIFY(!app.step());
}

void TestServerSchema::textComparesWithoutCase()
{
    TestServer server;
    SKIP_WITHOUT_SERVER(server);
    server.createTables();
    PgConnection &db = server.db();
    db.exec("INSERT INTO Indirizzo (IdCommittente, \"Città\") VALUES (1, 'Forlì'), (2, 'FORLÌ'), (3, 'Roma')");
    QCOMPARE(db.scalar("SELECT COUNT(*) FROM Indirizzo WHERE Città = 'forlì'").toLongLong(), 2);
    QCOMPARE(db.scalar("SELECT COUNT(*) FROM Indirizzo WHERE Città LIKE 'ro%'").toLongLong(), 1);
    // A state differing only in case is the same key, as in the file.
    QVERIFY_THROWS_EXCEPTION(DbError, db.exec("INSERT INTO Stato (Stato_progetto) VALUES ('in corso')"));
    // The start-up password compares exactly.
    db.exec("UPDATE Applicazione SET Codice = 'Segreto'");
    QCOMPARE(db.scalar("SELECT COUNT(*) FROM Applicazione WHERE Codice = 'segreto'").toLongLong(), 0);
}

void TestServerSchema::missingTableIsNamed()
{
    TestServer server;
    SKIP_WITHOUT_SERVER(server);
    server.createTables();
    server.db().execNative("DROP TABLE recapiti");
    try {
        ServerSchema::checkTables(server.db());
        QFAIL("a database without Recapiti passed");
    } catch (const DbError &e) {
        QVERIFY2(e.text().contains(QLatin1String("manca la tabella \"Recapiti\"")), qPrintable(e.text()));
        QVERIFY(e.text().contains(server.db().where()));
    }
}

// The program's connection reads the seven tables' columns and keys when it opens, and gives
// the file's; with every table there it checks without asking the server anything more.
void TestServerSchema::openingReadsTheCatalogueOnce()
{
    TestServer server;
    SKIP_WITHOUT_SERVER(server);
    server.createTables();
    Database db;
    db.openServer(server.settings());
    QVERIFY(!db.isReadOnly());
    ServerSchema::checkStructure(db);
    TestDatabase file;
    for (const ServerSchema::Table &t : ServerSchema::tables()) {
        QVERIFY(db.hasTable(t.name));
        QCOMPARE(db.columnNames(t.name), file.db().columnNames(t.name));
        QCOMPARE(db.keyColumns(t.name), file.db().keyColumns(t.name));
    }
    QVERIFY(!db.hasTable(QStringLiteral("Nessuna")));
    QVERIFY(db.hasTable(QStringLiteral("progetto"))); // any case, asked of the server
}

void TestServerSchema::openingTellsWhatIsMissing_data()
{
    QTest::addColumn<QByteArray>("change");
    QTest::addColumn<QString>("message");
    QTest::newRow("table") << QByteArray("DROP TABLE recapiti") << "manca la tabella \"Recapiti\"";
    QTest::newRow("first table") << QByteArray("DROP TABLE committente") << "manca la tabella \"Committente\"";
    QTest::newRow("last table") << QByteArray("DROP TABLE applicazione") << "manca la tabella \"Applicazione\"";
    QTest::newRow("a view is no table") << QByteArray(
        "DROP TABLE stato; CREATE VIEW stato AS SELECT 'x'::citext AS stato_progetto")
                                        << "manca la tabella \"Stato\"";
    QTest::newRow("column") << QByteArray("ALTER TABLE progetto DROP COLUMN nota")
                            << "manca la colonna \"Nota\" della tabella \"Progetto\"";
    QTest::newRow("accented column") << QByteArray("ALTER TABLE indirizzo DROP COLUMN \"città\"")
                                     << "manca la colonna \"Città\" della tabella \"Indirizzo\"";
    QTest::newRow("renamed column") << QByteArray("ALTER TABLE applicazione RENAME COLUMN codice TO codici")
                                    << "manca la colonna \"Codice\" della tabella \"Applicazione\"";
    QTest::newRow("another schema's table is not seen")
        << QByteArray("CREATE SCHEMA altro; ALTER TABLE pagamenti SET SCHEMA altro")
        << "manca la tabella \"Pagamenti\"";
}

void TestServerSchema::openingTellsWhatIsMissing()
{
    QFETCH(QByteArray, change);
    QFETCH(QString, message);
    TestServer server;
    SKIP_WITHOUT_SERVER(server);
    server.createTables();
    server.db().execNative(change);
    Database db;
    db.openServer(server.settings());
    try {
        ServerSchema::checkStructure(db);
        QFAIL("an incomplete database passed");
    } catch (const DbError &e) {
        QVERIFY2(e.text().contains(message), qPrintable(e.text()));
        QVERIFY(e.text().contains(db.description()));
    }
}

void TestServerSchema::openingWithoutRightsIsReadOnly_data()
{
    QTest::addColumn<QByteArray>("change");
    QTest::addColumn<bool>("readOnly");
    QTest::newRow("no update of projects") << QByteArray("REVOKE UPDATE ON progetto FROM CURRENT_USER") << true;
    QTest::newRow("no insert of payments") << QByteArray("REVOKE INSERT ON pagamenti FROM CURRENT_USER") << true;
    QTest::newRow("no delete of persons") << QByteArray("REVOKE DELETE ON committente FROM CURRENT_USER") << true;
    QTest::newRow("states are not written") << QByteArray("REVOKE UPDATE ON stato FROM CURRENT_USER") << false;
    QTest::newRow("a server taking only reading") << QByteArray("SELECT 1") // the database's default, set below
                                                  << true;
}

void TestServerSchema::openingWithoutRightsIsReadOnly()
{
    QFETCH(QByteArray, change);
    QFETCH(bool, readOnly);
    TestServer server;
    SKIP_WITHOUT_SERVER(server);
    server.createTables();
    server.db().execNative(change);
    if (QByteArray(QTest::currentDataTag()).startsWith("a server"))
        server.db().execNative("ALTER DATABASE " + server.settings().database.toUtf8()
                               + " SET default_transaction_read_only = on");
    Database db;
    db.openServer(server.settings());
    QCOMPARE(db.isReadOnly(), readOnly);
    QCOMPARE(db.readOnlyMessage().isEmpty(), !readOnly);
    ServerSchema::checkStructure(db); // a reading desk still finds every table
}

void TestServerSchema::spellingOfNames_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("spelled");
    QTest::newRow("table") << "committente"
                           << "Committente";
    QTest::newRow("accented column") << "città"
                                     << "Città";
    QTest::newRow("upper case") << "IMPORTO_PAGATO"
                                << "Importo_pagato";
    QTest::newRow("all capitals in the schema") << "cap"
                                                << "CAP";
    QTest::newRow("unknown stays") << "count"
                                   << "count";
    QTest::newRow("empty") << ""
                           << "";
}

void TestServerSchema::spellingOfNames()
{
    QFETCH(QString, name);
    QFETCH(QString, spelled);
    QCOMPARE(ServerSchema::spelling(name), spelled);
}

QTEST_GUILESS_MAIN(TestServerSchema)
#include "tst_serverschema.moc"
