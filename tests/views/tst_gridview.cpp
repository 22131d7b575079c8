#include "data/table.h"
#include "queries/querycomplessa.h"
#include "views/viewfixture.h"

// The grid of the main window as it is drawn and sorted, driven through real clicks.
class TestGridView : public QObject, public ViewFixture
{
    Q_OBJECT

private Q_SLOTS:
    void init() { startFixture(); }
    void cleanup() { stopFixture(); }

    void groupColoursOfPersons();
    void groupColoursOfProjects();
    void amountColours();
    void stateColours();
    void rowMarkOverEveryColour();
    void projectsByStateMarksTheClient();
    void selectedCellIsBlack();
    void threeClicksSortAscDescAsc();
    void sortPrefixTest();
    void datePickerOverFocusedDateCell();
    void stateColumnPickList();
    void screenshots();
};

void TestGridView::groupColoursOfPersons()
{
    start();
    trigger("QueryCommittente");
    const int row = 2; // not the current row, which the grid draws selected
    const QList<QPair<QString, QColor>> expected = {
        {"Cognome", Rgb::PersonYellow},
        {"Nome", Rgb::PersonYellow},
        {"Qualifica", Rgb::PersonYellow},
        {"Codice_fiscale", Rgb::PersonYellow},
        {"Partita_iva", Rgb::PersonYellow},
        {"Note", Rgb::PersonYellow},
        {"Via", Rgb::AddressPink},
        {"Città", Rgb::AddressPink},
        {"CAP", Rgb::AddressPink},
        {"Numero_telefono1", Rgb::ContactGreen},
        {"Numero_telefono2", Rgb::ContactGreen},
        {"Numero_fax", Rgb::ContactGreen},
        {"Numero_cell1", Rgb::ContactGreen},
        {"Numero_cell2", Rgb::ContactGreen},
        {"E_mail", Rgb::ContactGreen},
        {"Sito_internet", Rgb::ContactGreen},
    };
    for (const auto &[field, colour] : expected)
        QVERIFY2(background(row, field) == colour, qPrintable(field));

    // Links: underlined blue, nothing else; other cells keep the grid's font.
    for (const QString field : {"E_mail", "Sito_internet"}) {
        QCOMPARE(foreground(row, field), Rgb::Blue);
        QVERIFY(underlined(row, field));
        QVERIFY(!bold(row, field));
    }
    QVERIFY(!underlined(row, "Cognome"));
    QCOMPARE(drawnPixel(row, "Cognome"), Rgb::PersonYellow);
    QCOMPARE(drawnPixel(row, "E_mail"), Rgb::ContactGreen);
}

void TestGridView::groupColoursOfProjects()
{
    start();
    trigger("QueryProgetto");
    for (const QString field : {"Cognome_progettista", "Nome_progettista", "Descrizione", "Comune", "Data_inizio",
                                "Data_fine", "Data_scadenza", "Archivio", "Nota"})
        QVERIFY2(background(1, field) == Rgb::ProjectCyan, qPrintable(field));
    QCOMPARE(drawnPixel(1, "Comune"), Rgb::ProjectCyan);
}

void TestGridView::amountColours()
{
    start(0);
    const qint64 person = addPerson("Bianchi");
    const qint64 unpaid = addProject(person, "Bianchi", 1000, 400);
    const qint64 paid = addProject(person, "Bianchi", 1000, 1000);
    const qint64 over = addProject(person, "Bianchi", 1000, 1200);
    const qint64 halfDown = addProject(person, "Bianchi", 1000, 0); // 999.5 rounds to 1000
    const qint64 halfOdd = addProject(person, "Bianchi", 1000, 0);  // 998.5 rounds to 998
    db_->db().exec(QStringLiteral("UPDATE Progetto SET Importo_pagato = 999.5 WHERE IdProgetto = %1").arg(halfDown));
    db_->db().exec(QStringLiteral("UPDATE Progetto SET Importo_pagato = 998.5 WHERE IdProgetto = %1").arg(halfOdd));
    trigger("QueryProgetto");
    // The current row is drawn selected; keep it off the rows looked at.
    main()->grid()->setCurrentIndex(cell(rowOf("IdProgetto", over), "Comune"));

    const auto both = [&](qint64 project, const QColor &colour) {
        const int row = rowOf("IdProgetto", project);
        QVERIFY(row >= 0);
        QCOMPARE(background(row, "Importo_totale"), colour);
        QCOMPARE(background(row, "Importo_pagato"), colour);
    };
    both(unpaid, Rgb::Red);
    both(paid, Rgb::Green);
    both(halfDown, Rgb::Green);
    both(halfOdd, Rgb::Red);
    main()->grid()->setCurrentIndex(cell(rowOf("IdProgetto", paid), "Comune"));
    both(over, QColor()); // left as the grid prepared it
    QCOMPARE(drawnPixel(rowOf("IdProgetto", unpaid), "Importo_totale"), Rgb::Red);
    QCOMPARE(drawnPixel(rowOf("IdProgetto", paid), "Importo_pagato"), Rgb::Green);
}

void TestGridView::stateColours()
{
    start(0);
    const qint64 person = addPerson("Verdi");
    const QList<QPair<QString, QColor>> states = {{"Annullato", Rgb::Red},    {"Da iniziare", Rgb::Green},
                                                  {"In corso", Rgb::Yellow},  {"Sospeso", Rgb::Blue},
                                                  {"Concluso", Rgb::Fuchsia}, {"", Rgb::Fuchsia},
                                                  {"in corso", Rgb::Fuchsia}};
    QList<qint64> projects;
    for (const auto &state : states)
        projects << addProject(person, "Verdi", 100, 0, state.first);
    trigger("QueryProgetto");
    main()->grid()->setCurrentIndex(cell(0, "Comune"));
    for (int i = 1; i < states.size(); ++i) // row 0 is current
        QVERIFY2(background(rowOf("IdProgetto", projects[i]), "Stato") == states[i].second, qPrintable(states[i].first));
    QCOMPARE(drawnPixel(rowOf("IdProgetto", projects[3]), "Stato"), Rgb::Blue);
}

void TestGridView::rowMarkOverEveryColour()
{
    start();
    trigger("QueryCommittente");
    clickCell(3, "Cognome");
    const QString key = query()->text(3, column("Committente.IdCommittente"));
    QCOMPARE(main()->globals().selectedKey, key);
    for (const QString field : {"Cognome", "CAP", "E_mail", "Sito_internet", "Note"}) {
        QVERIFY2(background(3, field) == Rgb::Aqua, qPrintable(field));
        QCOMPARE(foreground(3, field), Rgb::Blue);
        QVERIFY(bold(3, field));
        QVERIFY(!underlined(3, field));
        QVERIFY(background(4, field) != Rgb::Aqua);
        QVERIFY(!bold(4, field));
    }
    QCOMPARE(drawnPixel(3, "Via"), Rgb::Aqua);

    // The mark is not cleared by a new result; a click elsewhere moves it.
    trigger("QueryConProgetti");
    QCOMPARE(main()->globals().selectedKey, key);
    clickCell(1, "Nome");
    QCOMPARE(main()->globals().selectedKey, query()->text(1, column("Committente.IdCommittente")));
    QCOMPARE(background(1, "Nome"), Rgb::Aqua);
}

void TestGridView::projectsByStateMarksTheClient()
{
    start(0);
    const qint64 first = addPerson("Neri");
    const qint64 second = addPerson("Gialli");
    addProject(first, "Neri", 100, 0);
    addProject(second, "Gialli", 100, 0);
    addProject(first, "Neri", 200, 0);
    trigger("QueryProgetto");
    main()->globals().viewKind = ViewProjectsByState; // as the state query leaves it
    const int row = rowOf("IdCommittente", first);
    clickCell(row, "Comune");
    QCOMPARE(main()->globals().selectedKey, QString::number(first));
    for (int r = 0; r < query()->recordCount(); ++r) {
        const bool ofFirst = query()->value(r, column("IdCommittente")).toLongLong() == first;
        QCOMPARE(background(r, "Descrizione") == Rgb::Aqua, ofFirst);
    }
}

void TestGridView::selectedCellIsBlack()
{
    start();
    trigger("QueryCommittente");
    main()->grid()->setCurrentIndex(cell(0, "Cognome"));
    QCOMPARE(foreground(0, "Cognome"), Rgb::Black);
    QCOMPARE(background(0, "Cognome"), Rgb::PersonYellow); // the group colour wins over the selection
    main()->grid()->setCurrentIndex(cell(0, "E_mail"));
    QCOMPARE(foreground(0, "E_mail"), Rgb::Blue); // links are blue even when selected
}

void TestGridView::threeClicksSortAscDescAsc()
{
    start();
    trigger("QueryCommittente");
    const QStringList statement = query()->sql();
    const int rows = query()->recordCount();
    addPerson("Aaaa"); // not in the result: sorting does not run the statement again
    QHeaderView *titles = grid()->horizontalHeader();
    const int c = column("Cognome");
    const auto clickTitle = [&] {
        const int x = titles->sectionViewportPosition(c) + titles->sectionSize(c) / 2;
        QTest::mouseClick(titles->viewport(), Qt::LeftButton, {}, QPoint(x, titles->height() / 2));
    };
    const auto surnames = [&] {
        QStringList list;
        for (int r = 0; r < query()->recordCount(); ++r)
            list << query()->text(r, c);
        return list;
    };
    const auto titleBold = [&] {
        return main()->model()->headerData(c, Qt::Horizontal, Qt::FontRole).value<QFont>().bold();
    };
    QVERIFY(!titleBold());
    const int currentBefore = query()->currentRow();
    const QString currentKey = query()->text(currentBefore, column("Committente.IdCommittente"));

    clickTitle();
    QCOMPARE(query()->sort(), QStringLiteral("Cognome ASC"));
    QVERIFY(titleBold());
    QStringList ascending = surnames();
    QVERIFY(ascending.first() <= ascending.last());
    QCOMPARE(query()->recordCount(), rows);
    QCOMPARE(query()->sql(), statement);
    QVERIFY(!ascending.contains("Aaaa"));
    // The current record stays current where the sort put it.
    QCOMPARE(query()->text(query()->currentRow(), column("Committente.IdCommittente")), currentKey);
    QCOMPARE(grid()->currentIndex().row(), query()->currentRow());

    clickTitle();
    QCOMPARE(query()->sort(), QStringLiteral("Cognome DESC"));
    QVERIFY(!titleBold());
    QStringList descending = surnames();
    std::reverse(descending.begin(), descending.end());
    QCOMPARE(descending, ascending);

    clickTitle();
    QCOMPARE(query()->sort(), QStringLiteral("Cognome ASC"));
    QVERIFY(titleBold());
    QCOMPARE(surnames(), ascending);

    // Another column starts ascending; each title keeps its own bold state.
    const int name = column("Nome");
    const int x = titles->sectionViewportPosition(name) + titles->sectionSize(name) / 2;
    QTest::mouseClick(titles->viewport(), Qt::LeftButton, {}, QPoint(x, titles->height() / 2));
    QCOMPARE(query()->sort(), QStringLiteral("Nome ASC"));
    QVERIFY(titleBold());
    QVERIFY(main()->model()->headerData(name, Qt::Horizontal, Qt::FontRole).value<QFont>().bold());

    // A new result starts unsorted with plain titles.
    trigger("QueryCommittente");
    QVERIFY(query()->sort().isEmpty());
    QVERIFY(!titleBold());
}

void TestGridView::sortPrefixTest()
{
    start();
    // A result holding both Data_inizio and Data, as a complex query may give.
    query()->close();
    query()->setSql({"SELECT IdFattura, Data_inizio, Data FROM Progetto, Pagamenti",
                     "WHERE Progetto.IdProgetto=Pagamenti.IdProgetto"});
    query()->open();
    QVERIFY(query()->recordCount() > 1);
    main()->DBGrid1TitleClick(column("Data_inizio"));
    QCOMPARE(query()->sort(), QStringLiteral("Data_inizio ASC"));
    main()->DBGrid1TitleClick(column("Data"));
    QCOMPARE(query()->sort(), QStringLiteral("Data DESC"));
    main()->DBGrid1TitleClick(column("Data"));
    QCOMPARE(query()->sort(), QStringLiteral("Data ASC"));
}

void TestGridView::datePickerOverFocusedDateCell()
{
    start(0);
    const qint64 person = addPerson("Rossi");
    const qint64 dated = addProject(person, "Rossi", 100, 0);
    const qint64 undated = addProject(person, "Rossi", 100, 0);
    db_->db().exec(QStringLiteral("UPDATE Progetto SET Data_scadenza='2024-03-15' WHERE IdProgetto=%1").arg(dated));
    trigger("QueryProgetto");
    auto *picker = child<QDateEdit>("DateTimePicker1");
    QCOMPARE(picker->displayFormat(), QStringLiteral("dd/MM/yyyy"));
    main()->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(main()));
    grid()->setFocus();
    QVERIFY(grid()->hasFocus());

    const QModelIndex due = cell(rowOf("IdProgetto", dated), "Data_scadenza");
    grid()->setCurrentIndex(due);
    grid()->scrollTo(due);
    grid()->viewport()->repaint();
    QVERIFY(picker->isVisible());
    QCOMPARE(picker->date(), QDate(2024, 3, 15));
    const QRect rect = grid()->visualRect(due);
    const QPoint cellTopLeft = grid()->viewport()->mapTo(picker->parentWidget(), rect.topLeft());
    // Left and top one pixel in from the cell's corner, width and height two more than the cell's.
    QCOMPARE(picker->geometry(), QRect(cellTopLeft + QPoint(1, 1), rect.size() + QSize(2, 2)));

    // Same column, empty date: today's date.
    grid()->setCurrentIndex(cell(rowOf("IdProgetto", undated), "Data_scadenza"));
    grid()->viewport()->repaint();
    QVERIFY(picker->isVisible());
    QCOMPARE(picker->date(), QDate::currentDate());

    // Leaving the date column hides it; a non-date column does not show it again.
    grid()->setCurrentIndex(cell(0, "Comune"));
    grid()->viewport()->repaint();
    QVERIFY(!picker->isVisible());

    // An unfocused grid does not place it.
    grid()->setCurrentIndex(due);
    grid()->viewport()->repaint();
    QVERIFY(picker->isVisible());
    grid()->setCurrentIndex(cell(0, "Comune"));
    child<QLineEdit>("Edit1")->setFocus();
    grid()->setCurrentIndex(due);
    grid()->viewport()->repaint();
    QVERIFY(!picker->isVisible());

    // Every query hides it.
    grid()->setFocus();
    grid()->viewport()->repaint();
    QVERIFY(picker->isVisible());
    trigger("QueryProgetto");
    QVERIFY(!picker->isVisible());
}

void TestGridView::stateColumnPickList()
{
    start();
    trigger("QueryProgetto");
    const int state = column("Stato");
    QVERIFY(!main()->gridDelegate()->hasPickList(state));
    clickCell(1, "Stato");
    const QStringList expected = {"Da iniziare", "In corso", "Sospeso", "Annullato", "Concluso"};
    QCOMPARE(main()->gridDelegate()->pickList(state), expected);
    QVERIFY(!main()->workspace().lookUpTable()->isActive());

    // The in-place editor of the column offers the list and writes the pick into the row.
    const QModelIndex index = cell(1, "Stato");
    grid()->edit(index);
    auto *box = grid()->findChild<QComboBox *>();
    QVERIFY(box);
    QStringList items;
    for (int i = 0; i < box->count(); ++i)
        items << box->itemText(i);
    QVERIFY(items.mid(0, expected.size()) == expected);
    box->setCurrentIndex(items.indexOf("Sospeso"));
    main()->gridDelegate()->setModelData(box, main()->model(), index);
    QCOMPARE(query()->text(1, state), QStringLiteral("Sospeso"));
    query()->cancel();

    // The list belongs to the columns of the result it was filled for.
    trigger("QueryProgetto");
    QVERIFY(!main()->gridDelegate()->hasPickList(column("Stato")));
}

void TestGridView::screenshots()
{
    start();
    main()->resize(1200, 700);
    trigger("QueryCommittente");
    clickCell(2, "Cognome");
    saveScreenshot(child<QWidget>("Panel1"), "grid_persons.png");
    trigger("QueryProgetto");
    clickCell(4, "Descrizione");
    saveScreenshot(child<QWidget>("Panel1"), "grid_projects.png");
    saveScreenshot(main(), "main_projects.png");
}

QTEST_MAIN(TestGridView)
#include "tst_gridview.moc"
