#include "editing/editingfixture.h"
#include "editing/keyfilter.h"

#include <QClipboard>
#include <QGuiApplication>

// Typing into the grid's cells and the card's editors, with their date and state editors.
class TestInPlaceEditors : public QObject, public EditingFixture
{
    Q_OBJECT

private Q_SLOTS:
    void init() { startFixture(); }
    void cleanup() { stopFixture(); }

    void gridDigitsAndPhoneFields();
    void gridProjectDates();
    void paymentsAreNotChangedInPlace();
    void cardBackspaceClearsDateAndSaves();
    void cardDigitsOnlyAndEnterSaves();
    void cardDateTextTheFieldRefuses();
    void cardDateAndStateEditors();
    void amountsOnTheCardAndInTheGrid();

private:
    QModelIndex focusCell(int row, const QString &field)
    {
        const QModelIndex index = main()->model()->index(row, column(field));
        main()->grid()->setCurrentIndex(index);
        return index;
    }
    QLineEdit *openCellEditor() const { return main()->grid()->viewport()->findChild<QLineEdit *>(); }
    int cardPair(const QString &field) const
    {
        for (int k = 0; k < Principale::kPairs; ++k)
            if (main()->cardPairs()[size_t(k)].boundField == field)
                return k + 1;
        return -1;
    }
};

void TestInPlaceEditors::gridDigitsAndPhoneFields()
{
    start(0);
    const qint64 person = addPerson("Bruno");
    trigger("QueryCommittente");
    QTableView *grid = main()->grid();

    focusCell(0, "CAP");
    QTest::keyClick(grid, Qt::Key_A); // no editor opens for a refused key
    QVERIFY(!openCellEditor() || !openCellEditor()->isVisible());
    QTest::keyClick(grid, Qt::Key_1);
    QLineEdit *editor = openCellEditor();
    QVERIFY(editor && editor->isVisible());
    editor->setText(QStringLiteral("1"));
    QTest::keyClicks(editor, "2a ");
    QCOMPARE(editor->text(), QStringLiteral("12"));
    QTest::keyClick(editor, Qt::Key_Return);
    QCOMPARE(scalar(QStringLiteral("SELECT CAP FROM Indirizzo WHERE IdCommittente = %1").arg(person)).toString(),
             QStringLiteral("12"));
    QCOMPARE(query()->state(), Query::State::Browse);

    grid->closePersistentEditor(grid->currentIndex());
    focusCell(0, "Numero_fax");
    QTest::keyClick(grid, Qt::Key_0);
    editor = openCellEditor();
    QVERIFY(editor);
    editor->setText(QStringLiteral("0"));
    QTest::keyClicks(editor, "6 5x5");
    QCOMPARE(editor->text(), QStringLiteral("06 55"));
}

void TestInPlaceEditors::gridProjectDates()
{
    start(0);
    const qint64 person = addPerson("Costa");
    const qint64 project = addProject(person, "Costa", 900, 0);
    db_->db().exec("UPDATE Progetto SET Data_fine = '2022-03-04'");
    openProjectsOf(person);
    QTableView *grid = main()->grid();
    const QString stored = QStringLiteral("SELECT Data_fine FROM Progetto WHERE IdProgetto = %1").arg(project);

    focusCell(0, "Data_fine");
    QTest::keyClicks(grid, "x7");
    QCOMPARE(query()->fieldByName("Data_fine").asDate(), QDate(2022, 3, 4));
    QCOMPARE(query()->state(), Query::State::Browse);

    auto *picker = child<QDateEdit>("DateTimePicker1");
    picker->show();
    QTest::keyClick(grid, Qt::Key_Backspace);
    QVERIFY(scalar(stored).isNull());
    QVERIFY(!picker->isVisible());

    picker->setDate(QDate(2025, 6, 7));
    QTest::keyClick(grid, Qt::Key_Return);
    QCOMPARE(scalar(stored).toString(), QStringLiteral("2025-06-07"));
    QCOMPARE(query()->state(), Query::State::Browse);

    // A date picked while the row is being edited goes into the field without its time.
    query()->edit();
    picker->setDate(QDate(2026, 1, 2));
    main()->DateTimePicker1Change();
    QCOMPARE(query()->fieldByName("Data_fine").value(), QVariant(QDate(2026, 1, 2)));
    QVERIFY(main()->DateTimePicker1DropDown());
}

void TestInPlaceEditors::paymentsAreNotChangedInPlace()
{
    start(0);
    const qint64 person = addPerson("Moretti");
    const qint64 project = addProject(person, "Moretti", 900, 0);
    openPaymentsOf(person, project);
    addPaymentThroughSheet(150);
    dialogs_->clear();
    QTableView *grid = main()->grid();

    focusCell(0, "Importo");
    QTest::keyClick(grid, Qt::Key_5);
    QCOMPARE(dialogs_->messages, QStringList{KeyFilter::paymentsMessage()});
    focusCell(0, "Data");
    QTest::keyClick(grid, Qt::Key_5);
    QCOMPARE(dialogs_->messages.size(), 1); // a date key is only discarded
    QVERIFY(!main()->DateTimePicker1DropDown());
    QCOMPARE(dialogs_->messages.size(), 2);

    trigger("MostraScheda");
    QLineEdit *amount = cardEditor("Importo");
    QTest::keyClicks(amount, "99");
    QCOMPARE(amount->text(), QStringLiteral("150"));
    QVERIFY(!main()->DateTimePicker2DropDown());
    QCOMPARE(dialogs_->messages.size(), 3);
    main()->globals().dateFieldSelector = 1;
    main()->DateTimePicker2Exit();

    QCOMPARE(query()->state(), Query::State::Browse);
    QCOMPARE(scalar("SELECT Importo FROM Pagamenti").toDouble(), 150.0);
    QCOMPARE(paid(project), 150.0);
}

void TestInPlaceEditors::cardBackspaceClearsDateAndSaves()
{
    start(0);
    const qint64 person = addPerson("Pellegrini");
    addProject(person, "Pellegrini", 900, 0);
    db_->db().exec("UPDATE Progetto SET Data_scadenza = '2022-09-10'");
    openProjectsOf(person);
    trigger("MostraScheda");

    QLineEdit *due = cardEditor("Data_scadenza");
    main()->OpenCardEditor(cardPair("Data_scadenza"));
    auto *picker = child<QDateEdit>("DateTimePicker2");
    QVERIFY(picker->isVisible());
    QTest::keyClick(due, Qt::Key_Backspace);
    QVERIFY(scalar("SELECT Data_scadenza FROM Progetto").isNull());
    QVERIFY(due->text().isEmpty());
    QVERIFY(!picker->isVisible());
    QCOMPARE(query()->state(), Query::State::Browse);
}

void TestInPlaceEditors::cardDigitsOnlyAndEnterSaves()
{
    start(0);
    const qint64 person = addPerson("Marchetti");
    addProject(person, "Marchetti", 900, 0);
    openProjectsOf(person);
    trigger("MostraScheda");

    QLineEdit *total = cardEditor("Importo_totale");
    total->selectAll();
    QTest::keyClicks(total, "2a5x0");
    QCOMPARE(total->text(), QStringLiteral("250"));
    QCOMPARE(query()->state(), Query::State::Edit);
    QTest::keyClick(total, Qt::Key_Return);
    QCOMPARE(query()->state(), Query::State::Browse);
    QCOMPARE(scalar("SELECT Importo_totale FROM Progetto").toDouble(), 250.0);

    QLineEdit *place = cardEditor("Comune");
    place->selectAll();
    QTest::keyClicks(place, "Lecce 2");
    QTest::keyClick(place, Qt::Key_Return);
    QCOMPARE(scalar("SELECT Comune FROM Progetto").toString(), QStringLiteral("Lecce 2"));
    QCOMPARE(scalar("SELECT Importo_pagato FROM Progetto").toDouble(), 0.0);
}

void TestInPlaceEditors::cardDateTextTheFieldRefuses()
{
    start(0);
    const qint64 person = addPerson("Gatti");
    addProject(person, "Gatti", 900, 0);
    openProjectsOf(person);
    trigger("MostraScheda");

    QLineEdit *end = cardEditor("Data_fine");
    QTest::keyClicks(end, "31/02/20x");
    QCOMPARE(end->text(), QStringLiteral("31/02/20x"));
    QCOMPARE(query()->state(), Query::State::Edit);
    QTest::keyClick(end, Qt::Key_Return);
    QCOMPARE(dialogs_->errors.size(), 1);
    QCOMPARE(query()->state(), Query::State::Edit);
    QVERIFY(scalar("SELECT Data_fine FROM Progetto").isNull());

    // Enter saves no card date; moving through the navigator saves the row.
    end->selectAll();
    QTest::keyClicks(end, "15/03/2021");
    QTest::keyClick(end, Qt::Key_Return);
    QCOMPARE(dialogs_->errors.size(), 1);
    QCOMPARE(query()->fieldByName("Data_fine").asDate(), QDate(2021, 3, 15));
    QTest::mouseClick(child<QToolButton>("DBNavigator1First"), Qt::LeftButton);
    QCOMPARE(query()->state(), Query::State::Browse);
    QCOMPARE(scalar("SELECT Data_fine FROM Progetto").toString(), QStringLiteral("2021-03-15"));

    // A date typed halfway is not dropped by a move through the navigator: the move is
    // refused with the field's message and the text stays for the user to finish.
    end->selectAll();
    QTest::keyClicks(end, "16/03/2");
    QTest::mouseClick(child<QToolButton>("DBNavigator1Last"), Qt::LeftButton);
    QCOMPARE(dialogs_->errors.size(), 2);
    QCOMPARE(end->text(), QStringLiteral("16/03/2"));
    QCOMPARE(query()->state(), Query::State::Edit);
    QTest::keyClicks(end, "022");
    QTest::mouseClick(child<QToolButton>("DBNavigator1Last"), Qt::LeftButton);
    QCOMPARE(dialogs_->errors.size(), 2);
    QCOMPARE(scalar("SELECT Data_fine FROM Progetto").toString(), QStringLiteral("2022-03-16"));
}

void TestInPlaceEditors::cardDateAndStateEditors()
{
    start(0);
    const qint64 person = addPerson("Ricci");
    addProject(person, "Ricci", 900, 0, QStringLiteral("In corso"));
    openProjectsOf(person);
    trigger("MostraScheda");

    main()->OpenCardEditor(cardPair("Data_inizio"));
    QCOMPARE(main()->globals().dateFieldSelector, 2);
    auto *picker = child<QDateEdit>("DateTimePicker2");
    picker->setDate(QDate(2020, 10, 11));
    main()->DateTimePicker2Exit();
    QCOMPARE(scalar("SELECT Data_inizio FROM Progetto").toString(), QStringLiteral("2020-10-11"));

    main()->OpenCardEditor(cardPair("Stato"));
    auto *states = child<QComboBox>("ComboBox2");
    main()->ComboBox2DropDown();
    QCOMPARE(states->count(), int(count("Stato")));
    QCOMPARE(states->itemText(0), scalar("SELECT Stato_progetto FROM Stato ORDER BY rowid").toString());
    states->setEditText(QStringLiteral("Sospeso"));
    main()->ComboBox2Exit();
    QCOMPARE(scalar("SELECT Stato FROM Progetto").toString(), QStringLiteral("Sospeso"));

    // Left empty, the box saves the row with the state it had.
    states->setEditText(QString());
    main()->ComboBox2Exit();
    QCOMPARE(scalar("SELECT Stato FROM Progetto").toString(), QStringLiteral("Sospeso"));
    QCOMPARE(query()->state(), Query::State::Browse);
    QVERIFY(dialogs_->errors.isEmpty());
}

void TestInPlaceEditors::amountsOnTheCardAndInTheGrid()
{
    start(0);
    const qint64 person = addPerson("Marchetti");
    addProject(person, "Marchetti", 900, 0);
    openProjectsOf(person);

    // The grid: a point is the decimal comma, a third decimal is refused aloud.
    focusCell(0, "Importo_totale");
    QTest::keyClick(main()->grid(), Qt::Key_1);
    QLineEdit *editor = openCellEditor();
    QVERIFY(editor && editor->isVisible());
    editor->setText(QStringLiteral("1"));
    QTest::keyClicks(editor, "234.567");
    QCOMPARE(editor->text(), QStringLiteral("1234,56"));
    QCOMPARE(dialogs_->notices.size(), 1);
    QTest::keyClick(editor, Qt::Key_Return);
    QCOMPARE(scalar("SELECT Importo_totale FROM Progetto").toDouble(), 1234.56);

    // The card: the same rules, and a pasted amount taken as typed.
    dialogs_->clear();
    trigger("MostraScheda");
    QLineEdit *total = cardEditor("Importo_totale");
    total->selectAll();
    QTest::keyClicks(total, "1000000000");
    QCOMPARE(total->text(), QStringLiteral("100000000"));
    QCOMPARE(dialogs_->notices.size(), 1);
    total->selectAll();
    QGuiApplication::clipboard()->setText(QStringLiteral("2975.46"));
    QTest::keySequence(total, QKeySequence::Paste);
    QCOMPARE(total->text(), QStringLiteral("2975,46"));
    QTest::keyClick(total, Qt::Key_Return);
    QCOMPARE(query()->state(), Query::State::Browse);
    QCOMPARE(scalar("SELECT Importo_totale FROM Progetto").toDouble(), 2975.46);
    QCOMPARE(dialogs_->notices.size(), 1);
    QVERIFY(dialogs_->errors.isEmpty());
}

QTEST_MAIN(TestInPlaceEditors)
#include "tst_inplaceeditors.moc"
