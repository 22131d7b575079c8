// The options dialog on the real windows: its pages, the start-up choice, the visible fields
// (live in the grid, into the catalogue only on "Ok"), the keys that confirm it and the
// start-up password it stores.
#include "app/principale.h"
#include "app/startup.h"
#include "core/passwordhash.h"
#include "core/workspace.h"
#include "data/database.h"
#include "data/query.h"
#include "data/table.h"
#include "settings/opzioni.h"
#include "settings/password.h"
#include "support/scripteddialogs.h"
#include "support/testdatabase.h"

#include <QAction>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QTabWidget>
#include <QTableView>
#include <QTest>

#include <memory>

class TestOpzioni : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void pagesAndCaptions();
    void createdItOpensNothing();
    void firstOpeningOnPasswordThenTheLastTab();
    void radioChoiceChangesTheStartUpQueryAtOnce();
    void okRunsTheStartUpQuery();
    void tickingChangesTheGridAtOnceAndTheCatalogueOnOk();
    void annullaKeepsTicksButNotTheCatalogue();
    void enterConfirms();
    void differentPasswordsStoreNothing();
    void passwordIsStoredAsItsHash();
    void emptyPairClearsThePassword();
    void screenshots();

private:
    Opzioni *options() const { return startup_->options(); }
    Principale *main() const { return startup_->mainWindow(); }
    QPushButton *button(const QString &name) const { return options()->findChild<QPushButton *>(name); }
    QString storedCodice() const;
    bool columnHidden(const QString &field) const
    {
        return main()->grid()->isColumnHidden(main()->query()->fieldIndex(field));
    }

    std::unique_ptr<ScriptedDialogs> dialogs_;
    std::unique_ptr<TestDatabase> db_;
    std::unique_ptr<Startup> startup_;
};

void TestOpzioni::init()
{
    dialogs_ = std::make_unique<ScriptedDialogs>();
    db_ = std::make_unique<TestDatabase>(12);
    startup_ = std::make_unique<Startup>(db_->programDir());
    startup_->createWindows();
    startup_->start();
    QVERIFY(dialogs_->errors.isEmpty());
}

void TestOpzioni::cleanup()
{
    startup_.reset();
    db_.reset();
    dialogs_.reset();
}

QString TestOpzioni::storedCodice() const
{
    Table applicazione(&db_->db());
    applicazione.setTableName(QStringLiteral("Applicazione"));
    applicazione.open();
    return applicazione.fieldByName(QStringLiteral("Codice")).asString();
}

void TestOpzioni::pagesAndCaptions()
{
    QCOMPARE(options()->windowTitle(), QStringLiteral("Opzioni"));
    QVERIFY(options()->windowFlags() & Qt::WindowStaysOnTopHint);
    QVERIFY(!options()->isModal());
    QTabWidget *pages = options()->pages();
    QStringList tabs;
    for (int i = 0; i < pages->count(); ++i)
        tabs << pages->tabText(i);
    QCOMPARE(tabs, QStringList({"Dati iniziali", "Campi persona", "Campi indirizzo", "Campi recapiti", "Campi progetto",
                                "Campi pagamenti", "Password", "Database"}));

    QStringList radios;
    for (int kind = 0; kind < 6; ++kind)
        radios << options()->radioButton(kind)->text();
    QCOMPARE(radios, QStringList({"Tutta la rubrica", "Rubrica committenti", "Tutti i progetti", "Progetti in corso",
                                  "Progetti pagati", "Progetti non pagati"}));
    QCOMPARE(qobject_cast<QGroupBox *>(options()->radioButton(0)->parentWidget())->title(),
             QStringLiteral("Dati da visualizzare"));

    // Each field list in its frame, holding its group's labels in catalogue order, all ticked.
    const int sizes[] = {6, 3, 7, 12, 3};
    int entry = 0;
    for (int group = 0; group < 5; ++group) {
        QListWidget *list = options()->checkList(group);
        QCOMPARE(list->objectName(), QStringLiteral("CheckListBox%1").arg(group + 2));
        QCOMPARE(qobject_cast<QGroupBox *>(list->parentWidget())->title(),
                 QStringLiteral("Spuntare i campi da visualizzare"));
        QCOMPARE(list->count(), sizes[group]);
        for (int item = 0; item < list->count(); ++item, ++entry) {
            QCOMPARE(list->item(item)->text(), main()->globals().catalogue.entry(entry).label);
            QCOMPARE(list->item(item)->checkState(), Qt::Checked);
        }
    }
    QCOMPARE(entry, FieldCatalogue::kCount);

    QStringList labels;
    for (const QLabel *label : options()->pages()->widget(6)->findChildren<QLabel *>())
        labels << label->text();
    QCOMPARE(labels, QStringList({"(Attenzione: Se si confermano i due campi vuoti\nla password sarà cancellata!)",
                                  "Inserisci Password:", "Verifica password:"}));
    QCOMPARE(button(QStringLiteral("Button3"))->text(), QStringLiteral("Conferma password"));
    QCOMPARE(button(QStringLiteral("Button1"))->text(), QStringLiteral("Ok"));
    QCOMPARE(button(QStringLiteral("Button2"))->text(), QStringLiteral("Annulla"));
    for (QLineEdit *edit : {options()->passwordEdit(), options()->verificationEdit()}) {
        QCOMPARE(edit->echoMode(), QLineEdit::Password);
        QCOMPARE(edit->style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter, nullptr, edit), int('*'));
    }
}

void TestOpzioni::createdItOpensNothing()
{
    // The dialog edits the preferences; the start-up loads them and opens the database.
    Workspace workspace(db_->programDir());
    int steps = 0;
    Opzioni::MainWindowSteps counted;
    counted.runInitialQuery = [&steps](bool) { ++steps; };
    counted.setUpCard = [&steps] { ++steps; };
    counted.mirrorColumns = [&steps] { ++steps; };
    Opzioni dialog(workspace, counted);
    QVERIFY(!workspace.connection().isOpen());
    QVERIFY(!workspace.query()->isActive());
    QCOMPARE(steps, 0);
    QCOMPARE(dialog.checkList(0)->count(), 0);
    QVERIFY(dialogs_->errors.isEmpty());

    // The start-up's dialog shows what the start-up loaded.
    QVERIFY(startup_->settings());
    QCOMPARE(options()->checkList(0)->count(), main()->globals().checkLists.at(0).items.size());
    QVERIFY(options()->radioButton(main()->globals().initialQueryKind)->isChecked());
}

void TestOpzioni::firstOpeningOnPasswordThenTheLastTab()
{
    main()->action(QStringLiteral("Opzioni"))->trigger();
    QVERIFY(options()->isVisible());
    QVERIFY(main()->isEnabled()); // not modal
    QCOMPARE(options()->pages()->tabText(options()->pages()->currentIndex()), QStringLiteral("Password"));
    options()->pages()->setCurrentIndex(3);
    QTest::mouseClick(button(QStringLiteral("Button2")), Qt::LeftButton);
    QVERIFY(!options()->isVisible());
    main()->action(QStringLiteral("Opzioni"))->trigger();
    QCOMPARE(options()->pages()->currentIndex(), 3);
}

void TestOpzioni::radioChoiceChangesTheStartUpQueryAtOnce()
{
    main()->action(QStringLiteral("Opzioni"))->trigger();
    for (int kind : {5, 1, 3}) {
        QTest::mouseClick(options()->radioButton(kind), Qt::LeftButton);
        QCOMPARE(main()->globals().initialQueryKind, kind);
    }
    // Nothing runs until "Ok".
    QCOMPARE(main()->globals().viewKind, 1);
}

void TestOpzioni::okRunsTheStartUpQuery()
{
    main()->action(QStringLiteral("Opzioni"))->trigger();
    QTest::mouseClick(options()->radioButton(3), Qt::LeftButton);
    QTest::mouseClick(button(QStringLiteral("Button1")), Qt::LeftButton);
    QVERIFY(!options()->isVisible());
    QCOMPARE(main()->globals().viewKind, 2);
    const int state = main()->query()->fieldIndex(QStringLiteral("Stato"));
    for (int row = 0; row < main()->query()->recordCount(); ++row)
        QCOMPARE(main()->query()->text(row, state), QStringLiteral("In corso"));
    QCOMPARE(main()->cardPairs()[0].boundField, QStringLiteral("Cognome_progettista"));
}

void TestOpzioni::tickingChangesTheGridAtOnceAndTheCatalogueOnOk()
{
    main()->action(QStringLiteral("Opzioni"))->trigger();
    QListWidget *persons = options()->checkList(0);
    const int notes = 5;
    QCOMPARE(persons->item(notes)->text(), QStringLiteral("Note"));
    persons->item(notes)->setCheckState(Qt::Unchecked);
    QVERIFY(columnHidden(QStringLiteral("Note")));
    QVERIFY(main()->globals().catalogue.entry(notes).visible);
    persons->item(notes)->setCheckState(Qt::Checked);
    QVERIFY(!columnHidden(QStringLiteral("Note")));
    QCOMPARE(main()->grid()->columnWidth(main()->query()->fieldIndex(QStringLiteral("Note"))), 100);

    persons->item(notes)->setCheckState(Qt::Unchecked);
    QTest::mouseClick(button(QStringLiteral("Button1")), Qt::LeftButton);
    QVERIFY(columnHidden(QStringLiteral("Note")));
    QVERIFY(!main()->globals().catalogue.entry(notes).visible);
    // Every later persons query leaves it out too.
    main()->action(QStringLiteral("QueryCommittente"))->trigger();
    QVERIFY(columnHidden(QStringLiteral("Note")));

    // A projects result has no "Note": ticking changes nothing there but the tick.
    main()->action(QStringLiteral("QueryProgetto"))->trigger();
    persons->item(notes)->setCheckState(Qt::Checked);
    QCOMPARE(main()->globals().checkLists[0].isChecked(notes), true);
}

void TestOpzioni::annullaKeepsTicksButNotTheCatalogue()
{
    main()->action(QStringLiteral("Opzioni"))->trigger();
    QListWidget *contacts = options()->checkList(2);
    const int faxItem = contacts->row(contacts->findItems(QStringLiteral("Fax"), Qt::MatchExactly).value(0));
    QVERIFY(faxItem >= 0);
    contacts->item(faxItem)->setCheckState(Qt::Unchecked);
    QTest::mouseClick(button(QStringLiteral("Button2")), Qt::LeftButton);
    const int fax = main()->globals().catalogue.indexOfLabel(QStringLiteral("Fax"));
    QVERIFY(main()->globals().catalogue.entry(fax).visible);
    // The tick governs the next query; the card still shows the field.
    main()->action(QStringLiteral("QuerySenzaProgetti"))->trigger();
    QVERIFY(columnHidden(QStringLiteral("Numero_fax")));
    bool onCard = false;
    for (const CardPair &pair : main()->cardPairs())
        onCard = onCard || pair.boundField == QLatin1String("Numero_fax");
    QVERIFY(onCard);
    main()->action(QStringLiteral("Opzioni"))->trigger();
    QCOMPARE(contacts->item(faxItem)->checkState(), Qt::Unchecked);
}

void TestOpzioni::enterConfirms()
{
    main()->action(QStringLiteral("Opzioni"))->trigger();
    QTest::mouseClick(options()->radioButton(2), Qt::LeftButton);
    QTest::keyClick(options()->radioButton(2), Qt::Key_Return);
    QVERIFY(!options()->isVisible());
    QCOMPARE(main()->globals().viewKind, 2);

    main()->action(QStringLiteral("Opzioni"))->trigger();
    QTest::mouseClick(options()->radioButton(0), Qt::LeftButton);
    options()->pages()->setCurrentIndex(1);
    QTest::keyClick(options()->checkList(0), Qt::Key_Enter);
    QVERIFY(!options()->isVisible());
    QCOMPARE(main()->globals().viewKind, 1);
}

void TestOpzioni::differentPasswordsStoreNothing()
{
    main()->action(QStringLiteral("Opzioni"))->trigger();
    options()->passwordEdit()->setText(QStringLiteral("Alfa"));
    options()->verificationEdit()->setText(QStringLiteral("alfa"));
    QTest::mouseClick(button(QStringLiteral("Button3")), Qt::LeftButton);
    QCOMPARE(dialogs_->messages, QStringList({"    Attenzione: La password deve essere uguale in entrambi i campi!"}));
    QVERIFY(options()->isVisible());
    QCOMPARE(storedCodice(), QString());
    // One field empty is a difference too.
    options()->verificationEdit()->clear();
    QTest::keyClick(options()->verificationEdit(), Qt::Key_Return);
    QCOMPARE(dialogs_->messages.size(), 2);
    QCOMPARE(storedCodice(), QString());
    QCOMPARE(options()->passwordEdit()->text(), QStringLiteral("Alfa"));
}

void TestOpzioni::passwordIsStoredAsItsHash()
{
    main()->action(QStringLiteral("Opzioni"))->trigger();
    options()->passwordEdit()->setText(QStringLiteral("Segreto 1"));
    options()->verificationEdit()->setText(QStringLiteral("Segreto 1"));
    QTest::keyClick(options()->passwordEdit(), Qt::Key_Return);
    QCOMPARE(dialogs_->messages, QStringList({"    Password salvata!"}));
    QVERIFY(!options()->isVisible()); // "Ok" followed
    const QString stored = storedCodice();
    QVERIFY(PasswordHash::isHash(stored));
    QVERIFY(PasswordHash::check(stored, QStringLiteral("Segreto 1")).accepted);
    QVERIFY(!stored.contains(QStringLiteral("Segreto")));
    // The fields keep what was typed.
    QCOMPARE(options()->passwordEdit()->text(), QStringLiteral("Segreto 1"));
}

void TestOpzioni::emptyPairClearsThePassword()
{
    db_->db().exec(QStringLiteral("UPDATE Applicazione SET Codice = '%1'").arg(PasswordHash::hash(QStringLiteral("x"))));
    main()->protezione()->open(); // as a start with this password would have read it
    main()->action(QStringLiteral("Opzioni"))->trigger();
    QTest::mouseClick(button(QStringLiteral("Button3")), Qt::LeftButton);
    QCOMPARE(dialogs_->messages, QStringList({"    Password cancellata!"}));
    QVERIFY(!options()->isVisible());
    QCOMPARE(storedCodice(), QString());
    QVERIFY(dialogs_->errors.isEmpty());

    // The next start asks for no password.
    startup_.reset();
    startup_ = std::make_unique<Startup>(db_->programDir());
    startup_->createWindows();
    startup_->start();
    QVERIFY(!startup_->password()->isRequired());
    QVERIFY(main()->isVisible());
}

void TestOpzioni::screenshots()
{
    const QString folder = qEnvironmentVariable("PRATILIO_TEST_OUTPUT", QDir::tempPath());
    QDir().mkpath(folder);
    main()->action(QStringLiteral("Opzioni"))->trigger();
    for (int page = 0; page < options()->pages()->count(); ++page) {
        options()->pages()->setCurrentIndex(page);
        QTest::qWait(20);
        QVERIFY(options()->grab().save(QDir(folder).filePath(QStringLiteral("opzioni_%1.png").arg(page + 1))));
    }
}

QTEST_MAIN(TestOpzioni)
#include "tst_opzioni.moc"
