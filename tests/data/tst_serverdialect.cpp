#include "data/pgerrors.h"
#include "data/serverdialect.h"

#include <QtTest>

// Statements as the file's engine takes them, and what the office server is given instead.
class TestServerDialect : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void translates_data();
    void translates();
    void flags_data();
    void flags();
    void refusesFileOnlyPragmas();
    void catalogueQueries();
    void explainsServerErrors_data();
    void explainsServerErrors();
    void readsConnectionFailures_data();
    void readsConnectionFailures();
};

void TestServerDialect::translates_data()
{
    QTest::addColumn<QString>("statement");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<int>("parameters");

    QTest::newRow("placeholders in order") << "UPDATE Progetto SET Importo_pagato = ? WHERE IdProgetto = ?"
                                           << "UPDATE Progetto SET Importo_pagato = $1 WHERE IdProgetto = $2" << 2;
    QTest::newRow("no placeholder inside quotes") << "SELECT '?', \"a?b\" FROM Stato WHERE Stato_progetto = ?"
                                                  << "SELECT '?', \"a?b\" FROM Stato WHERE Stato_progetto = $1" << 1;
    QTest::newRow("doubled quote stays inside the literal")
        << "SELECT * FROM Committente WHERE Cognome = 'D''Amico ?' AND Nome = ?"
        << "SELECT * FROM Committente WHERE Cognome = 'D''Amico ?' AND Nome = $1" << 1;
    QTest::newRow("null-safe comparison")
        << "DELETE FROM \"Committente\" WHERE \"IdCommittente\" IS ?"
        << "DELETE FROM \"committente\" WHERE (\"idcommittente\" = $1 OR \"idcommittente\" IS NULL AND $1 IS "
           "NULL)"
        << 1;
    QTest::newRow("null-safe comparisons joined")
        << "UPDATE Progetto SET Nota = ? WHERE Progetto.Nota IS ? AND (Stato IS ?)"
        << "UPDATE Progetto SET Nota = $1 WHERE (Progetto.Nota = $2 OR Progetto.Nota IS NULL AND $2 IS NULL) AND "
           "((Stato = $3 OR Stato IS NULL AND $3 IS NULL))"
        << 3;
    QTest::newRow("null-safe comparison of an expression")
        << "SELECT 1 FROM Progetto WHERE Importo_totale - Importo_pagato IS ?"
        << "SELECT 1 FROM Progetto WHERE Importo_totale - Importo_pagato IS NOT DISTINCT FROM $1" << 1;
    QTest::newRow("null-safe comparison of a function")
        << "SELECT 1 FROM Progetto WHERE lower(Nota) IS ?"
        << "SELECT 1 FROM Progetto WHERE lower(Nota) IS NOT DISTINCT FROM $1" << 1;
    QTest::newRow("null-safe difference") << "SELECT 1 FROM Stato WHERE Stato_progetto IS NOT ?"
                                          << "SELECT 1 FROM Stato WHERE Stato_progetto IS DISTINCT FROM $1" << 1;
    QTest::newRow("IS NULL untouched") << "SELECT 1 FROM Stato WHERE Stato_progetto IS NULL"
                                       << "SELECT 1 FROM Stato WHERE Stato_progetto IS NULL" << 0;
    QTest::newRow("quoted names the schema knows, in the server's case")
        << "INSERT INTO Indirizzo (IdCommittente, CAP, \"Città\", Via) VALUES (?, ?, ?, ?)"
        << "INSERT INTO Indirizzo (IdCommittente, CAP, \"città\", Via) VALUES ($1, $2, $3, $4)" << 4;
    QTest::newRow("quoted alias unchanged") << "SELECT COUNT(*) AS \"Totale\" FROM Progetto"
                                            << "SELECT COUNT(*) AS \"Totale\" FROM Progetto" << 0;
    QTest::newRow("bracketed name") << "SELECT [Città] FROM [Indirizzo]"
                                    << "SELECT \"città\" FROM \"indirizzo\"" << 0;
    QTest::newRow("rowid of a row")
        << "UPDATE \"Applicazione\" SET \"Codice\" = ? WHERE rowid = (SELECT rowid FROM "
           "\"Applicazione\" WHERE \"Codice\" IS ? LIMIT 1)"
        << "UPDATE \"applicazione\" SET \"codice\" = $1 WHERE ctid = (SELECT ctid FROM "
           "\"applicazione\" WHERE (\"codice\" = $2 OR \"codice\" IS NULL AND $2 IS NULL) LIMIT 1)"
        << 2;
    QTest::newRow("states in their order") << "SELECT Stato_progetto FROM Stato ORDER BY rowid"
                                           << "SELECT Stato_progetto FROM Stato ORDER BY ordine" << 0;
    QTest::newRow("rows of a keyed table in key order")
        << "SELECT Cognome FROM Committente ORDER BY ROWID"
        << "SELECT Cognome FROM Committente ORDER BY idcommittente" << 0;
    QTest::newRow("rowid order over a join") << "SELECT Cognome FROM Committente, Progetto ORDER BY rowid"
                                             << "SELECT Cognome FROM Committente, Progetto ORDER BY ctid" << 0;
    QTest::newRow("whole table without the order column")
        << "SELECT * FROM \"Stato\""
        << "SELECT \"stato_progetto\" FROM \"stato\" ORDER BY ordine" << 0;
    QTest::newRow("whole keyed table")
        << "SELECT * FROM Indirizzo"
        << "SELECT \"idcommittente\", \"cap\", \"città\", \"via\" FROM \"indirizzo\" ORDER BY idcommittente" << 0;
    QTest::newRow("whole table without a key") << "SELECT * FROM \"Applicazione\";"
                                               << "SELECT \"codice\" FROM \"applicazione\"" << 0;
    QTest::newRow("immediate transaction") << "BEGIN IMMEDIATE"
                                           << "BEGIN " << 0;
    QTest::newRow("savepoints pass") << "ROLLBACK TO sp2; RELEASE sp2"
                                     << "ROLLBACK TO sp2; RELEASE sp2" << 0;
    QTest::newRow("the engine's numbering") << "INSERT INTO Pagamenti (IdProgetto, Importo) VALUES (?, ?)"
                                            << "INSERT INTO Pagamenti (IdProgetto, Importo) VALUES ($1, $2) "
                                               "RETURNING idfattura"
                                            << 2;
    QTest::newRow("a key given by the program") << "INSERT INTO Progetto (IdProgetto) VALUES (?)"
                                                << "INSERT INTO Progetto (IdProgetto) VALUES ($1)" << 1;
    QTest::newRow("ifnull") << "SELECT IFNULL(Note, '') FROM Committente"
                            << "SELECT COALESCE(Note, '') FROM Committente" << 0;
    QTest::newRow("a column named like a function stays") << "SELECT ifnull FROM x"
                                                          << "SELECT ifnull FROM x" << 0;
    QTest::newRow("unquoted accented name left to the server")
        << "SELECT Città FROM Indirizzo WHERE Città='Forlì'"
        << "SELECT Città FROM Indirizzo WHERE Città='Forlì'" << 0;
    const QString notExists = QStringLiteral(
        "NOT EXISTS (SELECT 1 FROM Progetto WHERE Progetto.IdCommittente = Committente.IdCommittente) AND NOT EXISTS "
        "(SELECT 1 FROM Progetto WHERE Progetto.IdCommittente IS NULL) AND (Committente.IdCommittente IS NOT NULL OR "
        "NOT EXISTS (SELECT 1 FROM Progetto))");
    QTest::newRow("not in a subquery, joined by AND")
        << "SELECT Cognome FROM Committente, Indirizzo WHERE Committente.IdCommittente NOT IN (SELECT "
           "Progetto.IdCommittente FROM Progetto)AND Committente.IdCommittente=Indirizzo.IdCommittente"
        << "SELECT Cognome FROM Committente, Indirizzo WHERE " + notExists
               + "AND Committente.IdCommittente=Indirizzo.IdCommittente"
        << 0;
    QTest::newRow("not in a subquery, last condition")
        << "DELETE FROM Committente WHERE Note = ? AND Committente.IdCommittente NOT IN (SELECT Progetto.IdCommittente "
           "FROM Progetto);"
        << "DELETE FROM Committente WHERE Note = $1 AND " + notExists + ";" << 1;
    QTest::newRow("not in a subquery with a condition")
        << "SELECT 1 FROM Committente WHERE Committente.\"IdCommittente\" NOT IN (SELECT IdCommittente FROM Progetto "
           "WHERE Stato = ? OR Comune = 'x') ORDER BY 1"
        << "SELECT 1 FROM Committente WHERE NOT EXISTS (SELECT 1 FROM Progetto WHERE (Stato = $1 OR Comune = 'x') AND "
           "IdCommittente = Committente.\"idcommittente\") AND NOT EXISTS (SELECT 1 FROM Progetto WHERE (Stato = $1 OR "
           "Comune = 'x') AND IdCommittente IS NULL) AND (Committente.\"idcommittente\" IS NOT NULL OR NOT EXISTS "
           "(SELECT 1 FROM Progetto WHERE Stato = $1 OR Comune = 'x')) ORDER BY 1"
        << 1;
    QTest::newRow("not in a subquery, a literal's blanks kept, a comment left out")
        << "SELECT 1 FROM Committente WHERE Committente.IdCommittente NOT IN (SELECT IdCommittente FROM Progetto "
           "WHERE Nota = 'a  b' -- note\n)"
        << "SELECT 1 FROM Committente WHERE NOT EXISTS (SELECT 1 FROM Progetto WHERE (Nota = 'a  b') AND "
           "IdCommittente = Committente.IdCommittente) AND NOT EXISTS (SELECT 1 FROM Progetto WHERE (Nota = 'a  b') "
           "AND IdCommittente IS NULL) AND (Committente.IdCommittente IS NOT NULL OR NOT EXISTS (SELECT 1 FROM "
           "Progetto WHERE Nota = 'a  b'))"
        << 0;
    // Where NOT IN's null answer could differ from false, or the shape is another, it stays.
    for (const char *kept :
         {"SELECT 1 FROM Committente WHERE Note = 'a' OR Committente.IdCommittente NOT IN (SELECT IdCommittente FROM "
          "Progetto)",
          "SELECT 1 FROM Committente WHERE Committente.IdCommittente NOT IN (SELECT IdCommittente FROM Progetto) OR "
          "Note = 'a'",
          "SELECT 1 FROM Committente WHERE NOT Committente.IdCommittente NOT IN (SELECT IdCommittente FROM Progetto)",
          "SELECT 1 FROM Committente WHERE (Committente.IdCommittente NOT IN (SELECT IdCommittente FROM Progetto))",
          "SELECT 1 FROM Committente WHERE Committente.IdCommittente NOT IN (SELECT IdCommittente FROM Progetto) = "
          "false",
          "SELECT Committente.IdCommittente NOT IN (SELECT IdCommittente FROM Progetto) FROM Committente",
          "SELECT 1 FROM Committente WHERE IdCommittente NOT IN (SELECT IdCommittente FROM Progetto)",
          "SELECT 1 FROM Progetto WHERE Progetto.IdCommittente NOT IN (SELECT IdCommittente FROM Progetto)",
          "SELECT 1 FROM Committente WHERE Committente.IdCommittente NOT IN (1, 2)",
          "SELECT 1 FROM Committente WHERE Committente.IdCommittente NOT IN (SELECT DISTINCT IdCommittente FROM "
          "Progetto)",
          "SELECT 1 FROM Committente WHERE Committente.IdCommittente NOT IN (SELECT MAX(IdCommittente) FROM Progetto)",
          "SELECT 1 FROM Committente WHERE Committente.IdCommittente NOT IN (SELECT IdCommittente FROM Progetto p)",
          "SELECT 1 FROM Committente WHERE Committente.IdCommittente NOT IN (SELECT IdCommittente FROM Progetto, "
          "Pagamenti)",
          "SELECT 1 FROM Committente WHERE Committente.IdCommittente NOT IN (SELECT IdCommittente FROM Progetto "
          "LIMIT 3)",
          "SELECT 1 FROM Committente WHERE Note BETWEEN 'a' AND Committente.IdCommittente NOT IN (SELECT "
          "IdCommittente FROM Progetto)",
          "SELECT 1 FROM Committente WHERE CASE WHEN Note = 'a' AND Committente.IdCommittente NOT IN (SELECT "
          "IdCommittente FROM Progetto) THEN 1 END = 1"})
        QTest::newRow(kept) << kept << kept << 0;
    QTest::newRow("empty") << ""
                           << "" << 0;
}

void TestServerDialect::translates()
{
    QFETCH(QString, statement);
    QFETCH(QString, expected);
    QFETCH(int, parameters);
    const ServerDialect::Translated t = ServerDialect::translate(statement.toUtf8());
    QCOMPARE(QString::fromUtf8(t.sql), expected);
    QCOMPARE(t.parameterCount, parameters);
    QVERIFY(t.refused.isEmpty());
}

void TestServerDialect::flags_data()
{
    QTest::addColumn<QString>("statement");
    QTest::addColumn<bool>("returnsKey");

    QTest::newRow("payment") << "INSERT INTO Pagamenti (IdProgetto) VALUES (?)" << true;
    QTest::newRow("payment, quoted name") << "INSERT INTO \"Pagamenti\" DEFAULT VALUES" << true;
    QTest::newRow("payment with its own RETURNING")
        << "INSERT INTO Pagamenti (IdProgetto) VALUES (1) RETURNING IdFattura" << false;
    QTest::newRow("two statements") << "INSERT INTO Pagamenti (IdProgetto) VALUES (1); SELECT 1" << false;
    QTest::newRow("person") << "INSERT INTO Committente (IdCommittente) VALUES (?)" << false;
    QTest::newRow("update of payments") << "UPDATE Pagamenti SET Importo = ?" << false;
}

void TestServerDialect::flags()
{
    QFETCH(QString, statement);
    QFETCH(bool, returnsKey);
    QCOMPARE(ServerDialect::translate(statement.toUtf8()).returnsKey, returnsKey);
}

void TestServerDialect::refusesFileOnlyPragmas()
{
    for (const char *pragma : {"PRAGMA integrity_check", "PRAGMA journal_mode", "pragma table_info"}) {
        const ServerDialect::Translated t = ServerDialect::translate(pragma);
        QVERIFY2(t.sql.isEmpty(), pragma);
        QVERIFY(t.refused.contains(QLatin1String("solo per il file")));
    }
}

void TestServerDialect::catalogueQueries()
{
    const ServerDialect::Translated info = ServerDialect::translate("PRAGMA table_info(\"Stato\")");
    QVERIFY(info.refused.isEmpty());
    QVERIFY(info.sql.contains("to_regclass('\"stato\"')"));
    QVERIFY(info.sql.contains("NOT IN ('ordine')")); // the server's order column stays hidden
    QCOMPARE(info.respellValues, QStringList{QStringLiteral("name")});

    const ServerDialect::Translated master = ServerDialect::translate(
        "SELECT name FROM sqlite_master WHERE type = 'table' AND name NOT LIKE 'sqlite_%'");
    QVERIFY(master.sql.startsWith("SELECT name FROM (SELECT "));
    QVERIFY(master.sql.endsWith("AS sqlite_master WHERE type = 'table' AND name NOT LIKE 'sqlite_%'"));
    QVERIFY(master.respellValues.contains(QStringLiteral("name")));
}

void TestServerDialect::explainsServerErrors_data()
{
    QTest::addColumn<QString>("state");
    QTest::addColumn<bool>("opening");
    QTest::addColumn<QString>("expected");

    const QString where = QStringLiteral("\"studio\" sul server ufficio");
    QTest::newRow("connection lost") << "08006" << false << "si è interrotto. Le modifiche non sono state salvate.";
    QTest::newRow("server unreachable") << "08001" << true << "Impossibile collegarsi al database";
    QTest::newRow("wrong password") << "28P01" << true << "La password per il database";
    QTest::newRow("user refused") << "28000" << true << "non accetta questo utente";
    QTest::newRow("no such database") << "3D000" << true << "non esiste";
    QTest::newRow("key taken") << "23505" << false << "la sua chiave esiste già";
    QTest::newRow("other constraint") << "23502" << false << "un valore non è ammesso";
    QTest::newRow("deadlock") << "40P01" << false << "Riprovare.";
    QTest::newRow("serialisation") << "40001" << false << "Riprovare.";
    QTest::newRow("lock timeout") << "55P03" << false << "bloccato da un'altra postazione";
    QTest::newRow("disk full") << "53100" << false << "è pieno. Le modifiche non sono state salvate.";
    QTest::newRow("out of memory") << "53200" << false << "Memoria insufficiente";
    QTest::newRow("too many connections") << "53300" << true << "numero massimo di collegamenti";
    QTest::newRow("server stopping") << "57P01" << false << "si sta fermando o riavviando";
    QTest::newRow("crash shutdown") << "57P02" << false << "si sta fermando o riavviando";
    QTest::newRow("no rights") << "42501" << false << "Non si hanno i permessi";
    QTest::newRow("read-only") << "25006" << false << "di sola lettura";
    QTest::newRow("missing table") << "42P01" << false << "manca la tabella \"Progetto\"";
    QTest::newRow("missing column") << "42703" << false << "manca la colonna \"Città\"";
    QTest::newRow("bad date") << "22007" << false << "una data non valida";
    QTest::newRow("bad number") << "22P02" << false << "un valore non ammesso";
}

void TestServerDialect::explainsServerErrors()
{
    QFETCH(QString, state);
    QFETCH(bool, opening);
    QFETCH(QString, expected);
    QString server = QStringLiteral("some server text");
    if (state == QLatin1String("42P01"))
        server = QStringLiteral("relation \"progetto\" does not exist");
    if (state == QLatin1String("42703"))
        server = QStringLiteral("column \"città\" does not exist");
    const QString where = QStringLiteral("\"studio\" sul server ufficio");
    const QString text = PgErrors::explain(state.toLatin1(), server, where, opening);
    QVERIFY2(text.contains(expected), qPrintable(text));
    QVERIFY2(text.contains(where), qPrintable(text));
    QVERIFY2(text.endsWith(QStringLiteral("(%1)").arg(server)), qPrintable(text));
    QCOMPARE(text.contains(QLatin1String("non sono state salvate")),
             !opening && !state.startsWith(QLatin1String("28")) && state != QLatin1String("3D000")
                 && state != QLatin1String("53300") && !state.startsWith(QLatin1String("42P"))
                 && state != QLatin1String("42703"));
}

void TestServerDialect::readsConnectionFailures_data()
{
    QTest::addColumn<QString>("message");
    QTest::addColumn<bool>("passwordNeeded");
    QTest::addColumn<QString>("state");

    QTest::newRow("refused") << "connection to server at \"10.0.0.9\", port 5432 failed: Connection refused" << false
                             << "08001";
    QTest::newRow("password") << "FATAL:  password authentication failed for user \"anna\"" << false << "28P01";
    QTest::newRow("password needed") << "fe_sendauth: no password supplied" << true << "28P01";
    QTest::newRow("database") << "FATAL:  database \"studio\" does not exist" << false << "3D000";
    QTest::newRow("hba") << "FATAL:  no pg_hba.conf entry for host \"10.0.0.5\"" << false << "28000";
    QTest::newRow("role") << "FATAL:  role \"anna\" does not exist" << false << "28000";
    QTest::newRow("stopping") << "FATAL:  the database system is shutting down" << false << "57P01";
    QTest::newRow("starting") << "FATAL:  the database system is starting up" << false << "57P03";
    QTest::newRow("full") << "FATAL:  sorry, too many clients already" << false << "53300";
}

void TestServerDialect::readsConnectionFailures()
{
    QFETCH(QString, message);
    QFETCH(bool, passwordNeeded);
    QFETCH(QString, state);
    QCOMPARE(QString::fromLatin1(PgErrors::connectionFailureState(message, passwordNeeded)), state);
}

QTEST_GUILESS_MAIN(TestServerDialect)
#include "tst_serverdialect.moc"
