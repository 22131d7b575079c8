#include "queries/standardqueries.h"

#include <QTest>

class TestStandardQueries : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void personsQueriesShareTheirSettings();
    void projectQueriesShareTheirSettings();
    void statesAreQuotedWithDoubleQuotes();
    void initialKindChoosesTheQuery();
    void drillDownStatements_data();
    void drillDownStatements();
};

void TestStandardQueries::personsQueriesShareTheirSettings()
{
    for (const StandardQuery q :
         {StandardQuery::Committente, StandardQuery::ConProgetti, StandardQuery::SenzaProgetti}) {
        const ResultStep d = StandardQueries::describe(q);
        QCOMPARE(d.viewKind, 1);
        QVERIFY(d.insertKind == InsertPerson);
        QCOMPARE(d.searchField, QStringLiteral("Cognome"));
        QCOMPARE(d.drillDownCaption, QStringLiteral("Visualizza progetti"));
        QVERIFY(d.addEnabled == (q == StandardQuery::Committente));
        QVERIFY(d.deleteEnabled == true);
        QVERIFY(d.status.startsWith(QStringLiteral("Query attuale: ")));
        QCOMPARE(d.lines.size(), 3);
    }
}

void TestStandardQueries::projectQueriesShareTheirSettings()
{
    for (const StandardQuery q : {StandardQuery::Progetto, StandardQuery::InCorso, StandardQuery::DaIniziare,
                                  StandardQuery::Sospesi, StandardQuery::NonPagati, StandardQuery::Pagati}) {
        const ResultStep d = StandardQueries::describe(q);
        QCOMPARE(d.viewKind, 2);
        QVERIFY(!d.insertKind);
        QCOMPARE(d.searchField, QStringLiteral("Cognome cliente"));
        QCOMPARE(d.drillDownCaption, QStringLiteral("Visualizza pagamenti"));
        QVERIFY(d.addEnabled == false);
        QVERIFY(d.deleteEnabled == true);
        QCOMPARE(d.lines.at(1), QStringLiteral("FROM Committente, Progetto"));
    }
    QCOMPARE(StandardQueries::describe(StandardQuery::Sospesi).status,
             QStringLiteral("Query attuale: Progetti sospesi"));
}

void TestStandardQueries::statesAreQuotedWithDoubleQuotes()
{
    QCOMPARE(StandardQueries::describe(StandardQuery::InCorso).lines.at(2),
             QStringLiteral("WHERE Committente.IdCommittente=Progetto.IdCommittente AND Stato = \"In corso\""));
    QCOMPARE(StandardQueries::describe(StandardQuery::DaIniziare).lines.at(2),
             QStringLiteral("WHERE Committente.IdCommittente=Progetto.IdCommittente AND Stato = \"Da iniziare\""));
    QCOMPARE(StandardQueries::describe(StandardQuery::Sospesi).lines.at(2),
             QStringLiteral("WHERE Committente.IdCommittente=Progetto.IdCommittente AND Stato = \"Sospeso\""));
}

void TestStandardQueries::initialKindChoosesTheQuery()
{
    using SQ = StandardQuery;
    QCOMPARE(StandardQueries::forInitialKind(0, true), std::optional<SQ>(SQ::Committente));
    QCOMPARE(StandardQueries::forInitialKind(1, true), std::optional<SQ>(SQ::ConProgetti));
    QCOMPARE(StandardQueries::forInitialKind(2, true), std::optional<SQ>(SQ::Progetto));
    QCOMPARE(StandardQueries::forInitialKind(3, true), std::optional<SQ>(SQ::InCorso));
    QCOMPARE(StandardQueries::forInitialKind(4, true), std::optional<SQ>(SQ::Pagati));
    QCOMPARE(StandardQueries::forInitialKind(5, false), std::optional<SQ>(SQ::NonPagati));
    QCOMPARE(StandardQueries::forInitialKind(-1, true), std::optional<SQ>(SQ::Committente));
    QVERIFY(!StandardQueries::forInitialKind(-1, false));
    QVERIFY(!StandardQueries::forInitialKind(6, true));
    QVERIFY(!StandardQueries::forInitialKind(7, true));
    QVERIFY(!StandardQueries::forInitialKind(-2, true));
}

void TestStandardQueries::drillDownStatements_data()
{
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QStringList>("expected");
    const QString projectsSelect = QStringLiteral(
        "SELECT DISTINCT IdProgetto, Progetto.IdCommittente, Cognome_progettista, Nome_progettista, Descrizione, "
        "Comune, Stato, Importo_totale, Importo_pagato, Data_inizio, Data_fine, Data_scadenza, Archivio, Nota");
    QTest::newRow("projects of a person")
        << StandardQueries::projectsOfPerson(42, QStringLiteral("Rossi"))
        << QStringList{projectsSelect, "FROM Committente, Progetto",
                       "WHERE Progetto.IdCommittente=42 AND Cognome_progettista='Rossi'"};
    // A surname with an apostrophe must stay one literal.
    QTest::newRow("surname with a quote")
        << StandardQueries::projectsOfPerson(7, QStringLiteral("D'Amico"))
        << QStringList{projectsSelect, "FROM Committente, Progetto",
                       "WHERE Progetto.IdCommittente=7 AND Cognome_progettista='D''Amico'"};
    QTest::newRow("empty surname") << StandardQueries::projectsOfPerson(0, QString())
                                   << QStringList{projectsSelect, "FROM Committente, Progetto",
                                                  "WHERE Progetto.IdCommittente=0 AND Cognome_progettista=''"};
    QTest::newRow("payments of a project") << StandardQueries::paymentsOfProject(QStringLiteral("12"))
                                           << QStringList{"SELECT IdProgetto, IdFattura, Importo, Data, Fattura",
                                                          "FROM Pagamenti", "WHERE IdProgetto =12"};
    // Reopened after a save: without the invoice key, as the design has it.
    QTest::newRow("payments after a save")
        << StandardQueries::paymentsAfterSave(QStringLiteral("12"))
        << QStringList{"SELECT IdProgetto, Importo, Data, Fattura", "FROM Pagamenti", "WHERE IdProgetto =12"};
}

void TestStandardQueries::drillDownStatements()
{
    QFETCH(QStringList, lines);
    QFETCH(QStringList, expected);
    QCOMPARE(lines, expected);
}

QTEST_MAIN(TestStandardQueries)
#include "tst_standardqueries.moc"
