// The query object's amounts: the range of amounts a field takes.
#include "data/database.h"
#include "data/query.h"
#include "support/testdatabase.h"

#include <QtTest>

namespace {

const QStringList kProjects = {"SELECT IdProgetto, IdCommittente, Stato, Importo_totale, Importo_pagato, Data_inizio",
                               "FROM Progetto"};

QStringList column(Query &q, const QString &name)
{
    QStringList values;
    const int c = q.fieldIndex(name);
    for (int r = 0; r < q.recordCount(); ++r)
        values << q.text(r, c);
    return values;
}

} // namespace

class TestQueryAmounts : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup() { data_.reset(); }

    void amountsPastTheLargestAreRefused_data();
    void amountsPastTheLargestAreRefused();

private:
    Database &db() { return data_->db(); }
    qint64 count(const char *sql) { return db().scalar(sql).toLongLong(); }
    // The projects, on project 2 (800 in all, 200 paid, "Sospeso").
    void openOnProjectTwo(Query &q)
    {
        q.setSql(kProjects);
        q.open();
        const int row = column(q, "IdProgetto").indexOf("2");
        QVERIFY(row >= 0);
        q.setCurrentRow(row);
    }

    std::unique_ptr<TestDatabase> data_;
};

void TestQueryAmounts::init()
{
    data_ = std::make_unique<TestDatabase>();
    db().exec("INSERT INTO Progetto (IdProgetto, IdCommittente, Stato, Importo_totale, Importo_pagato, Data_inizio) "
              "VALUES (0, 0, 'In corso', 1000, 0, '2007-03-01'), (1, 0, 'Da iniziare', 1500, 1500, '2007-03-02'), "
              "(2, 1, 'Sospeso', 800, 200, '2007-03-03')");
}

void TestQueryAmounts::amountsPastTheLargestAreRefused_data()
{
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<bool>("taken");
    QTest::newRow("largest amount") << QVariant("999999999,99") << true;
    QTest::newRow("largest amount grouped") << QVariant("999.999.999,99") << true;
    QTest::newRow("largest as a number") << QVariant(999999999.99) << true;
    QTest::newRow("one cent more") << QVariant("1000000000") << false;
    QTest::newRow("sixteen nines") << QVariant("9999999999999999") << false;
    QTest::newRow("past 64-bit cents") << QVariant("92233720368547758") << false;
    QTest::newRow("twenty nines") << QVariant("99999999999999999999") << false;
    QTest::newRow("twenty nines negative") << QVariant("-99999999999999999999") << false;
    QTest::newRow("a huge number") << QVariant(1e300) << false;
    QTest::newRow("past the range as an integer") << QVariant(qint64(1) << 62) << false;
}

void TestQueryAmounts::amountsPastTheLargestAreRefused()
{
    QFETCH(QVariant, value);
    QFETCH(bool, taken);
    Query q(&db());
    openOnProjectTwo(q);
    Field total = q.fieldByName("Importo_totale");
    if (taken) {
        total.setValue(value);
        q.post();
        QCOMPARE(db().scalar("SELECT Importo_totale FROM Progetto WHERE IdProgetto=2").toDouble(), 999999999.99);
        QCOMPARE(total.asString(), QStringLiteral("999999999,99"));
        return;
    }
    try {
        total.setValue(value);
        QFAIL("the amount should have been refused");
    } catch (const DbError &error) {
        // The message names the field and the largest amount.
        QVERIFY2(error.text().contains(QStringLiteral("campo Importo_totale"))
                     && error.text().contains(QStringLiteral("999.999.999,99")),
                 qPrintable(error.text()));
    }
    QCOMPARE(total.asString(), QStringLiteral("800"));
    QCOMPARE(count("SELECT Importo_totale FROM Progetto WHERE IdProgetto=2"), 800);
}

QTEST_GUILESS_MAIN(TestQueryAmounts)
#include "tst_queryamounts.moc"
