// A day at the office, all through the real window: a new client, a project for them,
// payments until it is paid in full, a payment taken back, and corrections in grid and card.
#include "editing/editingfixture.h"
#include "views/griddelegate.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QStyleOptionViewItem>
#include <QTimer>

class TestOfficeFlow : public QObject, public EditingFixture
{
    Q_OBJECT

private Q_SLOTS:
    void init() { startFixture(); }
    void cleanup() { stopFixture(); }

    void clientProjectPaymentsAndCorrections();
    void closingSavesATypedChange();
    void refusedChangeKeepsTheWindowOpen();
    void pasteAndQueriesKeepTheData();
    void refusedSaveKeepsTheCursorOnTheChangedRow();

private:
    void clickCell(int row, const QString &field)
    {
        const QModelIndex index = main()->model()->index(row, column(field));
        main()->grid()->scrollTo(index);
        QTest::mouseClick(main()->grid()->viewport(), Qt::LeftButton, {}, main()->grid()->visualRect(index).center());
    }
    // Whether the widget's context menu opens; a menu that does is closed again at once.
    static bool opensContextMenu(QWidget *widget)
    {
        bool opened = false;
        QTimer::singleShot(100, [&opened] {
            if (QWidget *popup = QApplication::activePopupWidget()) {
                opened = true;
                popup->close();
            }
        });
        QContextMenuEvent event(QContextMenuEvent::Keyboard, QPoint(2, 2), widget->mapToGlobal(QPoint(2, 2)));
        QApplication::sendEvent(widget, &event);
        QTest::qWait(150);
        return opened;
    }
    QColor background(int row, const QString &field) const
    {
        QStyleOptionViewItem option;
        option.initFrom(main()->grid());
        const QModelIndex index = main()->model()->index(row, column(field));
        main()->gridDelegate()->initStyleOption(&option, index);
        return option.backgroundBrush.color();
    }
};

void TestOfficeFlow::clientProjectPaymentsAndCorrections()
{
    start(0);
    click("QueryCommittenteButton");
    QCOMPARE(query()->recordCount(), 0);

    // A new client.
    click("BitBtn1");
    QVERIFY(sheet()->isVisible());
    QVERIFY(!main()->isEnabled());
    type("Cognome", "D'Angelo");
    type("Nome", "Lucia");
    type("Qualifica", "Arch.");
    type("CAP", "47121x");
    pressEnterIn("Qualifica");
    QVERIFY2(!sheet()->isVisible(), qPrintable(dialogs_->messages.join('\n') + dialogs_->errors.join('\n')));
    QVERIFY(main()->isEnabled());
    QCOMPARE(scalar("SELECT Cognome || '/' || CAP FROM Committente JOIN Indirizzo USING (IdCommittente)").toString(),
             QStringLiteral("D'Angelo/47121"));

    // Her first project: the toggle, then a click on her row.
    click("QueryCommittenteButton");
    click("SpeedButton1");
    clickCell(0, "Cognome");
    QCOMPARE(main()->globals().viewKind, 2);
    QCOMPARE(main()->statusText(), QStringLiteral("Query attuale: Progetti di D'Angelo "));
    click("BitBtn1");
    QCOMPARE(sheetEditor("Cognome_progettista")->text(), QStringLiteral("D'Angelo"));
    type("Comune", "Cesena");
    type("Importo_totale", "1000");
    dialogs_->answerNext(true); // "Data di fine" left empty
    dialogs_->answerNext(true); // "Data di consegna" left empty
    pressEnterIn("Comune");
    QVERIFY2(!sheet()->isVisible(), qPrintable(dialogs_->messages.join('\n') + dialogs_->errors.join('\n')));
    QCOMPARE(dialogs_->questions, QStringList({"La \"Data di fine\" non è stata inserita. Continuare?",
                                               "La \"Data di consegna\" non è stata inserita. Continuare?"}));
    const qint64 project = scalar("SELECT IdProgetto FROM Progetto").toLongLong();
    QCOMPARE(scalar("SELECT Stato FROM Progetto").toString(), QStringLiteral("Da iniziare"));

    // Payments: 400 and 600, the 400 taken back, then paid again in full.
    click("QueryCommittenteButton");
    click("SpeedButton1");
    clickCell(0, "Cognome");
    clickCell(0, "Descrizione");
    QCOMPARE(main()->globals().viewKind, 3);
    QVERIFY(child<QToolButton>("BitBtn1")->isEnabled());
    auto addPayment = [this](int amount) {
        click("BitBtn1");
        type("Importo", QString::number(amount));
        type("Fattura", "2026/1");
        dialogs_->answerNext(true); // the payment date left empty
        pressEnterIn("Importo");
        QVERIFY2(!sheet()->isVisible(), qPrintable(dialogs_->errors.join('\n')));
    };
    addPayment(400);
    addPayment(600);
    QCOMPARE(query()->recordCount(), 2);
    QCOMPARE(paid(project), 1000.0);
    query()->setCurrentRow(rowOf("Importo", 400));
    dialogs_->answerNext(true);
    click("BitBtn2");
    QCOMPARE(dialogs_->questions.last(), QStringLiteral("Vuoi cancellare il record selezionato?"));
    QCOMPARE(query()->recordCount(), 1);
    QCOMPARE(paid(project), 600.0);
    addPayment(400);
    QCOMPARE(paid(project), 1000.0);
    QCOMPARE(sumOfPayments(project), 1000.0);

    // The paid project turns green in the projects list; its payments take no new one.
    click("QueryProgettoButton");
    // The project is still the row last picked, marked aqua over every colour; unmark it.
    QCOMPARE(background(0, "Importo_pagato"), QColor(0x00, 0xFF, 0xFF));
    main()->globals().selectedKey.clear();
    QCOMPARE(background(0, "Importo_pagato"), QColor(0x00, 0x80, 0x00));
    QCOMPARE(background(0, "Importo_totale"), QColor(0x00, 0x80, 0x00));
    click("SpeedButton1");
    clickCell(0, "Comune");
    QCOMPARE(main()->globals().viewKind, 3);
    QVERIFY(!child<QToolButton>("BitBtn1")->isEnabled());
    QVERIFY(!child<QToolButton>("BitBtn2")->isEnabled());

    // Corrections: the street in the grid, the first name on the card.
    click("QueryCommittenteButton");
    const QModelIndex via = main()->model()->index(0, column("Via"));
    main()->grid()->setCurrentIndex(via);
    QTest::keyClick(main()->grid(), 'V'); // the first key opens the cell's editor
    QLineEdit *cellEditor = main()->grid()->viewport()->findChild<QLineEdit *>();
    QVERIFY(cellEditor);
    QTest::keyClicks(cellEditor, "ia Emilia 5");
    QTest::keyClick(cellEditor, Qt::Key_Return); // Enter saves the changed row
    QCOMPARE(scalar("SELECT Via FROM Indirizzo").toString(), QStringLiteral("Via Emilia 5"));

    click("MostraSchedaButton");
    QLineEdit *name = cardEditor("Nome");
    name->setFocus();
    name->selectAll();
    QTest::keyClicks(name, "Luciana");
    QTest::keyClick(name, Qt::Key_Return);
    QCOMPARE(scalar("SELECT Nome FROM Committente").toString(), QStringLiteral("Luciana"));
    QVERIFY(dialogs_->errors.isEmpty());
}

void TestOfficeFlow::closingSavesATypedChange()
{
    start(0);
    addPerson("Galli");
    click("QueryCommittenteButton");
    click("MostraSchedaButton");
    QLineEdit *name = cardEditor("Nome");
    name->setFocus();
    name->selectAll();
    QTest::keyClicks(name, "Carla"); // no Enter, no move to another row
    QVERIFY(main()->close());
    QCOMPARE(scalar("SELECT Nome FROM Committente").toString(), QStringLiteral("Carla"));
}

void TestOfficeFlow::refusedChangeKeepsTheWindowOpen()
{
    start(0);
    addPerson("Galli");
    db_->db().exec("CREATE TRIGGER no_changes BEFORE UPDATE ON Committente BEGIN SELECT RAISE(ABORT, 'bloccato'); END");
    click("QueryCommittenteButton");
    click("MostraSchedaButton");
    QLineEdit *name = cardEditor("Nome");
    name->setFocus();
    name->selectAll();
    QTest::keyClicks(name, "Carla");
    dialogs_->answerNext(false); // stay and correct it
    QVERIFY(!main()->close());
    QVERIFY(main()->isVisible());
    QCOMPARE(dialogs_->errors.size(), 1);
    QVERIFY2(dialogs_->errors.first().contains("bloccato"), qPrintable(dialogs_->errors.first()));
    QCOMPARE(dialogs_->questions,
             QStringList({"Le modifiche al record corrente non sono state salvate. Uscire comunque?"}));
    QCOMPARE(query()->fieldByName("Nome").asString(), QStringLiteral("Carla"));

    dialogs_->answerNext(true); // leave without it
    QVERIFY(main()->close());
    QCOMPARE(scalar("SELECT Nome FROM Committente").toString(), QStringLiteral("Anna"));
}

void TestOfficeFlow::pasteAndQueriesKeepTheData()
{
    start(0);
    addPerson("Galli");
    click("QueryCommittenteButton");
    click("MostraSchedaButton");

    // A paste is a key like any other: letters do not get into a postal code.
    QGuiApplication::clipboard()->setText(QStringLiteral("ABC"));
    QLineEdit *cap = cardEditor("CAP");
    cap->setFocus();
    QTest::keyClick(cap, Qt::Key_V, Qt::ControlModifier);
    QVERIFY(cap->text().isEmpty());
    QLineEdit *name = cardEditor("Nome");
    name->setFocus();
    name->selectAll();
    QTest::keyClick(name, Qt::Key_V, Qt::ControlModifier); // free text takes it
    QCOMPARE(name->text(), QStringLiteral("ABC"));

    // A change typed and not saved is saved, not dropped, when another query runs.
    click("QueryProgettoButton");
    QCOMPARE(scalar("SELECT Nome FROM Committente").toString(), QStringLiteral("ABC"));
    QVERIFY(dialogs_->errors.isEmpty());

    // Nor through the editor's own menu: it opens over free text only.
    click("QueryCommittenteButton");
    QCOMPARE(opensContextMenu(cardEditor("CAP")), false);
    QCOMPARE(opensContextMenu(cardEditor("Nome")), true);
}

void TestOfficeFlow::refusedSaveKeepsTheCursorOnTheChangedRow()
{
    start(0);
    addPerson("Galli");
    addPerson("Neri");
    db_->db().exec("CREATE TRIGGER no_changes BEFORE UPDATE ON Committente BEGIN SELECT RAISE(ABORT, 'bloccato'); END");
    click("QueryCommittenteButton");
    const QModelIndex name = main()->model()->index(0, column("Nome"));
    main()->grid()->setCurrentIndex(name);
    QTest::keyClick(main()->grid(), 'C');
    QLineEdit *cellEditor = main()->grid()->viewport()->findChild<QLineEdit *>();
    QVERIFY(cellEditor);
    QTest::keyClicks(cellEditor, "arla");
    QTest::keyClick(cellEditor, Qt::Key_Tab); // the value goes into the row, not yet saved

    clickCell(1, "Cognome");
    QCOMPARE(dialogs_->errors.size(), 1);
    QCOMPARE(query()->currentRow(), 0);
    QCOMPARE(main()->grid()->currentIndex().row(), 0);
    QCOMPARE(query()->fieldByName("Nome").asString(), QStringLiteral("Carla"));
}

QTEST_MAIN(TestOfficeFlow)
#include "tst_officeflow.moc"
