// Amounts read from text, their range and the sums of their cents; counts as Italians write them.
#include "data/values.h"

#include <QtTest>

#include <limits>

Q_DECLARE_METATYPE(Values::AmountReading)

using Values::AmountReading;

class TestValues : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void amountsAndTheirRange_data();
    void amountsAndTheirRange();
    void centsOfAnyDouble();
    void sumsStopAtTheLimit();
    void countsAreGroupedWithPoints_data();
    void countsAreGroupedWithPoints();
};

void TestValues::amountsAndTheirRange_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<AmountReading>("reading");
    QTest::addColumn<qint64>("cents");
    const qint64 max = std::numeric_limits<qint64>::max();
    const qint64 min = std::numeric_limits<qint64>::min();
    QTest::newRow("largest amount") << "999999999,99" << AmountReading::Amount << qint64(99'999'999'999);
    QTest::newRow("largest amount grouped") << "999.999.999,99" << AmountReading::Amount << qint64(99'999'999'999);
    QTest::newRow("largest negative") << "-999999999,99" << AmountReading::Amount << -qint64(99'999'999'999);
    QTest::newRow("rounds down into range") << "999999999,994" << AmountReading::Amount << qint64(99'999'999'999);
    QTest::newRow("one cent past") << "1000000000" << AmountReading::OutOfRange << qint64(100'000'000'000);
    QTest::newRow("negative past") << "-1000000000" << AmountReading::OutOfRange << -qint64(100'000'000'000);
    QTest::newRow("sixteen nines") << "9999999999999999" << AmountReading::OutOfRange
                                   << qint64(1'000'000'000'000'000'000);
    QTest::newRow("past 64-bit cents") << "92233720368547758" << AmountReading::OutOfRange << max;
    QTest::newRow("twenty nines") << "99999999999999999999" << AmountReading::OutOfRange << max;
    QTest::newRow("twenty nines negative") << "-99999999999999999999" << AmountReading::OutOfRange << min;
    QTest::newRow("exponent past every double") << "1e400" << AmountReading::OutOfRange << max;
    QTest::newRow("exponent in range") << "1.5e3" << AmountReading::Amount << qint64(150000);
    QTest::newRow("cents") << "0,05" << AmountReading::Amount << qint64(5);
    // Read as decimals, not through the nearest double (1.005 is 1.00499999... as a double).
    QTest::newRow("half a cent rounds up") << "1,005" << AmountReading::Amount << qint64(101);
    QTest::newRow("half a cent negative") << "-0,005" << AmountReading::Amount << qint64(-1);
    QTest::newRow("below half a cent") << "2,0049" << AmountReading::Amount << qint64(200);
    QTest::newRow("point only") << "7." << AmountReading::Amount << qint64(700);
    QTest::newRow("no whole part") << ".5" << AmountReading::Amount << qint64(50);
    QTest::newRow("letters") << "12a" << AmountReading::NotAnAmount << qint64(-1);
    QTest::newRow("empty") << "" << AmountReading::NotAnAmount << qint64(-1);
}

void TestValues::amountsAndTheirRange()
{
    QFETCH(QString, text);
    QFETCH(AmountReading, reading);
    QFETCH(qint64, cents);
    qint64 read = -1;
    QCOMPARE(Values::readAmount(text, &read), reading);
    QCOMPARE(read, cents);
    qint64 parsed = -1;
    QCOMPARE(Values::parseAmount(text, &parsed), reading == AmountReading::Amount);
    QCOMPARE(parsed, reading == AmountReading::Amount ? cents : qint64(-1));
    if (reading != AmountReading::NotAnAmount)
        QCOMPARE(Values::isAmountInRange(cents), reading == AmountReading::Amount);
}

void TestValues::centsOfAnyDouble()
{
    QCOMPARE(Values::amountToCents(2975.46), qint64(297546));
    QCOMPARE(Values::amountToCents(-0.05), qint64(-5));
    QCOMPARE(Values::amountToCents(1e17), std::numeric_limits<qint64>::max());
    QCOMPARE(Values::amountToCents(-1e17), std::numeric_limits<qint64>::min());
    QCOMPARE(Values::amountToCents(std::numeric_limits<double>::infinity()), std::numeric_limits<qint64>::max());
    QCOMPARE(Values::amountToCents(std::numeric_limits<double>::quiet_NaN()), qint64(0));
    // The largest amount goes to the engine and back exactly.
    QCOMPARE(Values::storedAmount(Values::kMaxAmountCents).toDouble(), 999999999.99);
    QCOMPARE(Values::amountToCents(Values::storedAmount(Values::kMaxAmountCents).toDouble()), Values::kMaxAmountCents);
}

void TestValues::sumsStopAtTheLimit()
{
    const qint64 max = std::numeric_limits<qint64>::max();
    const qint64 min = std::numeric_limits<qint64>::min();
    QCOMPARE(Values::addCents(40, 2), qint64(42));
    QCOMPARE(Values::addCents(max, 0), max);
    QCOMPARE(Values::addCents(max, 1), max);
    QCOMPARE(Values::addCents(min, -1), min);
    QCOMPARE(Values::addCents(max, min), qint64(-1));
    QCOMPARE(Values::subtractCents(0, min), max);
    QCOMPARE(Values::subtractCents(min, 1), min);
    QCOMPARE(Values::subtractCents(5, 7), qint64(-2));
}

void TestValues::countsAreGroupedWithPoints_data()
{
    QTest::addColumn<qint64>("count");
    QTest::addColumn<QString>("shown");
    QTest::newRow("zero") << qint64(0) << "0";
    QTest::newRow("hundreds") << qint64(999) << "999";
    QTest::newRow("thousand") << qint64(1000) << "1.000";
    QTest::newRow("hundred thousand") << qint64(100000) << "100.000";
    QTest::newRow("rows of a sheet") << qint64(1048575) << "1.048.575";
}

void TestValues::countsAreGroupedWithPoints()
{
    QFETCH(qint64, count);
    QFETCH(QString, shown);
    QCOMPARE(Values::groupedCount(count), shown);
}

QTEST_GUILESS_MAIN(TestValues)
#include "tst_values.moc"
