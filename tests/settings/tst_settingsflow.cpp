// The preferences across runs of the program: Default.ini read when the windows are created
// and written when the main window closes, on the real windows, restarting the program
// within each test on the same program folder.
#include "app/principale.h"
#include "app/startup.h"
#include "core/passwordhash.h"
#include "data/database.h"
#include "data/query.h"
#include "data/table.h"
#include "settings/gridfont.h"
#include "settings/inifile.h"
#include "settings/opzioni.h"
#include "settings/password.h"
#include "settings/settingsfile.h"
#include "support/scripteddialogs.h"
#include "support/testdatabase.h"
#include "views/cardpanel.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QTest>

#include <memory>

class TestSettingsFlow : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void noFileGivesTheDefaultsAndIsCreatedAtExit();
    void cardViewIsRestored();
    void hiddenFieldStaysHiddenAndUnticked();
    void startUpChoiceOfTheDialogIsKept();
    void draggedWidthSurvivesARestart();
    void foreignSectionsSurvive();
    void oversizedFileIsSetAsideOnce();
    void plainTextPasswordIsHashedAtTheFirstEntry();
    void cancelInThePromptStillWritesTheFile();
    void appliedFontIsRegularAfterARestart();
    void fontDialogOkAndCancelChangeNothing();
    void missingDatabaseKeepsTheStoredColumns();
    void failedWriteIsReported();

private:
    void startProgram();
    void endProgram();
    QString iniPath() const { return QDir(db_->programDir()).filePath(QStringLiteral("Default.ini")); }
    IniFile readIni() const;
    QByteArray iniBytes() const;
    void writeIni(const QByteArray &bytes) const;
    static QStringList sectionsWritten();
    Principale *main() const { return startup_->mainWindow(); }
    int gridColumn(const QString &field) const { return main()->query()->fieldIndex(field); }

    std::unique_ptr<ScriptedDialogs> dialogs_;
    std::unique_ptr<TestDatabase> db_;
    std::unique_ptr<Startup> startup_;
};

void TestSettingsFlow::init()
{
    dialogs_ = std::make_unique<ScriptedDialogs>();
    db_ = std::make_unique<TestDatabase>(12);
}

void TestSettingsFlow::cleanup()
{
    startup_.reset();
    db_.reset();
    dialogs_.reset();
}

void TestSettingsFlow::startProgram()
{
    startup_.reset();
    startup_ = std::make_unique<Startup>(db_->programDir());
    startup_->createWindows();
    startup_->start();
}

// "Esci", as the user ends the program.
void TestSettingsFlow::endProgram()
{
    main()->action(QStringLiteral("Esci1"))->trigger();
    QVERIFY(!main()->isVisible());
}

IniFile TestSettingsFlow::readIni() const
{
    IniFile file;
    if (!file.load(iniPath()))
        qWarning("unreadable %s", qPrintable(iniPath()));
    return file;
}

QByteArray TestSettingsFlow::iniBytes() const
{
    QFile file(iniPath());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// `bytes` as the whole file; on the server followed by the section that names it.
void TestSettingsFlow::writeIni(const QByteArray &bytes) const
{
    QFile file(iniPath());
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes + db_->databaseSection());
}

// The sections of a file the program wrote from scratch; on the server the one that names it
// comes first, as it was.
QStringList TestSettingsFlow::sectionsWritten()
{
    QStringList sections = SettingsFile::sectionNames();
    if (TestDatabase::onServer())
        sections.prepend(QStringLiteral("DATABASE"));
    return sections;
}

void TestSettingsFlow::noFileGivesTheDefaultsAndIsCreatedAtExit()
{
    // On the server the file holds only the section that names it.
    QCOMPARE(QFile::exists(iniPath()), TestDatabase::onServer());
    const QByteArray before = iniBytes();
    startProgram();
    QVERIFY(dialogs_->errors.isEmpty());
    QCOMPARE(main()->connection().isServer(), TestDatabase::onServer());
    Principale *window = main();
    // All persons, in the grid, every field visible at 100 pixels.
    QCOMPARE(window->globals().viewKind, 1);
    QVERIFY(window->statusText().startsWith(QStringLiteral("Query attuale: ")));
    QVERIFY(!window->gridPanel()->isHidden());
    QVERIFY(window->cardPanel()->isHidden());
    QCOMPARE(window->grid()->columnWidth(gridColumn(QStringLiteral("Cognome"))), 100);
    QVERIFY(!window->grid()->isColumnHidden(gridColumn(QStringLiteral("Numero_fax"))));
    QVERIFY(window->grid()->isColumnHidden(gridColumn(QStringLiteral("Committente.IdCommittente"))));
    QVERIFY(startup_->options()->radioButton(0)->isChecked());
    // "MS San Serif" is no font of this desktop: its default family, at 11 pixels.
    QCOMPARE(window->grid()->font().pixelSize(), 11);
    QCOMPARE(window->grid()->horizontalHeader()->font().pixelSize(), 11);
    QCOMPARE(window->grid()->palette().color(QPalette::Text), QColor(Qt::black));
    QCOMPARE(QFile::exists(iniPath()), TestDatabase::onServer()); // nothing is written before the end
    QCOMPARE(iniBytes(), before);

    endProgram();
    const IniFile file = readIni();
    QCOMPARE(file.sectionNames(), sectionsWritten());
    QCOMPARE(SettingsFile::read(file), Preferences());
    QCOMPARE(file.value(QStringLiteral("FONT"), QStringLiteral("FontName")), QStringLiteral("MS San Serif"));
    QCOMPARE(file.keys(QStringLiteral("LARGHEZZA COLONNE")).size(), FieldCatalogue::kCount);
}

void TestSettingsFlow::cardViewIsRestored()
{
    startProgram();
    main()->action(QStringLiteral("MostraScheda"))->trigger();
    endProgram();
    IniFile file = readIni();
    QCOMPARE(file.value(QStringLiteral("SCHEDA\\TABELLA"), QStringLiteral("Panel1.Visible")), QStringLiteral("0"));
    QCOMPARE(file.value(QStringLiteral("SCHEDA\\TABELLA"), QStringLiteral("Panel2.Visible")), QStringLiteral("1"));

    startProgram();
    Principale *window = main();
    QVERIFY(window->gridPanel()->isHidden());
    QVERIFY(window->cardPanel()->isVisible());
    // The card fills the window.
    QVERIFY(window->cardPanel()->height() > window->height() / 2);
    QCOMPARE(window->cardPairs()[0].boundField, QStringLiteral("Cognome"));
    window->action(QStringLiteral("MostraTabella"))->trigger();
    endProgram();
    file = readIni();
    QCOMPARE(file.value(QStringLiteral("SCHEDA\\TABELLA"), QStringLiteral("Panel1.Visible")), QStringLiteral("1"));
    QCOMPARE(file.value(QStringLiteral("SCHEDA\\TABELLA"), QStringLiteral("Panel2.Visible")), QStringLiteral("0"));
}

void TestSettingsFlow::hiddenFieldStaysHiddenAndUnticked()
{
    // "°" is one byte in the file, as the older program wrote it.
    writeIni("[COLONNE CHE POSSONO ESSERE VISUALIZZATE]\r\n1\xB0 Telefono=0\r\n");
    startProgram();
    QVERIFY(dialogs_->errors.isEmpty());
    QCOMPARE(main()->connection().isServer(), TestDatabase::onServer());
    QVERIFY(main()->grid()->isColumnHidden(gridColumn(QStringLiteral("Numero_telefono1"))));
    QVERIFY(!main()->grid()->isColumnHidden(gridColumn(QStringLiteral("Numero_telefono2"))));
    QListWidget *contacts = startup_->options()->checkList(2);
    QCOMPARE(contacts->objectName(), QStringLiteral("CheckListBox4"));
    QCOMPARE(contacts->item(0)->text(), QStringLiteral("1° Telefono"));
    QCOMPARE(contacts->item(0)->checkState(), Qt::Unchecked);
    QCOMPARE(contacts->item(1)->checkState(), Qt::Checked);

    // Stays so through the next run; the field is offered again once ticked and confirmed.
    endProgram();
    QCOMPARE(readIni().value(QStringLiteral("COLONNE CHE POSSONO ESSERE VISUALIZZATE"), QStringLiteral("1° Telefono")),
             QStringLiteral("0"));
    startProgram();
    QVERIFY(main()->grid()->isColumnHidden(gridColumn(QStringLiteral("Numero_telefono1"))));
    startup_->options()->checkList(2)->item(0)->setCheckState(Qt::Checked);
    QTest::mouseClick(startup_->options()->findChild<QPushButton *>(QStringLiteral("Button1")), Qt::LeftButton);
    QVERIFY(!main()->grid()->isColumnHidden(gridColumn(QStringLiteral("Numero_telefono1"))));
    endProgram();
    QCOMPARE(readIni().value(QStringLiteral("COLONNE CHE POSSONO ESSERE VISUALIZZATE"), QStringLiteral("1° Telefono")),
             QStringLiteral("1"));
}

void TestSettingsFlow::startUpChoiceOfTheDialogIsKept()
{
    startProgram();
    Opzioni *options = startup_->options();
    options->OpzioniExecute();
    // "Annulla" after choosing "Tutti i progetti": the result stays, the next start shows projects.
    QTest::mouseClick(options->radioButton(2), Qt::LeftButton);
    QTest::mouseClick(options->findChild<QPushButton *>(QStringLiteral("Button2")), Qt::LeftButton);
    QCOMPARE(main()->globals().viewKind, 1);
    endProgram();
    QCOMPARE(readIni().value(QStringLiteral("QUERY INIZIALE"), QStringLiteral("Tipo di query")), QStringLiteral("2"));

    startProgram();
    QCOMPARE(main()->globals().viewKind, 2);
    QVERIFY(startup_->options()->radioButton(2)->isChecked());
    endProgram();

    // A value that names no query: no query, no button selected.
    IniFile file = readIni();
    file.setValue(QStringLiteral("QUERY INIZIALE"), QStringLiteral("Tipo di query"), QStringLiteral("7"));
    QVERIFY(file.save(iniPath()));
    startProgram();
    QCOMPARE(main()->globals().viewKind, 0);
    QVERIFY(!main()->query()->isActive());
    for (int kind = 0; kind < 6; ++kind)
        QVERIFY(!startup_->options()->radioButton(kind)->isChecked());
    endProgram();
    QCOMPARE(readIni().value(QStringLiteral("QUERY INIZIALE"), QStringLiteral("Tipo di query")), QStringLiteral("7"));
}

void TestSettingsFlow::draggedWidthSurvivesARestart()
{
    startProgram();
    QTableView *grid = main()->grid();
    const int surname = gridColumn(QStringLiteral("Cognome"));
    // The end of a drag: the border moved, then the button released over the grid.
    grid->horizontalHeader()->resizeSection(surname, 173);
    QTest::mouseRelease(grid->horizontalHeader()->viewport(), Qt::LeftButton, {},
                        QPoint(grid->horizontalHeader()->sectionViewportPosition(surname) + 5, 5));
    endProgram();
    QCOMPARE(readIni().value(QStringLiteral("LARGHEZZA COLONNE"), QStringLiteral("Cognome")), QStringLiteral("173"));

    startProgram();
    QCOMPARE(main()->grid()->columnWidth(gridColumn(QStringLiteral("Cognome"))), 173);
    QCOMPARE(main()->grid()->columnWidth(gridColumn(QStringLiteral("Nome"))), 100);
}

void TestSettingsFlow::foreignSectionsSurvive()
{
    writeIni("; note of the user\r\n[ALTRO]\r\nchiave=valore\r\n[FONT]\r\nFontHeight=-15\r\n[CODA]\r\nx=1\r\n");
    startProgram();
    QCOMPARE(main()->connection().isServer(), TestDatabase::onServer());
    QCOMPARE(main()->grid()->font().pixelSize(), 15);
    endProgram();
    const QByteArray bytes = iniBytes();
    QVERIFY(bytes.startsWith("; note of the user\r\n[ALTRO]\r\nchiave=valore\r\n[FONT]\r\n"));
    QVERIFY(bytes.contains("[CODA]\r\nx=1\r\n"));
    const IniFile file = readIni();
    QCOMPARE(file.value(QStringLiteral("FONT"), QStringLiteral("FontHeight")), QStringLiteral("-15"));
    for (const QString &section : SettingsFile::sectionNames())
        QVERIFY2(file.containsSection(section), qPrintable(section));
}

void TestSettingsFlow::oversizedFileIsSetAsideOnce()
{
    // Far more than the program ever writes: the user's keys at the top, then megabytes of
    // sections of the same name (each one a pass over the file to drop, done one by one).
    QByteArray bytes = "[QUERY INIZIALE]\r\nTipo di query=2\r\n";
    while (bytes.size() <= SettingsFile::kLargestFile)
        bytes += "[FONT]\r\nFontHeight=-15\r\n";
    writeIni(bytes);
    startProgram();
    QCOMPARE(dialogs_->errors.size(), 1);
    QVERIFY2(dialogs_->errors.first().contains(QStringLiteral("Default.ini.danneggiato")),
             qPrintable(dialogs_->errors.first()));
    QVERIFY(dialogs_->errors.first().contains(QStringLiteral("impostazioni predefinite")));
    QCOMPARE(main()->globals().viewKind, 1); // the default start-up query, not the file's
    QCOMPARE(main()->grid()->font().pixelSize(), 11);
    QFile aside(iniPath() + QStringLiteral(".danneggiato"));
    QVERIFY(aside.open(QIODevice::ReadOnly));
    QCOMPARE(aside.readAll(), bytes + db_->databaseSection()); // kept whole for whoever wants to look at it

    endProgram();
    QCOMPARE(dialogs_->errors.size(), 1); // said once
    QCOMPARE(SettingsFile::read(readIni()), Preferences());
    QVERIFY(QFileInfo(iniPath()).size() < 10 * 1024);
}

void TestSettingsFlow::plainTextPasswordIsHashedAtTheFirstEntry()
{
    db_->db().exec(QStringLiteral("UPDATE Applicazione SET Codice = 'Vecchia'"));
    startProgram();
    Password *prompt = startup_->password();
    QVERIFY(prompt->isVisible());
    prompt->edit()->setText(QStringLiteral("Vecchia"));
    QTest::keyClick(prompt->edit(), Qt::Key_Return);
    QVERIFY(main()->isVisible());
    QVERIFY(dialogs_->messages.isEmpty());

    Table *protection = main()->protezione();
    protection->open();
    const QString stored = protection->fieldByName(QStringLiteral("Codice")).asString();
    QVERIFY(PasswordHash::isHash(stored));
    QVERIFY(!stored.contains(QStringLiteral("Vecchia")));
    endProgram();

    // The next start asks for the same password, now checked against its hash.
    startProgram();
    prompt = startup_->password();
    QVERIFY(prompt->isVisible());
    prompt->edit()->setText(QStringLiteral("vecchia"));
    QTest::keyClick(prompt->edit(), Qt::Key_Return);
    QCOMPARE(dialogs_->messages, QStringList({"    Attenzione: Password errata!"}));
    prompt->edit()->setText(QStringLiteral("Vecchia"));
    QTest::keyClick(prompt->edit(), Qt::Key_Return);
    QVERIFY(main()->isVisible());
    // Its own hash is kept: an entry checked against a good hash rewrites nothing.
    protection = main()->protezione();
    protection->open();
    QCOMPARE(protection->fieldByName(QStringLiteral("Codice")).asString(), stored);
}

void TestSettingsFlow::cancelInThePromptStillWritesTheFile()
{
    db_->db().exec(QStringLiteral("UPDATE Applicazione SET Codice = '%1'").arg(PasswordHash::hash(QStringLiteral("x"))));
    startProgram();
    QVERIFY(startup_->password()->isVisible());
    QTest::mouseClick(startup_->password()->findChild<QPushButton *>(QStringLiteral("Button2")), Qt::LeftButton);
    QVERIFY(!main()->isVisible());
    QVERIFY(QFile::exists(iniPath()));
    QCOMPARE(readIni().sectionNames(), sectionsWritten());
}

void TestSettingsFlow::appliedFontIsRegularAfterARestart()
{
    startProgram();
    // An installed family, not the desktop's default that the stored default name shows in.
    QFont bold(QStringLiteral("DejaVu Serif"));
    QVERIFY(GridFont::isInstalled(bold.family()));
    bold.setPixelSize(17);
    bold.setBold(true);
    bold.setItalic(true);
    const QColor red(200, 10, 20);
    // Apply, then Cancel: the applied font stays.
    dialogs_->answerNextFont({{bold, red}}, false);
    main()->action(QStringLiteral("Formattesto"))->trigger();
    QTableView *grid = main()->grid();
    QVERIFY(grid->font().bold());
    QVERIFY(grid->font().italic());
    QCOMPARE(grid->font().pixelSize(), 17);
    QVERIFY(grid->horizontalHeader()->font().bold());
    QCOMPARE(grid->horizontalHeader()->font().pixelSize(), 17);
    QCOMPARE(grid->palette().color(QPalette::Text), red);
    QCOMPARE(grid->horizontalHeader()->palette().color(QPalette::ButtonText), red);
    endProgram();

    const IniFile file = readIni();
    QCOMPARE(file.value(QStringLiteral("FONT"), QStringLiteral("FontName")), bold.family());
    QCOMPARE(file.value(QStringLiteral("FONT"), QStringLiteral("FontColor")), QString::number(20 << 16 | 10 << 8 | 200));
    QCOMPARE(file.value(QStringLiteral("FONT"), QStringLiteral("FontHeight")), QStringLiteral("-17"));

    // The style is not kept: the same name, colour and height, regular.
    startProgram();
    grid = main()->grid();
    QCOMPARE(grid->font().family(), bold.family());
    QCOMPARE(grid->font().pixelSize(), 17);
    QVERIFY(!grid->font().bold());
    QVERIFY(!grid->font().italic());
    QVERIFY(!grid->horizontalHeader()->font().bold());
    QCOMPARE(grid->palette().color(QPalette::Text), red);
}

void TestSettingsFlow::fontDialogOkAndCancelChangeNothing()
{
    startProgram();
    QTableView *grid = main()->grid();
    const QFont before = grid->font();
    QFont other(QApplication::font().family());
    other.setPixelSize(30);
    dialogs_->answerNextFont({}, true, {other, Qt::blue});
    main()->action(QStringLiteral("Formattesto"))->trigger();
    dialogs_->answerNextFont({}, false);
    main()->action(QStringLiteral("Formattesto"))->trigger();
    QCOMPARE(grid->font(), before);
    QCOMPARE(grid->palette().color(QPalette::Text), QColor(Qt::black));
    // The dialog opened on the grid's font and colour.
    QCOMPARE(dialogs_->fontRequests.size(), 2);
    QCOMPARE(dialogs_->fontRequests.first().font.pixelSize(), 11);
    QCOMPARE(dialogs_->fontRequests.first().color, QColor(Qt::black));
    endProgram();
    // A stored system colour the user did not change is written back as it was.
    IniFile file = readIni();
    QCOMPARE(file.value(QStringLiteral("FONT"), QStringLiteral("FontName")), QStringLiteral("MS San Serif"));
    file.setValue(QStringLiteral("FONT"), QStringLiteral("FontColor"), QString::number(GridFont::kWindowTextColor));
    QVERIFY(file.save(iniPath()));
    startProgram();
    endProgram();
    QCOMPARE(readIni().value(QStringLiteral("FONT"), QStringLiteral("FontColor")),
             QString::number(GridFont::kWindowTextColor));
}

void TestSettingsFlow::missingDatabaseKeepsTheStoredColumns()
{
    writeIni("[LARGHEZZA COLONNE]\r\nCognome=250\r\n[COLONNE CHE POSSONO ESSERE VISUALIZZATE]\r\nNote=0\r\n");
    // The file moved away; on the server, a database that is not there.
    QVERIFY(QFile::rename(db_->path(), db_->path() + QStringLiteral(".via")));
    if (TestDatabase::onServer()) {
        IniFile named = readIni();
        named.setValue(QStringLiteral("DATABASE"), QStringLiteral("Nome"),
                       named.value(QStringLiteral("DATABASE"), QStringLiteral("Nome")) + QStringLiteral("_assente"));
        QVERIFY(named.save(iniPath()));
    }
    startProgram();
    QVERIFY(!dialogs_->errors.isEmpty());
    endProgram();
    const IniFile file = readIni();
    QCOMPARE(file.value(QStringLiteral("LARGHEZZA COLONNE"), QStringLiteral("Cognome")), QStringLiteral("250"));
    QCOMPARE(file.keys(QStringLiteral("LARGHEZZA COLONNE")), QStringList({"Cognome"}));
    QCOMPARE(file.value(QStringLiteral("COLONNE CHE POSSONO ESSERE VISUALIZZATE"), QStringLiteral("Note")),
             QStringLiteral("0"));
    QVERIFY(file.containsSection(QStringLiteral("FONT")));
    QCOMPARE(file.containsSection(QStringLiteral("DATABASE")), TestDatabase::onServer());
    QVERIFY(QFile::rename(db_->path() + QStringLiteral(".via"), db_->path()));
}

void TestSettingsFlow::failedWriteIsReported()
{
    startProgram();
    // A folder where the file should be: it can be neither read nor replaced.
    QFile::remove(iniPath()); // the server's, read at the start
    QVERIFY(QDir().mkpath(iniPath()));
    endProgram();
    QVERIFY(!dialogs_->errors.isEmpty());
    QVERIFY(dialogs_->errors.constLast().contains(QStringLiteral("Default.ini")));
    QVERIFY(QDir().rmdir(iniPath()));
}

QTEST_MAIN(TestSettingsFlow)
#include "tst_settingsflow.moc"
