// The per-field key filters of grid, card and input sheet, and the exact payment totals.
#include "data/database.h"
#include "data/values.h"
#include "editing/keyfilter.h"
#include "editing/paymenttotals.h"
#include "support/testdatabase.h"

#include <QRandomGenerator>
#include <QtTest>

using namespace KeyFilter;

namespace {

// Feeds a typed text through the filter and returns what the editor would hold.
QString typeInto(Place place, const QString &field, const QString &keys, Context context = {})
{
    QString text;
    for (QChar key : keys) {
        context.textAfter = textWithKey(text, int(text.size()), -1, 0, key);
        if (decide(place, field, key, context).pass)
            text += key;
    }
    return text;
}

} // namespace

class TestKeyFilter : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void typedTextByField_data();
    void typedTextByField();
    void datesInTheGrid();
    void datesOnTheCard();
    void enterSavesOrConfirms();
    void paymentsAreNotChangedInPlace();
    void amountCommaAtCursor();
    void readOnlyTakesNoKey();
    void totalsStayExact();
    void totalOfMissingProjectChangesNothing();
};

void TestKeyFilter::typedTextByField_data()
{
    QTest::addColumn<int>("place");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("kept");
    const int grid = int(Place::Grid), card = int(Place::Card), sheet = int(Place::Sheet);
    QTest::newRow("grid CAP drops letters") << grid << "CAP"
                                            << "12a"
                                            << "12";
    QTest::newRow("grid CAP drops blanks") << grid << "CAP"
                                           << "00 184"
                                           << "00184";
    QTest::newRow("grid fax takes blanks") << grid << "Numero_fax"
                                           << "06 123-45"
                                           << "06 12345";
    QTest::newRow("grid paid amount is not digits-only") << grid << "Importo_pagato"
                                                         << "1a"
                                                         << "1a";
    QTest::newRow("card paid amount is digits-only") << card << "Importo_pagato"
                                                     << "1a"
                                                     << "1";
    QTest::newRow("card total") << card << "Importo_totale"
                                << "15x00"
                                << "1500";
    QTest::newRow("sheet VAT drops letters") << sheet << "Partita_iva"
                                             << "0123x"
                                             << "0123";
    QTest::newRow("sheet payment amount with cents") << sheet << "Importo"
                                                     << "2975,46"
                                                     << "2975,46";
    QTest::newRow("sheet amount refuses a second comma") << sheet << "Importo"
                                                         << "12,3,4"
                                                         << "12,34";
    QTest::newRow("sheet amount refuses a third decimal") << sheet << "Importo"
                                                          << "1,999"
                                                          << "1,99";
    QTest::newRow("sheet amount starting with a comma") << sheet << "Importo"
                                                        << ",5"
                                                        << ",5";
    QTest::newRow("sheet amount refuses a point") << sheet << "Importo"
                                                  << "12.50"
                                                  << "1250";
    QTest::newRow("sheet whole amount") << sheet << "Importo"
                                        << "1500"
                                        << "1500";
    QTest::newRow("card total with cents") << card << "Importo_totale"
                                           << "99,9x9"
                                           << "99,99";
    QTest::newRow("grid total with cents") << grid << "Importo_totale"
                                           << "10,,05"
                                           << "10,05";
    QTest::newRow("digit-only text refuses a comma") << sheet << "CAP"
                                                     << "00,184"
                                                     << "00184";
    QTest::newRow("free text keeps all") << grid << "Cognome"
                                         << "D'Amico"
                                         << "D'Amico";
    QTest::newRow("grid date takes no letters") << grid << "Data_fine"
                                                << "1a/"
                                                << "";
}

void TestKeyFilter::typedTextByField()
{
    QFETCH(int, place);
    QFETCH(QString, field);
    QFETCH(QString, typed);
    QFETCH(QString, kept);
    QCOMPARE(typeInto(Place(place), field, typed), kept);
}

void TestKeyFilter::amountCommaAtCursor()
{
    // A comma typed before the last three digits would leave three decimals.
    Context context;
    context.textAfter = textWithKey("1234", 1, -1, 0, QLatin1Char(','));
    QVERIFY(!decide(Place::Sheet, "Importo", QLatin1Char(','), context).pass);
    context.textAfter = textWithKey("1234", 2, -1, 0, QLatin1Char(','));
    QVERIFY(decide(Place::Sheet, "Importo", QLatin1Char(','), context).pass);
    // Over a selection that holds the comma, a new comma replaces it.
    context.textAfter = textWithKey("12,50", 2, 2, 1, QLatin1Char(','));
    QCOMPARE(context.textAfter, QStringLiteral("12,50"));
    QVERIFY(decide(Place::Card, "Importo_totale", QLatin1Char(','), context).pass);
    // A stored amount shown with its cents takes no further digit at the end.
    context.textAfter = textWithKey("2975,46", 7, -1, 0, QLatin1Char('1'));
    QVERIFY(!decide(Place::Card, "Importo_totale", QLatin1Char('1'), context).pass);
    QVERIFY(decide(Place::Card, "Importo_totale", QChar(Backspace), context).pass);
}

void TestKeyFilter::readOnlyTakesNoKey()
{
    Context context;
    context.readOnly = true;
    context.editing = true;
    for (const Place place : {Place::Grid, Place::Card, Place::Sheet}) {
        for (const char *field : {"Cognome", "CAP", "Data_fine", "Importo_totale"}) {
            for (const QChar key : {QChar(u'a'), QChar(u'1'), QChar(Backspace), QChar(Enter)}) {
                const Outcome o = decide(place, field, key, context);
                QVERIFY(!o.pass && !o.save && !o.clearDate && !o.startEditing && !o.confirmSheet);
            }
        }
    }
}

void TestKeyFilter::datesInTheGrid()
{
    const Outcome back = decide(Place::Grid, "Data_scadenza", QChar(Backspace), {});
    QVERIFY(!back.pass && back.clearDate && back.save);
    const Outcome enter = decide(Place::Grid, "Data_scadenza", QChar(Enter), {});
    QVERIFY(!enter.pass && enter.dateFromPicker && enter.save);
}

void TestKeyFilter::datesOnTheCard()
{
    const Outcome back = decide(Place::Card, "Data_scadenza", QChar(Backspace), {});
    QVERIFY(back.clearDate && back.save);
    QVERIFY(decide(Place::Card, "Data_scadenza", QLatin1Char('x'), {}).pass);
}

void TestKeyFilter::enterSavesOrConfirms()
{
    Context editing;
    editing.editing = true;
    QVERIFY(decide(Place::Grid, "Cognome", QChar(Enter), editing).save);
    QVERIFY(!decide(Place::Grid, "Cognome", QChar(Enter), {}).save);
    // In the grid Enter saves a pending change of a digits-only cell, but is not typed.
    const Outcome cap = decide(Place::Grid, "CAP", QChar(Enter), editing);
    QVERIFY(cap.save && !cap.pass);
    QVERIFY(decide(Place::Card, "Importo_totale", QChar(Enter), editing).save);
    Context inserting;
    inserting.inserting = true;
    QVERIFY(decide(Place::Sheet, "Partita_iva", QChar(Enter), inserting).confirmSheet);
    QVERIFY(!decide(Place::Sheet, "Partita_iva", QChar(Enter), {}).pass);
}

void TestKeyFilter::paymentsAreNotChangedInPlace()
{
    Context payments;
    payments.paymentsResult = true;
    const Outcome amount = decide(Place::Grid, "Importo", QLatin1Char('5'), payments);
    QVERIFY(!amount.pass && amount.paymentsMessage);
    QVERIFY(!decide(Place::Grid, "Data", QLatin1Char('5'), payments).pass);
    const Outcome card = decide(Place::Card, "Fattura", QLatin1Char('A'), payments);
    QVERIFY(!card.pass && !card.paymentsMessage);
    // A new payment is typed in the input sheet.
    QVERIFY(decide(Place::Sheet, "Importo", QLatin1Char('5'), payments).pass);
}

void TestKeyFilter::totalsStayExact()
{
    TestDatabase data;
    Database &db = data.db();
    db.exec("INSERT INTO Progetto (IdProgetto, IdCommittente, Importo_totale, Importo_pagato) VALUES (7, 0, 1000, 0)");
    QVERIFY(PaymentTotals::addToProject(db, "7", 300));
    QVERIFY(PaymentTotals::addToProject(db, "7", 700));
    QCOMPARE(db.scalar("SELECT COUNT(*) FROM Progetto WHERE Importo_pagato = Importo_totale").toInt(), 1);
    QVERIFY(PaymentTotals::addToProject(db, "7", -300));
    QCOMPARE(db.scalar("SELECT Importo_pagato FROM Progetto").toInt(), 700);

    // Cents added and taken away in a random order never drift.
    QRandomGenerator random(42);
    qint64 cents = 70000;
    for (int i = 0; i < 500; ++i) {
        const qint64 step = qint64(random.bounded(1, 100000)) * (random.bounded(2) ? 1 : -1);
        QVERIFY(PaymentTotals::addToProject(db, "7", double(step) / 100.0));
        cents += step;
    }
    QCOMPARE(Values::amountToCents(db.scalar("SELECT Importo_pagato FROM Progetto").toDouble()), cents);
}

void TestKeyFilter::totalOfMissingProjectChangesNothing()
{
    TestDatabase data;
    Database &db = data.db();
    db.exec("INSERT INTO Progetto (IdProgetto, IdCommittente, Importo_totale, Importo_pagato) VALUES (7, 0, 1000, 0)");
    QVERIFY(!PaymentTotals::addToProject(db, "8", 300));
    QVERIFY(!PaymentTotals::addToProject(db, "Rossi", 300));
    QCOMPARE(db.scalar("SELECT COUNT(*) FROM Progetto").toInt(), 1);
    QCOMPARE(db.scalar("SELECT Importo_pagato FROM Progetto").toInt(), 0);
}

QTEST_GUILESS_MAIN(TestKeyFilter)
#include "tst_keyfilter.moc"
