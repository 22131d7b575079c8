#include "editing/editingfixture.h"

#include <QClipboard>
#include <QGuiApplication>

// Adding persons, projects and payments through "Aggiungi" and the input sheet.
class TestInputSheet : public QObject, public EditingFixture
{
    Q_OBJECT

private Q_SLOTS:
    void init() { startFixture(); }
    void cleanup() { stopFixture(); }

    void firstPersonsGetKeysZeroThenOne();
    void personWithoutSurnameIsRefused();
    void hiddenRequiredColumnIsNotTested();
    void projectDefaultsAndDisabledPairs();
    void dateQuestionCancelWritesNothing();
    void closingTheSheetDropsTheRow();
    void refusedSaveKeepsEverythingTyped();
    void savedPaymentReopensPayments();
    void sheetKeyFilter();
    void amountsTypedAndPasted();
    void paidAmountStaysInRange();
};

void TestInputSheet::firstPersonsGetKeysZeroThenOne()
{
    start(0);
    trigger("QueryCommittente");
    for (const QString surname : {"Rossi", "Bianchi"}) {
        trigger("Inserisci");
        QVERIFY(sheet()->isVisible());
        QVERIFY(!main()->isEnabled());
        QCOMPARE(sheet()->focusWidget(), sheet()->editor(0));
        type("Cognome", surname);
        type("Qualifica", "Ingegnere");
        pressEnterIn("Cognome");
        QVERIFY(!sheet()->isVisible());
        QVERIFY(main()->isEnabled());
    }
    QVERIFY(dialogs_->messages.isEmpty());
    QVERIFY(dialogs_->errors.isEmpty());
    for (const QString table : {"Committente", "Indirizzo", "Recapiti"}) {
        QCOMPARE(scalar("SELECT IdCommittente FROM " + table + " WHERE IdCommittente = 0").toInt(), 0);
        QCOMPARE(count(table), 2);
    }
    QCOMPARE(scalar("SELECT Cognome FROM Committente WHERE IdCommittente = 0").toString(), QStringLiteral("Rossi"));
    QCOMPARE(scalar("SELECT Cognome FROM Committente WHERE IdCommittente = 1").toString(), QStringLiteral("Bianchi"));
    QCOMPARE(query()->recordCount(), 2);
}

void TestInputSheet::personWithoutSurnameIsRefused()
{
    start(0);
    trigger("QueryCommittente");
    trigger("Inserisci");
    type("Qualifica", "Geometra");
    QTest::mouseClick(sheet()->confirmButton(), Qt::LeftButton);
    QCOMPARE(dialogs_->messages, QStringList{QStringLiteral("Riempire il campo\"Cognome\"")});
    QCOMPARE(count("Committente"), 0);
    QVERIFY(sheet()->isVisible());
    QCOMPARE(query()->state(), Query::State::Insert);
    QCOMPARE(sheetEditor("Qualifica")->text(), QStringLiteral("Geometra"));
    sheet()->close();
    QVERIFY(main()->isEnabled());
    QCOMPARE(query()->recordCount(), 0);
}

void TestInputSheet::hiddenRequiredColumnIsNotTested()
{
    start(0);
    for (CheckList &list : main()->globals().checkLists) {
        const int item = list.indexOf(QStringLiteral("Qualifica"));
        if (item >= 0)
            list.checked[item] = false;
    }
    trigger("QueryCommittente");
    QVERIFY(main()->grid()->isColumnHidden(column("Qualifica")));
    trigger("Inserisci");
    type("Cognome", "Verdi");
    pressEnterIn("Cognome");
    QVERIFY(dialogs_->messages.isEmpty());
    QCOMPARE(count("Committente"), 1);
}

void TestInputSheet::projectDefaultsAndDisabledPairs()
{
    start(0);
    const qint64 person = addPerson("Neri");
    const qint64 existing = addProject(person, "Neri", 500, 0);
    openProjectsOf(person);
    const QDate start(2023, 4, 17);
    sheet()->dateEditor()->setDate(start);
    trigger("Inserisci");

    QCOMPARE(sheet()->pairs()[0].boundField, QStringLiteral("Cognome_progettista"));
    QCOMPARE(sheet()->editor(0)->text(), QStringLiteral("Neri"));
    QVERIFY(!sheet()->editor(0)->isEnabled());
    QCOMPARE(sheet()->editor(1)->text(), QStringLiteral("Anna"));
    QVERIFY(!sheet()->editor(1)->isEnabled());
    QVERIFY(sheet()->editor(2)->isEnabled());
    QCOMPARE(sheet()->focusWidget(), sheet()->editor(2));
    QCOMPARE(sheetEditor("Stato")->text(), QStringLiteral("Da iniziare"));
    QCOMPARE(sheetEditor("Data_inizio")->text(), QStringLiteral("17/04/2023"));
    QCOMPARE(query()->fieldByName("Importo_pagato").asFloat(), 0.0);
    QCOMPARE(query()->fieldByName("IdProgetto").asInteger(), existing + 1);
    QCOMPARE(query()->fieldByName("IdCommittente").asInteger(), person);

    // The confirm button sits under the last pair shown; the sheet ends 40 pixels below it.
    int shown = 0;
    while (shown < FormInput::kPairs && !sheet()->editor(shown)->isHidden())
        ++shown;
    QCOMPARE(shown, 11);
    QPushButton *button = sheet()->confirmButton();
    QCOMPARE(button->y(), sheet()->editor(0)->y() + 32 * shown + 5);
    QCOMPARE(sheet()->frameGeometry().height(), button->y() + button->height() + 40);
}

void TestInputSheet::dateQuestionCancelWritesNothing()
{
    start(0);
    const qint64 person = addPerson("Galli");
    openProjectsOf(person);
    trigger("Inserisci");
    type("Comune", "Torino");
    type("Importo_totale", "1200");

    dialogs_->answerNext(false);
    pressEnterIn("Comune");
    QCOMPARE(dialogs_->questions, QStringList{QStringLiteral("La \"Data di fine\" non è stata inserita. Continuare?")});
    QCOMPARE(count("Progetto"), 0);
    QVERIFY(sheet()->isVisible());
    QCOMPARE(sheetEditor("Comune")->text(), QStringLiteral("Torino"));

    dialogs_->clear();
    pressEnterIn("Comune");
    QCOMPARE(dialogs_->questions,
             QStringList({QStringLiteral("La \"Data di fine\" non è stata inserita. Continuare?"),
                          QStringLiteral("La \"Data di consegna\" non è stata inserita. Continuare?")}));
    QVERIFY(!sheet()->isVisible());
    QCOMPARE(count("Progetto"), 1);
    QCOMPARE(scalar("SELECT Stato FROM Progetto").toString(), QStringLiteral("Da iniziare"));
    QCOMPARE(scalar("SELECT Importo_pagato FROM Progetto").toDouble(), 0.0);
    QCOMPARE(scalar("SELECT Importo_totale FROM Progetto").toDouble(), 1200.0);
    QCOMPARE(scalar("SELECT Cognome_progettista FROM Progetto").toString(), QStringLiteral("Galli"));
    QCOMPARE(scalar("SELECT IdCommittente FROM Progetto").toLongLong(), person);
}

void TestInputSheet::closingTheSheetDropsTheRow()
{
    start(3);
    trigger("QueryCommittente");
    const int rows = query()->recordCount();
    trigger("Inserisci");
    type("Cognome", "Fabbri");
    QCOMPARE(query()->recordCount(), rows + 1);
    sheet()->close();
    QCOMPARE(query()->state(), Query::State::Browse);
    QCOMPARE(query()->recordCount(), rows);
    QCOMPARE(count("Committente"), 3);
    QVERIFY(main()->isEnabled());
}

void TestInputSheet::refusedSaveKeepsEverythingTyped()
{
    start(0);
    // Root ignores file permissions, so the database refuses the row through a trigger.
    db_->db().exec("CREATE TRIGGER refuse_person BEFORE INSERT ON Recapiti "
                   "BEGIN SELECT RAISE(ABORT, 'archivio in sola lettura'); END");
    trigger("QueryCommittente");
    trigger("Inserisci");
    type("Cognome", "Longo");
    type("Qualifica", "Architetto");
    type("CAP", "00100");
    pressEnterIn("Qualifica");

    QCOMPARE(dialogs_->errors.size(), 1);
    QVERIFY2(dialogs_->errors.first().contains("archivio in sola lettura"), qPrintable(dialogs_->errors.first()));
    QVERIFY(sheet()->isVisible());
    QVERIFY(!main()->isEnabled());
    QCOMPARE(query()->state(), Query::State::Insert);
    QCOMPARE(sheetEditor("Cognome")->text(), QStringLiteral("Longo"));
    QCOMPARE(sheetEditor("CAP")->text(), QStringLiteral("00100"));
    QCOMPARE(query()->fieldByName("Qualifica").asString(), QStringLiteral("Architetto"));
    // The person's first two rows went back with the refused third one.
    QCOMPARE(count("Committente"), 0);
    QCOMPARE(count("Indirizzo"), 0);

    db_->db().exec("DROP TRIGGER refuse_person");
    pressEnterIn("Qualifica");
    QVERIFY(!sheet()->isVisible());
    QCOMPARE(count("Committente"), 1);
    QCOMPARE(scalar("SELECT CAP FROM Indirizzo").toString(), QStringLiteral("00100"));
}

void TestInputSheet::savedPaymentReopensPayments()
{
    start(0);
    const qint64 person = addPerson("Conti");
    const qint64 project = addProject(person, "Conti", 1000, 0);
    openPaymentsOf(person, project);
    const QString status = main()->statusText();

    trigger("Inserisci");
    type("Importo", "250");
    // A click on the date editor lays the sheet's date picker over it, for the payment date.
    QTest::mouseClick(sheetEditor("Data"), Qt::LeftButton);
    QVERIFY(sheet()->dateEditor()->isVisible());
    QCOMPARE(sheet()->dateEditor()->geometry().topLeft(), sheetEditor("Data")->geometry().topLeft());
    QCOMPARE(main()->globals().dateFieldSelector, 1);
    sheet()->dateEditor()->setDate(QDate(2024, 2, 29));
    sheet()->DateTimePicker1Exit();
    type("Fattura", "F-12");
    pressEnterIn("Fattura");

    QVERIFY(!sheet()->isVisible());
    QCOMPARE(query()->sql(), QStringList({"SELECT IdProgetto, Importo, Data, Fattura", "FROM Pagamenti",
                                          QStringLiteral("WHERE IdProgetto =%1").arg(project)}));
    QCOMPARE(main()->globals().viewKind, 3);
    QCOMPARE(query()->recordCount(), 1);
    QCOMPARE(query()->fieldByName("Data").asDate(), QDate(2024, 2, 29));
    QVERIFY(query()->fieldInfo(column("Importo")).readOnly);
    QVERIFY(query()->fieldInfo(column("Fattura")).readOnly);
    QVERIFY(!child<QToolButton>("SpeedButton1")->isEnabled());
    QCOMPARE(main()->statusText(), status);
    QCOMPARE(paid(project), 250.0);
}

void TestInputSheet::sheetKeyFilter()
{
    start(0);
    trigger("QueryCommittente");
    trigger("Inserisci");
    type("Partita_iva", "12a3");
    QCOMPARE(sheetEditor("Partita_iva")->text(), QStringLiteral("123"));
    type("Numero_fax", "06 12x");
    QCOMPARE(sheetEditor("Numero_fax")->text(), QStringLiteral("06 12"));
    type("Cognome", "D'Amico 2");
    QCOMPARE(sheetEditor("Cognome")->text(), QStringLiteral("D'Amico 2"));
    QCOMPARE(query()->fieldByName("Partita_iva").asString(), QStringLiteral("123"));
    // Enter in any editor confirms: here the missing Qualifica is reported.
    pressEnterIn("Partita_iva");
    QCOMPARE(dialogs_->messages, QStringList{QStringLiteral("Riempire il campo\"Qualifica\"")});
}

void TestInputSheet::amountsTypedAndPasted()
{
    start(0);
    const qint64 person = addPerson("Conti");
    const qint64 project = addProject(person, "Conti", 9000, 0);
    openPaymentsOf(person, project);
    QLineEdit *amount = nullptr;

    // The keypad's decimal key types a point: it is taken as the decimal comma.
    trigger("Inserisci");
    amount = sheetEditor("Importo");
    type("Importo", "2975.46");
    QCOMPARE(amount->text(), QStringLiteral("2975,46"));
    QVERIFY(dialogs_->notices.isEmpty());
    // A third decimal, a second separator, a minus: refused aloud, the text as it was.
    type("Importo", "7.,-");
    QCOMPARE(amount->text(), QStringLiteral("2975,46"));
    QCOMPARE(dialogs_->notices.size(), 4);
    QVERIFY(dialogs_->notices.first().startsWith(QStringLiteral("Importo: ")));
    pressEnterIn("Importo");
    QVERIFY2(!sheet()->isVisible(), qPrintable(dialogs_->errors.join(QLatin1Char('\n'))));
    QCOMPARE(sumOfPayments(project), 2975.46);
    QCOMPARE(paid(project), 2975.46);

    // An amount pasted into the empty editor is taken as if typed.
    dialogs_->clear();
    trigger("Inserisci");
    amount = sheetEditor("Importo");
    QGuiApplication::clipboard()->setText(QStringLiteral("1500.5"));
    QTest::keySequence(amount, QKeySequence::Paste);
    QCOMPARE(amount->text(), QStringLiteral("1500,5"));
    // Pasted again after it, it would make no amount: refused aloud, nothing added.
    QTest::keySequence(amount, QKeySequence::Paste);
    QCOMPARE(amount->text(), QStringLiteral("1500,5"));
    QCOMPARE(dialogs_->notices.size(), 1);
    pressEnterIn("Importo");
    QVERIFY2(!sheet()->isVisible(), qPrintable(dialogs_->errors.join(QLatin1Char('\n'))));
    QCOMPARE(sumOfPayments(project), 4475.96);
    QCOMPARE(paid(project), 4475.96);
}

void TestInputSheet::paidAmountStaysInRange()
{
    start(0);
    const qint64 person = addPerson("Conti");
    const qint64 project = addProject(person, "Conti", 1000, 0);
    openPaymentsOf(person, project);

    // Twenty nines: the first nine are taken, each further digit refused aloud.
    trigger("Inserisci");
    type("Importo", "99999999999999999999");
    QCOMPARE(sheetEditor("Importo")->text(), QStringLiteral("999999999"));
    QCOMPARE(dialogs_->notices.size(), 11);
    pressEnterIn("Importo");
    QVERIFY(!sheet()->isVisible());
    QCOMPARE(paid(project), 999999999.0);

    // A second payment would carry the paid amount past the largest amount: refused, with the
    // field's message, and the project's paid amount still equals its payments.
    trigger("Inserisci");
    type("Importo", "1");
    pressEnterIn("Importo");
    QCOMPARE(dialogs_->errors.size(), 1);
    QVERIFY2(dialogs_->errors.first().contains(QStringLiteral("999.999.999,99")), qPrintable(dialogs_->errors.first()));
    QVERIFY(sheet()->isVisible());
    QCOMPARE(query()->state(), Query::State::Insert);
    QCOMPARE(count("Pagamenti"), 1);
    QCOMPARE(paid(project), 999999999.0);
    QCOMPARE(sumOfPayments(project), paid(project));
}

QTEST_MAIN(TestInputSheet)
#include "tst_inputsheet.moc"
