// The complex query builder: statement lines, shown values, status text and date
// parameters for the conditions the window collects; the messages for rows it refuses;
// and the rows each query selects on a demo database, counted again by the engine alone.
#include "queries/complexquery.h"

#include "data/database.h"
#include "data/query.h"
#include "support/testdatabase.h"

#include <QTest>

Q_DECLARE_METATYPE(ConditionRow)

namespace {

using Rows = QList<ConditionRow>;

ConditionRow row(const QString &label, const QString &op, const QString &value, const QString &connector = " AND ")
{
    return {label, op, value, connector};
}

// The tables' columns as the schema makes them.
QStringList schemaColumns(const QString &table)
{
    static const QHash<QString, QStringList> columns = {
        {"Committente", {"IdCommittente", "Cognome", "Nome", "Qualifica", "Codice_fiscale", "Partita_iva", "Note"}},
        {"Indirizzo", {"IdCommittente", "CAP", "Città", "Via"}},
        {"Recapiti",
         {"IdCommittente", "Numero_telefono1", "Numero_telefono2", "Numero_fax", "Numero_cell1", "Numero_cell2",
          "E_mail", "Sito_internet"}},
        {"Progetto",
         {"IdProgetto", "IdCommittente", "Cognome_progettista", "Nome_progettista", "Descrizione", "Comune", "Stato",
          "Importo_totale", "Importo_pagato", "Data_inizio", "Data_fine", "Data_scadenza", "Archivio", "Nota"}},
        {"Pagamenti", {"IdProgetto", "IdFattura", "Importo", "Data", "Fattura"}},
        {"Stato", {"Stato_progetto"}},
    };
    return columns.value(table);
}

const QString kCI = QStringLiteral("Committente.IdCommittente");

} // namespace

class TestComplexQuery : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void statement_data();
    void statement();
    void fromLine_data();
    void fromLine();
    void dateParameters_data();
    void dateParameters();
    void refusedRows_data();
    void refusedRows();
    void rowOneWithoutFieldRunsNothing();
    void sameConditionsTwiceGiveTheSameStatement();
    void valueLists();
    void rowsOnDemoData_data();
    void rowsOnDemoData();

private:
    TestDatabase &demo()
    {
        static TestDatabase db(500, 11);
        return db;
    }
};

void TestComplexQuery::statement_data()
{
    QTest::addColumn<Rows>("rows");
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("where");
    QTest::addColumn<QStringList>("shown");
    QTest::addColumn<QString>("status");
    QTest::newRow("one condition") << Rows{row("Cognome", "=", "Rossi")} << "FROM Committente"
                                   << "WHERE Cognome='Rossi'" << QStringList{"'Rossi'"}
                                   << "Query attuale: Cognome='Rossi'";
    QTest::newRow("digit text field quoted")
        << Rows{row("CAP", "=", "40121")} << "FROM Indirizzo"
        << "WHERE CAP='40121'" << QStringList{"'40121'"} << "Query attuale: CAP='40121'";
    QTest::newRow("amount stays a number") << Rows{row("Importo", ">", "100")} << "FROM Pagamenti"
                                           << "WHERE Importo>100" << QStringList{"100"} << "Query attuale: Importo>100";
    QTest::newRow("amount in Italian form")
        << Rows{row("Importo totale", ">=", "1.500,50")} << "FROM Progetto"
        << "WHERE Importo_totale>=1500.50" << QStringList{"1.500,50"} << "Query attuale: Importo totale>=1.500,50";
    QTest::newRow("amount of five cents")
        << Rows{row("Importo", "=", "0,05")} << "FROM Pagamenti"
        << "WHERE Importo=0.05" << QStringList{"0,05"} << "Query attuale: Importo=0,05";
    QTest::newRow("amount with one to nine cents")
        << Rows{row("Importo totale", "<", "1.500,05")} << "FROM Progetto"
        << "WHERE Importo_totale<1500.05" << QStringList{"1.500,05"} << "Query attuale: Importo totale<1.500,05";
    QTest::newRow("amount of one cent, point for the comma")
        << Rows{row("Importo", ">", "2.01")} << "FROM Pagamenti"
        << "WHERE Importo>2.01" << QStringList{"2.01"} << "Query attuale: Importo>2.01";
    QTest::newRow("amount of nine cents, one decimal more rounded")
        << Rows{row("Importo", "<>", "10,094")} << "FROM Pagamenti"
        << "WHERE Importo<>10.09" << QStringList{"10,094"} << "Query attuale: Importo<>10,094";
    QTest::newRow("two fields of one table, and")
        << Rows{row("Cognome", "=", "Rossi"), row("Nome", "=", "Mario")} << "FROM Committente"
        << "WHERE Cognome='Rossi' AND Nome='Mario'" << QStringList{"'Rossi'", "'Mario'"}
        << "Query attuale: Cognome='Rossi' AND Nome='Mario'";
    QTest::newRow("or, columns in the status after row 1")
        << Rows{row("Importo totale", ">", "1000"), row("Stato", "=", "Sospeso", " OR ")} << "FROM Progetto"
        << "WHERE Importo_totale>1000 OR Stato='Sospeso'" << QStringList{"1000", "'Sospeso'"}
        << "Query attuale: Importo totale>1000 OR Stato='Sospeso'";
    QTest::newRow("inner quote: shown as always, doubled for the engine")
        << Rows{row("Cognome", "=", "D'Amico")} << "FROM Committente"
        << "WHERE Cognome='D''Amico'" << QStringList{"'D'Amico'"} << "Query attuale: Cognome='D'Amico'";
    QTest::newRow("value quoted by the user")
        << Rows{row("Cognome", "<>", "'D''Amico'")} << "FROM Committente"
        << "WHERE Cognome<>'D''Amico'" << QStringList{"'D''Amico'"} << "Query attuale: Cognome<>'D''Amico'";
    QTest::newRow("text beginning with a digit")
        << Rows{row("Via", "=", "3 Novembre")} << "FROM Indirizzo"
        << "WHERE Via='3 Novembre'" << QStringList{"3 Novembre"} << "Query attuale: Via=3 Novembre";
    QTest::newRow("accented column") << Rows{row("Città", "=", "Forlì")} << "FROM Indirizzo"
                                     << "WHERE Città='Forlì'" << QStringList{"'Forlì'"}
                                     << "Query attuale: Città='Forlì'";
    QTest::newRow("label of the list never opened") << Rows{row("Cognome progettista", "=", "Rossi")} << "FROM Progetto"
                                                    << "WHERE Cognome_progettista='Rossi'" << QStringList{"'Rossi'"}
                                                    << "Query attuale: Cognome progettista='Rossi'";
    QTest::newRow("connector in lower case")
        << Rows{row("Cognome", " = ", "Rossi"), row("Nome", "=", "Mario", "or")} << "FROM Committente"
        << "WHERE Cognome='Rossi' OR Nome='Mario'" << QStringList{"'Rossi'", "'Mario'"}
        << "Query attuale: Cognome='Rossi' OR Nome='Mario'";
}

void TestComplexQuery::statement()
{
    QFETCH(Rows, rows);
    const ComplexQueryStatement s = ComplexQuery::build(rows, schemaColumns);
    QVERIFY2(s.canRun(), qPrintable(s.error));
    QCOMPARE(s.lines.size(), 3);
    QCOMPARE(s.lines.at(0), QStringLiteral("SELECT DISTINCT *"));
    QTEST(s.lines.at(1), "from");
    QTEST(s.lines.at(2), "where");
    QTEST(s.shownValues, "shown");
    QTEST(s.status, "status");
    QVERIFY(s.parameters.isEmpty());
}

void TestComplexQuery::fromLine_data()
{
    QTest::addColumn<QStringList>("labels");
    QTest::addColumn<QString>("from");
    QTest::newRow("Cognome, Descrizione")
        << QStringList{"Cognome", "Descrizione"}
        << "FROM (Committente INNER JOIN Progetto on Committente.IdCommittente=Progetto.IdCommittente)";
    QTest::newRow("Cognome, Città, Descrizione")
        << QStringList{"Cognome", "Città", "Descrizione"}
        << "FROM (Committente INNER JOIN Indirizzo on Committente.IdCommittente=Indirizzo.IdCommittente) "
           "INNER JOIN Progetto on Committente.IdCommittente=Progetto.IdCommittente";
    QTest::newRow("four tables")
        << QStringList{"Città", "E-Mail", "Nome", "Stato"}
        << "FROM ((Indirizzo INNER JOIN Recapiti on Indirizzo.IdCommittente=Recapiti.IdCommittente) "
           "INNER JOIN Committente on Indirizzo.IdCommittente=Committente.IdCommittente) "
           "INNER JOIN Progetto on Indirizzo.IdCommittente=Progetto.IdCommittente";
    QTest::newRow("project first") << QStringList{"Descrizione", "Cognome", "Nome"}
                                   << "FROM (Progetto INNER JOIN Committente on "
                                      "Progetto.IdCommittente=Committente.IdCommittente)";
    QTest::newRow("payments alone") << QStringList{"Importo", "Data", "Fattura"} << "FROM Pagamenti";
    QTest::newRow("payments and project, payments named first")
        << QStringList{"Importo", "Descrizione"}
        << "FROM (Progetto INNER JOIN Pagamenti on Progetto.IdProgetto=Pagamenti.IdProgetto)";
    QTest::newRow("payments and a person: the project is added")
        << QStringList{"Cognome", "Importo"}
        << "FROM (Committente INNER JOIN Progetto on Committente.IdCommittente=Progetto.IdCommittente) "
           "INNER JOIN Pagamenti on Progetto.IdProgetto=Pagamenti.IdProgetto";
    QTest::newRow("payments first, then a person")
        << QStringList{"Fattura", "Città"}
        << "FROM (Progetto INNER JOIN Pagamenti on Progetto.IdProgetto=Pagamenti.IdProgetto) "
           "INNER JOIN Indirizzo on Progetto.IdCommittente=Indirizzo.IdCommittente";
    QTest::newRow("payments, person, project")
        << QStringList{"Importo", "Cognome", "Descrizione"}
        << "FROM (Progetto INNER JOIN Pagamenti on Progetto.IdProgetto=Pagamenti.IdProgetto) "
           "INNER JOIN Committente on Progetto.IdCommittente=Committente.IdCommittente";
    QTest::newRow("five tables")
        << QStringList{"Cognome", "Città", "Fax", "Importo", "Stato"}
        << "FROM (((Committente INNER JOIN Indirizzo on Committente.IdCommittente=Indirizzo.IdCommittente) "
           "INNER JOIN Recapiti on Committente.IdCommittente=Recapiti.IdCommittente) "
           "INNER JOIN Progetto on Committente.IdCommittente=Progetto.IdCommittente) "
           "INNER JOIN Pagamenti on Progetto.IdProgetto=Pagamenti.IdProgetto";
}

void TestComplexQuery::fromLine()
{
    QFETCH(QStringList, labels);
    Rows rows;
    for (const QString &label : labels)
        rows << row(label, "=", ComplexQuery::isDateField(label) ? "01/01/2020" : "1");
    const ComplexQueryStatement s = ComplexQuery::build(rows, schemaColumns);
    QVERIFY2(s.canRun(), qPrintable(s.error));
    QTEST(s.lines.at(1), "from");
}

void TestComplexQuery::dateParameters_data()
{
    QTest::addColumn<Rows>("rows");
    QTest::addColumn<QString>("where");
    QTest::addColumn<QString>("status");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QList<QDate>>("dates");
    QTest::newRow("named by the date") << Rows{row("Data di consegna", "<", "31/12/2008")}
                                       << "WHERE Data_scadenza<:31/12/2008"
                                       << "Query attuale: Data di consegna<31/12/2008" << QStringList{"31/12/2008"}
                                       << QList<QDate>{{2008, 12, 31}};
    QTest::newRow("every operator takes the colon")
        << Rows{row("Data", "<>", "1/2/2020"), row("Data di inizio", ">=", "01/01/2007"),
                row("Data di fine", "<=", "02/01/2007", " OR ")}
        << "WHERE Data<>:1/2/2020 AND Data_inizio>=:01/01/2007 OR Data_fine<=:02/01/2007"
        << "Query attuale: Data<>1/2/2020 AND Data_inizio>=:01/01/2007 OR Data_fine<=:02/01/2007"
        << QStringList{"1/2/2020", "01/01/2007", "02/01/2007"}
        << QList<QDate>{{2020, 2, 1}, {2007, 1, 1}, {2007, 1, 2}};
    QTest::newRow("the same date twice") << Rows{row("Data di inizio", ">=", "01/01/2007"),
                                                 row("Data di fine", "<", "01/01/2007")}
                                         << "WHERE Data_inizio>=:01/01/2007 AND Data_fine<:01/01/2007"
                                         << "Query attuale: Data di inizio>=01/01/2007 AND Data_fine<:01/01/2007"
                                         << QStringList{"01/01/2007", "01/01/2007"}
                                         << QList<QDate>{{2007, 1, 1}, {2007, 1, 1}};
    // A blank would end the parameter's name in the middle of the value.
    QTest::newRow("date with a time") << Rows{row("Data", "=", "05/03/2021 10:30")} << "WHERE Data=:data_riga1"
                                      << "Query attuale: Data=05/03/2021 10:30" << QStringList{"data_riga1"}
                                      << QList<QDate>{{2021, 3, 5}};
    QTest::newRow("date quoted by the user")
        << Rows{row("Data", "=", "'05/03/2021'")} << "WHERE Data=:05/03/2021"
        << "Query attuale: Data='05/03/2021'" << QStringList{"05/03/2021"} << QList<QDate>{{2021, 3, 5}};
    QTest::newRow("old label of the due date")
        << Rows{row("Data di scadenza", ">", "1/1/2000")} << "WHERE Data_scadenza>:1/1/2000"
        << "Query attuale: Data di scadenza>1/1/2000" << QStringList{"1/1/2000"} << QList<QDate>{{2000, 1, 1}};
}

void TestComplexQuery::dateParameters()
{
    QFETCH(Rows, rows);
    QFETCH(QStringList, names);
    QFETCH(QList<QDate>, dates);
    const ComplexQueryStatement s = ComplexQuery::build(rows, schemaColumns);
    QVERIFY2(s.canRun(), qPrintable(s.error));
    QTEST(s.lines.at(2), "where");
    QTEST(s.status, "status");
    QCOMPARE(s.parameters.size(), names.size());
    for (int i = 0; i < names.size(); ++i) {
        QCOMPARE(s.parameters.at(i).name, names.at(i));
        QCOMPARE(s.parameters.at(i).date, dates.at(i));
    }
}

void TestComplexQuery::refusedRows_data()
{
    QTest::addColumn<Rows>("rows");
    QTest::addColumn<QString>("error");
    const ConditionRow ok = row("Cognome", "=", "Rossi");
    QTest::newRow("operator not in the list")
        << Rows{row("Cognome", "LIKE", "R%")}
        << "Riga 1: l'operatore \"LIKE\" non è valido: usare =, <, >, <=, >= oppure <>.";
    QTest::newRow("operator extended")
        << Rows{row("Cognome", "= 'x' OR 1=1 OR Cognome =", "x")}
        << "Riga 1: l'operatore \"= 'x' OR 1=1 OR Cognome =\" non è valido: usare =, <, >, "
           "<=, >= oppure <>.";
    QTest::newRow("no operator") << Rows{ok, row("Nome", "", "Mario")} << "Riga 2: scegliere l'operatore.";
    QTest::newRow("label naming no field") << Rows{row("Pippo", "=", "1")} << "Riga 1: il campo \"Pippo\" non esiste.";
    QTest::newRow("key column is not a field")
        << Rows{row("IdCommittente", "=", "1")} << "Riga 1: il campo \"IdCommittente\" non esiste.";
    QTest::newRow("label with a statement")
        << Rows{row("Cognome='x' OR 1", "=", "1")} << "Riga 1: il campo \"Cognome='x' OR 1\" non esiste.";
    QTest::newRow("later row without field") << Rows{ok, row("", "=", "x")} << "Riga 2: scegliere il campo.";
    QTest::newRow("empty value") << Rows{ok, ok, row("Nome", "=", "")}
                                 << "Riga 3: inserire un valore per il campo \"Nome\".";
    QTest::newRow("empty value of row 1")
        << Rows{row("Cognome", "=", "")} << "Riga 1: inserire un valore per il campo \"Cognome\".";
    QTest::newRow("impossible date") << Rows{
        ok, row("Data", "<",
                "31/02/2008")} << "Riga 2: \"31/02/2008\" non è una data valida; scrivere la data come gg/mm/aaaa.";
    QTest::newRow("words for a date") << Rows{row("Data di inizio", "=", "oggi")}
                                      << "Riga 1: \"oggi\" non è una data valida; scrivere la data come gg/mm/aaaa.";
    QTest::newRow("date followed by a condition") << Rows{row("Data", "=", "01/01/2007 OR 1=1")}
                                                  << "Riga 1: \"01/01/2007 OR 1=1\" non è una data valida; scrivere "
                                                     "la data come gg/mm/aaaa.";
    QTest::newRow("text for an amount") << Rows{row("Importo", ">", "abc")}
                                        << "Riga 1: \"abc\" non è un importo valido.";
    QTest::newRow("amount past the largest")
        << Rows{row("Importo totale", ">", "99999999999999999999")}
        << "Riga 1: \"99999999999999999999\" supera l'importo massimo di 999.999.999,99.";
    QTest::newRow("amount followed by a condition")
        << Rows{row("Importo", ">", "100 OR 1=1")} << "Riga 1: \"100 OR 1=1\" non è un importo valido.";
    QTest::newRow("connector not in the list")
        << Rows{ok, row("Nome", "=", "x", " XOR ")} << "Riga 2: scegliere il collegamento AND oppure OR.";
    QTest::newRow("connector with a statement")
        << Rows{ok, row("Nome", "=", "x", " OR 1=1 OR ")} << "Riga 2: scegliere il collegamento AND oppure OR.";
    QTest::newRow("empty connector") << Rows{ok, row("Nome", "=", "x", "")}
                                     << "Riga 2: scegliere il collegamento AND oppure OR.";
    QTest::newRow("nul character") << Rows{row("Cognome", "=", QString("a") + QChar(0) + "b")}
                                   << "Riga 1: il valore contiene caratteri non ammessi.";
    QTest::newRow("six rows") << Rows{ok, ok, ok, ok, ok, ok}
                              << "La query complessa ammette al massimo cinque condizioni.";
}

void TestComplexQuery::refusedRows()
{
    QFETCH(Rows, rows);
    const ComplexQueryStatement s = ComplexQuery::build(rows, schemaColumns);
    QVERIFY(!s.canRun());
    QVERIFY(!s.noCondition);
    QTEST(s.error, "error");
    QVERIFY(s.lines.isEmpty());
}

void TestComplexQuery::rowOneWithoutFieldRunsNothing()
{
    for (const Rows &rows : {Rows{}, Rows{row("", "=", "x")}, Rows{row("", "", ""), row("Nome", "=", "x")}}) {
        const ComplexQueryStatement s = ComplexQuery::build(rows, schemaColumns);
        QVERIFY(s.noCondition);
        QVERIFY(s.error.isEmpty());
        QVERIFY(!s.canRun());
        QVERIFY(s.lines.isEmpty());
    }
}

void TestComplexQuery::sameConditionsTwiceGiveTheSameStatement()
{
    // The window keeps the shown values, so a second run starts from them. Digit-text fields
    // are included: their quoted value means the same text.
    Rows rows{row("Cognome", "=", "D'Amico"), row("CAP", "=", "40121"), row("Importo", ">", "100"),
              row("Data", ">", "01/01/2007")};
    const ComplexQueryStatement first = ComplexQuery::build(rows, schemaColumns);
    QVERIFY(first.canRun());
    for (int i = 0; i < rows.size(); ++i)
        rows[i].value = first.shownValues.at(i);
    const ComplexQueryStatement second = ComplexQuery::build(rows, schemaColumns);
    QCOMPARE(second.lines, first.lines);
    QCOMPARE(second.shownValues, first.shownValues);
}

void TestComplexQuery::valueLists()
{
    QCOMPARE(ComplexQuery::valueList({"Roma", "", "Forlì", "Roma", "roma"}),
             (QStringList{"Roma", "Forlì", "roma", "%"}));
    QCOMPARE(ComplexQuery::valueList({}), QStringList{"%"});
    QCOMPARE(ComplexQuery::valueList({"%", "a"}), (QStringList{"%", "a"}));
    QCOMPARE(ComplexQuery::valueListTable("Importo", schemaColumns), QStringLiteral("Pagamenti"));
    QCOMPARE(ComplexQuery::valueListTable("Città", schemaColumns), QStringLiteral("Indirizzo"));
    QCOMPARE(ComplexQuery::valueListTable("Cognome cliente", schemaColumns), QStringLiteral("Progetto"));
    // IdProgetto is in Pagamenti and Progetto: Pagamenti comes first in this search.
    QCOMPARE(ComplexQuery::valueListTable("IdProgetto", schemaColumns), QStringLiteral("Pagamenti"));
    QCOMPARE(ComplexQuery::valueListTable("Pippo", schemaColumns), QString());
    QCOMPARE(ComplexQuery::operators(), (QStringList{"=", "<", ">", "<=", ">=", "<>"}));
    QCOMPARE(ComplexQuery::connectors(), (QStringList{" AND ", " OR "}));
    const QStringList initial = ComplexQuery::initialFieldList();
    QCOMPARE(initial.size(), 31);
    QCOMPARE(initial.at(16), QStringLiteral("Cognome progettista"));
    QCOMPARE(initial.at(25), QStringLiteral("Data di scadenza"));
}

void TestComplexQuery::rowsOnDemoData_data()
{
    QTest::addColumn<Rows>("rows");
    QTest::addColumn<QByteArray>("countSql");
    QTest::addColumn<QVariantList>("binds");
    QTest::newRow("surname") << Rows{row("Cognome", "=", "Rossi")}
                             << QByteArray("SELECT COUNT(*) FROM Committente WHERE Cognome=?") << QVariantList{"Rossi"};
    QTest::newRow("surname with quote") << Rows{row("Cognome", "=", "D'Amico")}
                                        << QByteArray("SELECT COUNT(*) FROM Committente WHERE Cognome=?")
                                        << QVariantList{"D'Amico"};
    QTest::newRow("city with quote, person") << Rows{row("Città", "=", "L'Aquila"), row("Cognome", ">", "M")}
                                             << QByteArray("SELECT COUNT(*) FROM Indirizzo i JOIN Committente c ON "
                                                           "c.IdCommittente=i.IdCommittente WHERE i.\"Città\"=? AND "
                                                           "c.Cognome>?")
                                             << QVariantList{"L'Aquila", "M"};
    QTest::newRow("state or amount") << Rows{row("Stato", "=", "Sospeso"), row("Importo totale", ">", "20000", " OR ")}
                                     << QByteArray("SELECT COUNT(*) FROM Progetto WHERE Stato=? OR Importo_totale>?")
                                     << QVariantList{"Sospeso", 20000};
    QTest::newRow("dates") << Rows{row("Data di inizio", ">=", "01/01/2010"), row("Data di inizio", "<", "1/1/2012")}
                           << QByteArray("SELECT COUNT(*) FROM Progetto WHERE Data_inizio>=? AND Data_inizio<?")
                           << QVariantList{"2010-01-01", "2012-01-01"};
    QTest::newRow("payments of persons by surname")
        << Rows{row("Importo", ">", "500"), row("Cognome", "<", "F")}
        << QByteArray(
               "SELECT COUNT(*) FROM Pagamenti g JOIN Progetto p ON p.IdProgetto=g.IdProgetto JOIN Committente c "
               "ON c.IdCommittente=p.IdCommittente WHERE g.Importo>? AND c.Cognome<?")
        << QVariantList{500, "F"};
    QTest::newRow("five tables")
        << Rows{row("Cognome", ">", "A"), row("Città", ">", "A"), row("E-Mail", ">", "a"),
                row("Stato", "=", "In corso"), row("Data", ">", "01/01/2015")}
        << QByteArray("SELECT COUNT(*) FROM Committente c JOIN Indirizzo i ON i.IdCommittente=c.IdCommittente "
                      "JOIN Recapiti r ON r.IdCommittente=c.IdCommittente JOIN Progetto p ON "
                      "p.IdCommittente=c.IdCommittente JOIN Pagamenti g ON g.IdProgetto=p.IdProgetto WHERE "
                      "c.Cognome>? AND i.\"Città\">? AND r.E_mail>? AND p.Stato=? AND g.Data>?")
        << QVariantList{"A", "A", "a", "In corso", "2015-01-01"};
}

void TestComplexQuery::rowsOnDemoData()
{
    QFETCH(Rows, rows);
    QFETCH(QByteArray, countSql);
    QFETCH(QVariantList, binds);
    Database &db = demo().db();
    const ComplexQueryStatement s = ComplexQuery::build(rows, [&db](const QString &t) { return db.columnNames(t); });
    QVERIFY2(s.canRun(), qPrintable(s.error));
    Query query(&db);
    ComplexQuery::setUp(query, s);
    query.open();

    Statement count(db, countSql);
    for (int i = 0; i < binds.size(); ++i)
        count.bind(i + 1, binds.at(i));
    count.step();
    const qint64 expected = count.columnInt(0);
    QVERIFY2(expected > 0, "the demo data should hold such rows");
    QCOMPARE(qint64(query.recordCount()), expected);
}

QTEST_GUILESS_MAIN(TestComplexQuery)
#include "tst_complexquery.moc"
