// Translation of the program's statements and the client-side filter expressions.
#include "data/dberror.h"
#include "data/dialect.h"
#include "data/recordfilter.h"
#include "data/values.h"

#include <QtTest>

class TestDialect : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void translate_data();
    void translate();
    void parameterNamesEndAtTheirDelimiters();
    void filterExpressions_data();
    void filterExpressions();
    void badFilterIsRefused();
    void amountsParseToExactCents_data();
    void amountsParseToExactCents();
    void datesReadAsTyped();
};

void TestDialect::translate_data()
{
    QTest::addColumn<QString>("statement");
    QTest::addColumn<QString>("expected");
    QTest::newRow("double-quoted state") << "WHERE Stato = \"In corso\""
                                         << "WHERE Stato = 'In corso'";
    QTest::newRow("apostrophe inside double quotes") << "WHERE Cognome = \"D'Amico\""
                                                     << "WHERE Cognome = 'D''Amico'";
    QTest::newRow("single-quoted stays") << "WHERE Cognome='D''Amico'"
                                         << "WHERE Cognome='D''Amico'";
    QTest::newRow("double quote inside single quotes") << "WHERE Note='il \"tetto\"'"
                                                       << "WHERE Note='il \"tetto\"'";
    QTest::newRow("date parameter") << "WHERE Data_inizio>=:01/01/2007"
                                    << "WHERE Data_inizio>=?";
    QTest::newRow("time inside a literal is no parameter") << "WHERE Nota='ore 10:30'"
                                                           << "WHERE Nota='ore 10:30'";
    QTest::newRow("accented column") << "SELECT Città FROM Indirizzo"
                                     << "SELECT Città FROM Indirizzo";
}

void TestDialect::translate()
{
    QFETCH(QString, statement);
    QFETCH(QString, expected);
    QCOMPARE(QString::fromUtf8(Dialect::translate(statement).sql), expected);
}

void TestDialect::parameterNamesEndAtTheirDelimiters()
{
    const auto t = Dialect::translate(
        QStringLiteral("WHERE (Data<:31/12/2008) AND Data_fine>:01/02/2003,x;Data_scadenza=:05/05/2005\r\nAND "
                       "Data=:01/01/2007 OR Data=:01/01/2007"));
    QCOMPARE(t.parameterNames, QStringList({"31/12/2008", "01/02/2003", "05/05/2005", "01/01/2007", "01/01/2007"}));
    QCOMPARE(QString::fromUtf8(t.sql),
             QStringLiteral("WHERE (Data<?) AND Data_fine>?,x;Data_scadenza=?\r\nAND Data=? OR Data=?"));
}

void TestDialect::filterExpressions_data()
{
    QTest::addColumn<QString>("expression");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("cell");
    QTest::addColumn<bool>("matches");
    const int text = int(Values::Kind::Text), integer = int(Values::Kind::Integer), amount = int(Values::Kind::Amount);
    QTest::newRow("prefix") << "Cognome LIKE 'Ros*'" << text << "Rossi" << true;
    QTest::newRow("prefix ignores case") << "Cognome LIKE 'ros*'" << text << "ROSSINI" << true;
    QTest::newRow("prefix is anchored") << "Cognome LIKE 'oss*'" << text << "Rossi" << false;
    QTest::newRow("contains") << "Note LIKE '*tetto*'" << text << "rifare il Tetto a falde" << true;
    QTest::newRow("contains misses") << "Note LIKE '*tetto*'" << text << "rifare il tet to" << false;
    QTest::newRow("contains at the start") << "Note LIKE '*tetto*'" << text << "TETTO nuovo" << true;
    QTest::newRow("contains at the end") << "Note LIKE '*tetto*'" << text << "il tetto" << true;
    QTest::newRow("contains the whole cell") << "Note LIKE '*tetto*'" << text << "Tetto" << true;
    QTest::newRow("contains, cell too short") << "Note LIKE '*tetto*'" << text << "tett" << false;
    QTest::newRow("contains after a false start") << "Note LIKE '*aab*'" << text << "aaab" << true;
    QTest::newRow("contains, empty cell") << "Note LIKE '*a*'" << text << "" << false;
    QTest::newRow("contains with inner star") << "Note LIKE '*te*to*'" << text << "tempo morto" << true;
    QTest::newRow("quote in value") << "Cognome LIKE 'd''a*'" << text << "D'Amico" << true;
    QTest::newRow("quote needed") << "Cognome LIKE 'd''a*'" << text << "Dante" << false;
    QTest::newRow("accented contains") << "Città LIKE '*forlì*'" << text << "FORLÌ" << true;
    // An ASCII pattern over accented cells, and the two characters that fold to ASCII letters.
    QTest::newRow("ascii prefix, accented cell") << "Cognome LIKE 'maz*'" << text << "Mazzà" << true;
    QTest::newRow("ascii contains, accented cell") << "Cognome LIKE '*col*'" << text << "Nicolò" << true;
    QTest::newRow("ascii misses accented cell") << "Cognome LIKE '*colo*'" << text << "Nicolò" << false;
    QTest::newRow("ascii end, accent after it") << "Città LIKE '*forl'" << text << "Forlì" << false;
    QTest::newRow("long s folds to s") << "Note LIKE '*cas*'" << text
                                       << QString::fromUtf8("ca\xC5\xBF"
                                                            "a")
                                       << true;
    QTest::newRow("Kelvin sign folds to k") << "Note LIKE 'kilo*'" << text
                                            << QString::fromUtf8("\xE2\x84\xAA"
                                                                 "ilo")
                                            << true;
    QTest::newRow("long s is not t") << "Note LIKE '*cat*'" << text
                                     << QString::fromUtf8("ca\xC5\xBF"
                                                          "a")
                                     << false;
    QTest::newRow("numeric equality") << "Importo_totale=1500" << amount << "1500" << true;
    QTest::newRow("numeric equality, real stored") << "Importo_totale=1500" << amount << "1500.0" << true;
    QTest::newRow("numeric not prefix") << "Importo_totale=150" << amount << "1500" << false;
    QTest::newRow("quoted key on integer") << "IdProgetto = '7'" << integer << "7" << true;
    QTest::newRow("quoted key no prefix") << "IdProgetto = '7'" << integer << "77" << false;
    QTest::newRow("text equality ignores case") << "Stato = 'in corso'" << text << "In corso" << true;
}

void TestDialect::filterExpressions()
{
    QFETCH(QString, expression);
    QFETCH(int, kind);
    QFETCH(QString, cell);
    QFETCH(bool, matches);
    const RecordFilter::Matcher matcher(RecordFilter::parse(expression), Values::Kind(kind));
    const QByteArray utf8 = cell.toUtf8();
    QCOMPARE(matcher.matches(std::string_view(utf8.constData(), size_t(utf8.size())), false), matches);
}

void TestDialect::badFilterIsRefused()
{
    // A non-numeric text typed for a numeric field is refused with a message, not matched.
    QVERIFY_THROWS_EXCEPTION(DbError,
                             RecordFilter::Matcher(RecordFilter::parse("Importo_totale=15a"), Values::Kind::Amount));
    QVERIFY_THROWS_EXCEPTION(DbError, RecordFilter::parse("Cognome LIKE 'Ros"));
    QVERIFY_THROWS_EXCEPTION(DbError, RecordFilter::parse("Cognome"));
}

void TestDialect::amountsParseToExactCents_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<qint64>("cents");
    QTest::newRow("whole") << "1500" << qint64(150000);
    QTest::newRow("comma decimals") << "1500,5" << qint64(150050);
    QTest::newRow("grouped") << "1.500,25" << qint64(150025);
    QTest::newRow("dot decimals") << "0.1" << qint64(10);
}

void TestDialect::amountsParseToExactCents()
{
    QFETCH(QString, text);
    QFETCH(qint64, cents);
    qint64 parsed = -1;
    QVERIFY(Values::parseAmount(text, &parsed));
    QCOMPARE(parsed, cents);
}

void TestDialect::datesReadAsTyped()
{
    QCOMPARE(Values::parseDate("01/02/2007"), QDate(2007, 2, 1));
    QCOMPARE(Values::parseDate("1/2/2007 10:30"), QDate(2007, 2, 1));
    QCOMPARE(Values::parseDate("2007-02-01"), QDate(2007, 2, 1));
    QVERIFY(!Values::parseDate("31/02/2007").isValid());
    QVERIFY(!Values::parseDate("0a/02/2007").isValid());
    QCOMPARE(Values::dateShown("2007-02-01"), QStringLiteral("01/02/2007"));
}

QTEST_GUILESS_MAIN(TestDialect)
#include "tst_dialect.moc"
