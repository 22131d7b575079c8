// What the shown rows add up to: equal to the engine's SUM over the same rows after new
// rows, changed amounts, deletions and quick-search filters; the typed row counted as typed;
// Italian amounts exact to the cent; the status panel following the result.
#include "data/query.h"
#include "support/testdatabase.h"
#include "views/resulttotals.h"
#include "views/totalspanel.h"

#include <QtTest>

#include <cmath>

namespace {

const QStringList kProjects = {"SELECT IdProgetto, IdCommittente, Descrizione, Comune, Importo_totale, Importo_pagato",
                               "FROM Progetto"};

QString keysShown(Query &q, const QString &keyField)
{
    QStringList keys;
    const int c = q.fieldIndex(keyField);
    for (int r = 0; r < q.recordCount(); ++r)
        if (!q.isNull(r, c))
            keys << q.text(r, c);
    return keys.isEmpty() ? QStringLiteral("NULL") : keys.join(QLatin1Char(','));
}

// The engine's sum of `column` over the rows of `table` whose key is shown, in cents.
qint64 engineCents(Database &db, const QString &table, const QString &column, const QString &keys, const QString &key)
{
    const QVariant sum = db.scalar(
        QStringLiteral("SELECT SUM(%1) FROM %2 WHERE %3 IN (%4)").arg(column, table, key, keys).toUtf8());
    return std::llround(sum.toDouble() * 100);
}

} // namespace

class TestResultTotals : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void storedAmountsInCents_data();
    void storedAmountsInCents();
    void euros_data();
    void euros();
    void lines();
    void projectTotalsEqualTheEngineSumOverTheShownRows();
    void paymentsAndOtherResults();
    void sumsOfAmountsPastTheRangeDoNotWrap();
    void statusPanelFollowsTheResult();

private:
    void compareWithEngine(Query &q, Database &db, ResultTotals &totals);
};

void TestResultTotals::storedAmountsInCents_data()
{
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<qint64>("cents");
    QTest::newRow("whole") << QByteArray("1500") << qint64(150000);
    QTest::newRow("one decimal") << QByteArray("1500.5") << qint64(150050);
    QTest::newRow("two decimals") << QByteArray("1500.05") << qint64(150005);
    QTest::newRow("below one") << QByteArray("0.1") << qint64(10);
    QTest::newRow("no whole part") << QByteArray(".5") << qint64(50);
    QTest::newRow("point last") << QByteArray("7.") << qint64(700);
    QTest::newRow("negative") << QByteArray("-3.25") << qint64(-325);
    QTest::newRow("exponent") << QByteArray("1.5e3") << qint64(150000);
    QTest::newRow("three decimals, as every amount") << QByteArray("0.125") << qint64(13);
    QTest::newRow("large") << QByteArray("123456789012.34") << qint64(12345678901234);
    QTest::newRow("empty") << QByteArray("") << qint64(0);
    QTest::newRow("sign alone") << QByteArray("-") << qint64(0);
    QTest::newRow("text") << QByteArray("mille") << qint64(0);
    QTest::newRow("comma") << QByteArray("10,5") << qint64(0);
}

void TestResultTotals::storedAmountsInCents()
{
    QFETCH(QByteArray, stored);
    QFETCH(qint64, cents);
    QCOMPARE(ResultTotals::centsOf(std::string_view(stored.constData(), size_t(stored.size()))), cents);
}

void TestResultTotals::euros_data()
{
    QTest::addColumn<qint64>("cents");
    QTest::addColumn<QString>("text");
    QTest::newRow("zero") << qint64(0) << QStringLiteral("€ 0,00");
    QTest::newRow("cents") << qint64(5) << QStringLiteral("€ 0,05");
    QTest::newRow("three digits") << qint64(99999) << QStringLiteral("€ 999,99");
    QTest::newRow("four digits") << qint64(100000) << QStringLiteral("€ 1.000,00");
    QTest::newRow("millions") << qint64(123456789) << QStringLiteral("€ 1.234.567,89");
    QTest::newRow("negative") << qint64(-234500) << QStringLiteral("€ -2.345,00");
    QTest::newRow("smallest") << std::numeric_limits<qint64>::min() << QStringLiteral("€ -92.233.720.368.547.758,08");
}

void TestResultTotals::euros()
{
    QFETCH(qint64, cents);
    QFETCH(QString, text);
    QCOMPARE(ResultTotals::euros(cents), text);
}

void TestResultTotals::lines()
{
    ResultTotals::Sums sums;
    QCOMPARE(ResultTotals::text(sums), QString());
    sums.kind = ResultTotals::Kind::Projects;
    sums.totalCents = 1234500;
    sums.paidCents = 1000000;
    QCOMPARE(ResultTotals::text(sums),
             QStringLiteral("Totale: € 12.345,00 — Pagato: € 10.000,00 — Da incassare: € 2.345,00"));
    sums.kind = ResultTotals::Kind::Payments;
    QCOMPARE(ResultTotals::text(sums), QStringLiteral("Totale pagamenti: € 12.345,00"));
}

void TestResultTotals::compareWithEngine(Query &q, Database &db, ResultTotals &totals)
{
    const QString keys = keysShown(q, QStringLiteral("IdProgetto"));
    const ResultTotals::Sums sums = totals.compute();
    QCOMPARE(sums.kind, ResultTotals::Kind::Projects);
    QCOMPARE(sums.totalCents, engineCents(db, "Progetto", "Importo_totale", keys, "IdProgetto"));
    QCOMPARE(sums.paidCents, engineCents(db, "Progetto", "Importo_pagato", keys, "IdProgetto"));
}

void TestResultTotals::projectTotalsEqualTheEngineSumOverTheShownRows()
{
    TestDatabase data(40);
    Database &db = data.db();
    // Cents that a floating sum would lose, and some empty amounts.
    db.exec("UPDATE Progetto SET Importo_totale = Importo_totale + 0.15 WHERE IdProgetto % 3 = 0");
    db.exec("UPDATE Progetto SET Importo_pagato = Importo_pagato + 0.1 WHERE IdProgetto % 4 = 0");
    db.exec("UPDATE Progetto SET Importo_pagato = NULL WHERE IdProgetto % 7 = 0");
    Query q(&db);
    q.setSql(kProjects);
    q.open();
    ResultTotals totals(&q);
    QVERIFY(q.recordCount() > 60);
    compareWithEngine(q, db, totals);

    q.setFilter(QStringLiteral("Importo_totale>2000"));
    q.setFiltered(true);
    QVERIFY(q.recordCount() > 0);
    compareWithEngine(q, db, totals);
    q.setFilter(QStringLiteral("Comune LIKE '*a*'"));
    compareWithEngine(q, db, totals);
    q.setSort(QStringLiteral("Importo_totale DESC"));
    compareWithEngine(q, db, totals);

    // A new row counts as typed before it is saved, and as saved after.
    q.setFiltered(false);
    const ResultTotals::Sums before = totals.compute();
    q.insert();
    q.fieldByName(QStringLiteral("IdProgetto")).setValue(db.nextKey("Progetto", "IdProgetto") + 1);
    q.fieldByName(QStringLiteral("Importo_totale")).setValue(QStringLiteral("1234,56"));
    QCOMPARE(totals.compute().totalCents, before.totalCents + 123456);
    q.post();
    totals.rowChanged(q.currentRow());
    compareWithEngine(q, db, totals);

    // A changed amount: typed, then saved.
    q.setCurrentRow(3);
    const qint64 old = ResultTotals::centsOf(q.storedRows().cell(q.storedRow(3), q.fieldIndex("Importo_totale")));
    const ResultTotals::Sums beforeEdit = totals.compute();
    q.fieldByName(QStringLiteral("Importo_totale")).setValue(QStringLiteral("0,99"));
    totals.rowChanged(3);
    QCOMPARE(totals.compute().totalCents, beforeEdit.totalCents - old + 99);
    q.post();
    totals.rowChanged(3);
    compareWithEngine(q, db, totals);
    q.edit();
    q.fieldByName(QStringLiteral("Importo_pagato")).setValue(7);
    q.cancel();
    totals.rowChanged(3);
    compareWithEngine(q, db, totals);

    // Deleted rows no longer count, under a filter too.
    q.setCurrentRow(0);
    q.deleteRecord();
    compareWithEngine(q, db, totals);
    q.setFilter(QStringLiteral("Importo_totale<3000"));
    q.setFiltered(true);
    q.setCurrentRow(q.recordCount() - 1);
    q.deleteRecord();
    compareWithEngine(q, db, totals);

    // A filter that leaves nothing, then a new result.
    q.setFilter(QStringLiteral("Importo_totale<0"));
    QCOMPARE(q.recordCount(), 0);
    QCOMPARE(totals.compute().totalCents, 0);
    QCOMPARE(totals.compute().paidCents, 0);
    q.setFiltered(false);
    q.open();
    compareWithEngine(q, db, totals);
}

void TestResultTotals::paymentsAndOtherResults()
{
    TestDatabase data(15);
    Database &db = data.db();
    db.exec("UPDATE Pagamenti SET Importo = Importo + 0.01 WHERE IdFattura % 2 = 0");
    Query q(&db);
    q.setSql({"SELECT IdProgetto, IdFattura, Importo, Data, Fattura FROM Pagamenti WHERE IdProgetto < 20"});
    q.open();
    QVERIFY(q.recordCount() > 3);
    ResultTotals totals(&q);
    ResultTotals::Sums sums = totals.compute();
    QCOMPARE(sums.kind, ResultTotals::Kind::Payments);
    QCOMPARE(sums.totalCents, engineCents(db, "Pagamenti", "Importo", keysShown(q, "IdFattura"), "IdFattura"));
    QVERIFY(ResultTotals::text(sums).startsWith(QStringLiteral("Totale pagamenti: € ")));

    q.setSql({"SELECT IdCommittente, Cognome FROM Committente"});
    q.open();
    QCOMPARE(totals.compute().kind, ResultTotals::Kind::None);
    q.close();
    QCOMPARE(totals.compute().kind, ResultTotals::Kind::None);
}

void TestResultTotals::sumsOfAmountsPastTheRangeDoNotWrap()
{
    // A file written by an earlier build holds amounts that overflowed: the sums stop at the
    // limit instead of wrapping round to the other sign.
    if (TestDatabase::onServer())
        QSKIP("The server's amount columns refuse such amounts: only a file can hold them.");
    TestDatabase data;
    Database &db = data.db();
    for (int k = 0; k < 3; ++k)
        db.exec(QStringLiteral("INSERT INTO Progetto (IdProgetto, IdCommittente, Importo_totale, Importo_pagato) "
                               "VALUES (%1, 0, 92233720368547758, -92233720368547758)")
                    .arg(k)
                    .toUtf8());
    db.exec("INSERT INTO Progetto (IdProgetto, IdCommittente, Importo_totale, Importo_pagato) VALUES (3, 0, 1e300, 0)");
    Query q(&db);
    q.setSql(kProjects);
    q.open();
    ResultTotals totals(&q);
    const ResultTotals::Sums sums = totals.compute();
    QCOMPARE(sums.totalCents, std::numeric_limits<qint64>::max());
    QCOMPARE(sums.paidCents, std::numeric_limits<qint64>::min());
    QCOMPARE(sums.owedCents(), std::numeric_limits<qint64>::max());
}

void TestResultTotals::statusPanelFollowsTheResult()
{
    TestDatabase data(10);
    Query q(&data.db());
    TotalsPanel panel(&q);
    QCOMPARE(panel.text(), QString());
    q.setSql(kProjects);
    q.open();
    ResultTotals check(&q);
    QCOMPARE(panel.text(), ResultTotals::text(check.compute()));
    QVERIFY(panel.text().startsWith(QStringLiteral("Totale: € ")));

    // The quick search's filter, a typed amount, a deletion: the panel follows each.
    q.setFilter(QStringLiteral("Importo_totale>1500"));
    q.setFiltered(true);
    QCOMPARE(panel.text(), ResultTotals::text(check.compute()));
    q.fieldByName(QStringLiteral("Importo_pagato")).setValue(QStringLiteral("10000000"));
    check.rowChanged(q.currentRow());
    QCOMPARE(panel.text(), ResultTotals::text(check.compute()));
    QVERIFY(panel.text().contains(QStringLiteral("Da incassare: € -")));
    q.cancel();
    q.deleteRecord();
    QCOMPARE(panel.text(), ResultTotals::text(check.compute()));

    q.setSql({"SELECT IdCommittente, Cognome FROM Committente"});
    q.open();
    QCOMPARE(panel.text(), QString());
}

QTEST_MAIN(TestResultTotals)
#include "tst_resulttotals.moc"
