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

QTEST_GUILESS_MAIN(TestRecordHooks)
#include "tst_recordhooks.moc"
