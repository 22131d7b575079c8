// A project's paid amount moved by whole cents in one statement: exact at every size, never
// past the largest amount, and never half done.
#include "data/database.h"
#include "data/values.h"
#include "editing/paymenttotals.h"
#include "support/testdatabase.h"

#include <QRandomGenerator>
#include <QtTest>

class TestPaymentTotals : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void totalsStayExact();
    void centsAddUpExactly();
    void totalOfMissingProjectIsRefused();
    void totalsStayInRange();
    void paidAmountThatIsNoNumberIsRefused();

private:
    static void addProject(Database &db, const QString &paid)
    {
        db.exec("INSERT INTO Progetto (IdProgetto, IdCommittente, Importo_totale, Importo_pagato) VALUES (7, 0, 1000, "
                + paid + ")");
    }
    static QVariant paid(Database &db) { return db.scalar("SELECT Importo_pagato FROM Progetto"); }
    static qint64 paidCents(Database &db) { return Values::amountToCents(paid(db).toDouble()); }
};

void TestPaymentTotals::totalsStayExact()
{
    TestDatabase data;
    Database &db = data.db();
    addProject(db, QStringLiteral("0"));
    PaymentTotals::addToProject(db, "7", 30000);
    PaymentTotals::addToProject(db, "7", 70000);
    QCOMPARE(db.scalar("SELECT COUNT(*) FROM Progetto WHERE Importo_pagato = Importo_totale").toInt(), 1);
    PaymentTotals::addToProject(db, "7", -30000);
    QCOMPARE(paid(db).toInt(), 700);
    // The file keeps a whole amount as an integer (the server, as an exact decimal).
    if (!TestDatabase::onServer())
        QCOMPARE(db.scalar("SELECT typeof(Importo_pagato) FROM Progetto").toString(), QStringLiteral("integer"));

    // Cents added and taken away in a random order never drift, and what is stored is the
    // amount's own value, so that it compares equal with the same amount typed in SQL.
    QRandomGenerator random(42);
    qint64 cents = 70000;
    for (int i = 0; i < 500; ++i) {
        const qint64 step = qint64(random.bounded(1, 100000)) * (random.bounded(2) ? 1 : -1);
        PaymentTotals::addToProject(db, "7", step);
        cents += step;
    }
    QCOMPARE(paidCents(db), cents);
    QCOMPARE(paid(db).toDouble(), Values::centsToAmount(cents));
}

void TestPaymentTotals::centsAddUpExactly()
{
    struct Case
    {
        const char *start;
        qint64 cents;
        int times;
        qint64 expected;
    };
    std::vector<Case> cases = {
        {"0", 10, 3, 30},
        {"999999999.98", 1, 1, Values::kMaxAmountCents},
        {"0", Values::kMaxAmountCents, 1, Values::kMaxAmountCents},
        {"999999999.99", -9, 1, Values::kMaxAmountCents - 9},
        {"0", -Values::kMaxAmountCents, 1, -Values::kMaxAmountCents},
        {"NULL", 5, 1, 5},
        {"12.34", 66, 1, 1300},
    };
    for (qint64 c = 1; c <= 9; ++c)
        cases.push_back({"0", c, 10, c * 10});
    TestDatabase data;
    Database &db = data.db();
    int key = 100;
    for (const Case &c : cases) {
        ++key;
        db.exec(QStringLiteral("INSERT INTO Progetto (IdProgetto, Importo_pagato) VALUES (%1, %2)")
                    .arg(key)
                    .arg(QLatin1String(c.start)));
        for (int k = 0; k < c.times; ++k)
            PaymentTotals::addToProject(db, QString::number(key), c.cents);
        const QString project = QStringLiteral(" FROM Progetto WHERE IdProgetto = %1").arg(key);
        const QString shown = QStringLiteral("%1 + %2 x %3").arg(QLatin1String(c.start)).arg(c.cents).arg(c.times);
        QVERIFY2(Values::amountToCents(db.scalar(("SELECT Importo_pagato" + project).toUtf8()).toDouble()) == c.expected,
                 qPrintable(shown));
        // Stored as the value typed in SQL would be: whole amounts as integers, others as the
        // double nearest to their two decimals.
        const QString literal = c.expected % 100 == 0 ? QString::number(c.expected / 100)
                                                      : QString::number(Values::centsToAmount(c.expected), 'f', 2);
        QVERIFY2(db.scalar(("SELECT COUNT(*)" + project + " AND Importo_pagato = " + literal).toUtf8()).toInt() == 1,
                 qPrintable(shown));
    }
}

void TestPaymentTotals::totalOfMissingProjectIsRefused()
{
    TestDatabase data;
    Database &db = data.db();
    addProject(db, QStringLiteral("0"));
    for (const char *key : {"8", "Rossi", ""}) {
        try {
            PaymentTotals::addToProject(db, key, 30000);
            QFAIL("a missing project was not refused");
        } catch (const DbError &error) {
            QVERIFY(error.text().contains(QStringLiteral("\"%1\"").arg(QLatin1String(key))));
        }
    }
    QCOMPARE(db.scalar("SELECT COUNT(*) FROM Progetto").toInt(), 1);
    QCOMPARE(paid(db).toInt(), 0);
}

void TestPaymentTotals::totalsStayInRange()
{
    TestDatabase data;
    Database &db = data.db();
    addProject(db, QStringLiteral("999999999.98"));
    PaymentTotals::addToProject(db, "7", 1);
    QCOMPARE(paid(db).toDouble(), 999999999.99);
    // One cent more would leave the range: refused, nothing changed.
    QVERIFY_THROWS_EXCEPTION(DbError, PaymentTotals::addToProject(db, "7", 1));
    QVERIFY_THROWS_EXCEPTION(DbError, PaymentTotals::addToProject(db, "7", std::numeric_limits<qint64>::max()));
    QCOMPARE(paid(db).toDouble(), 999999999.99);
    PaymentTotals::addToProject(db, "7", -Values::kMaxAmountCents);
    QCOMPARE(paid(db).toInt(), 0);
    QVERIFY_THROWS_EXCEPTION(DbError, PaymentTotals::addToProject(db, "7", -Values::kMaxAmountCents - 1));
    QCOMPARE(paid(db).toInt(), 0);

    // A paid amount that overflowed in an earlier build comes back into range when the
    // payment that made it is deleted.
    db.exec("UPDATE Progetto SET Importo_pagato = 5000000000");
    QVERIFY_THROWS_EXCEPTION(DbError, PaymentTotals::addToProject(db, "7", 500));
    QCOMPARE(paid(db).toLongLong(), 5000000000LL);
    PaymentTotals::addToProject(db, "7", -500000000000);
    QCOMPARE(paid(db).toInt(), 0);
}

void TestPaymentTotals::paidAmountThatIsNoNumberIsRefused()
{
    if (TestDatabase::onServer())
        QSKIP("Only a file can hold a paid amount that is not a number.");
    TestDatabase data;
    Database &db = data.db();
    addProject(db, QStringLiteral("'molto'"));
    QVERIFY_THROWS_EXCEPTION(DbError, PaymentTotals::addToProject(db, "7", 100));
    QCOMPARE(paid(db).toString(), QStringLiteral("molto"));
}

QTEST_GUILESS_MAIN(TestPaymentTotals)
#include "tst_paymenttotals.moc"
