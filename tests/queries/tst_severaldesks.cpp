// Two desks on one office server: each sees the other's work within a moment, keeping its
// row; a row the other desk changed meanwhile is not overwritten; the paid amount follows
// both desks' payments exactly.
#include "core/workspace.h"
#include "data/database.h"
#include "data/dberror.h"
#include "data/query.h"
#include "editing/paymenttotals.h"
#include "queries/changewatcher.h"
#include "support/scripteddialogs.h"
#include "support/testserver.h"

#include <QTemporaryDir>
#include <QtTest>

namespace {

const QStringList kProjects = {"SELECT IdProgetto, Progetto.IdCommittente, Descrizione, Comune, Importo_totale, "
                               "Importo_pagato",
                               "FROM Progetto", "ORDER BY IdProgetto"};

} // namespace

class TestSeveralDesks : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void eachDeskSeesTheOthersWork();
    void desksSavingWithoutPauseAreShown();
    void typingDeskIsToldAndShownAfterwards();
    void anotherDesksEditIsNotOverwritten();
    void paymentsOfTwoDesksAddUp();
    void lostConnectionKeepsTheTypedRow();

private:
    // A desk: its own program folder and connection on the shared database.
    std::unique_ptr<Workspace> desk(QTemporaryDir &folder);

    std::unique_ptr<TestServer> server_;
    QTemporaryDir folderA_, folderB_;
    std::unique_ptr<Workspace> a_, b_;
    ScriptedDialogs dialogs_;
};

std::unique_ptr<Workspace> TestSeveralDesks::desk(QTemporaryDir &folder)
{
    auto workspace = std::make_unique<Workspace>(folder.path());
    workspace->setServer(server_->settings());
    workspace->openConnection();
    return workspace;
}

void TestSeveralDesks::init()
{
    server_ = std::make_unique<TestServer>();
    SKIP_WITHOUT_SERVER(*server_);
    server_->createTables();
    server_->db().execNative("INSERT INTO committente (idcommittente, cognome) VALUES (1, 'Rossi'), (2, 'Verdi')");
    server_->db().execNative("INSERT INTO progetto (idprogetto, idcommittente, descrizione, stato, importo_totale, "
                             "importo_pagato) VALUES (1, 1, 'Villa', 'In corso', 1000, 0), "
                             "(2, 1, 'Garage', 'In corso', 500, 0), (3, 2, 'Tetto', 'In corso', 800, 0)");
    a_ = desk(folderA_);
    b_ = desk(folderB_);
    for (Workspace *w : {a_.get(), b_.get()}) {
        w->query()->setSql(kProjects);
        w->query()->open();
    }
}

void TestSeveralDesks::cleanup()
{
    a_.reset();
    b_.reset();
    server_.reset();
}

void TestSeveralDesks::eachDeskSeesTheOthersWork()
{
    QStringList said;
    ChangeWatcher watcher(*a_, [&said](const QString &text) { said << text; });
    watcher.watch();
    Query *a = a_->query();
    a->setCurrentRow(1); // Garage

    // Desk B saves a change: within a second desk A shows it, on the same row.
    Query *b = b_->query();
    b->setCurrentRow(2);
    b->fieldByName("Descrizione").setValue("Tetto e gronde");
    b->post();
    QTRY_COMPARE_WITH_TIMEOUT(a->text(2, a->fieldIndex("Descrizione")), QStringLiteral("Tetto e gronde"), 1000);
    QCOMPARE(a->fieldByName("Descrizione").asString(), QStringLiteral("Garage"));
    QVERIFY(said.isEmpty());

    // Desk A's own saves are not news to it.
    QSignalSpy reread(a, &Query::resultChanged);
    a->fieldByName("Comune").setValue("Como");
    a->post();
    QTest::qWait(3 * ChangeWatcher::kGatherMs);
    QVERIFY(reread.isEmpty());

    // A deleted row goes; the current row stays.
    b_->connection().exec("DELETE FROM Progetto WHERE IdProgetto = 1");
    QTRY_COMPARE_WITH_TIMEOUT(a->recordCount(), 2, 1000);
    QCOMPARE(a->fieldByName("Descrizione").asString(), QStringLiteral("Garage"));
    QCOMPARE(a->fieldByName("Comune").asString(), QStringLiteral("Como"));
}

void TestSeveralDesks::desksSavingWithoutPauseAreShown()
{
    // Desk B saves every 100 ms, faster than the watcher gathers one save's notices: desk A
    // still shows B's work while B goes on, not only once B stops.
    ChangeWatcher watcher(*a_, [](const QString &) {});
    watcher.watch();
    Query *a = a_->query();
    QElapsedTimer clock;
    clock.start();
    qint64 shownAt = -1;
    for (int save = 1; save <= 15; ++save) {
        b_->connection().exec(
            QStringLiteral("UPDATE Progetto SET Comune = 'Lecco %1' WHERE IdProgetto = 3").arg(save).toUtf8());
        QTest::qWait(100);
        if (shownAt < 0 && a->text(2, a->fieldIndex("Comune")).startsWith(QLatin1String("Lecco")))
            shownAt = clock.elapsed();
    }
    QVERIFY2(shownAt >= 0 && shownAt < 1000, qPrintable(QString::number(shownAt)));
    QTRY_COMPARE_WITH_TIMEOUT(a->text(2, a->fieldIndex("Comune")), QStringLiteral("Lecco 15"), 1000);
}

void TestSeveralDesks::typingDeskIsToldAndShownAfterwards()
{
    QStringList said;
    ChangeWatcher watcher(*a_, [&said](const QString &text) { said << text; });
    watcher.watch();
    a_->query()->fieldByName("Comune").setValue("Lecco");
    b_->connection().exec("UPDATE Progetto SET Descrizione = 'Villa nuova' WHERE IdProgetto = 1");
    QTRY_COMPARE_WITH_TIMEOUT(said.size(), 1, 1000);
    QVERIFY2(said.first().contains(QStringLiteral("altra postazione")), qPrintable(said.first()));
    QCOMPARE(a_->query()->state(), Query::State::Edit);
    QCOMPARE(a_->query()->fieldByName("Comune").asString(), QStringLiteral("Lecco"));

    // Once the row is saved, the other desk's change shows.
    a_->query()->post();
    QTRY_COMPARE_WITH_TIMEOUT(a_->query()->text(0, a_->query()->fieldIndex("Descrizione")),
                              QStringLiteral("Villa nuova"), 1000);
    QCOMPARE(a_->query()->fieldByName("Comune").asString(), QStringLiteral("Lecco"));
}

void TestSeveralDesks::anotherDesksEditIsNotOverwritten()
{
    Query *a = a_->query();
    Query *b = b_->query();
    b->fieldByName("Importo_totale").setValue(1200);
    b->post();
    a->fieldByName("Importo_totale").setValue(1100);
    QVERIFY_THROWS_EXCEPTION(DbError, a->post());
    QCOMPARE(a->state(), Query::State::Edit);
    QCOMPARE(a->fieldByName("Importo_totale").asString(), QStringLiteral("1100"));
    QCOMPARE(server_->db().scalar("SELECT importo_totale FROM progetto WHERE idprogetto = 1").toDouble(), 1200.0);
    a->cancel();
    a->reread();
    a->fieldByName("Importo_totale").setValue(1100);
    a->post();
    QCOMPARE(server_->db().scalar("SELECT importo_totale FROM progetto WHERE idprogetto = 1").toDouble(), 1100.0);
}

void TestSeveralDesks::paymentsOfTwoDesksAddUp()
{
    for (int i = 0; i < 50; ++i) {
        Workspace &w = i % 2 ? *a_ : *b_;
        Transaction tx(w.connection());
        PaymentTotals::addToProject(w.connection(), QStringLiteral("3"), 1001 + i);
        tx.commit();
    }
    // 50 × 10.01 + the sum of 0..49 cents
    QCOMPARE(server_->db().scalar("SELECT importo_pagato::text FROM progetto WHERE idprogetto = 3").toString(),
             QStringLiteral("512.75"));
    // Past the largest amount, nothing is written.
    QVERIFY_THROWS_EXCEPTION(DbError,
                             PaymentTotals::addToProject(a_->connection(), QStringLiteral("3"), 99'999'999'999LL));
    QCOMPARE(server_->db().scalar("SELECT importo_pagato::text FROM progetto WHERE idprogetto = 3").toString(),
             QStringLiteral("512.75"));
}

void TestSeveralDesks::lostConnectionKeepsTheTypedRow()
{
    Query *a = a_->query();
    const QByteArray backend = a_->connection().scalar("SELECT pg_backend_pid()").toByteArray();
    a->fieldByName("Descrizione").setValue("Villa al lago");
    // The server ends desk A's connection while the user types (a restart, an administrator).
    server_->db().execNative("SELECT pg_terminate_backend(" + backend + ")");
    try {
        a->post();
        QFAIL("saved on a lost connection");
    } catch (const DbError &e) {
        QVERIFY2(e.text().contains(QStringLiteral("si è interrotto")), qPrintable(e.text()));
    }
    QCOMPARE(a->state(), Query::State::Edit);
    QCOMPARE(a->fieldByName("Descrizione").asString(), QStringLiteral("Villa al lago"));
    QCOMPARE(server_->db().scalar("SELECT descrizione FROM progetto WHERE idprogetto = 1").toString(),
             QStringLiteral("Villa"));

    // The next action connects again and saves what was typed.
    a->post();
    QCOMPARE(server_->db().scalar("SELECT descrizione FROM progetto WHERE idprogetto = 1").toString(),
             QStringLiteral("Villa al lago"));
    QVERIFY(a_->connection().scalar("SELECT pg_backend_pid()").toByteArray() != backend);
}

QTEST_MAIN(TestSeveralDesks)
#include "tst_severaldesks.moc"
