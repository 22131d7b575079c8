#include "editing/forminput.h"
#include "views/viewfixture.h"

// The card of the main window: switching views, the layout of the pairs, their colours and
// the floating editors a click on an editor places; and the input sheet's editor click.
class TestCardView : public QObject, public ViewFixture
{
    Q_OBJECT

private Q_SLOTS:
    void init() { startFixture(); }
    void cleanup() { stopFixture(); }

    void layoutOfThePairs();
    void personsCardAndSwitchingBack();
    void projectColoursStayWithTheRowOfTheQuery();
    void unchangedKeepsTheEarlierColour();
    void schedaRecoloursPaymentsAndPersons();
    void stateEditorClick();
    void dateEditorClicks();
    void linkEditorClicks();
    void unreadableDateIsReported();
    void inputSheetEditorClick();
    void navigatorMovesTheCard();
    void screenshots();

private:
    QLabel *label(int pair) const { return child<QLabel>(QStringLiteral("DBText%1").arg(pair)); }
    QLineEdit *editor(int pair) const { return child<QLineEdit>(QStringLiteral("DBEdit%1").arg(pair)); }
    QColor colour(int pair) const { return editor(pair)->palette().color(QPalette::Base); }
    int pairOf(const QString &text) const
    {
        for (int k = 1; k <= 21; ++k)
            if (label(k)->text() == text && label(k)->isVisibleTo(main()))
                return k;
        return -1;
    }
    void clickEditor(const QString &text)
    {
        const int k = pairOf(text);
        QVERIFY2(k > 0, qPrintable(text));
        QTest::mouseClick(editor(k), Qt::LeftButton);
    }
    // Projects of one person, with the given states, in key order.
    void projectsWithStates(const QStringList &states, int total, int paid)
    {
        const qint64 person = addPerson("Moretti");
        for (const QString &state : states)
            addProject(person, "Moretti", total, paid, state);
    }
};

void TestCardView::layoutOfThePairs()
{
    start();
    trigger("QueryCommittente");
    auto *panel = child<QWidget>("Panel2");
    for (int k = 1; k <= 21; ++k) {
        QCOMPARE(label(k)->parentWidget(), panel);
        QCOMPARE(editor(k)->parentWidget(), panel);
        const QRect expectedLabel = k < 21 ? QRect(8, 20 + 24 * (k - 1), 105, 17) : QRect(8, 499, 65, 17);
        QCOMPARE(label(k)->geometry(), expectedLabel);
        QCOMPARE(editor(k)->pos(), QPoint(120, 16 + 24 * (k - 1)));
        QCOMPARE(editor(k)->height(), 21);
    }
    // Tab goes from editor to editor: the next widget Tab can reach is the next editor.
    for (int k = 1; k < 21; ++k) {
        QWidget *next = editor(k)->nextInFocusChain();
        while (!(next->focusPolicy() & Qt::TabFocus))
            next = next->nextInFocusChain();
        QCOMPARE(next, editor(k + 1));
    }
    QCOMPARE(child<QDateEdit>("DateTimePicker2")->displayFormat(), QStringLiteral("dd/MM/yyyy"));
    QVERIFY(child<QComboBox>("ComboBox2")->isHidden());
    QVERIFY(child<QDateEdit>("DateTimePicker2")->isHidden());
    QCOMPARE(child<QComboBox>("ComboBox2")->parentWidget(), panel);
    QCOMPARE(child<QDateEdit>("DateTimePicker2")->parentWidget(), panel);
}

void TestCardView::personsCardAndSwitchingBack()
{
    start();
    trigger("QueryCommittente");
    click("DBNavigator1Next");
    click("MostraSchedaButton");
    QVERIFY(child<QWidget>("Panel2")->isVisible());
    QVERIFY(!child<QWidget>("Panel1")->isVisible());
    QCOMPARE(label(1)->text(), QStringLiteral("Cognome"));
    QCOMPARE(editor(1)->width(), 200);
    QCOMPARE(colour(1), Rgb::PersonYellow);
    QCOMPARE(label(2)->text(), QStringLiteral("Nome"));
    QCOMPARE(editor(2)->width(), 121);
    QCOMPARE(colour(2), Rgb::PersonYellow);
    QCOMPARE(editor(1)->text(), query()->text(1, column("Cognome")));
    for (const QString text :
         {"1° Telefono", "2° Telefono", "Fax", "1° Cellulare", "2° Cellulare", "E-Mail", "Sito internet"})
        QVERIFY2(colour(pairOf(text)) == Rgb::ContactGreen, qPrintable(text));
    for (const QString text : {"Via", "Città", "CAP"})
        QVERIFY2(colour(pairOf(text)) == Rgb::AddressPink, qPrintable(text));
    for (const QString text : {"Qualifica", "Codice fiscale", "Partita IVA", "Note"})
        QVERIFY2(colour(pairOf(text)) == Rgb::PersonYellow, qPrintable(text));
    QCOMPARE(pairOf("Note"), 16);
    QVERIFY(!label(17)->isVisibleTo(main()));

    trigger("MostraTabella");
    QVERIFY(child<QWidget>("Panel1")->isVisible());
    QVERIFY(!child<QWidget>("Panel2")->isVisible());
    QCOMPARE(query()->currentRow(), 1);
    QCOMPARE(grid()->currentIndex().row(), 1);
    // The menu entries and the tool bar buttons run the same actions.
    trigger("MostraScheda");
    QVERIFY(child<QWidget>("Panel2")->isVisible());
    click("MostraTabellaButton");
    QVERIFY(child<QWidget>("Panel1")->isVisible());
}

void TestCardView::projectColoursStayWithTheRowOfTheQuery()
{
    start(0);
    projectsWithStates({"In corso", "Sospeso", "Annullato"}, 1000, 400);
    db_->db().exec("UPDATE Progetto SET Importo_pagato = Importo_totale WHERE Stato = 'Sospeso'");
    trigger("QueryProgetto");
    click("MostraSchedaButton");
    const int state = pairOf("Stato");
    const int total = pairOf("Importo totale");
    QCOMPARE(state, 5);
    QCOMPARE(total, 6);
    QCOMPARE(query()->currentRow(), 0);
    const QString firstState = query()->text(0, column("Stato"));
    const QColor expectedState = firstState == "In corso"  ? Rgb::Yellow
                                 : firstState == "Sospeso" ? Rgb::Blue
                                                           : Rgb::Red;
    const QColor expectedTotal = firstState == "Sospeso" ? Rgb::Green : Rgb::Red;
    QCOMPARE(colour(state), expectedState);
    QCOMPARE(colour(total), expectedTotal);
    for (const QString text : {"Cognome cliente", "Nome cliente", "Descrizione", "Comune", "Data di inizio",
                               "Data di fine", "Data di consegna", "Archivio", "Nota"})
        QVERIFY2(colour(pairOf(text)) == Rgb::ProjectCyan, qPrintable(text));

    for (int move = 0; move < 2; ++move) {
        click("DBNavigator1Next");
        QCOMPARE(editor(state)->text(), query()->text(query()->currentRow(), column("Stato")));
        QCOMPARE(colour(state), expectedState);
        QCOMPARE(colour(total), expectedTotal);
    }
    trigger("MostraTabella");
    trigger("MostraScheda");
    QCOMPARE(colour(state), expectedState);
    QCOMPARE(colour(total), expectedTotal);
}

void TestCardView::unchangedKeepsTheEarlierColour()
{
    start(0);
    projectsWithStates({"In corso"}, 1000, 1500); // paid above the total
    trigger("QueryCommittente");
    QCOMPARE(label(6)->text(), QStringLiteral("Via"));
    QCOMPARE(colour(6), Rgb::AddressPink);
    trigger("QueryProgetto");
    QCOMPARE(label(6)->text(), QStringLiteral("Importo totale"));
    QCOMPARE(colour(6), Rgb::AddressPink);
}

void TestCardView::schedaRecoloursPaymentsAndPersons()
{
    start(0);
    const qint64 person = addPerson("Leone");
    const qint64 project = addProject(person, "Leone", 1000, 300);
    addPayment(project, 300, "2024-04-20", "F7");
    trigger("QueryProgetto");
    click("SpeedButton1");
    clickCell(0, "Comune");
    QCOMPARE(main()->globals().viewKind, 3);
    // The payments card is set up while the view is still the projects one: no colours yet.
    QCOMPARE(label(1)->text(), QStringLiteral("Importo"));
    QCOMPARE(colour(1), Rgb::ProjectCyan);
    click("MostraSchedaButton");
    for (int k = 1; k <= 3; ++k)
        QCOMPARE(colour(k), Rgb::PaymentLavender);
    QCOMPARE(editor(3)->text(), QStringLiteral("F7"));

    trigger("QueryCommittente");
    QPalette odd = editor(1)->palette();
    odd.setColor(QPalette::Base, Qt::gray);
    editor(1)->setPalette(odd);
    trigger("MostraScheda");
    QCOMPARE(colour(1), Rgb::PersonYellow);
}

void TestCardView::stateEditorClick()
{
    start(0);
    projectsWithStates({""}, 100, 0);
    trigger("QueryProgetto");
    click("MostraSchedaButton");
    auto *box = child<QComboBox>("ComboBox2");
    auto *picker = child<QDateEdit>("DateTimePicker2");
    clickEditor("Data di inizio");
    QVERIFY(picker->isVisible());
    clickEditor("Stato");
    QVERIFY(box->isVisible());
    QVERIFY(!picker->isVisible());
    const int state = pairOf("Stato");
    QCOMPARE(box->geometry(), editor(state)->geometry());
    QCOMPARE(box->currentText(), QStringLiteral("Da iniziare"));
    QCOMPARE(colour(state), Rgb::Fuchsia);
    QCOMPARE(box->palette().color(QPalette::Base), Rgb::Fuchsia);

    // It stays where it was when the view switches away and back.
    trigger("MostraTabella");
    QVERIFY(!box->isVisible());
    trigger("MostraScheda");
    QVERIFY(box->isVisible());
    clickEditor("Comune");
    QVERIFY(!box->isVisible());
    QVERIFY(!picker->isVisible());
}

void TestCardView::dateEditorClicks()
{
    start(0);
    const qint64 person = addPerson("Fontana");
    const qint64 dated = addProject(person, "Fontana", 100, 0);
    addProject(person, "Fontana", 100, 0);
    db_->db().exec(QStringLiteral("UPDATE Progetto SET Data_inizio='2023-09-01', Data_fine='2023-12-24', "
                                  "Data_scadenza='2024-03-15' WHERE IdProgetto=%1")
                       .arg(dated));
    addPayment(dated, 50, "2024-06-30", "F1");
    trigger("QueryProgetto");
    QCOMPARE(query()->value(0, column("IdProgetto")).toLongLong(), dated);
    click("MostraSchedaButton");
    auto *picker = child<QDateEdit>("DateTimePicker2");
    Globals &g = main()->globals();

    const QList<std::tuple<QString, int, QDate>> dates = {{"Data di consegna", 4, QDate(2024, 3, 15)},
                                                          {"Data di inizio", 2, QDate(2023, 9, 1)},
                                                          {"Data di fine", 3, QDate(2023, 12, 24)}};
    for (const auto &[text, selector, date] : dates) {
        clickEditor(text);
        QVERIFY(picker->isVisible());
        QCOMPARE(g.dateFieldSelector, selector);
        QCOMPARE(picker->date(), date);
        QCOMPARE(picker->geometry(), editor(pairOf(text))->geometry());
        QCOMPARE(picker->palette().color(QPalette::Base), Rgb::ProjectCyan);
    }
    click("DBNavigator1Next");
    clickEditor("Data di consegna");
    QCOMPARE(picker->date(), QDate::currentDate());
    QCOMPARE(query()->text(1, column("Data_scadenza")), QString()); // placing writes nothing

    // A payment's date.
    trigger("MostraTabella");
    trigger("QueryProgetto");
    click("SpeedButton1");
    clickCell(0, "Comune");
    trigger("MostraScheda");
    clickEditor("Data");
    QCOMPARE(g.dateFieldSelector, 1);
    QCOMPARE(picker->date(), QDate(2024, 6, 30));
    QVERIFY(picker->isVisible());
    clickEditor("Importo");
    QVERIFY(!picker->isVisible());
}

void TestCardView::linkEditorClicks()
{
    start(0);
    const qint64 with = addPerson("Serra");
    addPerson("Vitale");
    db_->db().exec(
        QStringLiteral("UPDATE Recapiti SET E_mail='serra@example.it', Sito_internet='http://serra.example.it' "
                       "WHERE IdCommittente=%1")
            .arg(with));
    trigger("QueryCommittente");
    query()->setCurrentRow(rowOf("Committente.IdCommittente", with));
    click("MostraSchedaButton");
    clickEditor("E-Mail");
    clickEditor("Sito internet");
    QCOMPARE(dialogs_->opened, QStringList({"mailto:serra@example.it", "http://serra.example.it"}));
    dialogs_->opened.clear();
    click("DBNavigator1Next");
    QVERIFY(editor(pairOf("E-Mail"))->text().isEmpty());
    clickEditor("E-Mail");
    clickEditor("Sito internet");
    QVERIFY(dialogs_->opened.isEmpty());
}

void TestCardView::unreadableDateIsReported()
{
    start(0);
    projectsWithStates({"In corso"}, 100, 0);
    trigger("QueryProgetto");
    click("MostraSchedaButton");
    const int due = pairOf("Data di consegna");
    editor(due)->setText(QStringLiteral("domani"));
    clickEditor("Data di consegna");
    QCOMPARE(dialogs_->errors.size(), 1);
    QVERIFY(dialogs_->errors.first().contains("domani"));
    QCOMPARE(main()->globals().dateFieldSelector, 4);
    QVERIFY(!child<QDateEdit>("DateTimePicker2")->isVisible());
}

void TestCardView::inputSheetEditorClick()
{
    start(0);
    projectsWithStates({"In corso"}, 100, 0);
    trigger("QueryProgetto");
    FormInput *sheet = startup_->inputSheet();
    ColumnSetup::bindCardPairs(sheet->pairs(), main()->gridColumns());
    QCOMPARE(sheet->pairs()[4].boundField, QStringLiteral("Stato"));
    auto *box = sheet->findChild<QComboBox *>("ComboBox1");
    auto *picker = sheet->findChild<QDateEdit *>("DateTimePicker1");
    sheet->show();
    sheet->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(sheet));

    sheet->OpenInputSheetEditor(5);
    QVERIFY(!box->isHidden());
    QCOMPARE(box->currentText(), QStringLiteral("Da iniziare"));
    QCOMPARE(box->geometry(), sheet->editor(4)->geometry());
    QVERIFY(box->hasFocus());

    const int due = 9; // "Data di consegna"
    QCOMPARE(sheet->pairs()[size_t(due - 1)].boundField, QStringLiteral("Data_scadenza"));
    sheet->editor(due - 1)->setText(QStringLiteral("15/03/2024"));
    sheet->OpenInputSheetEditor(due);
    QVERIFY(box->isHidden());
    QVERIFY(!picker->isHidden());
    QCOMPARE(picker->date(), QDate(2024, 3, 15));
    QCOMPARE(main()->globals().dateFieldSelector, 4);
    QVERIFY(picker->hasFocus());

    sheet->OpenInputSheetEditor(4); // "Comune"
    QVERIFY(box->isHidden());
    QVERIFY(picker->isHidden());
    sheet->close();
}

void TestCardView::navigatorMovesTheCard()
{
    start();
    trigger("QueryProgetto");
    click("MostraSchedaButton");
    for (int row = 1; row <= 3; ++row) {
        click("DBNavigator1Next");
        QCOMPARE(editor(1)->text(), query()->text(row, column("Cognome_progettista")));
        QCOMPARE(editor(3)->text(), query()->text(row, column("Descrizione")));
    }
    click("DBNavigator1First");
    QCOMPARE(editor(1)->text(), query()->text(0, column("Cognome_progettista")));
}

void TestCardView::screenshots()
{
    start();
    main()->resize(1200, 800);
    trigger("QueryCommittente");
    click("MostraSchedaButton");
    saveScreenshot(main(), "card_persons.png");
    trigger("QueryProgetto");
    clickEditor("Stato");
    saveScreenshot(child<QWidget>("Panel2"), "card_projects.png");
    clickEditor("Data di inizio");
    saveScreenshot(child<QWidget>("Panel2"), "card_projects_date.png");
}

QTEST_MAIN(TestCardView)
#include "tst_cardview.moc"
