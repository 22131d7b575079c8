#include "data/pgconnection.h"
#include "data/pgstatement.h"
#include "support/testserver.h"

#include <QtTest>

// The libpq engine against a real server: values bound as text, names in the program's
// spelling, the tables and columns a result reads, changes, keys the server gives,
// transactions, notices of other desks, and the messages a user meets.
class TestPgConnection : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void bindsEveryValueAsText();
    void givesBackTheProgramsNames();
    void countsChangesAndKeys();
    void nestsTransactions();
    void failedStatementRollsBackToItsSavepoint();
    void streamsWhileAnotherStatementRuns();
    void tellsOtherDesksAtCommit();
    void explainsWhatAUserMeets();
    void reconnectsAfterTheBackendEnds();
    void unreachableServerIsNamed();
};

void TestPgConnection::bindsEveryValueAsText()
{
    TestServer server;
    SKIP_WITHOUT_SERVER(server);
    server.createTables();
    PgConnection &db = server.db();
    // Dates go in and come out as yyyy-MM-dd whatever the server's own style.
    db.execNative("SET DateStyle = 'SQL, DMY'");
    db.execNative("SET DateStyle = 'ISO, YMD'");
    const QString hostile = QStringLiteral("O'Brien\"; DROP TABLE Committente; -- ? $1 è");
    PgStatement insert(db, "INSERT INTO Progetto (IdProgetto, Descrizione, Importo_totale, Importo_pagato, "
                           "Data_inizio, Stato) VALUES (?, ?, ?, ?, ?, ?)");
    insert.bind(1, qint64(7));
    insert.bind(2, hostile);
    insert.bind(3, 1234.5);
    insert.bind(4, QVariant::fromValue<qint64>(0));
    insert.bind(5, QDate(2024, 2, 29));
    insert.bind(6, QVariant()); // null
    QVERIFY(!insert.step());
    QCOMPARE(db.changes(), 1);

    PgStatement read(db, "SELECT Descrizione, Importo_totale, Importo_pagato, Data_inizio, Stato FROM Progetto "
                         "WHERE IdProgetto = ? AND Descrizione = ?");
    read.bind(1, 7);
    read.bind(2, hostile.toUpper()); // citext: case does not matter, as in the file
    QVERIFY(read.step());
    QCOMPARE(QString::fromUtf8(read.columnText(0)), hostile);
    QCOMPARE(read.columnText(1), QByteArray("1234.50"));
    QCOMPARE(read.columnValue(1).toDouble(), 1234.5);
    QCOMPARE(read.columnText(2), QByteArray("0.00"));
    QCOMPARE(read.columnText(3), QByteArray("2024-02-29"));
    QVERIFY(read.columnIsNull(4));
    QVERIFY(!read.columnValue(4).isValid());
    QVERIFY(!read.step());
    QCOMPARE(db.scalar("SELECT COUNT(*) FROM Committente").toLongLong(), 0); // still there

    // A date the server cannot read is refused, as a date.
    PgStatement bad(db, "UPDATE Progetto SET Data_fine = ? WHERE IdProgetto = 7");
    bad.bindText(1, "31/02/2024");
    try {
        bad.step();
        QFAIL("an impossible date was taken");
    } catch (const DbError &e) {
        QVERIFY2(e.text().contains(QLatin1String("data non valida")), qPrintable(e.text()));
    }
    QVERIFY_THROWS_EXCEPTION(DbError, bad.bindText(2, "x")); // no such parameter
}

void TestPgConnection::givesBackTheProgramsNames()
{
    TestServer server;
    SKIP_WITHOUT_SERVER(server);
    server.createTables();
    PgConnection &db = server.db();
    PgStatement st(db, "SELECT Committente.IdCommittente, Cognome, Indirizzo.IdCommittente, Città, \"Città\" AS x, "
                       "Recapiti.*, COUNT(*) OVER () FROM Committente, Indirizzo, Recapiti");
    QCOMPARE(st.columnCount(), 14);
    const auto check = [&](int c, const char *name, const char *table, const char *column, const char *type) {
        const PgField &f = st.field(c);
        QCOMPARE(f.name, QString::fromUtf8(name));
        QCOMPARE(f.table, QString::fromUtf8(table));
        QCOMPARE(f.column, QString::fromUtf8(column));
        QCOMPARE(f.declaredType, QByteArray(type));
    };
    check(0, "IdCommittente", "Committente", "IdCommittente", "INTEGER");
    check(1, "Cognome", "Committente", "Cognome", "TEXT");
    check(2, "IdCommittente", "Indirizzo", "IdCommittente", "INTEGER");
    check(3, "Città", "Indirizzo", "Città", "TEXT");
    check(4, "x", "Indirizzo", "Città", "TEXT");
    check(5, "IdCommittente", "Recapiti", "IdCommittente", "INTEGER");
    check(11, "E_mail", "Recapiti", "E_mail", "TEXT");
    check(13, "count", "", "", "INTEGER");

    PgStatement dates(db, "SELECT Importo, Data FROM Pagamenti");
    QCOMPARE(dates.field(0).declaredType, QByteArray("NUMERIC"));
    QCOMPARE(dates.field(1).declaredType, QByteArray("DATE"));

    QCOMPARE(db.columnNames(QStringLiteral("Indirizzo")), QStringList({"IdCommittente", "CAP", "Città", "Via"}));
    QCOMPARE(db.keyColumns(QStringLiteral("Pagamenti")), QStringList{"IdFattura"});
    QCOMPARE(db.keyColumns(QStringLiteral("Applicazione")), QStringList{});
    QCOMPARE(db.columnNames(QStringLiteral("Stato")), QStringList{"Stato_progetto"});
    QVERIFY(db.hasColumn(QStringLiteral("Pagamenti"), QStringLiteral("importo")));
    QVERIFY(!db.hasColumn(QStringLiteral("Progetto"), QStringLiteral("Importo")));
    QVERIFY(db.columnNames(QStringLiteral("Nessuna")).isEmpty());
}

void TestPgConnection::countsChangesAndKeys()
{
    TestServer server;
    SKIP_WITHOUT_SERVER(server);
    server.createTables();
    PgConnection &db = server.db();
    QCOMPARE(db.nextKey(QStringLiteral("Committente"), QStringLiteral("IdCommittente")), -1);
    db.exec("INSERT INTO Committente (IdCommittente, Cognome) VALUES (0, 'Rossi'), (4, 'Bianchi')");
    QCOMPARE(db.changes(), 2);
    QCOMPARE(db.nextKey(QStringLiteral("Committente"), QStringLiteral("IdCommittente")), 4);

    PgStatement pay(db, "INSERT INTO Pagamenti (IdProgetto, Importo) VALUES (?, ?)");
    pay.bind(1, 3);
    pay.bind(2, QStringLiteral("10.5"));
    QVERIFY(!pay.step()); // the key comes back as the last key, not as a row
    const qint64 first = db.lastInsertRowId();
    pay.reset();
    pay.bind(1, 3);
    pay.bindNull(2);
    QVERIFY(!pay.step());
    QCOMPARE(db.lastInsertRowId(), first + 1);
    QCOMPARE(db.changes(), 1);

    PgStatement update(db, "UPDATE Committente SET Nome = ? WHERE IdCommittente IS ?");
    update.bind(1, QStringLiteral("Anna"));
    update.bind(2, 99);
    update.step();
    QCOMPARE(db.changes(), 0); // a row that is not there is not changed
    // A null compares equal to a null, as the file's IS does: rows are found by their values.
    update.reset();
    update.bind(1, QStringLiteral("Bruna"));
    update.bindNull(2);
    update.step();
    QCOMPARE(db.changes(), 0);
    PgStatement byName(db, "UPDATE Committente SET Cognome = ? WHERE Nome IS ? AND Cognome IS ?");
    byName.bind(1, QStringLiteral("Verdi"));
    byName.bindNull(2);
    byName.bind(3, QStringLiteral("bianchi"));
    byName.step();
    QCOMPARE(db.changes(), 1);
    db.exec("DELETE FROM Committente");
    QCOMPARE(db.changes(), 2);
}

void TestPgConnection::nestsTransactions()
{
    TestServer server;
    SKIP_WITHOUT_SERVER(server);
    server.createTables();
    PgConnection &db = server.db();
    {
        PgTransaction outer(db);
        db.exec("INSERT INTO Committente (IdCommittente) VALUES (1)");
        {
            PgTransaction inner(db);
            db.exec("INSERT INTO Committente (IdCommittente) VALUES (2)");
            QCOMPARE(db.transactionDepth(), 2);
        } // rolled back to its savepoint
        outer.commit();
    }
    QVERIFY(!db.inTransaction());
    QCOMPARE(db.scalar("SELECT string_agg(IdCommittente::text, ',') FROM Committente").toString(), QString("1"));
    {
        PgTransaction outer(db);
        db.exec("DELETE FROM Committente");
    }
    QCOMPARE(db.scalar("SELECT COUNT(*) FROM Committente").toLongLong(), 1);
}

void TestPgConnection::failedStatementRollsBackToItsSavepoint()
{
    TestServer server;
    SKIP_WITHOUT_SERVER(server);
    server.createTables();
    PgConnection &db = server.db();
    db.exec("INSERT INTO Committente (IdCommittente) VALUES (1)");
    PgTransaction outer(db);
    db.exec("INSERT INTO Committente (IdCommittente) VALUES (2)");
    try {
        PgTransaction inner(db);
        db.exec("INSERT INTO Committente (IdCommittente) VALUES (1)");
        QFAIL("a key taken twice");
    } catch (const DbError &e) {
        QVERIFY2(e.text().contains(QStringLiteral("la sua chiave esiste già")), qPrintable(e.text()));
    }
    // The failure ended at the savepoint: the transaction goes on and commits.
    db.exec("INSERT INTO Committente (IdCommittente) VALUES (3)");
    outer.commit();
    QCOMPARE(db.scalar("SELECT COUNT(*) FROM Committente").toLongLong(), 3);
}

void TestPgConnection::streamsWhileAnotherStatementRuns()
{
    TestServer server;
    SKIP_WITHOUT_SERVER(server);
    server.createTables();
    PgConnection &db = server.db();
    db.execNative("INSERT INTO Committente (IdCommittente) SELECT g FROM generate_series(1, 500) g");
    PgStatement rows(db, "SELECT IdCommittente FROM Committente ORDER BY IdCommittente");
    qint64 expected = 1;
    while (rows.step()) {
        QCOMPARE(rows.columnInt(0), expected++);
        if (expected == 10) // another statement takes the connection in the middle of the rows
            QCOMPARE(db.scalar("SELECT MAX(IdCommittente) FROM Committente").toLongLong(), 500);
    }
    QCOMPARE(expected, 501);
    // Leaving a statement half read frees the connection.
    {
        PgStatement half(db, "SELECT IdCommittente FROM Committente");
        QVERIFY(half.step());
    }
    QCOMPARE(db.scalar("SELECT COUNT(*) FROM Committente").toLongLong(), 500);
}

void TestPgConnection::tellsOtherDesksAtCommit()
{
    TestServer server;
    SKIP_WITHOUT_SERVER(server);
    server.createTables();
    PgConnection &mine = server.db();
    mine.listen();
    PgConnection other;
    other.open(server.settings());

    {
        PgTransaction tx(other);
        other.exec("INSERT INTO Committente (IdCommittente) VALUES (1)");
        QVERIFY(mine.takeNotifications().isEmpty()); // nothing before the commit
        tx.commit();
    }
    {
        PgTransaction tx(other);
        other.exec("UPDATE Progetto SET Nota = 'x'");
    }                                                                 // rolled back: nothing to tell
    other.exec("DELETE FROM Stato WHERE Stato_progetto = 'Sospeso'"); // not a table the desks follow
    QList<PgNotification> notices;
    QDeadlineTimer deadline(5000);
    while (notices.isEmpty() && !deadline.hasExpired()) {
        QTest::qWait(20);
        notices = mine.takeNotifications();
    }
    QCOMPARE(notices.size(), 1);
    QCOMPARE(notices.first().table, QStringLiteral("Committente"));
    QVERIFY(!notices.first().fromSelf);

    mine.exec("INSERT INTO Pagamenti (IdProgetto) VALUES (1)");
    notices = mine.takeNotifications();
    QCOMPARE(notices.size(), 1);
    QCOMPARE(notices.first().table, QStringLiteral("Pagamenti"));
    QVERIFY(notices.first().fromSelf); // the program ignores its own
    QVERIFY(mine.socket() >= 0);
}

void TestPgConnection::explainsWhatAUserMeets()
{
    TestServer server;
    SKIP_WITHOUT_SERVER(server);
    server.createTables();
    PgConnection &mine = server.db();
    PgConnection other;
    other.open(server.settings());
    mine.exec("INSERT INTO Progetto (IdProgetto, Importo_pagato) VALUES (1, 0)");

    // Another desk holds the row: waiting ends with a message instead of hanging.
    PgTransaction holding(other);
    other.exec("UPDATE Progetto SET Importo_pagato = 5 WHERE IdProgetto = 1");
    mine.execNative("SET lock_timeout = '100ms'");
    try {
        mine.exec("UPDATE Progetto SET Importo_pagato = 7 WHERE IdProgetto = 1");
        QFAIL("the lock was not waited for");
    } catch (const DbError &e) {
        QVERIFY2(e.text().contains(QLatin1String("bloccato da un'altra postazione")), qPrintable(e.text()));
        QVERIFY(e.text().contains(mine.where()));
    }
    holding.commit();

    // A row another desk changed since this one's snapshot: try again.
    mine.execNative("BEGIN ISOLATION LEVEL REPEATABLE READ");
    QCOMPARE(mine.scalar("SELECT Importo_pagato FROM Progetto WHERE IdProgetto = 1").toDouble(), 5.0);
    other.exec("UPDATE Progetto SET Importo_pagato = 6 WHERE IdProgetto = 1");
    try {
        mine.exec("UPDATE Progetto SET Importo_pagato = 8 WHERE IdProgetto = 1");
        QFAIL("a lost update was allowed");
    } catch (const DbError &e) {
        QVERIFY2(e.text().contains(QLatin1String("Riprovare")), qPrintable(e.text()));
    }
    mine.execNative("ROLLBACK");

    try {
        mine.exec("SELECT Nessuna FROM Progetto");
        QFAIL("a missing column was read");
    } catch (const DbError &e) {
        QVERIFY2(e.text().contains(QLatin1String("manca la colonna \"nessuna\"")), qPrintable(e.text()));
    }
    QVERIFY_THROWS_EXCEPTION(DbError, mine.exec("PRAGMA integrity_check"));

    PgSettings missing = server.settings();
    missing.database = QStringLiteral("non_esiste");
    PgConnection nowhere;
    try {
        nowhere.open(missing);
        QFAIL("a missing database was opened");
    } catch (const DbError &e) {
        QVERIFY2(e.text().startsWith(QLatin1String("Il database \"non_esiste\" sul server")), qPrintable(e.text()));
        QVERIFY(e.text().contains(QLatin1String("non esiste")));
    }
    QVERIFY(!nowhere.isOpen());
}

void TestPgConnection::reconnectsAfterTheBackendEnds()
{
    TestServer server;
    SKIP_WITHOUT_SERVER(server);
    server.createTables();
    PgConnection &mine = server.db();
    mine.listen();
    PgConnection other;
    other.open(server.settings());
    try {
        PgTransaction tx(mine);
        mine.exec("INSERT INTO Committente (IdCommittente) VALUES (1)");
        other.scalar(QStringLiteral("SELECT pg_terminate_backend(%1)").arg(mine.backendPid()).toUtf8());
        mine.exec("INSERT INTO Committente (IdCommittente) VALUES (2)");
        tx.commit();
        QFAIL("a dead connection took a statement");
    } catch (const DbError &e) {
        QVERIFY2(e.text().contains(QLatin1String("si ricollega alla prossima operazione")), qPrintable(e.text()));
    }
    QVERIFY(mine.isBroken());
    QCOMPARE(mine.transactionDepth(), 0);
    mine.reconnect();
    QVERIFY(!mine.isBroken());
    // Nothing of the interrupted transaction was kept; the connection works and listens again.
    QCOMPARE(mine.scalar("SELECT COUNT(*) FROM Committente").toLongLong(), 0);
    other.exec("INSERT INTO Committente (IdCommittente) VALUES (5)");
    QList<PgNotification> notices;
    QDeadlineTimer deadline(5000);
    while (notices.isEmpty() && !deadline.hasExpired()) {
        QTest::qWait(20);
        notices = mine.takeNotifications();
    }
    QCOMPARE(notices.size(), 1);
}

void TestPgConnection::unreachableServerIsNamed()
{
    PgSettings settings;
    settings.host = QStringLiteral("/nonexistent-socket-folder");
    settings.database = QStringLiteral("studio");
    settings.user = QStringLiteral("anna");
    PgConnection db;
    try {
        db.open(settings);
        QFAIL("opened a server that is not there");
    } catch (const DbError &e) {
        QVERIFY2(e.text().startsWith(QLatin1String("Impossibile collegarsi al database \"studio\" sul server "
                                                   "/nonexistent-socket-folder")),
                 qPrintable(e.text()));
    }
    QVERIFY(!db.isOpen());
}

QTEST_GUILESS_MAIN(TestPgConnection)
#include "tst_pgconnection.moc"
