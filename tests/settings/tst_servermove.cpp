#include "core/workspace.h"
#include "data/database.h"
#include "data/databasebackup.h"
#include "data/pgstatement.h"
#include "data/schema.h"
#include "data/servermove.h"
#include "demodata/demodata.h"
#include "settings/databasechoice.h"
#include "settings/servermoveactions.h"
#include "support/scripteddialogs.h"
#include "support/testserver.h"

#include <QtTest>

// Moving a database file onto the office's server and back: the values the server would
// refuse, the move with its counts and sums, the numbering of payments afterwards, the copy of
// the server's rows as a file, and the database tool's server databases.
class TestServerMove : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void convertsStoredValues_data();
    void convertsStoredValues();
    void escapesForCopy();
    void readsConnectionStrings_data();
    void readsConnectionStrings();
    void movesADemoFile();
    void reportsRefusedValuesBeforeWriting();
    void refusesAServerHoldingRows();
    void rowsWithoutAWholeReferenceBlockTheMove();
    void paymentNumbersContinueAfterTheMove();
    void backupOfTheServerOpensAsAFile();
    void toolCreatesAServerDatabase();
};

namespace {

using ColumnType = ServerSchema::ColumnType;
using Kind = MoveProblem::Kind;

// A new database file in `dir`, optionally with demo rows.
QString makeFile(const QTemporaryDir &dir, Database &db, int persons)
{
    const QString path = dir.filePath(QStringLiteral("Database/DatiCliente.mdb"));
    QDir().mkpath(QFileInfo(path).absolutePath());
    db.create(path, Schema::databasePassword());
    Schema::createTables(db);
    if (persons > 0)
        DemoData::fill(db, persons, 7);
    return path;
}

qint64 fileCount(Database &db, const QString &table)
{
    return db.scalar(QStringLiteral("SELECT COUNT(*) FROM %1").arg(table).toUtf8()).toLongLong();
}

qint64 serverCount(PgConnection &db, const QString &table)
{
    return db.scalar(QStringLiteral("SELECT COUNT(*) FROM %1").arg(table).toUtf8()).toLongLong();
}

// A column's amounts in cents, summed by the test itself.
qint64 fileCents(Database &db, const QString &table, const QString &column)
{
    qint64 sum = 0;
    Statement st(db, QStringLiteral("SELECT %1 FROM %2").arg(column, table).toUtf8());
    while (st.step()) {
        if (!st.columnIsNull(0))
            sum += qRound64(st.columnDouble(0) * 100);
    }
    return sum;
}

qint64 serverCents(PgConnection &db, const QString &table, const QString &column)
{
    return db
        .scalar(QStringLiteral("SELECT CAST(COALESCE(SUM(%1), 0) * 100 AS BIGINT) FROM %2").arg(column, table).toUtf8())
        .toLongLong();
}

QStringList fileColumn(Database &db, const QByteArray &sql)
{
    QStringList out;
    Statement st(db, sql);
    while (st.step())
        out << QString::fromUtf8(st.columnText(0));
    return out;
}

QStringList serverColumn(PgConnection &db, const QByteArray &sql)
{
    QStringList out;
    PgStatement st(db, sql);
    while (st.step())
        out << QString::fromUtf8(st.columnText(0));
    return out;
}

const QStringList kAmounts[] = {{QStringLiteral("Progetto"), QStringLiteral("Importo_totale")},
                                {QStringLiteral("Progetto"), QStringLiteral("Importo_pagato")},
                                {QStringLiteral("Pagamenti"), QStringLiteral("Importo")}};

// Every table's count and every amount column's sum, compared by the test.
void compareFileAndServer(Database &file, PgConnection &server)
{
    for (const ServerSchema::Table &t : ServerSchema::tables())
        QCOMPARE(serverCount(server, t.name), fileCount(file, t.name));
    for (const QStringList &a : kAmounts)
        QCOMPARE(serverCents(server, a[0], a[1]), fileCents(file, a[0], a[1]));
}

} // namespace

void TestServerMove::convertsStoredValues_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("storage"); // 0 null, 1 integer, 2 float, 3 text
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<QByteArray>("sent"); // "\\N" for null
    QTest::addColumn<int>("problem");     // -1 none

    const int date = int(ColumnType::Date), amount = int(ColumnType::Amount), text = int(ColumnType::Text),
              integer = int(ColumnType::Integer);
    const QByteArray null = "\\N";
    QTest::newRow("date") << date << 3 << QByteArray("2024-02-29") << QByteArray("2024-02-29") << -1;
    QTest::newRow("date with a time") << date << 3 << QByteArray("2024-02-29 00:00:00") << QByteArray("2024-02-29")
                                      << -1;
    QTest::newRow("no 29 February") << date << 3 << QByteArray("2023-02-29") << null << int(Kind::NotADate);
    QTest::newRow("month 13") << date << 3 << QByteArray("2023-13-01") << null << int(Kind::NotADate);
    QTest::newRow("day 32") << date << 3 << QByteArray("2023-01-32") << null << int(Kind::NotADate);
    QTest::newRow("shown form") << date << 3 << QByteArray("01/02/2023") << null << int(Kind::NotADate);
    QTest::newRow("date and text") << date << 3 << QByteArray("2023-01-01x") << null << int(Kind::NotADate);
    QTest::newRow("empty date text") << date << 3 << QByteArray("") << null << int(Kind::NotADate);
    QTest::newRow("date as number") << date << 1 << QByteArray("45000") << null << int(Kind::NotADate);
    QTest::newRow("no date") << date << 0 << QByteArray() << null << -1;

    QTest::newRow("whole amount") << amount << 1 << QByteArray("1500") << QByteArray("1500.00") << -1;
    QTest::newRow("negative cents") << amount << 2 << QByteArray("-0.05") << QByteArray("-0.05") << -1;
    QTest::newRow("float near cents") << amount << 2 << QByteArray("0.29") << QByteArray("0.29") << -1;
    QTest::newRow("half cent") << amount << 2 << QByteArray("0.125") << QByteArray("0.13") << -1;
    QTest::newRow("largest") << amount << 1 << QByteArray("999999999999") << QByteArray("999999999999.00") << -1;
    QTest::newRow("largest negative") << amount << 1 << QByteArray("-999999999999") << QByteArray("-999999999999.00")
                                      << -1;
    QTest::newRow("largest with cents") << amount << 2 << QByteArray("999999999999.99") << QByteArray("999999999999.99")
                                        << -1;
    QTest::newRow("one past largest") << amount << 1 << QByteArray("1000000000000") << null
                                      << int(Kind::AmountOutOfRange);
    QTest::newRow("past largest, float") << amount << 2 << QByteArray("1e15") << null << int(Kind::AmountOutOfRange);
    QTest::newRow("64-bit integer") << amount << 1 << QByteArray("9223372036854775807") << null
                                    << int(Kind::AmountOutOfRange);
    QTest::newRow("infinite") << amount << 2 << QByteArray("Inf") << null << int(Kind::AmountOutOfRange);
    QTest::newRow("text amount") << amount << 3 << QByteArray("12,50") << null << int(Kind::NotAnAmount);
    QTest::newRow("no amount") << amount << 0 << QByteArray() << null << -1;

    QTest::newRow("accented text") << text << 3 << QByteArray("Città è") << QByteArray("Città è") << -1;
    QTest::newRow("number in text") << text << 1 << QByteArray("42") << QByteArray("42") << -1;
    QTest::newRow("Latin-1 byte") << text << 3 << QByteArray("Citt\xe0") << QByteArray("Citt\xef\xbf\xbd")
                                  << int(Kind::InvalidText);
    QTest::newRow("cut sequence") << text << 3 << QByteArray("ab\xc3") << QByteArray("ab\xef\xbf\xbd")
                                  << int(Kind::InvalidText);
    QTest::newRow("overlong") << text << 3 << QByteArray("\xc0\xaf") << QByteArray() << int(Kind::InvalidText);
    QTest::newRow("surrogate") << text << 3 << QByteArray("\xed\xa0\x80") << QByteArray() << int(Kind::InvalidText);
    QTest::newRow("null character") << text << 3 << QByteArray("a\0b", 3) << QByteArray("ab") << int(Kind::InvalidText);
    QTest::newRow("four-byte letter") << text << 3 << QByteArray("\xf0\x9f\x98\x80") << QByteArray("\xf0\x9f\x98\x80")
                                      << -1;

    QTest::newRow("integer") << integer << 1 << QByteArray("-12") << QByteArray("-12") << -1;
    QTest::newRow("integer as float") << integer << 2 << QByteArray("12.5") << null << int(Kind::NotAnInteger);
    QTest::newRow("integer as text") << integer << 3 << QByteArray("12a") << null << int(Kind::NotAnInteger);
}

void TestServerMove::convertsStoredValues()
{
    QFETCH(int, type);
    QFETCH(int, storage);
    QFETCH(QByteArray, stored);
    QFETCH(QByteArray, sent);
    QFETCH(int, problem);
    const MoveValue::Converted value = MoveValue::convert(ColumnType(type), storage == 0, storage == 1, storage == 2,
                                                          stored);
    if (sent == "\\N") {
        QVERIFY(value.isNull);
    } else {
        QVERIFY(!value.isNull);
        if (!sent.isEmpty())
            QCOMPARE(value.text, sent);
    }
    QCOMPARE(value.problem ? int(*value.problem) : -1, problem);
}

void TestServerMove::escapesForCopy()
{
    QByteArray row;
    MoveValue::appendEscaped(row, QByteArray("a\\b\tc\nd\re\\N"));
    QCOMPARE(row, QByteArray("a\\\\b\\tc\\nd\\re\\\\N"));
    QCOMPARE(MoveValue::centsText(-5), QByteArray("-0.05"));
    QCOMPARE(MoveValue::centsText(std::numeric_limits<qint64>::min()), QByteArray("-92233720368547758.08"));
}

void TestServerMove::readsConnectionStrings_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QString>("host");
    QTest::addColumn<int>("port");
    QTest::addColumn<QString>("database");
    QTest::addColumn<QString>("user");
    QTest::newRow("keywords") << "host=ufficio port=5433 dbname=studio user=mario sslmode=require" << true << "ufficio"
                              << 5433 << "studio"
                              << "mario";
    QTest::newRow("uri") << "postgresql://mario@ufficio/studio" << true << "ufficio" << 5432 << "studio"
                         << "mario";
    QTest::newRow("quoted") << "host=ufficio dbname='studio di Rossi'" << true << "ufficio" << 5432 << "studio di Rossi"
                            << "";
    QTest::newRow("unknown key") << "host=ufficio sslrootcert=/x" << false << "" << 0 << ""
                                 << "";
    QTest::newRow("unreadable") << "host=" << true << "" << 5432 << ""
                                << "";
    QTest::newRow("no value") << "host" << false << "" << 0 << ""
                              << "";
    QTest::newRow("bad port") << "port=99999" << false << "" << 0 << ""
                              << "";
}

void TestServerMove::readsConnectionStrings()
{
    QFETCH(QString, text);
    QFETCH(bool, ok);
    PgSettings settings;
    QString error;
    QCOMPARE(PgSettings::fromConnectionString(text, &settings, &error), ok);
    if (!ok) {
        QVERIFY(!error.isEmpty());
        return;
    }
    QTEST(settings.host, "host");
    QTEST(settings.port, "port");
    QTEST(settings.database, "database");
    QTEST(settings.user, "user");
}

void TestServerMove::movesADemoFile()
{
    TestServer server;
    SKIP_WITHOUT_SERVER(server);
    QTemporaryDir dir;
    Database file;
    makeFile(dir, file, 300);
    // A state of the office's own, which the server must keep, in its place.
    file.exec("INSERT INTO Stato (Stato_progetto) VALUES ('In attesa del Comune')");
    file.exec("UPDATE Committente SET Note = 'tab\tline\nback\\slash \\N' WHERE IdCommittente = 1");

    ServerMove move(file, server.db());
    QVERIFY(move.scan().isEmpty());
    QVERIFY(move.targetProblem().isEmpty());
    const MoveCounts counts = move.run();
    QCOMPARE(counts.rowsOf(QStringLiteral("Committente")), qint64(300));
    compareFileAndServer(file, server.db());
    QCOMPARE(serverColumn(server.db(), "SELECT Stato_progetto FROM Stato ORDER BY Ordine"),
             fileColumn(file, "SELECT Stato_progetto FROM Stato ORDER BY rowid"));
    QCOMPARE(serverColumn(server.db(), "SELECT Note FROM Committente WHERE IdCommittente = 1"),
             QStringList{QStringLiteral("tab\tline\nback\\slash \\N")});
    const QByteArray rows = "SELECT IdProgetto || '|' || COALESCE(Descrizione, '') || '|' || "
                            "COALESCE(CAST(Data_inizio AS TEXT), '') FROM Progetto ORDER BY IdProgetto";
    QCOMPARE(serverColumn(server.db(), rows), fileColumn(file, rows));
    QCOMPARE(serverColumn(server.db(), "SELECT \"Città\" FROM Indirizzo ORDER BY IdCommittente"),
             fileColumn(file, "SELECT \"Città\" FROM Indirizzo ORDER BY IdCommittente"));
    ServerSchema::checkTables(server.db());
}

void TestServerMove::reportsRefusedValuesBeforeWriting()
{
    TestServer server;
    SKIP_WITHOUT_SERVER(server);
    ScriptedDialogs dialogs;
    QTemporaryDir dir;
    QString path;
    {
        Database file;
        path = makeFile(dir, file, 0);
        file.exec("INSERT INTO Committente (IdCommittente, Cognome) VALUES (1, 'Rossi'), (2, 'Bianchi'), "
                  "(3, CAST(X'526F7373E9' AS TEXT)), (4, 'Verdi'), (5, 'Neri')");
        file.exec("INSERT INTO Progetto (IdProgetto, IdCommittente, Data_inizio, Importo_totale, Importo_pagato) "
                  "VALUES (1, 1, '2023-02-30', 100, 50), (2, 2, '2023-01-01', 'mille euro', 0)");
        file.exec("INSERT INTO Pagamenti (IdProgetto, IdFattura, Importo, Data) VALUES (1, 1, 1e13, '2023-01-05'), "
                  "(1, 2, 50, '2023-01-06')");
    }
    Workspace workspace(dir.path());
    workspace.setDatabaseFile(path);
    workspace.openConnection();
    QString error;
    QVERIFY(DatabaseChoice::nameServer(workspace.paths(), server.settings(), &error));

    // The report lists every value by table, key and column; the user stops: nothing written.
    dialogs.answerNext(false);
    ServerMoveActions::moveToServer(workspace);
    QCOMPARE(dialogs.questions.size(), 1);
    const QString report = dialogs.questions.first();
    QVERIFY2(report.contains(QStringLiteral("Progetto, IdProgetto 1, Data_inizio: \"2023-02-30\" non è una data")),
             qPrintable(report));
    QVERIFY(report.contains(QStringLiteral("Progetto, IdProgetto 2, Importo_totale: \"mille euro\" non è un importo")));
    QVERIFY(report.contains(QStringLiteral("Pagamenti, IdFattura 1, Importo:")));
    QVERIFY(
        report.contains(QStringLiteral("Committente, IdCommittente 3, Cognome: \"Ross\uFFFD\" contiene caratteri")));
    ServerMove probe(workspace.connection(), server.db());
    QVERIFY(probe.serverTables().isEmpty());
    QVERIFY(dialogs.messages.isEmpty());

    // The user goes on: the values are moved as empty (or cleaned), the totals still match.
    dialogs.clear();
    dialogs.answerNext(true);
    dialogs.answerNext(false); // not named in Default.ini
    ServerMoveActions::moveToServer(workspace);
    QCOMPARE(dialogs.messages.size(), 1);
    QVERIFY2(dialogs.messages.first().contains(QStringLiteral("5 persone")), qPrintable(dialogs.messages.first()));
    QCOMPARE(serverColumn(server.db(), "SELECT COALESCE(Data_inizio::text, '-') FROM Progetto WHERE IdProgetto = 1"),
             QStringList{QStringLiteral("-")});
    QCOMPARE(serverColumn(server.db(), "SELECT Cognome FROM Committente WHERE IdCommittente = 3"),
             QStringList{QStringLiteral("Ross\uFFFD")});
    QCOMPARE(serverCount(server.db(), QStringLiteral("Pagamenti")),
             fileCount(workspace.connection(), QStringLiteral("Pagamenti")));
    QCOMPARE(serverColumn(server.db(), "SELECT COALESCE(Importo::text, '-') FROM Pagamenti WHERE IdFattura = 1"),
             QStringList{QStringLiteral("-")});

    // A second move finds the server holding rows.
    dialogs.clear();
    ServerMoveActions::moveToServer(workspace);
    QCOMPARE(dialogs.messages.size(), 1);
    QVERIFY(dialogs.messages.first().contains(QStringLiteral("contiene già dei dati")));
    QVERIFY(dialogs.questions.isEmpty());
}

void TestServerMove::refusesAServerHoldingRows()
{
    TestServer server;
    SKIP_WITHOUT_SERVER(server);
    QTemporaryDir dir;
    Database file;
    makeFile(dir, file, 10);

    // A database the tool made, with its states and no rows: taken, its states replaced.
    server.createTables();
    server.db().execNative("DELETE FROM Stato WHERE Stato_progetto = 'Sospeso'");
    ServerMove move(file, server.db());
    QVERIFY(move.targetProblem().isEmpty());

    server.db().execNative("INSERT INTO Committente (IdCommittente, Cognome) VALUES (999, 'Altro')");
    QVERIFY(move.targetProblem().contains(QStringLiteral("contiene già dei dati")));
    QVERIFY_THROWS_EXCEPTION(DbError, move.run());
    QCOMPARE(serverCount(server.db(), QStringLiteral("Committente")), qint64(1));
    QCOMPARE(serverCount(server.db(), QStringLiteral("Progetto")), qint64(0));
    QCOMPARE(serverCount(server.db(), QStringLiteral("Stato")), qint64(4));

    // Only some of the tables: not a database of the program.
    server.db().execNative("DROP TABLE Recapiti");
    QVERIFY(move.targetProblem().contains(QStringLiteral("Recapiti"), Qt::CaseInsensitive));

    server.db().execNative("DELETE FROM Committente");
    QVERIFY_THROWS_EXCEPTION(DbError, move.run());
    QCOMPARE(serverCount(server.db(), QStringLiteral("Progetto")), qint64(0));
}

void TestServerMove::rowsWithoutAWholeReferenceBlockTheMove()
{
    TestServer server;
    SKIP_WITHOUT_SERVER(server);
    ScriptedDialogs dialogs;
    QTemporaryDir dir;
    QString path;
    {
        Database file;
        path = makeFile(dir, file, 0);
        file.exec("INSERT INTO Committente (IdCommittente, Cognome) VALUES (1, 'Rossi')");
        file.exec("INSERT INTO Progetto (IdProgetto, IdCommittente, Data_inizio) VALUES (1, 'uno', '2023-02-30')");
    }
    Workspace workspace(dir.path());
    workspace.setDatabaseFile(path);
    workspace.openConnection();
    // Not named in Default.ini: the server is asked for.
    const PgSettings s = server.settings();
    dialogs.textAnswers << QStringLiteral("host=%1 dbname=%2 user=%3 sslmode=disable").arg(s.host, s.database, s.user);
    ServerMoveActions::moveToServer(workspace);
    QCOMPARE(dialogs.textQuestions.size(), 1);
    QVERIFY(dialogs.questions.isEmpty());
    QCOMPARE(dialogs.messages.size(), 1);
    const QString report = dialogs.messages.first();
    QVERIFY2(report.contains(QStringLiteral("Progetto, IdProgetto 1, IdCommittente: \"uno\" non è un numero intero")),
             qPrintable(report));
    QVERIFY(report.contains(QStringLiteral("Progetto, IdProgetto 1, Data_inizio: \"2023-02-30\" non è una data")));
    ServerMove move(workspace.connection(), server.db());
    QVERIFY(move.serverTables().isEmpty());
    // The plain class refuses the row too, leaving the server as it was.
    QVERIFY_THROWS_EXCEPTION(DbError, move.run());
    QVERIFY(move.serverTables().isEmpty());
}

void TestServerMove::paymentNumbersContinueAfterTheMove()
{
    TestServer server;
    SKIP_WITHOUT_SERVER(server);
    QTemporaryDir dir;
    Database file;
    makeFile(dir, file, 30);
    const qint64 largest = file.nextKey(QStringLiteral("Pagamenti"), QStringLiteral("IdFattura"));
    QVERIFY(largest > 2);
    // The last payments deleted: their numbers are never given again.
    file.exec(QStringLiteral("DELETE FROM Pagamenti WHERE IdFattura >= %1").arg(largest - 1).toUtf8());

    ServerMove(file, server.db()).run();
    PgStatement insert(server.db(), "INSERT INTO Pagamenti (IdProgetto, Importo, Data) VALUES (1, 10, '2024-01-01')");
    insert.step();
    QCOMPARE(server.db().lastInsertRowId(), largest + 1);
    QCOMPARE(ServerMove::continueNumberingStatement(-1).contains(", 1, false"), true);
}

void TestServerMove::backupOfTheServerOpensAsAFile()
{
    TestServer server;
    SKIP_WITHOUT_SERVER(server);
    QTemporaryDir dir;
    Database file;
    makeFile(dir, file, 120);
    file.exec("UPDATE Progetto SET Importo_totale = 1234.56, Descrizione = 'Città ''nuova''' WHERE IdProgetto = 1");
    ServerMove(file, server.db()).run();
    PgStatement insert(server.db(), "INSERT INTO Pagamenti (IdProgetto, Importo, Data) VALUES (1, 0.1, '2024-01-01')");
    insert.step();
    const qint64 given = server.db().lastInsertRowId();
    server.db().execNative(QStringLiteral("DELETE FROM Pagamenti WHERE IdFattura = %1").arg(given).toUtf8());

    Database office;
    office.openServer(server.settings());
    DatabaseBackup backup(office, Schema::databasePassword());
    const QString copy = dir.filePath(QStringLiteral("Backup/copia.mdb"));
    QDir().mkpath(dir.filePath(QStringLiteral("Backup")));
    backup.copyTo(copy);
    DatabaseBackup::check(copy, Schema::databasePassword());
    QVERIFY(!QFile::exists(copy + QStringLiteral(".parziale")));

    Database restored;
    restored.open(copy, Schema::databasePassword());
    compareFileAndServer(restored, server.db());
    const QByteArray rows = "SELECT IdProgetto || '|' || COALESCE(Descrizione, '') || '|' || "
                            "COALESCE(CAST(ROUND(Importo_totale * 100) AS INTEGER), '') || '|' || "
                            "COALESCE(CAST(Data_fine AS TEXT), '') FROM Progetto ORDER BY IdProgetto";
    QCOMPARE(fileColumn(restored, rows), fileColumn(file, rows));
    QCOMPARE(fileColumn(restored, "SELECT Stato_progetto FROM Stato ORDER BY rowid"),
             fileColumn(file, "SELECT Stato_progetto FROM Stato ORDER BY rowid"));
    // The file numbers new payments after the server's last one, deleted or not.
    restored.exec("INSERT INTO Pagamenti (IdProgetto, Importo) VALUES (1, 5)");
    QCOMPARE(restored.lastInsertRowId(), given + 1);

    // The automatic copies at exit work from the server too, the oldest going.
    const QString folder = dir.filePath(QStringLiteral("Backup"));
    QVERIFY(backup.dataChanged());
    const QDateTime now(QDate(2026, 1, 2), QTime(10, 0));
    backup.automaticCopy(folder, 2, now);
    backup.automaticCopy(folder, 2, now.addSecs(60));
    backup.automaticCopy(folder, 2, now.addSecs(120));
    QCOMPARE(DatabaseBackup::automaticCopies(folder).size(), 2);

    // Restoring onto the server stays the administrator's.
    try {
        backup.restoreFrom(copy);
        QFAIL("restored onto the server");
    } catch (const DbError &e) {
        QVERIFY(e.text().contains(QStringLiteral("amministratore del server")));
    }
}

void TestServerMove::toolCreatesAServerDatabase()
{
    const QString tool = QCoreApplication::applicationDirPath() + QStringLiteral("/../pratilio-db");
    if (!QFile::exists(tool))
        QSKIP("pratilio-db is not built next to the tests");
    TestServer server;
    SKIP_WITHOUT_SERVER(server);
    const PgSettings s = server.settings();
    const QString connection = QStringLiteral("host=%1 dbname=%2 user=%3 sslmode=disable")
                                   .arg(s.host, s.database, s.user);
    QProcess run;
    run.start(tool, {QStringLiteral("create"), QStringLiteral("--server"), connection, QStringLiteral("--demo"),
                     QStringLiteral("25")});
    QVERIFY(run.waitForFinished(120000));
    QVERIFY2(run.exitCode() == 0, run.readAllStandardError().constData());
    QCOMPARE(serverCount(server.db(), QStringLiteral("Committente")), qint64(25));
    ServerSchema::checkTables(server.db());
    QVERIFY(serverCount(server.db(), QStringLiteral("Pagamenti")) > 0);

    // Never over a database that has the tables.
    run.start(tool, {QStringLiteral("create"), QStringLiteral("--server"), connection});
    QVERIFY(run.waitForFinished(60000));
    QCOMPARE(run.exitCode(), 1);
    QVERIFY(QString::fromUtf8(run.readAllStandardError()).contains(QStringLiteral("ha già le tabelle")));
    QCOMPARE(serverCount(server.db(), QStringLiteral("Committente")), qint64(25));

    // Without demo rows: the tables and the usual states.
    TestServer empty;
    const PgSettings e = empty.settings();
    run.start(tool, {QStringLiteral("create"), QStringLiteral("--server"),
                     QStringLiteral("host=%1 dbname=%2 user=%3 sslmode=disable").arg(e.host, e.database, e.user)});
    QVERIFY(run.waitForFinished(60000));
    QCOMPARE(run.exitCode(), 0);
    QCOMPARE(serverColumn(empty.db(), "SELECT Stato_progetto FROM Stato ORDER BY Ordine"), Schema::defaultStates());
    QCOMPARE(serverCount(empty.db(), QStringLiteral("Applicazione")), qint64(1));

    // A connection libpq cannot use is refused before anything.
    run.start(tool, {QStringLiteral("create"), QStringLiteral("--server"), QStringLiteral("host=x bogus=1")});
    QVERIFY(run.waitForFinished(60000));
    QCOMPARE(run.exitCode(), 1);
}

QTEST_MAIN(TestServerMove)
#include "tst_servermove.moc"
