// Two desks saving into the same projects of the office server at once: the save that the
// server gives up (a deadlock, or a row held by the other desk for longer than the program
// waits) is told in Italian with the advice to try again, leaves nothing of itself behind,
// keeps what the user typed, and succeeds when tried again. Runs on the server only.
#include "core/errorhandler.h"
#include "editingfixture.h"
#include "support/testserver.h"

#include <libpq-fe.h>

class TestSaveConflict : public QObject, public EditingFixture
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void deadlockedMoveIsUndoneAndRetried();
    void heldProjectTimesOutAndIsRetried_data();
    void heldProjectTimesOutAndIsRetried();

private:
    // The other desk: a connection of its own on the same database.
    PgConnection &otherDesk() { return db_->server()->db(); }
    // Every payment and every paid amount, to see that a failed save left them all.
    QString snapshot();
    // Projects whose paid amount is not the sum of their payments.
    qint64 projectsOutOfStep();
    // A project with a payment, its person, and another project.
    void pickProjects(qint64 *person, qint64 *project, qint64 *other);
    // Waits for the other desk's statement sent with PQsendQuery; its error, empty when none.
    QString otherDeskResult();
    static bool asksToRetry(const QString &text)
    {
        return text.contains(QStringLiteral("riprovare"), Qt::CaseInsensitive)
               && text.contains(QStringLiteral("non sono state salvate"));
    }
};

void TestSaveConflict::init()
{
    startFixture();
    if (!TestDatabase::onServer())
        QSKIP("The conflicts between desks happen on the office server only.");
    start(6);
    QCOMPARE(projectsOutOfStep(), 0);
}

void TestSaveConflict::cleanup()
{
    // The other desk ends whatever it left open before the database goes.
    if (db_ && db_->server() && otherDesk().inTransaction())
        otherDesk().execNative("ROLLBACK");
    stopFixture();
}

QString TestSaveConflict::snapshot()
{
    QStringList out;
    for (const QByteArray sql : {QByteArray("SELECT IdFattura, IdProgetto, Importo, Data FROM Pagamenti ORDER BY "
                                            "IdFattura"),
                                 QByteArray("SELECT IdProgetto, Importo_pagato FROM Progetto ORDER BY IdProgetto")}) {
        Statement st(db_->db(), sql);
        while (st.step()) {
            QStringList row;
            for (int c = 0; c < st.columnCount(); ++c)
                row << QString::fromUtf8(st.columnText(c));
            out << row.join(QLatin1Char(':'));
        }
        out << QStringLiteral("|");
    }
    return out.join(QLatin1Char(';'));
}

qint64 TestSaveConflict::projectsOutOfStep()
{
    return scalar(QStringLiteral(
                      "SELECT COUNT(*) FROM Progetto WHERE CAST(ROUND(COALESCE(Importo_pagato, 0) * 100) AS BIGINT) <> "
                      "CAST(ROUND(COALESCE((SELECT SUM(Importo) FROM Pagamenti WHERE Pagamenti.IdProgetto = "
                      "Progetto.IdProgetto), 0) * 100) AS BIGINT)"))
        .toLongLong();
}

void TestSaveConflict::pickProjects(qint64 *person, qint64 *project, qint64 *other)
{
    *project = scalar(QStringLiteral("SELECT MIN(IdProgetto) FROM Pagamenti WHERE Importo > 0")).toLongLong();
    *person = scalar(QStringLiteral("SELECT IdCommittente FROM Progetto WHERE IdProgetto = %1").arg(*project))
                  .toLongLong();
    *other = scalar(QStringLiteral("SELECT MAX(IdProgetto) FROM Progetto WHERE IdProgetto <> %1").arg(*project))
                 .toLongLong();
    QVERIFY(*other != *project && count(QStringLiteral("Pagamenti")) > 0);
}

QString TestSaveConflict::otherDeskResult()
{
    QString error;
    while (PGresult *result = PQgetResult(otherDesk().handle())) {
        if (PQresultStatus(result) != PGRES_COMMAND_OK && PQresultStatus(result) != PGRES_TUPLES_OK)
            error = QString::fromUtf8(PQresultErrorMessage(result));
        PQclear(result);
    }
    return error;
}

void TestSaveConflict::deadlockedMoveIsUndoneAndRetried()
{
    qint64 person = 0, project = 0, other = 0;
    pickProjects(&person, &project, &other);
    openPaymentsOf(person, project);
    const int row = rowOf(QStringLiteral("IdProgetto"), project);
    QVERIFY(row >= 0);
    query()->setCurrentRow(row);
    const qint64 amount = query()->fieldByName(QStringLiteral("Importo")).asCents();
    const qint64 paidBefore = qRound64(paid(project) * 100), otherBefore = qRound64(paid(other) * 100);
    const QString before = snapshot();

    // The other desk moves a payment the other way: it holds the second project's row first,
    // and asks for the first one's once this desk holds it and waits for the second. Each
    // waits for the other: the server ends this desk's transaction (it waited first).
    otherDesk().execNative("BEGIN");
    otherDesk().execNative("UPDATE progetto SET importo_totale = importo_totale WHERE idprogetto = "
                           + QByteArray::number(other));
    const QByteArray crossing
        = "DO $$ BEGIN "
          "FOR i IN 1..2000 LOOP "
          "EXIT WHEN EXISTS (SELECT 1 FROM pg_locks WHERE NOT granted AND pid <> pg_backend_pid()); "
          "PERFORM pg_sleep(0.005); END LOOP; "
          "PERFORM pg_sleep(0.2); "
          "UPDATE progetto SET importo_totale = importo_totale WHERE idprogetto = "
          + QByteArray::number(project) + "; END $$";
    const auto hooks = query()->afterPost;
    query()->afterPost = [&](Query &q) {
        QVERIFY(PQsendQuery(otherDesk().handle(), crossing.constData()) == 1);
        hooks(q);
    };
    // The user moves the payment to the other project and saves it, as the card does.
    query()->fieldByName(QStringLiteral("IdProgetto")).setValue(other);
    QVERIFY(!ErrorHandler::guard([this] { query()->post(); }));
    query()->afterPost = hooks;
    QCOMPARE(otherDeskResult(), QString());
    otherDesk().execNative("COMMIT");

    QCOMPARE(dialogs_->errors.size(), 1);
    QVERIFY2(asksToRetry(dialogs_->errors.last()), qPrintable(dialogs_->errors.last()));
    // The server's own words close the message: it was a deadlock indeed.
    QVERIFY2(dialogs_->errors.last().contains(QStringLiteral("deadlock")), qPrintable(dialogs_->errors.last()));
    QCOMPARE(snapshot(), before);
    QCOMPARE(query()->state(), Query::State::Edit);
    QCOMPARE(query()->fieldByName(QStringLiteral("IdProgetto")).asInteger(), other);
    QCOMPARE(query()->fieldByName(QStringLiteral("Importo")).asCents(), amount);

    // Tried again, the save goes through whole.
    QVERIFY(ErrorHandler::guard([this] { query()->post(); }));
    QCOMPARE(dialogs_->errors.size(), 1);
    QCOMPARE(query()->state(), Query::State::Browse);
    QCOMPARE(qRound64(paid(project) * 100), paidBefore - amount);
    QCOMPARE(qRound64(paid(other) * 100), otherBefore + amount);
    QCOMPARE(projectsOutOfStep(), 0);
}

void TestSaveConflict::heldProjectTimesOutAndIsRetried_data()
{
    // How the other desk holds the project's row: for its own change of the project (the new
    // payment is stored, its total waits), or locked whole (the new payment itself waits).
    QTest::addColumn<QByteArray>("hold");
    QTest::newRow("project being changed") << QByteArray("UPDATE progetto SET importo_totale = importo_totale "
                                                         "WHERE idprogetto = %1");
    QTest::newRow("project locked") << QByteArray("SELECT 1 FROM progetto WHERE idprogetto = %1 FOR UPDATE");
}

void TestSaveConflict::heldProjectTimesOutAndIsRetried()
{
    QFETCH(QByteArray, hold);
    qint64 person = 0, project = 0, other = 0;
    pickProjects(&person, &project, &other);
    openPaymentsOf(person, project);
    const qint64 paidBefore = qRound64(paid(project) * 100);
    const qint64 payments = count(QStringLiteral("Pagamenti"));
    const QString before = snapshot();
    // The program waits some seconds for a row another desk holds; here a fraction of one.
    main()->workspace().connection().exec("SET lock_timeout = '300ms'");

    otherDesk().execNative("BEGIN");
    otherDesk().execNative(hold.replace("%1", QByteArray::number(project)));

    // A new payment typed into the sheet and confirmed with Enter.
    trigger(QStringLiteral("Inserisci"));
    QVERIFY(sheet()->isVisible());
    type(QStringLiteral("Importo"), QStringLiteral("123,45"));
    pressEnterIn(QStringLiteral("Importo"));
    QCOMPARE(dialogs_->errors.size(), 1);
    QVERIFY2(asksToRetry(dialogs_->errors.last()), qPrintable(dialogs_->errors.last()));
    QVERIFY2(dialogs_->errors.last().contains(QStringLiteral("lock timeout")), qPrintable(dialogs_->errors.last()));
    QVERIFY(sheet()->isVisible());
    QCOMPARE(sheetEditor(QStringLiteral("Importo"))->text(), QStringLiteral("123,45"));
    QCOMPARE(query()->state(), Query::State::Insert);
    QVERIFY(query()->fieldByName(QStringLiteral("IdFattura")).isNull());
    otherDesk().execNative("COMMIT");
    QCOMPARE(snapshot(), before);

    // Once the other desk is done, Enter again saves the payment and its total together.
    pressEnterIn(QStringLiteral("Importo"));
    QVERIFY2(!sheet()->isVisible(), qPrintable(dialogs_->errors.join(QLatin1Char('\n'))));
    QCOMPARE(dialogs_->errors.size(), 1);
    QCOMPARE(count(QStringLiteral("Pagamenti")), payments + 1);
    QCOMPARE(qRound64(paid(project) * 100), paidBefore + 12345);
    QCOMPARE(projectsOutOfStep(), 0);
}

QTEST_MAIN(TestSaveConflict)
#include "tst_saveconflict.moc"
