#include "app/principale.h"
#include "app/startup.h"
#include "data/database.h"
#include "data/query.h"
#include "data/table.h"
#include "editing/forminput.h"
#include "queries/querycomplessa.h"
#include "settings/password.h"
#include "support/scripteddialogs.h"
#include "support/testdatabase.h"
#include "views/resultmodel.h"

#include <QAction>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QStyle>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

// Start-up order, the password prompt and the end of the program.
class TestStartup : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void withoutPasswordOpensTheMainWindow();
    void everyWindowIsCreated();
    void italianButtonTexts();
    void wrongThenRightPassword();
    void cancelEndsTheProgram();
    void esciEndsTheProgram();
    void missingDatabaseOpensAnEmptyWindow();
    void screenshot();

private:
    static void setPassword(TestDatabase &db, const QString &code)
    {
        db.db().exec(QStringLiteral("UPDATE Applicazione SET Codice = '%1'").arg(code));
    }
};

void TestStartup::withoutPasswordOpensTheMainWindow()
{
    ScriptedDialogs dialogs;
    TestDatabase db(10);
    Startup startup(db.programDir());
    startup.createWindows();
    startup.start();
    QVERIFY(dialogs.errors.isEmpty());
    QVERIFY(!startup.password()->isRequired());
    QVERIFY(!startup.password()->isVisible());
    QVERIFY(startup.mainWindow()->isVisible());
    QVERIFY(startup.mainWindow()->isMaximized());
    QCOMPARE(startup.mainWindow()->globals().viewKind, 1);
    QVERIFY(startup.mainWindow()->query()->recordCount() > 0);
}

void TestStartup::everyWindowIsCreated()
{
    ScriptedDialogs dialogs;
    TestDatabase db(5);
    Startup startup(db.programDir());
    startup.createWindows();
    QVERIFY(startup.complexQuery());
    QVERIFY(startup.conditionDialog());
    QVERIFY(startup.options());
    QVERIFY(startup.inputSheet());
    QVERIFY(startup.about());
    QVERIFY(startup.password());
    Principale *main = startup.mainWindow();
    QVERIFY(!main->globals().inputSheetPending);
    QVERIFY(main->connection().isOpen());
    QVERIFY(main->protezione()->isActive());
    QCOMPARE(startup.inputSheet()->windowTitle(), QStringLiteral("Inserimento"));
    QCOMPARE(startup.inputSheet()->findChildren<QLineEdit *>(QRegularExpression("^DBEdit\\d+$")).size(), 21);

    // The check lists hold every label, ticked because every field is visible.
    int items = 0;
    for (const CheckList &list : main->globals().checkLists) {
        items += list.items.size();
        for (int i = 0; i < list.items.size(); ++i)
            QVERIFY(list.isChecked(i));
    }
    QCOMPARE(items, FieldCatalogue::kCount);
    QCOMPARE(main->globals().checkLists[0].items.first(), QStringLiteral("Cognome"));

    // The card is set up for the start-up result.
    QCOMPARE(main->cardPairs()[0].boundField, QStringLiteral("Cognome"));

    // The windows that work on the main window's data disable it while they are open.
    main->action(QStringLiteral("PersonalizzaQuery"))->trigger();
    QVERIFY(!main->isEnabled());
    QVERIFY(startup.complexQuery()->isVisible());
    startup.complexQuery()->close();
    QVERIFY(main->isEnabled());
}

void TestStartup::italianButtonTexts()
{
    ScriptedDialogs dialogs;
    TestDatabase db;
    Startup startup(db.programDir());
    startup.createWindows();
    QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("Annulla"));
    QCOMPARE(QCoreApplication::translate("QPlatformTheme", "OK"), QStringLiteral("OK"));
    QCOMPARE(QApplication::applicationDisplayName(), QStringLiteral("Pratilio+"));
}

void TestStartup::wrongThenRightPassword()
{
    ScriptedDialogs dialogs;
    TestDatabase db(5);
    setPassword(db, QStringLiteral("Segreto"));
    Startup startup(db.programDir());
    startup.createWindows();
    startup.start();

    Password *prompt = startup.password();
    QVERIFY(prompt->isRequired());
    QVERIFY(prompt->isVisible());
    QVERIFY(prompt->isModal());
    QVERIFY(!startup.mainWindow()->isVisible());
    QCOMPARE(prompt->windowTitle(), QString(37, QLatin1Char(' ')) + QStringLiteral("PASSWORD"));
    QVERIFY(!(prompt->windowFlags() & Qt::WindowCloseButtonHint));
    QVERIFY(!(prompt->windowFlags() & Qt::WindowSystemMenuHint));
    QCOMPARE(prompt->findChild<QLabel *>("Label1")->text(), QStringLiteral("Inserisci Password:"));
    QCOMPARE(prompt->edit()->echoMode(), QLineEdit::Password);
    QCOMPARE(prompt->edit()->style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter, nullptr, prompt->edit()),
             int('*'));

    auto *confirm = prompt->findChild<QPushButton *>("Button1");
    QCOMPARE(confirm->text(), QStringLiteral("Conferma"));
    QCOMPARE(prompt->findChild<QPushButton *>("Button2")->text(), QStringLiteral("Annulla"));

    // The comparison is exact: another case is wrong.
    QTest::keyClicks(prompt->edit(), QStringLiteral("segreto"));
    QTest::mouseClick(confirm, Qt::LeftButton);
    QCOMPARE(dialogs.messages, QStringList({"    Attenzione: Password errata!"}));
    QVERIFY(prompt->isVisible());
    QCOMPARE(prompt->edit()->text(), QStringLiteral("segreto"));
    QVERIFY(!startup.mainWindow()->isVisible());

    // Enter tries again; a wrong try is reported once.
    QTest::keyClick(prompt->edit(), Qt::Key_Return);
    QCOMPARE(dialogs.messages.size(), 2);

    prompt->edit()->setText(QStringLiteral("Segreto"));
    QTest::keyClick(prompt->edit(), Qt::Key_Return);
    QCOMPARE(dialogs.messages.size(), 2);
    QVERIFY(!prompt->isVisible());
    QVERIFY(startup.mainWindow()->isVisible());
    QVERIFY(startup.mainWindow()->isMaximized());
    QVERIFY(dialogs.errors.isEmpty());
}

void TestStartup::cancelEndsTheProgram()
{
    ScriptedDialogs dialogs;
    TestDatabase db(5);
    setPassword(db, QStringLiteral("x"));
    Startup startup(db.programDir());
    startup.createWindows();
    startup.start();
    QSignalSpy ending(startup.mainWindow(), &Principale::programEnding);
    QTest::mouseClick(startup.password()->findChild<QPushButton *>("Button2"), Qt::LeftButton);
    QCOMPARE(ending.count(), 1);
    QVERIFY(!startup.password()->isVisible());
    QVERIFY(!startup.mainWindow()->isVisible());
}

void TestStartup::esciEndsTheProgram()
{
    ScriptedDialogs dialogs;
    TestDatabase db(5);
    Startup startup(db.programDir());
    startup.createWindows();
    startup.start();
    QSignalSpy ending(startup.mainWindow(), &Principale::programEnding);
    startup.mainWindow()->action(QStringLiteral("Esci1"))->trigger();
    QCOMPARE(ending.count(), 1);
    QVERIFY(!startup.mainWindow()->isVisible());
}

void TestStartup::missingDatabaseOpensAnEmptyWindow()
{
    ScriptedDialogs dialogs;
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    QDir(folder.path()).mkpath(QStringLiteral("Database"));
    Startup startup(folder.path());
    startup.createWindows();
    startup.start();

    // The failed opening is told once: the password prompt adds no box of its own.
    QCOMPARE(dialogs.errors.size(), 1);
    QVERIFY(dialogs.errors.first().contains(QStringLiteral("DatiCliente.mdb")));
    QVERIFY(startup.options());
    QVERIFY(startup.inputSheet());
    QVERIFY(startup.password());
    QVERIFY(!startup.password()->isVisible());
    Principale *main = startup.mainWindow();
    QVERIFY(main->isVisible());
    QVERIFY(!main->query()->isActive());
    QCOMPARE(main->model()->rowCount(), 0);
    QCOMPARE(main->globals().viewKind, 0);
    QVERIFY(main->statusText().isEmpty());

    // A query now fails the same way and leaves the window as it is.
    main->action(QStringLiteral("QueryCommittente"))->trigger();
    QCOMPARE(dialogs.errors.size(), 2);
    QCOMPARE(main->model()->rowCount(), 0);
}

void TestStartup::screenshot()
{
    ScriptedDialogs dialogs;
    TestDatabase db(80);
    Startup startup(db.programDir());
    startup.createWindows();
    startup.start();
    Principale *main = startup.mainWindow();
    main->showNormal();
    main->resize(1280, 800);
    QTest::qWait(50);

    const QString folder = qEnvironmentVariable("PRATILIO_TEST_OUTPUT", QDir::tempPath());
    QDir().mkpath(folder);
    QVERIFY(main->grab().save(QDir(folder).filePath(QStringLiteral("principale_persone.png"))));
    main->action(QStringLiteral("QueryProgetto"))->trigger();
    QTest::qWait(50);
    QVERIFY(main->grab().save(QDir(folder).filePath(QStringLiteral("principale_progetti.png"))));
    main->action(QStringLiteral("MostraScheda"))->trigger();
    QTest::qWait(50);
    QVERIFY(main->grab().save(QDir(folder).filePath(QStringLiteral("principale_scheda.png"))));
    QVERIFY(startup.password()->grab().save(QDir(folder).filePath(QStringLiteral("password.png"))));
}

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
