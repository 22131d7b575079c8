// The query object's amounts and edited rows: the range of amounts a field takes, a failed
// save of a changed row taken back, and where empty cells sort.
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
    void failedSaveOfAnEditedRowThenCancel_data();
    void failedSaveOfAnEditedRowThenCancel();
    void emptyCellsSortFirstAscending();

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

void TestQueryAmounts::failedSaveOfAnEditedRowThenCancel_data()
{
    QTest::addColumn<bool>("commitFails"); // else the after-save hook fails
    QTest::newRow("after-save hook fails") << false;
    QTest::newRow("commit fails") << true;
}

void TestQueryAmounts::failedSaveOfAnEditedRowThenCancel()
{
    // A changed project whose save fails, then cancelled: the row shows what the file holds,
    // neither what was typed nor what the failed save had put in memory.
    QFETCH(bool, commitFails);
    if (commitFails && TestDatabase::onServer())
        QSKIP("The failing COMMIT is simulated by the file's ROLLBACK inside the save; the server's failures "
              "are the after-save hook's case.");
    Query q(&db());
    openOnProjectTwo(q);
    const int row = q.currentRow();
    q.afterPost = [commitFails](Query &query) {
        query.database()->exec("UPDATE Progetto SET Importo_pagato = 0 WHERE IdProgetto = 1");
        if (!commitFails)
            throw DbError("guasto simulato");
        // What a failing COMMIT leaves: the transaction gone, nothing written.
        query.database()->exec("ROLLBACK");
    };
    q.fieldByName("Importo_totale").setValue("950,50");
    q.fieldByName("Stato").setValue("In corso");
    QVERIFY_THROWS_EXCEPTION(DbError, q.post());
    QCOMPARE(q.state(), Query::State::Edit);
    QCOMPARE(q.fieldByName("Importo_totale").asString(), QStringLiteral("950,50"));
    QCOMPARE(count("SELECT Importo_totale FROM Progetto WHERE IdProgetto=2"), 800);
    QCOMPARE(count("SELECT Importo_pagato FROM Progetto WHERE IdProgetto=1"), 1500);

    q.cancel();
    QCOMPARE(q.state(), Query::State::Browse);
    QCOMPARE(q.currentRow(), row);
    QCOMPARE(q.text(row, q.fieldIndex("Importo_totale")), QStringLiteral("800"));
    QCOMPARE(q.text(row, q.fieldIndex("Stato")), QStringLiteral("Sospeso"));
    QCOMPARE(q.fieldByName("Importo_totale").asFloat(), 800.0);
    QCOMPARE(count("SELECT Importo_totale FROM Progetto WHERE IdProgetto=2"), 800);
    QCOMPARE(count("SELECT COUNT(*) FROM Progetto WHERE Stato='Sospeso'"), 1);
}

void TestQueryAmounts::emptyCellsSortFirstAscending()
{
    db().exec("UPDATE Progetto SET Importo_totale = NULL, Data_inizio = NULL WHERE IdProgetto = 1");
    Query q(&db());
    q.setSql(kProjects);
    q.open();
    // Numbers in their order (800 before 1000, unlike text), the empty cell before them.
    q.setSort("Importo_totale ASC");
    QCOMPARE(column(q, "Importo_totale"), QStringList({"", "800", "1000"}));
    q.setSort("Importo_totale DESC");
    QCOMPARE(column(q, "Importo_totale"), QStringList({"1000", "800", ""}));
    q.setSort("Data_inizio ASC");
    QCOMPARE(column(q, "IdProgetto"), QStringList({"1", "0", "2"}));
    q.setSort("Data_inizio DESC");
    QCOMPARE(column(q, "IdProgetto"), QStringList({"2", "0", "1"}));
}

QTEST_GUILESS_MAIN(TestQueryAmounts)
#include "tst_queryamounts.moc"
