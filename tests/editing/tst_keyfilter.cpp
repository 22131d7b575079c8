// The per-field key filters of grid, card and input sheet.
#include "data/fieldcatalogue.h"
#include "editing/keyfilter.h"

#include <QtTest>

using namespace KeyFilter;

namespace {

// Feeds a typed text through the filter and returns what the editor would hold; the
// notices shown on the way go to `notices`.
QString typeInto(Place place, const QString &field, const QString &keys, QStringList *notices = nullptr)
{
    Context context;
    QString text;
    for (QChar key : keys) {
        context.textAfter = textWithKey(text, int(text.size()), -1, 0, key);
        const Outcome o = decide(place, field, key, context);
        if (o.pass)
            text += key;
        text += o.typeInstead;
        if (notices && !o.notice.isEmpty())
            *notices << o.notice;
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
    void pasteIntoAnAmount_data();
    void pasteIntoAnAmount();
    void readOnlyTakesNoKey();
};

void TestKeyFilter::typedTextByField_data()
{
    QTest::addColumn<int>("place");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("kept");
    QTest::addColumn<int>("notices"); // keys refused with a word
    const int grid = int(Place::Grid), card = int(Place::Card), sheet = int(Place::Sheet);
    QTest::newRow("grid CAP drops letters") << grid << "CAP"
                                            << "12a"
                                            << "12" << 0;
    QTest::newRow("grid CAP drops blanks") << grid << "CAP"
                                           << "00 184"
                                           << "00184" << 0;
    QTest::newRow("grid fax takes blanks") << grid << "Numero_fax"
                                           << "06 123-45"
                                           << "06 12345" << 0;
    QTest::newRow("grid paid amount is not digits-only") << grid << "Importo_pagato"
                                                         << "1a"
                                                         << "1a" << 0;
    QTest::newRow("card paid amount is digits-only") << card << "Importo_pagato"
                                                     << "1a"
                                                     << "1" << 0;
    QTest::newRow("card total") << card << "Importo_totale"
                                << "15x00"
                                << "1500" << 0;
    QTest::newRow("sheet VAT drops letters") << sheet << "Partita_iva"
                                             << "0123x"
                                             << "0123" << 0;
    QTest::newRow("sheet payment amount with cents") << sheet << "Importo"
                                                     << "2975,46"
                                                     << "2975,46" << 0;
    QTest::newRow("sheet amount refuses a second comma") << sheet << "Importo"
                                                         << "12,3,4"
                                                         << "12,34" << 1;
    QTest::newRow("sheet amount refuses 1,2,3 aloud") << sheet << "Importo"
                                                      << "1,2,3"
                                                      << "1,23" << 1;
    QTest::newRow("sheet amount refuses a third decimal") << sheet << "Importo"
                                                          << "1,999"
                                                          << "1,99" << 1;
    QTest::newRow("sheet amount refuses 2975,467 aloud") << sheet << "Importo"
                                                         << "2975,467"
                                                         << "2975,46" << 1;
    QTest::newRow("sheet amount starting with a comma") << sheet << "Importo"
                                                        << ",5"
                                                        << ",5" << 0;
    QTest::newRow("sheet amount takes a point as the comma") << sheet << "Importo"
                                                             << "2975.46"
                                                             << "2975,46" << 0;
    QTest::newRow("sheet amount starting with a point") << sheet << "Importo"
                                                        << ".5"
                                                        << ",5" << 0;
    QTest::newRow("sheet amount refuses a point after the comma") << sheet << "Importo"
                                                                  << "12,5.0"
                                                                  << "12,50" << 1;
    QTest::newRow("sheet amount refuses a second point") << sheet << "Importo"
                                                         << "1.2.3"
                                                         << "1,23" << 1;
    QTest::newRow("sheet amount refuses a point before three digits") << sheet << "Importo"
                                                                      << "12.345"
                                                                      << "12,34" << 1;
    QTest::newRow("sheet amount refuses a minus") << sheet << "Importo"
                                                  << "-5"
                                                  << "5" << 1;
    QTest::newRow("sheet amount takes nine whole digits") << sheet << "Importo"
                                                          << "999999999,99"
                                                          << "999999999,99" << 0;
    QTest::newRow("sheet amount refuses a tenth whole digit") << sheet << "Importo"
                                                              << "9999999999"
                                                              << "999999999" << 1;
    QTest::newRow("sheet amount refuses twenty nines") << sheet << "Importo"
                                                       << "99999999999999999999"
                                                       << "999999999" << 11;
    QTest::newRow("sheet amount of 17 digits") << sheet << "Importo"
                                               << "92233720368547758"
                                               << "922337203" << 8;
    QTest::newRow("sheet amount leading zeros") << sheet << "Importo"
                                                << "000000000012"
                                                << "000000000012" << 0;
    QTest::newRow("sheet amount drops letters silently") << sheet << "Importo"
                                                         << "12a €"
                                                         << "12" << 0;
    QTest::newRow("whole") << sheet << "Importo"
                           << "1500"
                           << "1500" << 0;
    QTest::newRow("card total with cents") << card << "Importo_totale"
                                           << "99,9x9"
                                           << "99,99" << 0;
    QTest::newRow("card total with a point") << card << "Importo_totale"
                                             << "99.9"
                                             << "99,9" << 0;
    QTest::newRow("card paid amount refuses a tenth digit") << card << "Importo_pagato"
                                                            << "1234567890"
                                                            << "123456789" << 1;
    QTest::newRow("grid total with cents") << grid << "Importo_totale"
                                           << "10,,05"
                                           << "10,05" << 1;
    QTest::newRow("grid total with a point") << grid << "Importo_totale"
                                             << "10.05"
                                             << "10,05" << 0;
    QTest::newRow("grid total refuses a tenth digit") << grid << "Importo_totale"
                                                      << "10000000000"
                                                      << "100000000" << 2;
    QTest::newRow("digit-only text refuses a comma") << sheet << "CAP"
                                                     << "00,184"
                                                     << "00184" << 0;
    QTest::newRow("digit-only text drops a point silently") << sheet << "CAP"
                                                            << "00.184"
                                                            << "00184" << 0;
    QTest::newRow("free text keeps all") << grid << "Cognome"
                                         << "D'Amico"
                                         << "D'Amico" << 0;
    QTest::newRow("free text keeps a point") << sheet << "Note"
                                             << "1.5"
                                             << "1.5" << 0;
    QTest::newRow("grid date takes no letters") << grid << "Data_fine"
                                                << "1a/"
                                                << "" << 0;
}

void TestKeyFilter::typedTextByField()
{
    QFETCH(int, place);
    QFETCH(QString, field);
    QFETCH(QString, typed);
    QFETCH(QString, kept);
    QFETCH(int, notices);
    QStringList shown;
    QCOMPARE(typeInto(Place(place), field, typed, &shown), kept);
    QCOMPARE(shown.size(), notices);
    // Each word names the field.
    for (const QString &notice : std::as_const(shown))
        QVERIFY2(notice.startsWith(FieldCatalogue::titleForColumn(field) + QLatin1Char(':')), qPrintable(notice));
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

void TestKeyFilter::pasteIntoAnAmount_data()
{
    QTest::addColumn<int>("place");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("cursor");
    QTest::addColumn<QString>("pasted");
    QTest::addColumn<QString>("typed"); // what the editor takes; empty when refused with a word
    const int grid = int(Place::Grid), card = int(Place::Card), sheet = int(Place::Sheet);
    QTest::newRow("into an empty amount") << sheet << "Importo"
                                          << "" << 0 << "2975,46"
                                          << "2975,46";
    QTest::newRow("with a point") << sheet << "Importo"
                                  << "" << 0 << "2975.46"
                                  << "2975,46";
    QTest::newRow("copied with its line end") << sheet << "Importo"
                                              << "" << 0 << " 2975,46\n"
                                              << "2975,46";
    QTest::newRow("digits after the comma") << card << "Importo_totale"
                                            << "12," << 3 << "5"
                                            << "5";
    QTest::newRow("onto the grid") << grid << "Importo_totale"
                                   << "" << 0 << "1500"
                                   << "1500";
    QTest::newRow("largest amount") << sheet << "Importo"
                                    << "" << 0 << "999999999,99"
                                    << "999999999,99";
    QTest::newRow("grouped thousands") << sheet << "Importo"
                                       << "" << 0 << "1.500,50"
                                       << "";
    QTest::newRow("third decimal") << sheet << "Importo"
                                   << "" << 0 << "2975,467"
                                   << "";
    QTest::newRow("a second comma") << sheet << "Importo"
                                    << "1,5" << 3 << ",5"
                                    << "";
    QTest::newRow("negative") << sheet << "Importo"
                              << "" << 0 << "-5"
                              << "";
    QTest::newRow("past the largest amount") << sheet << "Importo"
                                             << "" << 0 << "1000000000"
                                             << "";
    QTest::newRow("twenty nines") << sheet << "Importo"
                                  << "" << 0 << "99999999999999999999"
                                  << "";
    QTest::newRow("letters") << card << "Importo_totale"
                             << "" << 0 << "mille"
                             << "";
    QTest::newRow("currency sign") << sheet << "Importo"
                                   << "" << 0 << "€ 5"
                                   << "";
}

void TestKeyFilter::pasteIntoAnAmount()
{
    QFETCH(int, place);
    QFETCH(QString, field);
    QFETCH(QString, text);
    QFETCH(int, cursor);
    QFETCH(QString, pasted);
    QFETCH(QString, typed);
    Context context;
    context.pasted = pasted.trimmed();
    context.textAfter = textWithKey(text, cursor, -1, 0, context.pasted);
    const Outcome o = decide(Place(place), field, QChar(Paste), context);
    QVERIFY(!o.pass); // the filter types it itself, or refuses it
    QCOMPARE(o.typeInstead, typed);
    QCOMPARE(o.notice.isEmpty(), !typed.isEmpty());
    // Paste into a digits-only text stays refused without a word.
    QVERIFY(!decide(Place(place), "CAP", QChar(Paste), context).pass);
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

QTEST_GUILESS_MAIN(TestKeyFilter)
#include "tst_keyfilter.moc"
