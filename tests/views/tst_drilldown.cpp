#include "views/viewfixture.h"

// From persons to projects to payments through the drill-down toggle and cell clicks, and
// the row mark moved by keys and wheel.
class TestDrillDown : public QObject, public ViewFixture
{
    Q_OBJECT

private Q_SLOTS:
    void init() { startFixture(); }
    void cleanup() { stopFixture(); }

    void toggleSwapsPictureColourAndAdd();
    void releasedToggleOnlyMarksAndOpensLinks();
    void apostropheSurnameToFullyPaidPayments();
    void otherSurnameIsNotListed();
    void personWithoutProjects();
    void unpaidProjectTakesPayments();
    void clickMakesClientColumnsReadOnly();
    void arrowsAndWheelMoveTheMark();
    void navigatorLeavesTheMark();
    void queryReleasesTheToggle();

private:
    QToolButton *toggle() const { return child<QToolButton>("SpeedButton1"); }
    QAction *add() const { return main()->action("Inserisci"); }
    QAction *remove() const { return main()->action("Elimina"); }
    QString status() const { return main()->statusText(); }
};

void TestDrillDown::toggleSwapsPictureColourAndAdd()
{
    start();
    trigger("QueryCommittente");
    QVERIFY(add()->isEnabled());
    const QImage released = child<QLabel>("Image1")->pixmap().toImage();
    const QImage pressed = child<QLabel>("Image2")->pixmap().toImage();
    QVERIFY(released != pressed);
    const auto shown = [&] { return toggle()->icon().pixmap(released.size()).toImage(); };
    QCOMPARE(shown(), released);

    click("SpeedButton1");
    QVERIFY(toggle()->isChecked());
    QCOMPARE(toggle()->palette().color(QPalette::ButtonText), Rgb::Green);
    QCOMPARE(shown(), pressed);
    QVERIFY(!add()->isEnabled());
    QVERIFY(!child<QToolButton>("BitBtn1")->isEnabled());

    click("SpeedButton1");
    QVERIFY(!toggle()->isChecked());
    QCOMPARE(toggle()->palette().color(QPalette::ButtonText), Rgb::Red);
    QCOMPARE(shown(), released);
    QVERIFY(add()->isEnabled());

    // "Aggiungi" disabled when pressed stays disabled when released.
    trigger("QueryConProgetti");
    QVERIFY(!add()->isEnabled());
    click("SpeedButton1");
    click("SpeedButton1");
    QVERIFY(!add()->isEnabled());
}

void TestDrillDown::releasedToggleOnlyMarksAndOpensLinks()
{
    start(0);
    const qint64 withMail = addPerson("Galli");
    const qint64 without = addPerson("Conti");
    db_->db().exec(QStringLiteral("UPDATE Recapiti SET E_mail='galli@example.it', Sito_internet='www.galli.it' "
                                  "WHERE IdCommittente=%1")
                       .arg(withMail));
    addProject(withMail, "Galli", 100, 0);
    trigger("QueryCommittente");
    const QStringList statement = query()->sql();

    clickCell(rowOf("Committente.IdCommittente", withMail), "E_mail");
    QCOMPARE(dialogs_->opened, QStringList({"mailto:galli@example.it"}));
    QCOMPARE(main()->globals().selectedKey, QString::number(withMail));
    clickCell(rowOf("Committente.IdCommittente", withMail), "Sito_internet");
    QCOMPARE(dialogs_->opened, QStringList({"mailto:galli@example.it", "www.galli.it"}));
    dialogs_->opened.clear();
    clickCell(rowOf("Committente.IdCommittente", without), "E_mail");
    clickCell(rowOf("Committente.IdCommittente", without), "Sito_internet");
    QVERIFY(dialogs_->opened.isEmpty());
    QCOMPARE(main()->globals().selectedKey, QString::number(without));

    QCOMPARE(main()->globals().viewKind, 1);
    QCOMPARE(query()->sql(), statement);
    QCOMPARE(status(), QStringLiteral("Query attuale: Tutte le persone"));
}

void TestDrillDown::apostropheSurnameToFullyPaidPayments()
{
    start();
    const qint64 person = addPerson("D''Angelo"); // stored as D'Angelo
    const qint64 project = addProject(person, "D''Angelo", 1000, 1000);
    db_->db().exec(QStringLiteral("UPDATE Progetto SET Comune='Sant''Anna' WHERE IdProgetto=%1").arg(project));
    const qint64 firstPayment = addPayment(project, 600, "2024-01-10", "F1");
    const qint64 secondPayment = addPayment(project, 400, "2024-02-10", "F2");
    trigger("QueryCommittente");
    click("SpeedButton1");
    clickCell(rowOf("Committente.IdCommittente", person), "Nome");

    // Projects of the person.
    QCOMPARE(query()->sql(),
             QStringList(
                 {"SELECT DISTINCT IdProgetto, Progetto.IdCommittente, Cognome_progettista, Nome_progettista, "
                  "Descrizione, Comune, Stato, Importo_totale, Importo_pagato, Data_inizio, Data_fine, "
                  "Data_scadenza, Archivio, Nota",
                  "FROM Committente, Progetto",
                  QStringLiteral("WHERE Progetto.IdCommittente=%1 AND Cognome_progettista='D''Angelo'").arg(person)}));
    QCOMPARE(keysOf("IdProgetto"), std::set<qint64>({project}));
    Globals &g = main()->globals();
    QCOMPARE(g.viewKind, 2);
    QCOMPARE(g.insertKind, 2);
    QCOMPARE(g.drillDown.personId, person);
    QCOMPARE(g.drillDown.personName, QStringLiteral("Anna"));
    QCOMPARE(g.drillDown.personSurname, QStringLiteral("D'Angelo"));
    QCOMPARE(g.selectedKey, QString::number(person));
    QCOMPARE(status(), QStringLiteral("Query attuale: Progetti di D'Angelo Anna"));
    QCOMPARE(child<QComboBox>("ComboBox1")->currentText(), QStringLiteral("Cognome cliente"));
    QCOMPARE(toggle()->text(), QStringLiteral("Visualizza pagamenti"));
    QVERIFY(toggle()->isChecked());
    QVERIFY(toggle()->isEnabled());
    QVERIFY(add()->isEnabled());
    QVERIFY(grid()->isColumnHidden(column("IdProgetto")));
    QCOMPARE(main()->cardPairs()[0].boundField, QStringLiteral("Cognome_progettista"));

    // Its payments: a fully paid project takes none.
    clickCell(0, "Descrizione");
    QCOMPARE(query()->sql(), QStringList({"SELECT IdProgetto, IdFattura, Importo, Data, Fattura", "FROM Pagamenti",
                                          QStringLiteral("WHERE IdProgetto =%1").arg(project)}));
    QCOMPARE(keysOf("IdFattura"), std::set<qint64>({firstPayment, secondPayment}));
    QCOMPARE(g.viewKind, 3);
    QCOMPARE(g.insertKind, 3);
    QCOMPARE(g.drillDown.projectKey, QString::number(project));
    QCOMPARE(g.selectedKey, QString::number(project));
    QCOMPARE(status(),
             QStringLiteral("Query attuale: Pagamenti effettuati da D'Angelo Anna per il progetto di Sant'Anna"));
    QVERIFY(child<QComboBox>("ComboBox1")->currentText().isEmpty());
    QVERIFY(!add()->isEnabled());
    QVERIFY(!remove()->isEnabled());
    QVERIFY(!child<QToolButton>("BitBtn2")->isEnabled());
    QVERIFY(toggle()->isChecked());
    QVERIFY(!toggle()->isEnabled());
    QVERIFY(query()->fieldInfo(column("Importo")).readOnly);
    QVERIFY(query()->fieldInfo(column("Fattura")).readOnly);
    QVERIFY(!query()->fieldInfo(column("Data")).readOnly);
    QVERIFY(!(main()->model()->flags(cell(0, "Importo")) & Qt::ItemIsEditable));
    QVERIFY(grid()->isColumnHidden(column("IdFattura")));
    QCOMPARE(main()->cardPairs()[0].boundField, QStringLiteral("Importo"));

    // A click there drills no further, and marks the payment.
    const QStringList payments = query()->sql();
    clickCell(1, "Fattura");
    QCOMPARE(query()->sql(), payments);
    QCOMPARE(g.selectedKey, query()->text(1, column("IdFattura")));
    QCOMPARE(background(1, "Importo"), Rgb::Aqua);
    QCOMPARE(background(0, "Importo"), Rgb::PaymentLavender);
    QVERIFY(dialogs_->errors.isEmpty());
}

void TestDrillDown::otherSurnameIsNotListed()
{
    start(0);
    const qint64 person = addPerson("Russo");
    const qint64 kept = addProject(person, "Russo", 100, 0);
    addProject(person, "Russi", 100, 0); // stored under an older spelling of the surname
    trigger("QueryCommittente");
    click("SpeedButton1");
    clickCell(rowOf("Committente.IdCommittente", person), "Cognome");
    QCOMPARE(keysOf("IdProgetto"), std::set<qint64>({kept}));
}

void TestDrillDown::personWithoutProjects()
{
    start(0);
    addPerson("Ferri");
    const qint64 lonely = addPerson("Marino");
    addProject(1, "Ferri", 100, 0);
    trigger("QueryCommittente");
    click("SpeedButton1");
    clickCell(rowOf("Committente.IdCommittente", lonely), "Cognome");
    QCOMPARE(query()->recordCount(), 0);
    QVERIFY(!toggle()->isEnabled());
    QCOMPARE(status(), QStringLiteral("Query attuale: Progetti di Marino "));
    QCOMPARE(main()->globals().viewKind, 2);
}

void TestDrillDown::unpaidProjectTakesPayments()
{
    start(0);
    const qint64 person = addPerson("Costa");
    const qint64 project = addProject(person, "Costa", 1000, 400);
    addPayment(project, 400, "2024-05-02", "F9");
    trigger("QueryProgetto");
    click("SpeedButton1");
    QVERIFY(!add()->isEnabled());
    clickCell(rowOf("IdProgetto", project), "Comune");
    QCOMPARE(main()->globals().viewKind, 3);
    QVERIFY(add()->isEnabled());
    QVERIFY(remove()->isEnabled());
    QCOMPARE(status(), QStringLiteral("Query attuale: Pagamenti effettuati da Costa Anna per il progetto di Roma"));
}

void TestDrillDown::clickMakesClientColumnsReadOnly()
{
    start();
    trigger("QueryProgetto");
    for (const QString field : {"Importo_pagato", "Cognome_progettista", "Nome_progettista", "Descrizione"})
        QVERIFY(!query()->fieldInfo(column(field)).readOnly);
    for (const QString field : {"Importo_pagato", "Cognome_progettista", "Nome_progettista", "Descrizione"})
        clickCell(1, field);
    for (const QString field : {"Importo_pagato", "Cognome_progettista", "Nome_progettista"})
        QVERIFY2(query()->fieldInfo(column(field)).readOnly, qPrintable(field));
    QVERIFY(!query()->fieldInfo(column("Descrizione")).readOnly);
    trigger("QueryProgetto");
    QVERIFY(!query()->fieldInfo(column("Importo_pagato")).readOnly);
}

void TestDrillDown::arrowsAndWheelMoveTheMark()
{
    start(0);
    const qint64 person = addPerson("Greco");
    const qint64 project = addProject(person, "Greco", 1000, 600);
    for (int i = 0; i < 4; ++i)
        addPayment(project, 150, QStringLiteral("2024-0%1-01").arg(i + 1), QStringLiteral("F%1").arg(i));
    trigger("QueryProgetto");
    click("SpeedButton1");
    clickCell(0, "Comune");
    QCOMPARE(main()->globals().viewKind, 3);
    QCOMPARE(query()->recordCount(), 4);
    const auto keyOf = [&](int row) { return query()->text(row, column("IdFattura")); };
    const auto marked = [&](int row) { return background(row, "Fattura") == Rgb::Aqua && bold(row, "Fattura"); };

    clickCell(0, "Importo");
    QCOMPARE(main()->globals().selectedKey, keyOf(0));
    QTest::keyClick(grid(), Qt::Key_Down);
    QCOMPARE(query()->currentRow(), 1);
    QCOMPARE(main()->globals().selectedKey, keyOf(1));
    QVERIFY(marked(1));
    QVERIFY(!marked(0));
    QTest::keyClick(grid(), Qt::Key_Up);
    QCOMPARE(query()->currentRow(), 0);
    QCOMPARE(main()->globals().selectedKey, keyOf(0));
    // Other keys move no mark.
    QTest::keyClick(grid(), Qt::Key_End, Qt::ControlModifier);
    QVERIFY(query()->currentRow() > 0);
    QCOMPARE(main()->globals().selectedKey, keyOf(0));
    query()->first();

    // One row per notch, towards the user is down; the grid itself does not scroll.
    sendWheel(-120);
    QVERIFY(lastWheelAccepted_);
    QCOMPARE(query()->currentRow(), 1);
    QCOMPARE(main()->globals().selectedKey, keyOf(1));
    QVERIFY(marked(1));
    sendWheel(-240);
    QCOMPARE(query()->currentRow(), 3);
    sendWheel(-120); // at the last row
    QCOMPARE(query()->currentRow(), 3);
    QCOMPARE(main()->globals().selectedKey, keyOf(3));
    sendWheel(120);
    QCOMPARE(query()->currentRow(), 2);
    QCOMPARE(grid()->currentIndex().row(), 2);
    QVERIFY(marked(2));
    // Half a notch moves nothing yet; the other half does.
    sendWheel(60);
    QCOMPARE(query()->currentRow(), 2);
    sendWheel(60);
    QCOMPARE(query()->currentRow(), 1);
}

void TestDrillDown::navigatorLeavesTheMark()
{
    start();
    trigger("QueryCommittente");
    clickCell(2, "Cognome");
    const QString key = main()->globals().selectedKey;
    click("DBNavigator1Next");
    QCOMPARE(query()->currentRow(), 3);
    click("DBNavigator1Last");
    QTest::keyClick(grid(), Qt::Key_PageUp);
    QCOMPARE(main()->globals().selectedKey, key);
    QCOMPARE(background(2, "Nome"), Rgb::Aqua);
}

void TestDrillDown::queryReleasesTheToggle()
{
    start();
    trigger("QueryCommittente");
    click("SpeedButton1");
    clickCell(0, "Cognome");
    trigger("QueryProgetto");
    QVERIFY(!toggle()->isChecked());
    QVERIFY(toggle()->isEnabled());
    QCOMPARE(toggle()->text(), QStringLiteral("Visualizza pagamenti"));
    QCOMPARE(toggle()->palette().color(QPalette::ButtonText), Rgb::Red);
    // Released, a project click changes nothing.
    const QStringList statement = query()->sql();
    clickCell(0, "Comune");
    QCOMPARE(query()->sql(), statement);
    QCOMPARE(main()->globals().viewKind, 2);
}

QTEST_MAIN(TestDrillDown)
#include "tst_drilldown.moc"
