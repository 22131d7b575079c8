// The quick search: the fields it offers, the filter expression it builds for each kind of
// field, and how the record filter evaluates those expressions on a demo result.
#include "queries/quicksearch.h"

#include "data/database.h"
#include "data/dberror.h"
#include "data/fieldcatalogue.h"
#include "data/query.h"
#include "data/values.h"
#include "queries/standardqueries.h"
#include "support/testdatabase.h"

#include <QTest>

namespace {

// A persons result as the grid shows it: keys hidden, and "Codice fiscale" hidden by the
// user's choice of columns.
QList<SearchColumn> personsColumns()
{
    return {
        {"Committente.IdCommittente", "Committente.IdCommittente", true},
        {"Cognome", "Cognome", false},
        {"Nome", "Nome", false},
        {"Indirizzo.IdCommittente", "Indirizzo.IdCommittente", true},
        {"Città", "Città", false},
        {"Recapiti.IdCommittente", "Recapiti.IdCommittente", true},
        {"Numero_telefono1", "1° Telefono", false},
        {"Codice_fiscale", "Codice fiscale", true},
        {"Note", "Note", false},
    };
}

QList<SearchColumn> projectsColumns()
{
    return {
        {"IdProgetto", "IdProgetto", true},
        {"IdCommittente", "IdCommittente", true},
        {"Cognome_progettista", "Cognome cliente", false},
        {"Descrizione", "Descrizione", false},
        {"Importo_totale", "Importo totale", false},
        {"Importo_pagato", "Importo pagato", false},
        {"Data_inizio", "Data di inizio", false},
        {"Nota", "Nota", false},
    };
}

qint64 rawCount(Database &db, const QByteArray &sql, const QVariantList &binds = {})
{
    Statement st(db, sql);
    for (int i = 0; i < binds.size(); ++i)
        st.bind(i + 1, binds.at(i));
    st.step();
    return st.columnInt(0);
}

} // namespace

class TestQuickSearch : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void comparisonByField_data();
    void comparisonByField();
    void offersNoKeyAndNoHiddenColumn();
    void filterExpression_data();
    void filterExpression();
    void recordFilterIgnoresCase_data();
    void recordFilterIgnoresCase();
    void hiddenColumnFoundByTypedTitle();
    void refusedExpressionLeavesAllRowsShown_data();
    void refusedExpressionLeavesAllRowsShown();
    void emptyTextSwitchesTheFilterOff();
    void paymentAmountWithDecimalComma_data();
    void paymentAmountWithDecimalComma();

private:
    TestDatabase &demo()
    {
        static TestDatabase db(400, 3);
        return db;
    }
    // Opens a standard query with the titles the grid gives its columns.
    void openTitled(Query &query, StandardQuery which)
    {
        query.setSql(StandardQueries::describe(which).lines);
        query.open();
        for (int c = 0; c < query.fieldCount(); ++c)
            query.setFieldDisplayName(c, FieldCatalogue::titleForColumn(query.fieldInfo(c).name));
    }
};

void TestQuickSearch::comparisonByField_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QuickSearch::Comparison>("comparison");
    using C = QuickSearch::Comparison;
    QTest::newRow("Note") << "Note" << C::Contains;
    QTest::newRow("Descrizione") << "Descrizione" << C::Contains;
    QTest::newRow("Nota is the project note, a prefix") << "Nota" << C::Prefix;
    QTest::newRow("note in lower case") << "note" << C::Prefix;
    QTest::newRow("Importo") << "Importo" << C::Numeric;
    QTest::newRow("Fattura") << "Fattura" << C::Numeric;
    QTest::newRow("Importo totale") << "Importo totale" << C::Numeric;
    QTest::newRow("Importo pagato") << "Importo pagato" << C::Numeric;
    QTest::newRow("column name of an amount") << "Importo_totale" << C::Prefix;
    QTest::newRow("Data") << "Data" << C::Prefix;
    QTest::newRow("empty") << "" << C::Prefix;
}

void TestQuickSearch::comparisonByField()
{
    QFETCH(QString, field);
    QTEST(QuickSearch::comparisonFor(field), "comparison");
}

void TestQuickSearch::offersNoKeyAndNoHiddenColumn()
{
    QCOMPARE(QuickSearch::searchableFields(personsColumns()),
             (QStringList{"Cognome", "Nome", "Città", "1° Telefono", "Note"}));
    QCOMPARE(QuickSearch::searchableFields(projectsColumns()),
             (QStringList{"Cognome cliente", "Descrizione", "Importo totale", "Importo pagato", "Data di inizio",
                          "Nota"}));
    // A key column is left out by its name even where the grid would show it.
    QCOMPARE(QuickSearch::searchableFields({{"IdFattura", "IdFattura", false}, {"Importo", "Importo", false}}),
             QStringList{"Importo"});
    QCOMPARE(QuickSearch::searchableFields({}), QStringList());
}

void TestQuickSearch::filterExpression_data()
{
    QTest::addColumn<QList<SearchColumn>>("columns");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expression"); // empty: no filter
    const QList<SearchColumn> persons = personsColumns();
    const QList<SearchColumn> projects = projectsColumns();
    QTest::newRow("prefix with inner quote") << persons << "Cognome"
                                             << "d'a"
                                             << "Cognome LIKE 'd''a*'";
    QTest::newRow("prefix through the title") << projects << "Cognome cliente"
                                              << "Ros"
                                              << "Cognome_progettista LIKE 'Ros*'";
    QTest::newRow("phone title") << persons << "1° Telefono"
                                 << "06"
                                 << "Numero_telefono1 LIKE '06*'";
    QTest::newRow("contains on Note") << persons << "Note"
                                      << "tetto"
                                      << "Note LIKE '*tetto*'";
    QTest::newRow("contains on Descrizione") << projects << "Descrizione"
                                             << "o'a"
                                             << "Descrizione LIKE '*o''a*'";
    QTest::newRow("Nota is a prefix") << projects << "Nota"
                                      << "tetto"
                                      << "Nota LIKE 'tetto*'";
    QTest::newRow("numeric, not quoted") << projects << "Importo totale"
                                         << "1500"
                                         << "Importo_totale=1500";
    QTest::newRow("numeric as typed") << projects << "Importo pagato"
                                      << "abc"
                                      << "Importo_pagato=abc";
    QTest::newRow("hidden column by its title") << persons << "Codice fiscale"
                                                << "RSS"
                                                << "Codice_fiscale LIKE 'RSS*'";
    QTest::newRow("no title matches: the text is the name") << persons << "Pippo"
                                                            << "x"
                                                            << "Pippo LIKE 'x*'";
    QTest::newRow("titles compare exactly") << persons << "cognome"
                                            << "x"
                                            << "cognome LIKE 'x*'";
    QTest::newRow("empty field") << persons << ""
                                 << "x"
                                 << " LIKE 'x*'";
    QTest::newRow("wildcards pass as typed") << persons << "Cognome"
                                             << "*%_"
                                             << "Cognome LIKE '*%_*'";
    QTest::newRow("empty text: no filter") << persons << "Cognome"
                                           << ""
                                           << "";
    // The first column of that title wins, hidden or not.
    QTest::newRow("first of two titles") << QList<SearchColumn>{{"A.X", "Titolo", true}, {"B.X", "Titolo", false}}
                                         << "Titolo"
                                         << "1"
                                         << "A.X LIKE '1*'";
}

void TestQuickSearch::filterExpression()
{
    QFETCH(QList<SearchColumn>, columns);
    QFETCH(QString, field);
    QFETCH(QString, text);
    QFETCH(QString, expression);
    const QuickSearchFilter filter = QuickSearch::filterFor(field, text, columns);
    QCOMPARE(filter.on, !expression.isEmpty());
    QCOMPARE(filter.expression, expression);
    QCOMPARE(filter.status, QStringLiteral("Query attuale: ") + field + QLatin1Char('=') + text);
}

void TestQuickSearch::recordFilterIgnoresCase_data()
{
    QTest::addColumn<int>("which");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QStringList>("texts");   // spellings that must find the same rows
    QTest::addColumn<QByteArray>("countSql"); // the same rows counted by the engine
    QTest::addColumn<QVariantList>("binds");
    const QByteArray persons = "SELECT COUNT(*) FROM Committente c JOIN Indirizzo i ON i.IdCommittente=c.IdCommittente "
                               "JOIN Recapiti r ON r.IdCommittente=c.IdCommittente WHERE ";
    QTest::newRow("surname prefix with quote")
        << int(StandardQuery::Committente) << "Cognome" << QStringList{"d'a", "D'A", "D'a"}
        << persons + "c.Cognome LIKE 'd''a%'" << QVariantList();
    QTest::newRow("accented city") << int(StandardQuery::Committente) << "Città"
                                   << QStringList{"forlì", "FORLÌ", "Forlì"} << persons + "i.\"Città\" = 'Forlì'"
                                   << QVariantList();
    QTest::newRow("contains in Note") << int(StandardQuery::Committente) << "Note"
                                      << QStringList{"BONIFICO", "bonifico", "Bonifico"}
                                      << persons + "lower(c.Note) LIKE '%bonifico%'" << QVariantList();
    QTest::newRow("project surname") << int(StandardQuery::Progetto) << "Cognome cliente"
                                     << QStringList{"ro", "RO", "Ro"}
                                     << QByteArray(
                                            "SELECT COUNT(*) FROM Progetto p WHERE p.Cognome_progettista LIKE "
                                            "'ro%' AND p.IdCommittente IN (SELECT IdCommittente FROM Committente)")
                                     << QVariantList();
    QTest::newRow("project state") << int(StandardQuery::Progetto) << "Stato" << QStringList{"in c", "IN C"}
                                   << QByteArray("SELECT COUNT(*) FROM Progetto WHERE Stato = 'In corso'")
                                   << QVariantList();
}

void TestQuickSearch::recordFilterIgnoresCase()
{
    QFETCH(int, which);
    QFETCH(QString, field);
    QFETCH(QStringList, texts);
    QFETCH(QByteArray, countSql);
    QFETCH(QVariantList, binds);
    Query query(&demo().db());
    openTitled(query, StandardQuery(which));
    const QList<SearchColumn> columns = QuickSearch::columnsOf(query, {});
    const qint64 expected = rawCount(demo().db(), countSql, binds);
    QVERIFY(expected > 0);
    QVERIFY(expected < query.recordCount());
    for (const QString &text : texts) {
        QuickSearch::apply(query, QuickSearch::filterFor(field, text, columns));
        QVERIFY(query.isFiltered());
        QCOMPARE(qint64(query.recordCount()), expected);
        QCOMPARE(query.currentRow(), 0); // the first matching row
    }
}

void TestQuickSearch::hiddenColumnFoundByTypedTitle()
{
    Query query(&demo().db());
    openTitled(query, StandardQuery::Committente);
    QList<bool> hidden;
    for (int c = 0; c < query.fieldCount(); ++c)
        hidden << (FieldCatalogue::isKeyColumn(query.fieldInfo(c).name)
                   || query.fieldInfo(c).displayName == QLatin1String("Codice fiscale"));
    const QList<SearchColumn> columns = QuickSearch::columnsOf(query, hidden);
    QVERIFY(!QuickSearch::searchableFields(columns).contains(QStringLiteral("Codice fiscale")));
    QVERIFY(QuickSearch::searchableFields(columns).contains(QStringLiteral("Cognome")));

    const int codeColumn = query.fieldIndex(QStringLiteral("Codice_fiscale"));
    QString code;
    for (int row = 0; row < query.recordCount() && code.isEmpty(); ++row)
        code = query.text(row, codeColumn);
    QVERIFY(code.size() > 6);
    QuickSearch::apply(query, QuickSearch::filterFor(QStringLiteral("Codice fiscale"), code.left(6).toLower(), columns));
    QVERIFY(query.recordCount() >= 1);
    for (int row = 0; row < query.recordCount(); ++row)
        QVERIFY(query.text(row, codeColumn).startsWith(code.left(6)));
}

void TestQuickSearch::refusedExpressionLeavesAllRowsShown_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("text");
    QTest::newRow("text for an amount") << "Importo totale"
                                        << "abc";
    QTest::newRow("condition after a number") << "Importo totale"
                                              << "1 OR 1=1";
    QTest::newRow("lone quote for an amount") << "Importo pagato"
                                              << "'";
    QTest::newRow("unknown field") << "Pippo"
                                   << "x";
    QTest::newRow("empty field") << ""
                                 << "x";
}

void TestQuickSearch::refusedExpressionLeavesAllRowsShown()
{
    QFETCH(QString, field);
    QFETCH(QString, text);
    Query query(&demo().db());
    openTitled(query, StandardQuery::Progetto);
    const int all = query.recordCount();
    const QList<SearchColumn> columns = QuickSearch::columnsOf(query, {});
    // A filter in force before the refused one is dropped too.
    QuickSearch::apply(query, QuickSearch::filterFor(QStringLiteral("Cognome cliente"), QStringLiteral("R"), columns));
    QVERIFY(query.recordCount() < all);
    try {
        QuickSearch::apply(query, QuickSearch::filterFor(field, text, columns));
        QFAIL("the expression should have been refused");
    } catch (const DbError &error) {
        QVERIFY(!error.text().isEmpty()); // something the window can show
    }
    QVERIFY(!query.isFiltered());
    QCOMPARE(query.recordCount(), all);
}

void TestQuickSearch::emptyTextSwitchesTheFilterOff()
{
    Query query(&demo().db());
    openTitled(query, StandardQuery::Committente);
    const int all = query.recordCount();
    const QList<SearchColumn> columns = QuickSearch::columnsOf(query, {});
    QuickSearch::apply(query, QuickSearch::filterFor(QStringLiteral("Cognome"), QStringLiteral("Ros"), columns));
    QVERIFY(query.recordCount() < all);
    const QuickSearchFilter off = QuickSearch::filterFor(QStringLiteral("Cognome"), QString(), columns);
    QCOMPARE(off.status, QStringLiteral("Query attuale: Cognome="));
    QuickSearch::apply(query, off);
    QVERIFY(!query.isFiltered());
    QCOMPARE(query.recordCount(), all);
}

void TestQuickSearch::paymentAmountWithDecimalComma_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("found");
    QTest::newRow("two decimals") << "1500,50" << 2;
    QTest::newRow("one decimal") << "1500,5" << 2;
    QTest::newRow("cents") << "0,05" << 1;
    QTest::newRow("whole") << "1500" << 1;
    QTest::newRow("no such amount") << "1500,51" << 0;
}

void TestQuickSearch::paymentAmountWithDecimalComma()
{
    QFETCH(QString, text);
    QFETCH(int, found);
    TestDatabase data;
    // The engine keeps 1500,50 as a double, whatever way it was written.
    data.db().exec("INSERT INTO Pagamenti (IdProgetto, Importo, Fattura) VALUES (1, 1500.5, 'A'), (1, 1500.50, 'B'), "
                   "(1, 1500, 'C'), (1, 150050, 'D'), (1, 0.05, 'E'), (2, 15005, 'F')");
    Query query(&data.db());
    query.setSql({"SELECT IdProgetto, IdFattura, Importo, Data, Fattura", "FROM Pagamenti"});
    query.open();
    for (int c = 0; c < query.fieldCount(); ++c)
        query.setFieldDisplayName(c, FieldCatalogue::titleForColumn(query.fieldInfo(c).name));
    const QuickSearchFilter filter = QuickSearch::filterFor(QStringLiteral("Importo"), text,
                                                            QuickSearch::columnsOf(query, {}));
    QuickSearch::apply(query, filter);
    QCOMPARE(query.recordCount(), found);
    const int amount = query.fieldIndex(QStringLiteral("Importo"));
    qint64 cents = 0;
    QVERIFY(Values::parseAmount(text, &cents));
    for (int row = 0; row < query.recordCount(); ++row)
        QCOMPARE(Values::amountToCents(query.value(row, amount).toDouble()), cents);
}

QTEST_GUILESS_MAIN(TestQuickSearch)
#include "tst_quicksearch.moc"
