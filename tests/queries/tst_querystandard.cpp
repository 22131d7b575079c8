#include "queries/querywindowfixture.h"

#include "queries/querystandard.h"

#include <QPushButton>

// The query condition dialog on the real windows: its four set-ups, its messages, Enter in
// each input widget, the value lists and the four queries it runs on the main window.
class TestQueryStandard : public QObject, public QueryWindowFixture
{
    Q_OBJECT

private Q_SLOTS:
    void init() { startFixture(); }
    void cleanup() { stopFixture(); }

    void modes_data();
    void modes();
    void missingValueKeepsDialogOpen_data();
    void missingValueKeepsDialogOpen();
    void surnameOnlyAndFirstNameOnly();
    void bothNamesSelectThePersonWithBoth();
    void enterInEachWidgetConfirms();
    void qualificationAndCityListEachTextOnce();
    void stateListListsEveryRowAndRunsProjectsByState();
    void blanksAreAValue();
    void unknownValueGivesEmptyResult();
    void closeBoxRunsNothingAndEnablesMain();

private:
    QueryStandard *dialog() const { return startup_->conditionDialog(); }
    template<typename T>
    T *part(const QString &name) const
    {
        return dialog()->findChild<T *>(name);
    }
};

void TestQueryStandard::modes_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<int>("height");
    QTest::addColumn<bool>("names");
    QTest::addColumn<QString>("label1");
    QTest::addColumn<QString>("label2");
    QTest::addColumn<int>("buttonTop");
    QTest::newRow("Persona") << "Nome" << 194 << true << "Nome"
                             << "Cognome" << 120;
    QTest::newRow("Qualifica") << "Qualifica" << 146 << false << "Qualifica"
                               << "" << 72;
    QTest::newRow("Città") << "Citta" << 146 << false << "Città"
                           << "" << 72;
    QTest::newRow("Stato progetto") << "Stato" << 146 << false << "Stato progetto"
                                    << "" << 72;
}

void TestQueryStandard::modes()
{
    QFETCH(QString, action);
    QFETCH(int, height);
    QFETCH(bool, names);
    QFETCH(QString, label1);
    QFETCH(QString, label2);
    QFETCH(int, buttonTop);

    start();
    // Texts left from an earlier opening are emptied.
    part<QLineEdit>("Edit1")->setText("old");
    part<QLineEdit>("Edit2")->setText("old");
    part<QComboBox>("ComboBox1")->setEditText("old");
    trigger(action);

    QVERIFY(dialog()->isVisible());
    QVERIFY(!main()->isEnabled());
    QCOMPARE(dialog()->windowTitle(), QStringLiteral("Condizione query"));
    QVERIFY(dialog()->windowFlags() & Qt::Tool);
    QCOMPARE(dialog()->height(), height);
    QCOMPARE(part<QLineEdit>("Edit1")->isVisible(), names);
    QCOMPARE(part<QLineEdit>("Edit2")->isVisible(), names);
    QCOMPARE(part<QLabel>("Label2")->isVisible(), names);
    QCOMPARE(part<QComboBox>("ComboBox1")->isVisible(), !names);
    QVERIFY(part<QLabel>("Label1")->isVisible());
    QCOMPARE(part<QLabel>("Label1")->text(), label1);
    QCOMPARE(part<QLabel>("Label2")->text(), label2);
    QCOMPARE(part<QLabel>("Label1")->y(), 36);
    QVERIFY(part<QLabel>("Label1")->x() <= 56);
    QVERIFY(part<QLabel>("Label1")->geometry().right() < 136); // never under the box
    QCOMPARE(part<QPushButton>("Button1")->geometry(), QRect(104, buttonTop, 75, 25));
    QCOMPARE(part<QPushButton>("Button1")->text(), QStringLiteral("Esegui"));
    QCOMPARE(part<QLineEdit>("Edit1")->text(), QString());
    QCOMPARE(part<QLineEdit>("Edit2")->text(), QString());
    if (!names)
        QCOMPARE(part<QComboBox>("ComboBox1")->currentText(), QString());
    saveScreenshot(dialog(), QStringLiteral("querystandard-%1.png").arg(action));
}

void TestQueryStandard::missingValueKeepsDialogOpen_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("message");
    QTest::newRow("Persona") << "Nome"
                             << "Riempire almeno uno dei due campi";
    QTest::newRow("Qualifica") << "Qualifica"
                               << "Inserire una qualifica";
    QTest::newRow("Città") << "Citta"
                           << "Inserire una città";
    QTest::newRow("Stato progetto") << "Stato"
                                    << "Inserire uno stato di progetto";
}

void TestQueryStandard::missingValueKeepsDialogOpen()
{
    QFETCH(QString, action);
    QFETCH(QString, message);
    start();
    trigger("QueryProgetto"); // "Aggiungi" off, "Elimina" on
    main()->action("Elimina")->setEnabled(false);
    const QStringList before = query()->sql();
    const QString status = main()->statusText();
    trigger(action);
    QTest::mouseClick(part<QPushButton>("Button1"), Qt::LeftButton);

    QCOMPARE(dialogs_->messages, QStringList{message});
    QVERIFY(dialog()->isVisible());
    QVERIFY(!main()->isEnabled());
    QCOMPARE(query()->sql(), before);
    QCOMPARE(main()->statusText(), status);
    // The confirm step has set the buttons before it looked at the input.
    QVERIFY(!main()->action("Inserisci")->isEnabled());
    QVERIFY(main()->action("Elimina")->isEnabled());
}

void TestQueryStandard::surnameOnlyAndFirstNameOnly()
{
    start(60);
    trigger("QueryProgetto");
    trigger("Nome");
    part<QLineEdit>("Edit2")->setText("Rossi");
    QTest::mouseClick(part<QPushButton>("Button1"), Qt::LeftButton);

    QVERIFY(dialogs_->errors.isEmpty());
    QCOMPARE(query()->sql(), QStringList({Expected::kPersonsColumns, "FROM Committente, Indirizzo, Recapiti",
                                          Expected::kPersonsJoin + " AND Cognome='Rossi'"}));
    QCOMPARE(main()->statusText(), QStringLiteral("Query attuale: Persone con nome o cognome= Rossi"));
    QCOMPARE(query()->recordCount(), count("SELECT COUNT(*) FROM Committente c JOIN Indirizzo i USING (IdCommittente) "
                                           "JOIN Recapiti r USING (IdCommittente) WHERE Cognome='Rossi'"));
    QVERIFY(query()->recordCount() > 0);
    QCOMPARE(main()->globals().viewKind, 1);
    QCOMPARE(main()->globals().insertKind, 1);
    QCOMPARE(child<QComboBox>("ComboBox1")->currentText(), QStringLiteral("Cognome"));
    QVERIFY(!child<QToolButton>("BitBtn1")->isEnabled());
    QVERIFY(!dialog()->isVisible());
    QVERIFY(main()->isEnabled());
    QCOMPARE(dialog()->storedInput().surname, QStringLiteral("Rossi"));

    trigger("Nome");
    part<QLineEdit>("Edit1")->setText("D'Angelo");
    QTest::mouseClick(part<QPushButton>("Button1"), Qt::LeftButton);
    QVERIFY(dialogs_->errors.isEmpty());
    QCOMPARE(query()->sql().last(), Expected::kPersonsJoin + " AND Nome='D''Angelo'");
    QCOMPARE(main()->statusText(), QStringLiteral("Query attuale: Persone con nome o cognome=D'Angelo "));
}

void TestQueryStandard::bothNamesSelectThePersonWithBoth()
{
    start();
    const qint64 id = addPerson("Zeta"); // first name Anna
    addPerson("Zeta");
    db_->db().exec(QStringLiteral("UPDATE Committente SET Nome='Bruno' WHERE IdCommittente<>%1 AND Cognome='Zeta'")
                       .arg(id)
                       .toUtf8());
    trigger("Nome");
    part<QLineEdit>("Edit1")->setText("Anna");
    part<QLineEdit>("Edit2")->setText("Zeta");
    QTest::mouseClick(part<QPushButton>("Button1"), Qt::LeftButton);
    QCOMPARE(keysOf("Committente.IdCommittente"), std::set<qint64>{id});
    QCOMPARE(main()->statusText(), QStringLiteral("Query attuale: Persone con nome o cognome=Anna Zeta"));
}

void TestQueryStandard::enterInEachWidgetConfirms()
{
    start();
    for (const QString name : {"Edit1", "Edit2"}) {
        trigger("QueryProgetto");
        trigger("Nome");
        auto *edit = part<QLineEdit>(name);
        edit->setText("Rossi");
        pressEnter(edit);
        QVERIFY2(!dialog()->isVisible(), qPrintable(name));
        QCOMPARE(main()->globals().viewKind, 1);
        QCOMPARE(query()->sql().last(),
                 Expected::kPersonsJoin + (name == "Edit1" ? " AND Nome='Rossi'" : " AND Cognome='Rossi'"));
    }
    trigger("QueryProgetto");
    trigger("Citta");
    auto *box = part<QComboBox>("ComboBox1");
    box->setEditText("Roma");
    pressEnter(box);
    QVERIFY(!dialog()->isVisible());
    QCOMPARE(query()->sql().last(), Expected::kPersonsJoin + " AND Città='Roma'");
    QCOMPARE(main()->statusText(), QStringLiteral("Query attuale: Persone residenti nella città di Roma"));
    // Enter with nothing typed gives the message once, not twice.
    trigger("Qualifica");
    pressEnter(part<QComboBox>("ComboBox1"));
    QCOMPARE(dialogs_->messages, QStringList{"Inserire una qualifica"});
    QVERIFY(dialog()->isVisible());
}

void TestQueryStandard::qualificationAndCityListEachTextOnce()
{
    start(60);
    trigger("Qualifica");
    auto *box = part<QComboBox>("ComboBox1");
    box->setEditText("Ing");
    dropDown(box);
    QCOMPARE(box->currentText(), QStringLiteral("Ing")); // the typed text stays
    QStringList listed;
    for (int i = 0; i < box->count(); ++i)
        listed << box->itemText(i);
    QCOMPARE(listed.size(), QSet<QString>(listed.begin(), listed.end()).size());
    QCOMPARE(listed.size(), count("SELECT COUNT(DISTINCT COALESCE(Qualifica, '')) FROM Committente"));

    // Three addresses in one new city: listed once, at the place of the first.
    addPerson("Uno");
    addPerson("Due");
    addPerson("Tre");
    db_->db().exec("UPDATE Indirizzo SET \"Città\"='Zzz' WHERE IdCommittente > 60");
    trigger("Citta");
    dropDown(box);
    listed.clear();
    for (int i = 0; i < box->count(); ++i)
        listed << box->itemText(i);
    QCOMPARE(listed.count("Zzz"), 1);
    QCOMPARE(listed.last(), QStringLiteral("Zzz"));
    QCOMPARE(listed.size(), count("SELECT COUNT(DISTINCT COALESCE(\"Città\", '')) FROM Indirizzo"));
}

void TestQueryStandard::stateListListsEveryRowAndRunsProjectsByState()
{
    start(60);
    trigger("Stato");
    auto *box = part<QComboBox>("ComboBox1");
    dropDown(box);
    QCOMPARE(box->count(), count("SELECT COUNT(*) FROM Stato"));
    QCOMPARE(box->currentText(), QString());
    box->setEditText("In corso");
    QTest::mouseClick(part<QPushButton>("Button1"), Qt::LeftButton);

    QCOMPARE(query()->sql(),
             QStringList({Expected::kProjectsColumns, "FROM Committente, Progetto",
                          "WHERE Committente.IdCommittente=Progetto.IdCommittente AND Stato='In corso'"}));
    QCOMPARE(main()->statusText(), QStringLiteral("Query attuale: Progetti con stato di progetto=In corso"));
    QCOMPARE(main()->globals().viewKind, 4);
    QCOMPARE(main()->globals().insertKind, 1); // left as the start-up persons query set it
    QCOMPARE(child<QComboBox>("ComboBox1")->currentText(), QStringLiteral("Cognome cliente"));
    QCOMPARE(child<QToolButton>("SpeedButton1")->text(), QStringLiteral("Visualizza progetti"));
    QCOMPARE(query()->recordCount(), count("SELECT COUNT(*) FROM Progetto WHERE Stato='In corso'"));
}

void TestQueryStandard::blanksAreAValue()
{
    start();
    trigger("Qualifica");
    part<QComboBox>("ComboBox1")->setEditText("  ");
    QTest::mouseClick(part<QPushButton>("Button1"), Qt::LeftButton);
    QVERIFY(dialogs_->messages.isEmpty());
    QCOMPARE(query()->sql().last(), Expected::kPersonsJoin + " AND Qualifica='  '");
    QCOMPARE(main()->statusText(), QStringLiteral("Query attuale: Persone con qualifica=  "));
}

void TestQueryStandard::unknownValueGivesEmptyResult()
{
    start();
    trigger("Nome");
    part<QLineEdit>("Edit2")->setText("Nessuno");
    pressEnter(part<QLineEdit>("Edit2"));
    QVERIFY(query()->isActive());
    QCOMPARE(query()->recordCount(), 0);
    QVERIFY(!child<QToolButton>("SpeedButton1")->isEnabled());
}

void TestQueryStandard::closeBoxRunsNothingAndEnablesMain()
{
    start();
    const QStringList before = query()->sql();
    for (const QString action : {"Nome", "Qualifica", "Citta", "Stato"}) {
        trigger(action);
        QVERIFY(!main()->isEnabled());
        part<QLineEdit>("Edit1")->setText("Rossi");
        part<QComboBox>("ComboBox1")->setEditText("Roma");
        QVERIFY(dialog()->close());
        QVERIFY(main()->isEnabled());
        QCOMPARE(query()->sql(), before);
    }
    // Escape closes it too.
    trigger("Citta");
    QTest::keyClick(dialog(), Qt::Key_Escape);
    QVERIFY(!dialog()->isVisible());
    QVERIFY(main()->isEnabled());
    QVERIFY(dialogs_->messages.isEmpty());
}

QTEST_MAIN(TestQueryStandard)
#include "tst_querystandard.moc"
