#include "core/workspace.h"
#include "data/database.h"
#include "data/query.h"
#include "editing/recordhooks.h"
#include "queries/querysequence.h"
#include "queries/standardqueries.h"
#include "support/scripteddialogs.h"
#include "support/testdatabase.h"

#include <QTest>

// The steps around every insertion and deletion, run on a workspace without any window:
// a new row's keys by what is being added, and a project's paid amount following its payments.
class TestRecordHooks : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void newRowsGetTheirKeys_data();
    void newRowsGetTheirKeys();
    void paymentsMoveTheirProjectsTotal();
    void editedPaymentsMoveTheTotalsByTheirChange();
    void failedTotalLeavesPaymentsAndTotals_data();
    void failedTotalLeavesPaymentsAndTotals();
    void paymentsWithoutAmountColumnAreRefused();
    void paymentChangedByAnotherDeskIsRefused_data();
    void paymentChangedByAnotherDeskIsRefused();

private:
    struct Fixture
    {
        TestDatabase db{3};
        ScriptedDialogs dialogs;
        Workspace workspace{db.programDir()};
        RecordHooks hooks{workspace};
        Fixture()
        {
            db.useIn(workspace);
            workspace.openConnection();
            workspace.fillFieldCheckLists();
            hooks.install();
        }
        qint64 scalar(const QString &sql) { return db.db().scalar(sql.toUtf8()).toLongLong(); }
        QString text(const QString &sql) { return db.db().scalar(sql.toUtf8()).toString(); }
        // Every payment and every paid amount, to see that a refused change left them all.
        QString snapshot()
        {
            return rows("SELECT IdFattura, IdProgetto, Importo, Data FROM Pagamenti ORDER BY IdFattura")
                   + QLatin1Char('|') + rows("SELECT IdProgetto, Importo_pagato FROM Progetto ORDER BY IdProgetto");
        }
        QString rows(const QByteArray &sql)
        {
            QStringList out;
            Statement st(db.db(), sql);
            while (st.step()) {
                QStringList row;
                for (int c = 0; c < st.columnCount(); ++c)
                    row << QString::fromUtf8(st.columnText(c));
                out << row.join(QLatin1Char(':'));
            }
            return out.join(QLatin1Char(';'));
        }
        qint64 paidCents(qint64 project)
        {
            return scalar(
                QStringLiteral("SELECT ROUND(Importo_pagato * 100) FROM Progetto WHERE IdProgetto=%1").arg(project));
        }
        // The payments of `project` as the drill-down shows them, with one of `amount`.
        Query &openPaymentsWithOne(qint64 project, const QString &amount)
        {
            db.db().exec(QStringLiteral("INSERT INTO Pagamenti (IdProgetto, Importo, Data) VALUES (%1, %2, "
                                        "'2026-01-02')")
                             .arg(project)
                             .arg(amount));
            db.db().exec(QStringLiteral("UPDATE Progetto SET Importo_pagato = Importo_pagato + %2 WHERE "
                                        "IdProgetto = %1")
                             .arg(project)
                             .arg(amount));
            Globals &globals = workspace.globals();
            globals.insertKind = InsertPayment;
            globals.drillDown.projectKey = QString::number(project);
            ResultStep payments;
            payments.lines = StandardQueries::paymentsOfProject(globals.drillDown.projectKey);
            payments.viewKind = ViewPayments;
            QuerySequence::apply(workspace, payments);
            Query &q = *workspace.query();
            q.last();
            return q;
        }
    };
};

void TestRecordHooks::newRowsGetTheirKeys_data()
{
    QTest::addColumn<int>("insertKind");
    QTest::addColumn<QString>("keyField");
    QTest::addColumn<QString>("nextKeySql");
    QTest::newRow("person") << int(InsertPerson) << "Committente.IdCommittente"
                            << "SELECT MAX(IdCommittente) + 1 FROM Committente";
    QTest::newRow("project") << int(InsertProject) << "IdProgetto"
                             << "SELECT MAX(IdProgetto) + 1 FROM Progetto";
}

void TestRecordHooks::newRowsGetTheirKeys()
{
    QFETCH(int, insertKind);
    QFETCH(QString, keyField);
    QFETCH(QString, nextKeySql);
    Fixture f;
    Globals &globals = f.workspace.globals();
    globals.insertKind = InsertKind(insertKind);
    globals.drillDown.personId = 1;
    globals.drillDown.personName = QStringLiteral("Anna");
    globals.drillDown.personSurname = QStringLiteral("Bianchi");
    const QStringList lines = insertKind == InsertPerson
                                  ? StandardQueries::describe(StandardQuery::Committente).lines
                                  : StandardQueries::projectsOfPerson(1, QStringLiteral("Bianchi"));
    QuerySequence::replaceResult(f.workspace, lines);
    Query &q = *f.workspace.query();
    const qint64 expected = f.scalar(nextKeySql);
    q.insert();
    QCOMPARE(q.fieldByName(keyField).asInteger(), expected);
    if (insertKind == InsertPerson) {
        // The three rows of a person share one key.
        QCOMPARE(q.fieldByName(QStringLiteral("Indirizzo.IdCommittente")).asInteger(), expected);
        QCOMPARE(q.fieldByName(QStringLiteral("Recapiti.IdCommittente")).asInteger(), expected);
    } else {
        QCOMPARE(q.fieldByName(QStringLiteral("IdCommittente")).asInteger(), 1);
        QCOMPARE(q.fieldByName(QStringLiteral("Cognome_progettista")).asString(), QStringLiteral("Bianchi"));
        QCOMPARE(q.fieldByName(QStringLiteral("Nome_progettista")).asString(), QStringLiteral("Anna"));
        QCOMPARE(q.fieldByName(QStringLiteral("Importo_pagato")).asString(), QStringLiteral("0"));
    }
    q.cancel();
}

void TestRecordHooks::paymentsMoveTheirProjectsTotal()
{
    Fixture f;
    const qint64 project = f.scalar(QStringLiteral("SELECT MIN(IdProgetto) FROM Progetto"));
    const qint64 paidBefore = f.scalar(
        QStringLiteral("SELECT Importo_pagato * 100 FROM Progetto WHERE IdProgetto=%1").arg(project));
    Globals &globals = f.workspace.globals();
    globals.insertKind = InsertPayment;
    globals.drillDown.projectKey = QString::number(project);
    ResultStep payments;
    payments.lines = StandardQueries::paymentsOfProject(globals.drillDown.projectKey);
    payments.viewKind = ViewPayments;
    QuerySequence::apply(f.workspace, payments);
    QVERIFY(f.hooks.PaymentsResultTest());

    Query &q = *f.workspace.query();
    q.insert();
    q.fieldByName(QStringLiteral("Importo")).setValue(QStringLiteral("123.45"));
    q.fieldByName(QStringLiteral("Data")).setValue(QDate(2026, 1, 2));
    q.post();
    const QString paidSql = QStringLiteral("SELECT Importo_pagato * 100 FROM Progetto WHERE IdProgetto=%1").arg(project);
    QCOMPARE(f.scalar(paidSql), paidBefore + 12345);

    // Deleting it takes the amount back, exactly.
    q.last();
    q.deleteRecord();
    QCOMPARE(f.scalar(paidSql), paidBefore);
    QVERIFY(f.dialogs.messages.isEmpty());
}

void TestRecordHooks::editedPaymentsMoveTheTotalsByTheirChange()
{
    Fixture f;
    const qint64 project = f.scalar(QStringLiteral("SELECT MIN(IdProgetto) FROM Progetto"));
    const qint64 other = f.scalar(QStringLiteral("SELECT MAX(IdProgetto) FROM Progetto"));
    Query &q = f.openPaymentsWithOne(project, QStringLiteral("100.05"));
    const qint64 paidBefore = f.paidCents(project);
    const qint64 otherBefore = f.paidCents(other);

    q.fieldByName(QStringLiteral("Importo")).setValue(QStringLiteral("100,12"));
    q.post();
    QCOMPARE(f.paidCents(project), paidBefore + 7);
    // A change of date alone changes no total.
    q.fieldByName(QStringLiteral("Data")).setValue(QDate(2026, 3, 4));
    q.post();
    QCOMPARE(f.paidCents(project), paidBefore + 7);
    // Moved to another project, the payment takes its amount along.
    q.fieldByName(QStringLiteral("IdProgetto")).setValue(other);
    q.post();
    QCOMPARE(f.paidCents(project), paidBefore - 10005);
    QCOMPARE(f.paidCents(other), otherBefore + 10012);
    QVERIFY(f.dialogs.messages.isEmpty());
}

void TestRecordHooks::failedTotalLeavesPaymentsAndTotals_data()
{
    QTest::addColumn<QString>("change");
    QTest::newRow("new payment") << "new";
    QTest::newRow("edited amount") << "edited";
    QTest::newRow("moved to a missing project") << "moved";
    QTest::newRow("deleted payment") << "deleted";
}

void TestRecordHooks::failedTotalLeavesPaymentsAndTotals()
{
    QFETCH(QString, change);
    Fixture f;
    const qint64 project = f.scalar(QStringLiteral("SELECT MIN(IdProgetto) FROM Progetto"));
    Query &q = f.openPaymentsWithOne(project, QStringLiteral("40"));
    if (change == QLatin1String("moved")) {
        q.fieldByName(QStringLiteral("IdProgetto")).setValue(9999);
    } else {
        // The project goes (another desk deleted it, say): its total cannot follow.
        f.db.db().exec(QStringLiteral("UPDATE Progetto SET IdProgetto = 9999 WHERE IdProgetto = %1").arg(project));
    }
    const QString before = f.snapshot();

    if (change == QLatin1String("new")) {
        q.insert();
        q.fieldByName(QStringLiteral("Importo")).setValue(QStringLiteral("0,01"));
        QVERIFY_THROWS_EXCEPTION(DbError, q.post());
        QCOMPARE(q.state(), Query::State::Insert);
    } else if (change == QLatin1String("edited") || change == QLatin1String("moved")) {
        q.fieldByName(QStringLiteral("Importo")).setValue(QStringLiteral("55"));
        QVERIFY_THROWS_EXCEPTION(DbError, q.post());
        QCOMPARE(q.state(), Query::State::Edit);
    } else {
        const int rows = q.recordCount();
        QVERIFY_THROWS_EXCEPTION(DbError, q.deleteRecord());
        QCOMPARE(q.recordCount(), rows);
    }
    QCOMPARE(f.snapshot(), before);
    // The error says it all; nothing else is shown on the way.
    QVERIFY(f.dialogs.messages.isEmpty());
}

void TestRecordHooks::paymentsWithoutAmountColumnAreRefused()
{
    Fixture f;
    const qint64 project = f.scalar(QStringLiteral("SELECT MIN(IdProgetto) FROM Progetto"));
    f.openPaymentsWithOne(project, QStringLiteral("40"));
    ResultStep payments;
    payments.lines = QStringList{QStringLiteral("SELECT IdProgetto, IdFattura, Data FROM Pagamenti"),
                                 QStringLiteral("WHERE IdProgetto = %1").arg(project)};
    payments.viewKind = ViewPayments;
    QuerySequence::apply(f.workspace, payments);
    Query &q = *f.workspace.query();
    const QString before = f.snapshot();

    q.insert();
    q.fieldByName(QStringLiteral("Data")).setValue(QDate(2026, 5, 6));
    QVERIFY_THROWS_EXCEPTION(DbError, q.post());
    q.cancel();
    q.last();
    QVERIFY_THROWS_EXCEPTION(DbError, q.deleteRecord());
    QCOMPARE(f.snapshot(), before);
    QVERIFY(f.dialogs.messages.isEmpty());
}

void TestRecordHooks::paymentChangedByAnotherDeskIsRefused_data()
{
    QTest::addColumn<QString>("meanwhile"); // what another desk did to the payment shown
    QTest::addColumn<QString>("change");    // what this desk then saves
    QTest::newRow("amount changed, then deleted") << "amount"
                                                  << "delete";
    QTest::newRow("amount changed, then moved") << "amount"
                                                << "move";
    QTest::newRow("moved, then amount changed") << "move"
                                                << "amount";
    QTest::newRow("moved, then deleted") << "move"
                                         << "delete";
    QTest::newRow("amount emptied, then deleted") << "empty"
                                                  << "delete";
}

void TestRecordHooks::paymentChangedByAnotherDeskIsRefused()
{
    // The totals would move by what this desk read, not by what the payment holds: the change
    // is refused as any row changed meanwhile is, and nothing moves.
    QFETCH(QString, meanwhile);
    QFETCH(QString, change);
    Fixture f;
    const qint64 project = f.scalar(QStringLiteral("SELECT MIN(IdProgetto) FROM Progetto"));
    const qint64 other = f.scalar(QStringLiteral("SELECT MAX(IdProgetto) FROM Progetto"));
    Query &q = f.openPaymentsWithOne(project, QStringLiteral("40"));
    const QString payment = q.fieldByName(QStringLiteral("IdFattura")).asString();
    Database &db = f.db.db();
    // The other desk's change, with its totals, as its own save makes it.
    if (meanwhile == QLatin1String("amount")) {
        db.exec(QStringLiteral("UPDATE Pagamenti SET Importo = 45 WHERE IdFattura = %1").arg(payment));
        db.exec(QStringLiteral("UPDATE Progetto SET Importo_pagato = Importo_pagato + 5 WHERE IdProgetto = %1")
                    .arg(project));
    } else if (meanwhile == QLatin1String("empty")) {
        db.exec(QStringLiteral("UPDATE Pagamenti SET Importo = NULL WHERE IdFattura = %1").arg(payment));
        db.exec(QStringLiteral("UPDATE Progetto SET Importo_pagato = Importo_pagato - 40 WHERE IdProgetto = %1")
                    .arg(project));
    } else {
        db.exec(QStringLiteral("UPDATE Pagamenti SET IdProgetto = %1 WHERE IdFattura = %2").arg(other).arg(payment));
        db.exec(QStringLiteral("UPDATE Progetto SET Importo_pagato = Importo_pagato - 40 WHERE IdProgetto = %1")
                    .arg(project));
        db.exec(
            QStringLiteral("UPDATE Progetto SET Importo_pagato = Importo_pagato + 40 WHERE IdProgetto = %1").arg(other));
    }
    const QString before = f.snapshot();
    const int rows = q.recordCount();
    try {
        if (change == QLatin1String("delete")) {
            q.deleteRecord();
        } else {
            if (change == QLatin1String("move"))
                q.fieldByName(QStringLiteral("IdProgetto")).setValue(other);
            else
                q.fieldByName(QStringLiteral("Importo")).setValue(QStringLiteral("50"));
            q.post();
        }
        QFAIL("a payment changed by another desk was saved over");
    } catch (const DbError &error) {
        QVERIFY2(error.text().contains(QStringLiteral("un'altra postazione")), qPrintable(error.text()));
    }
    QCOMPARE(q.recordCount(), rows);
    QCOMPARE(f.snapshot(), before);
    QVERIFY(f.dialogs.messages.isEmpty());
}

QTEST_GUILESS_MAIN(TestRecordHooks)
#include "tst_recordhooks.moc"
