// The four queries of the query condition dialog: layout by mode, the missing-value
// messages, the statements and status texts, the value lists, and the statements run on a
// demo database.
#include "queries/conditionqueries.h"

#include "data/database.h"
#include "data/query.h"
#include "support/testdatabase.h"

#include <QTest>

Q_DECLARE_METATYPE(ConditionMode)

namespace {

const QString kPersonsJoin = QStringLiteral("WHERE Committente.IdCommittente=Indirizzo.IdCommittente "
                                            "AND Indirizzo.IdCommittente=Recapiti.IdCommittente");

qint64 rawCount(Database &db, const QByteArray &sql, const QStringList &binds)
{
    Statement st(db, sql);
    for (int i = 0; i < binds.size(); ++i)
        st.bind(i + 1, binds.at(i));
    st.step();
    return st.columnInt(0);
}

} // namespace

class TestConditionQueries : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void dialogLayoutByMode_data();
    void dialogLayoutByMode();
    void missingValueIsReported_data();
    void missingValueIsReported();
    void statementAndStatus_data();
    void statementAndStatus();
    void viewSettingsByMode();
    void valueListRemovesRepeatsOnlyForQualificationAndCity_data();
    void valueListRemovesRepeatsOnlyForQualificationAndCity();
    void queriesSelectWhatTheyStateOnDemoData_data();
    void queriesSelectWhatTheyStateOnDemoData();
    void bothNamesSelectOnlyThePersonsWithBoth();

private:
    TestDatabase &demo()
    {
        static TestDatabase db(600, 7);
        return db;
    }
};

void TestConditionQueries::dialogLayoutByMode_data()
{
    QTest::addColumn<ConditionMode>("mode");
    QTest::addColumn<int>("height");
    QTest::addColumn<bool>("nameBoxes");
    QTest::addColumn<QString>("label1");
    QTest::addColumn<QString>("label2");
    QTest::addColumn<int>("buttonTop");
    QTest::newRow("persona") << ConditionMode::NameSurname << 194 << true << "Nome"
                             << "Cognome" << 120;
    QTest::newRow("qualifica") << ConditionMode::Qualification << 146 << false << "Qualifica"
                               << "" << 72;
    QTest::newRow("città") << ConditionMode::City << 146 << false << "Città"
                           << "" << 72;
    QTest::newRow("stato") << ConditionMode::ProjectState << 146 << false << "Stato progetto"
                           << "" << 72;
}

void TestConditionQueries::dialogLayoutByMode()
{
    QFETCH(ConditionMode, mode);
    const ConditionDialogLayout layout = ConditionQueries::layout(mode);
    QTEST(layout.height, "height");
    QTEST(layout.nameBoxes, "nameBoxes");
    QTEST(layout.label1, "label1");
    QTEST(layout.label2, "label2");
    QTEST(layout.buttonTop, "buttonTop");
    QCOMPARE(ConditionQueries::dialogCaption(), QStringLiteral("Condizione query"));
}

void TestConditionQueries::missingValueIsReported_data()
{
    QTest::addColumn<ConditionMode>("mode");
    QTest::addColumn<QString>("firstName");
    QTest::addColumn<QString>("surname");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("message");
    const QString none;
    const QString bothNames = QStringLiteral("Riempire almeno uno dei due campi");
    QTest::newRow("no names") << ConditionMode::NameSurname << ""
                              << ""
                              << "Rossi" << bothNames;
    QTest::newRow("first name only") << ConditionMode::NameSurname << "Mario"
                                     << ""
                                     << "" << none;
    QTest::newRow("surname only") << ConditionMode::NameSurname << ""
                                  << "Rossi"
                                  << "" << none;
    // A blank is a value, used as it is.
    QTest::newRow("blank first name") << ConditionMode::NameSurname << " "
                                      << ""
                                      << "" << none;
    QTest::newRow("no qualification") << ConditionMode::Qualification << "x"
                                      << "y"
                                      << ""
                                      << "Inserire una qualifica";
    QTest::newRow("no city") << ConditionMode::City << ""
                             << ""
                             << ""
                             << "Inserire una città";
    QTest::newRow("no state") << ConditionMode::ProjectState << ""
                              << ""
                              << ""
                              << "Inserire uno stato di progetto";
    QTest::newRow("blank state") << ConditionMode::ProjectState << ""
                                 << ""
                                 << " " << none;
}

void TestConditionQueries::missingValueIsReported()
{
    QFETCH(ConditionMode, mode);
    QFETCH(QString, firstName);
    QFETCH(QString, surname);
    QFETCH(QString, value);
    QTEST(ConditionQueries::checkInput(mode, {firstName, surname, value}), "message");
}

void TestConditionQueries::statementAndStatus_data()
{
    QTest::addColumn<ConditionMode>("mode");
    QTest::addColumn<QString>("firstName");
    QTest::addColumn<QString>("surname");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("where");
    QTest::addColumn<QString>("status");
    QTest::newRow("surname only, status starts the names with a blank")
        << ConditionMode::NameSurname << ""
        << "Rossi"
        << "" << kPersonsJoin + " AND Cognome='Rossi'"
        << "Query attuale: Persone con nome o cognome= Rossi";
    QTest::newRow("first name only, status ends in a blank") << ConditionMode::NameSurname << "Mario"
                                                             << ""
                                                             << "" << kPersonsJoin + " AND Nome='Mario'"
                                                             << "Query attuale: Persone con nome o cognome=Mario ";
    QTest::newRow("both names select the person with both")
        << ConditionMode::NameSurname << "Mario"
        << "Rossi"
        << "" << kPersonsJoin + " AND Nome='Mario' AND Cognome='Rossi'"
        << "Query attuale: Persone con nome o cognome=Mario Rossi";
    QTest::newRow("inner quote doubled, status as typed") << ConditionMode::NameSurname << ""
                                                          << "D'Amico"
                                                          << "" << kPersonsJoin + " AND Cognome='D''Amico'"
                                                          << "Query attuale: Persone con nome o cognome= D'Amico";
    QTest::newRow("every quote doubled") << ConditionMode::NameSurname << "''"
                                         << "'"
                                         << "" << kPersonsJoin + " AND Nome='''''' AND Cognome=''''"
                                         << "Query attuale: Persone con nome o cognome='' '";
    QTest::newRow("qualification") << ConditionMode::Qualification << ""
                                   << ""
                                   << "Ing." << kPersonsJoin + " AND Qualifica='Ing.'"
                                   << "Query attuale: Persone con qualifica=Ing.";
    QTest::newRow("city with accent and quote") << ConditionMode::City << ""
                                                << ""
                                                << "L'Aquila" << kPersonsJoin + " AND Città='L''Aquila'"
                                                << "Query attuale: Persone residenti nella città di L'Aquila";
    QTest::newRow("blank city is a value") << ConditionMode::City << ""
                                           << ""
                                           << " " << kPersonsJoin + " AND Città=' '"
                                           << "Query attuale: Persone residenti nella città di  ";
    QTest::newRow("state") << ConditionMode::ProjectState << ""
                           << ""
                           << "In corso"
                           << "WHERE Committente.IdCommittente=Progetto.IdCommittente AND Stato='In corso'"
                           << "Query attuale: Progetti con stato di progetto=In corso";
}

void TestConditionQueries::statementAndStatus()
{
    QFETCH(ConditionMode, mode);
    QFETCH(QString, firstName);
    QFETCH(QString, surname);
    QFETCH(QString, value);
    const ResultStep d = ConditionQueries::describe(mode, {firstName, surname, value});
    QCOMPARE(d.lines.size(), 3);
    const bool projects = mode == ConditionMode::ProjectState;
    QCOMPARE(d.lines.at(0), projects ? StandardQueries::projectsColumns() : StandardQueries::personsColumns());
    QCOMPARE(d.lines.at(1), projects ? QStringLiteral("FROM Committente, Progetto")
                                     : QStringLiteral("FROM Committente, Indirizzo, Recapiti"));
    QTEST(d.lines.at(2), "where");
    QTEST(d.status, "status");
}

void TestConditionQueries::viewSettingsByMode()
{
    for (const ConditionMode mode : {ConditionMode::NameSurname, ConditionMode::Qualification, ConditionMode::City}) {
        const ResultStep d = ConditionQueries::describe(mode, {"a", "b", "c"});
        QCOMPARE(d.viewKind, 1);
        QVERIFY(d.insertKind == InsertPerson);
        QCOMPARE(d.searchField, QStringLiteral("Cognome"));
        QCOMPARE(d.drillDownCaption, QStringLiteral("Visualizza progetti"));
        QVERIFY(d.addEnabled == false);
        QVERIFY(d.deleteEnabled == true);
    }
    const ResultStep state = ConditionQueries::describe(ConditionMode::ProjectState, {"", "", "Sospeso"});
    QCOMPARE(state.viewKind, 4);
    QVERIFY(!state.insertKind); // leaves InsertKind as it was
    QCOMPARE(state.searchField, QStringLiteral("Cognome cliente"));
    QCOMPARE(state.drillDownCaption, QStringLiteral("Visualizza progetti"));
    QVERIFY(state.addEnabled == false);
    QVERIFY(state.deleteEnabled == true);
}

void TestConditionQueries::valueListRemovesRepeatsOnlyForQualificationAndCity_data()
{
    QTest::addColumn<ConditionMode>("mode");
    QTest::addColumn<QStringList>("texts");
    QTest::addColumn<QStringList>("list");
    const QStringList cities = {"Roma", "Forlì", "Roma", "roma", "", "Roma", "", "Forlì"};
    QTest::newRow("city: first place, case kept apart, one empty entry")
        << ConditionMode::City << cities << QStringList{"Roma", "Forlì", "roma", ""};
    QTest::newRow("qualification") << ConditionMode::Qualification << QStringList{"Ing.", "Arch.", "Ing."}
                                   << QStringList{"Ing.", "Arch."};
    QTest::newRow("state keeps every row")
        << ConditionMode::ProjectState << QStringList{"In corso", "Sospeso", "In corso"}
        << QStringList{"In corso", "Sospeso", "In corso"};
    QTest::newRow("empty table") << ConditionMode::City << QStringList() << QStringList();

    QCOMPARE(ConditionQueries::valueSource(ConditionMode::City).table, QStringLiteral("Indirizzo"));
    QCOMPARE(ConditionQueries::valueSource(ConditionMode::City).column, QStringLiteral("Città"));
    QCOMPARE(ConditionQueries::valueSource(ConditionMode::Qualification).column, QStringLiteral("Qualifica"));
    QCOMPARE(ConditionQueries::valueSource(ConditionMode::ProjectState).table, QStringLiteral("Stato"));
    QCOMPARE(ConditionQueries::valueSource(ConditionMode::ProjectState).column, QStringLiteral("Stato_progetto"));
}

void TestConditionQueries::valueListRemovesRepeatsOnlyForQualificationAndCity()
{
    QFETCH(ConditionMode, mode);
    QFETCH(QStringList, texts);
    QTEST(ConditionQueries::valueList(mode, texts), "list");
}

void TestConditionQueries::queriesSelectWhatTheyStateOnDemoData_data()
{
    QTest::addColumn<ConditionMode>("mode");
    QTest::addColumn<QString>("firstName");
    QTest::addColumn<QString>("surname");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QByteArray>("countSql"); // an independent count, values bound
    QTest::addColumn<QStringList>("binds");
    const QByteArray persons = "SELECT COUNT(*) FROM Committente c JOIN Indirizzo i ON i.IdCommittente=c.IdCommittente "
                               "JOIN Recapiti r ON r.IdCommittente=c.IdCommittente WHERE ";
    QTest::newRow("surname with quote") << ConditionMode::NameSurname << ""
                                        << "D'Amico"
                                        << "" << persons + "c.Cognome=?" << QStringList{"D'Amico"};
    QTest::newRow("first name") << ConditionMode::NameSurname << "Maria"
                                << ""
                                << "" << persons + "c.Nome=?" << QStringList{"Maria"};
    QTest::newRow("qualification") << ConditionMode::Qualification << ""
                                   << ""
                                   << "Arch." << persons + "c.Qualifica=?" << QStringList{"Arch."};
    QTest::newRow("city") << ConditionMode::City << ""
                          << ""
                          << "L'Aquila" << persons + "i.\"Città\"=?" << QStringList{"L'Aquila"};
    QTest::newRow("state") << ConditionMode::ProjectState << ""
                           << ""
                           << "In corso"
                           << QByteArray("SELECT COUNT(*) FROM Progetto p WHERE p.Stato=? AND EXISTS "
                                         "(SELECT 1 FROM Committente c WHERE c.IdCommittente=p.IdCommittente)")
                           << QStringList{"In corso"};
}

void TestConditionQueries::queriesSelectWhatTheyStateOnDemoData()
{
    QFETCH(ConditionMode, mode);
    QFETCH(QString, firstName);
    QFETCH(QString, surname);
    QFETCH(QString, value);
    QFETCH(QByteArray, countSql);
    QFETCH(QStringList, binds);

    Query query(&demo().db());
    query.setSql(ConditionQueries::describe(mode, {firstName, surname, value}).lines);
    query.open();
    const qint64 expected = rawCount(demo().db(), countSql, binds);
    QVERIFY2(expected > 0, "the demo data should hold such rows");
    QCOMPARE(qint64(query.recordCount()), expected);
}

void TestConditionQueries::bothNamesSelectOnlyThePersonsWithBoth()
{
    Statement first(demo().db(), "SELECT Nome, Cognome FROM Committente ORDER BY IdCommittente LIMIT 1");
    QVERIFY(first.step());
    const QString name = QString::fromUtf8(first.columnText(0));
    const QString surname = QString::fromUtf8(first.columnText(1));

    Query query(&demo().db());
    query.setSql(ConditionQueries::describe(ConditionMode::NameSurname, {name, surname, QString()}).lines);
    query.open();
    QVERIFY(query.recordCount() > 0);
    const int nameColumn = query.fieldIndex(QStringLiteral("Nome"));
    const int surnameColumn = query.fieldIndex(QStringLiteral("Cognome"));
    for (int row = 0; row < query.recordCount(); ++row) {
        QCOMPARE(query.text(row, nameColumn).toCaseFolded(), name.toCaseFolded());
        QCOMPARE(query.text(row, surnameColumn).toCaseFolded(), surname.toCaseFolded());
    }
    Query bySurname(&demo().db());
    bySurname.setSql(ConditionQueries::describe(ConditionMode::NameSurname, {QString(), surname, QString()}).lines);
    bySurname.open();
    QVERIFY(bySurname.recordCount() > query.recordCount()); // the first name narrowed the result
}

QTEST_GUILESS_MAIN(TestConditionQueries)
#include "tst_conditionqueries.moc"
