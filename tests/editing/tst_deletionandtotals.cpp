#include "editing/editingfixture.h"

#include <QRandomGenerator>

// "Elimina", the grid's own deletion, and the paid amount of a project kept in step with
// the payments added and deleted through the program.
class TestDeletionAndTotals : public QObject, public EditingFixture
{
    Q_OBJECT

private Q_SLOTS:
    void init() { startFixture(); }
    void cleanup() { stopFixture(); }

    void addingAndDeletingPayments();
    void cancelDeletesNothing();
    void gridDeletionAsksItsOwnQuestion();
    void deletingAPersonLeavesItsProjects();
    void deletingAProjectLeavesItsPayments();
    void savingAProjectLeavesItsTotal();
    void randomSequenceKeepsTotalsExact();
    void totalWithoutProjectRefusesThePayment();
    void failedTotalUpdateTakesThePaymentBack();
};

void TestDeletionAndTotals::addingAndDeletingPayments()
{
    start(0);
    const qint64 person = addPerson("Rinaldi");
    const qint64 project = addProject(person, "Rinaldi", 1000, 0);
    const qint64 other = addProject(person, "Rinaldi", 800, 100);
    openPaymentsOf(person, project);

    addPaymentThroughSheet(300);
    QCOMPARE(paid(project), 300.0);
    addPaymentThroughSheet(700);
    QCOMPARE(paid(project), 1000.0);
    QCOMPARE(query()->recordCount(), 2);

    deletePaymentOf(300);
    QCOMPARE(dialogs_->questions.last(), QStringLiteral("Vuoi cancellare il record selezionato?"));
    QCOMPARE(paid(project), 700.0);
    QCOMPARE(count("Pagamenti"), 1);
    QCOMPARE(query()->recordCount(), 1);
    QCOMPARE(paid(other), 100.0);
    QVERIFY(dialogs_->errors.isEmpty());
    QVERIFY(dialogs_->messages.isEmpty());
}

void TestDeletionAndTotals::cancelDeletesNothing()
{
    start(0);
    const qint64 person = addPerson("Serra");
    const qint64 project = addProject(person, "Serra", 1000, 0);
    openPaymentsOf(person, project);
    addPaymentThroughSheet(400);

    dialogs_->answerNext(false);
    trigger("Elimina");
    QCOMPARE(dialogs_->questions.last(), QStringLiteral("Vuoi cancellare il record selezionato?"));
    QCOMPARE(count("Pagamenti"), 1);
    QCOMPARE(query()->recordCount(), 1);
    QCOMPARE(paid(project), 400.0);
}

void TestDeletionAndTotals::gridDeletionAsksItsOwnQuestion()
{
    start(0);
    const qint64 person = addPerson("Testa");
    const qint64 project = addProject(person, "Testa", 1000, 0);
    openPaymentsOf(person, project);
    addPaymentThroughSheet(120);
    addPaymentThroughSheet(80);

    QTableView *grid = main()->grid();
    grid->setCurrentIndex(main()->model()->index(rowOf("Importo", 80), column("Data")));
    dialogs_->clear();
    dialogs_->answerNext(false);
    QTest::keyClick(grid, Qt::Key_Delete, Qt::ControlModifier);
    QCOMPARE(dialogs_->questions.size(), 1);
    QCOMPARE(count("Pagamenti"), 2);

    QTest::keyClick(grid, Qt::Key_Delete, Qt::ControlModifier);
    QCOMPARE(count("Pagamenti"), 1);
    QCOMPARE(paid(project), 120.0);
    QCOMPARE(main()->statusText().left(15), QStringLiteral("Query attuale: "));
}

void TestDeletionAndTotals::deletingAPersonLeavesItsProjects()
{
    start(0);
    const qint64 person = addPerson("Vitale");
    const qint64 kept = addPerson("Fontana");
    const qint64 project = addProject(person, "Vitale", 900, 0);
    db_->db().exec(QStringLiteral("INSERT INTO Pagamenti (IdProgetto, Importo) VALUES (%1, 50)").arg(project));
    trigger("QueryCommittente");
    const QString status = main()->statusText();
    query()->setCurrentRow(rowOf("Committente.IdCommittente", person));
    trigger("Elimina");

    for (const QString table : {"Committente", "Indirizzo", "Recapiti"}) {
        QCOMPARE(scalar("SELECT COUNT(*) FROM " + table + QStringLiteral(" WHERE IdCommittente = %1").arg(person))
                     .toInt(),
                 0);
        QCOMPARE(scalar("SELECT COUNT(*) FROM " + table + QStringLiteral(" WHERE IdCommittente = %1").arg(kept)).toInt(),
                 1);
    }
    QCOMPARE(count("Progetto"), 1);
    QCOMPARE(count("Pagamenti"), 1);
    QCOMPARE(query()->recordCount(), 1);
    QCOMPARE(main()->statusText(), status);
}

void TestDeletionAndTotals::deletingAProjectLeavesItsPayments()
{
    start(0);
    const qint64 person = addPerson("Mariani");
    const qint64 gone = addProject(person, "Mariani", 900, 50);
    const qint64 kept = addProject(person, "Mariani", 700, 20);
    db_->db().exec(QStringLiteral("INSERT INTO Pagamenti (IdProgetto, Importo) VALUES (%1, 50)").arg(gone));
    openProjectsOf(person);
    query()->setCurrentRow(rowOf("IdProgetto", gone));
    trigger("Elimina");
    QCOMPARE(count("Progetto"), 1);
    QCOMPARE(count("Pagamenti"), 1);
    QCOMPARE(paid(kept), 20.0);
    QVERIFY(dialogs_->messages.isEmpty());
}

void TestDeletionAndTotals::savingAProjectLeavesItsTotal()
{
    start(0);
    const qint64 person = addPerson("Leone");
    const qint64 project = addProject(person, "Leone", 900, 150);
    openProjectsOf(person);
    query()->fieldByName("Comune").setValue(QStringLiteral("Bari"));
    query()->post();
    QCOMPARE(scalar("SELECT Comune FROM Progetto").toString(), QStringLiteral("Bari"));
    QCOMPARE(paid(project), 150.0);
}

void TestDeletionAndTotals::randomSequenceKeepsTotalsExact()
{
    start(0);
    const qint64 person = addPerson("Caruso");
    const qint64 project = addProject(person, "Caruso", 100000000, 0);
    const qint64 other = addProject(person, "Caruso", 5000, 0);
    openPaymentsOf(person, project);

    QRandomGenerator random(20240229);
    for (int step = 0; step < 40; ++step) {
        const bool add = query()->recordCount() == 0 || random.bounded(3) != 0;
        if (add) {
            addPaymentThroughSheet(int(random.bounded(1, 100000)));
        } else {
            query()->setCurrentRow(int(random.bounded(query()->recordCount())));
            trigger("Elimina");
        }
        QVERIFY(dialogs_->errors.isEmpty());
        QCOMPARE(paid(project), sumOfPayments(project));
        QCOMPARE(query()->recordCount(), int(count("Pagamenti")));
    }
    QCOMPARE(paid(other), 0.0);
    QVERIFY(dialogs_->messages.isEmpty());
}

void TestDeletionAndTotals::totalWithoutProjectRefusesThePayment()
{
    start(0);
    const qint64 person = addPerson("Greco");
    const qint64 project = addProject(person, "Greco", 1000, 10);
    // Payments whose project is gone, shown the way the drill-down shows payments.
    ResultStep orphans;
    orphans.lines = QStringList{"SELECT IdProgetto, IdFattura, Importo, Data, Fattura", "FROM Pagamenti",
                                "WHERE IdProgetto =77"};
    orphans.viewKind = ViewPayments;
    orphans.addEnabled = true;
    orphans.status = QStringLiteral("Query attuale: Pagamenti");
    main()->runQuery(orphans);
    main()->globals().drillDown.projectKey = QStringLiteral("77");
    main()->globals().insertKind = InsertPayment;
    QVERIFY(main()->PaymentsResultTest());

    trigger("Inserisci");
    type("Importo", "60");
    pressEnterIn("Importo");
    // No paid amount can follow the payment: it is not saved, and the user reads why once.
    QCOMPARE(dialogs_->errors.size(), 1);
    QVERIFY(dialogs_->errors.first().contains("\"77\""));
    QVERIFY(dialogs_->messages.isEmpty());
    QVERIFY(sheet()->isVisible());
    QCOMPARE(scalar("SELECT COUNT(*) FROM Pagamenti WHERE IdProgetto = 77").toInt(), 0);
    QCOMPARE(count("Progetto"), 1);
    QCOMPARE(paid(project), 10.0);
    sheet()->close();

    // A payment left behind by its project stays too: its deletion would have no total to move.
    db_->db().exec("INSERT INTO Pagamenti (IdProgetto, Importo) VALUES (77, 60)");
    main()->runQuery(orphans);
    query()->setCurrentRow(0);
    trigger("Elimina");
    QCOMPARE(dialogs_->errors.size(), 2);
    QCOMPARE(count("Pagamenti"), 1);
    QCOMPARE(query()->recordCount(), 1);
    QVERIFY(dialogs_->messages.isEmpty());
    QCOMPARE(paid(project), 10.0);
}

void TestDeletionAndTotals::failedTotalUpdateTakesThePaymentBack()
{
    start(0);
    const qint64 person = addPerson("Ferri");
    const qint64 project = addProject(person, "Ferri", 1000, 0);
    openPaymentsOf(person, project);
    addPaymentThroughSheet(200);
    db_->db().exec("CREATE TRIGGER lock_totals BEFORE UPDATE ON Progetto "
                   "BEGIN SELECT RAISE(ABORT, 'totali bloccati'); END");

    trigger("Inserisci");
    type("Importo", "300");
    pressEnterIn("Importo");
    QCOMPARE(dialogs_->errors.size(), 1);
    QVERIFY(dialogs_->errors.first().contains("totali bloccati"));
    QVERIFY(sheet()->isVisible());
    QCOMPARE(sheetEditor("Importo")->text(), QStringLiteral("300"));
    QCOMPARE(count("Pagamenti"), 1);
    QCOMPARE(paid(project), 200.0);
    sheet()->close();

    // A deletion whose total cannot follow is taken back too.
    query()->setCurrentRow(0);
    trigger("Elimina");
    QCOMPARE(dialogs_->errors.size(), 2);
    QCOMPARE(count("Pagamenti"), 1);
    QCOMPARE(query()->recordCount(), 1);
    QCOMPARE(paid(project), 200.0);
}

QTEST_MAIN(TestDeletionAndTotals)
#include "tst_deletionandtotals.moc"
