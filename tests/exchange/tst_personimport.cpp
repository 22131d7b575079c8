// Adding imported persons to an address book that may hold persons already.
#include "exchange/exchangefixture.h"
#include "exchange/personimport.h"
#include "support/testdatabase.h"

#include <QtTest>

using namespace ExchangeFixture;
using Outcome = ImportResult::Outcome;

namespace {

ImportedPerson person(const PersonValues &values, int origin = 1)
{
    ImportedPerson p;
    p.values = values;
    p.origin = origin;
    return p;
}

} // namespace

class TestPersonImport : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void alreadyPresent_data();
    void alreadyPresent();
    void noOneIsPresentInAnEmptyBook();
    void addsAfterTheLargestKey();
    void skippedPersonsAreNotWritten();
    void cancelWritesNothing();
    void codeProblems();
};

void TestPersonImport::alreadyPresent_data()
{
    QTest::addColumn<PersonValues>("incoming");
    QTest::addColumn<bool>("present");
    QTest::newRow("same names") << PersonValues{{"Cognome", "Rossi"}, {"Nome", "Mario"}} << true;
    QTest::newRow("other case, blanks") << PersonValues{{"Cognome", " ROSSI"}, {"Nome", "mario "}} << true;
    QTest::newRow("accented, other case") << PersonValues{{"Cognome", "NICOLÒ"}, {"Nome", "luca"}} << true;
    QTest::newRow("same names, same code")
        << PersonValues{{"Cognome", "Rossi"}, {"Nome", "Mario"}, {"Codice_fiscale", "rssmra85t10a562s"}} << true;
    QTest::newRow("same names, other code")
        << PersonValues{{"Cognome", "Rossi"}, {"Nome", "Mario"}, {"Codice_fiscale", "RSSMRA80A01H501U"}} << false;
    QTest::newRow("same names, code only here, none there")
        << PersonValues{{"Cognome", "Nicolò"}, {"Nome", "Luca"}, {"Codice_fiscale", "RSSMRA80A01H501U"}} << true;
    QTest::newRow("other name") << PersonValues{{"Cognome", "Rossi"}, {"Nome", "Maria"}} << false;
    QTest::newRow("surname only, there with a name") << PersonValues{{"Cognome", "Rossi"}} << false;
    QTest::newRow("surname only, there without") << PersonValues{{"Cognome", "Studio Verdi"}} << true;
    QTest::newRow("no name at all") << PersonValues{{"E_mail", "a@b.it"}} << false;
}

void TestPersonImport::alreadyPresent()
{
    QFETCH(PersonValues, incoming);
    QFETCH(bool, present);
    TestDatabase t;
    addPerson(t.db(), {{"Cognome", "Rossi"}, {"Nome", "Mario"}, {"Codice_fiscale", "RSSMRA85T10A562S"}});
    addPerson(t.db(), {{"Cognome", "Nicolò"}, {"Nome", "Luca"}});
    addPerson(t.db(), {{"Cognome", "Studio Verdi"}, {"E_mail", "a@b.it"}});
    const QList<int> found = PersonImport(t.db()).alreadyPresent({person({{"Cognome", "Altro"}}), person(incoming)});
    QCOMPARE(found, present ? QList<int>{1} : QList<int>{});
}

void TestPersonImport::noOneIsPresentInAnEmptyBook()
{
    TestDatabase t;
    QCOMPARE(PersonImport(t.db()).alreadyPresent({person({{"Cognome", "Rossi"}}), person({{"Nome", "Mario"}})}),
             QList<int>());
}

void TestPersonImport::addsAfterTheLargestKey()
{
    TestDatabase t;
    addPerson(t.db(), {{"Cognome", "Rossi"}});
    // A key taken by an address row alone is not given again.
    t.db().exec("INSERT INTO Indirizzo (IdCommittente, Via) VALUES (7, 'orfano')");
    const ImportResult r = PersonImport(t.db()).run(
        {person({{"Cognome", "Verdi"}, {"Numero_cell1", "333"}}), person({{"Cognome", "Bianchi"}, {"CAP", "00100"}})});
    QCOMPARE(r.outcome, Outcome::Imported);
    QCOMPARE(r.persons, 2);
    QCOMPARE(t.db().scalar("SELECT Cognome FROM Committente WHERE IdCommittente = 8").toString(),
             QStringLiteral("Verdi"));
    QCOMPARE(t.db().scalar("SELECT CAP FROM Indirizzo WHERE IdCommittente = 9").toString(), QStringLiteral("00100"));
    QCOMPARE(t.db().scalar("SELECT Numero_cell1 FROM Recapiti WHERE IdCommittente = 8").toString(),
             QStringLiteral("333"));
    QCOMPARE(personLines(t.db()).size(), 3);
    QVERIFY(t.db().scalar("SELECT Via FROM Indirizzo WHERE IdCommittente = 9").isNull());
}

void TestPersonImport::skippedPersonsAreNotWritten()
{
    TestDatabase t;
    const ImportResult r = PersonImport(t.db()).run({person({{"Cognome", "A"}}), person({{"Cognome", "B"}}),
                                                     person({{"Cognome", "C"}})},
                                                    {1});
    QCOMPARE(r.persons, 2);
    QCOMPARE(count(t.db(), "Committente"), 2);
    QCOMPARE(r.message, QStringLiteral("Sono state importate 2 persone."));
}

void TestPersonImport::cancelWritesNothing()
{
    TestDatabase t;
    addPerson(t.db(), {{"Cognome", "Rossi"}});
    int calls = 0;
    const ImportResult r = PersonImport(t.db()).run({person({{"Cognome", "A"}}), person({{"Cognome", "B"}})}, {},
                                                    [&calls](int done, int total) {
                                                        ++calls;
                                                        return !(done == 2 && total == 2);
                                                    });
    QCOMPARE(r.outcome, Outcome::Cancelled);
    QCOMPARE(calls, 2);
    QCOMPARE(count(t.db(), "Committente"), 1);
    QCOMPARE(count(t.db(), "Indirizzo"), 1);
    QCOMPARE(count(t.db(), "Recapiti"), 1);
}

void TestPersonImport::codeProblems()
{
    QVERIFY(PersonImport::codeProblems(person({{"Cognome", "R"}})).isEmpty());
    QVERIFY(PersonImport::codeProblems(person({{"Codice_fiscale", "RSSMRA85T10A562S"}, {"Partita_iva", "06363391001"}}))
                .isEmpty());
    QCOMPARE(PersonImport::codeProblems(
                 person({{"Codice_fiscale", "RSSMRA85T10A562T"}, {"Partita_iva", "06363391002"}})),
             (QStringList{"codice fiscale RSSMRA85T10A562T: il carattere di controllo non corrisponde",
                          "partita IVA 06363391002: il carattere di controllo non corrisponde"}));
}

QTEST_GUILESS_MAIN(TestPersonImport)
#include "tst_personimport.moc"
