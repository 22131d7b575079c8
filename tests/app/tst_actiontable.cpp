#include "app/actiontable.h"
#include "app/mainbars.h"

#include <QAction>
#include <QKeySequence>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QSet>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

#include <set>
#include <tuple>

// The table of the main window's actions: every row well-formed, and the menus and tool bars
// built from it holding exactly the expected entries in order.
class TestActionTable : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void everyRowIsWellFormed();
    void menuEntries_data();
    void menuEntries();
    void toolBarEntries_data();
    void toolBarEntries();
    void builtWindowFollowsTheTable();
};

namespace {

// A container's entries as names, "-" for a separator.
QStringList names(const std::vector<const ActionRow *> &entries)
{
    QStringList list;
    for (const ActionRow *row : entries)
        list << (row ? QString::fromLatin1(row->name) : QStringLiteral("-"));
    return list;
}

} // namespace

void TestActionTable::everyRowIsWellFormed()
{
    QSet<QString> seenNames;
    std::set<std::tuple<int, int, int>> menuSlots, barSlots;
    for (std::size_t i = 0; i < kActionCount; ++i) {
        const ActionRow &row = ActionTable::rows().at(i);
        const QString name = QString::fromLatin1(row.name);
        QVERIFY2(std::size_t(row.id) == i, row.name);
        QVERIFY2(&ActionTable::row(row.id) == &row, row.name);
        QVERIFY2(!name.isEmpty() && !seenNames.contains(name), row.name);
        seenNames.insert(name);
        QVERIFY2(*row.caption, row.name);
        // A theme icon needs the program's picture beside it, or it is never shown.
        QVERIFY2(!*row.themeIcon || *row.iconFile, row.name);
        if (*row.shortcut)
            QVERIFY2(!QKeySequence(QLatin1String(row.shortcut), QKeySequence::PortableText).isEmpty(), row.name);

        const ActionHandler &h = row.handler;
        const bool runs = h.run && !h.prepareFile && !h.acceptFile;
        const bool asksFile = !h.run && h.prepareFile && h.acceptFile;
        QVERIFY2(runs != asksFile, row.name);
        QVERIFY2(runs || asksFile, row.name);

        if (row.menu.menu != Menu::None) {
            QVERIFY2(row.menu.group > 0 && row.menu.item > 0, row.name);
            const auto slot = std::tuple(int(row.menu.menu), row.menu.group, row.menu.item);
            QVERIFY2(!menuSlots.count(slot), row.name);
            menuSlots.insert(slot);
        }
        if (row.bar.bar != ToolBar::None) {
            QVERIFY2(row.bar.group > 0 && row.bar.item > 0, row.name);
            const auto slot = std::tuple(int(row.bar.bar), row.bar.group, row.bar.item);
            QVERIFY2(!barSlots.count(slot), row.name);
            barSlots.insert(slot);
            QVERIFY2(!row.bar.caption || *row.bar.caption, row.name);
        } else {
            QVERIFY2(row.bar.colour == CaptionColour::Plain && !row.bar.caption && !row.bar.buttonName, row.name);
        }
        // Every action can be reached; the input sheet's confirm runs from the sheet.
        if (row.id != ActionId::BottoneSchedaInput)
            QVERIFY2(row.menu.menu != Menu::None || row.bar.bar != ToolBar::None, row.name);
    }
    QCOMPARE(seenNames.size(), int(kActionCount));
}

void TestActionTable::menuEntries_data()
{
    QTest::addColumn<int>("menu");
    QTest::addColumn<QString>("objectName");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<QStringList>("captions");

    QTest::newRow("File") << int(Menu::File) << "File1"
                          << "File"
                          << QStringList{"CollegamentoDesktop",
                                         "CollegamentoInProgrammi",
                                         "-",
                                         "SalvaInXLS",
                                         "ImportaDaExcel",
                                         "EsportaCSV",
                                         "ImportaCSV",
                                         "EsportaVCard",
                                         "ImportaVCard",
                                         "-",
                                         "Stampa1",
                                         "AnteprimaDiStampa1",
                                         "EsportaInPDF1",
                                         "-",
                                         "BackupDatabase1",
                                         "RipristinaBackup1",
                                         "-",
                                         "ImportaArchivioPrecedente1",
                                         "RicalcolaImportiPagati1",
                                         "SpostaSuServer1",
                                         "-",
                                         "Esci1"}
                          << QStringList{"Collegamento desktop",
                                         "Collegamento in Programmi",
                                         "-",
                                         "Esporta in Excel",
                                         "Importa da Excel",
                                         "Esporta in CSV...",
                                         "Importa da CSV...",
                                         "Esporta rubrica (vCard)...",
                                         "Importa rubrica (vCard)...",
                                         "-",
                                         "Stampa...",
                                         "Anteprima di stampa...",
                                         "Esporta in PDF...",
                                         "-",
                                         "Backup del database...",
                                         "Ripristina da backup...",
                                         "-",
                                         "Importa archivio precedente (.mdb)...",
                                         "Ricalcola importi pagati",
                                         "Sposta i dati su un server...",
                                         "-",
                                         "Esci"};
    QTest::newRow("Visualizza") << int(Menu::Visualizza) << "Visualizza1"
                                << "Visualizza" << QStringList{"MostraTabella", "MostraScheda"}
                                << QStringList{"Tabella", "Scheda"};
    QTest::newRow("Database") << int(Menu::Database) << "Database1"
                              << "Database"
                              << QStringList{"QueryCommittente",
                                             "QueryProgetto",
                                             "PersonalizzaQuery",
                                             "-",
                                             "Nome",
                                             "Qualifica",
                                             "Citta",
                                             "QueryConProgetti",
                                             "QuerySenzaProgetti",
                                             "-",
                                             "Stato",
                                             "Comune",
                                             "QueryNonPagati",
                                             "QueryPagati",
                                             "-",
                                             "CodiciDaVerificare"}
                              << QStringList{"Rubrica",
                                             "Progetti",
                                             "Ricerca avanzata",
                                             "-",
                                             "Persona",
                                             "Qualifica",
                                             "Città",
                                             "Con progetti",
                                             "Senza progetti",
                                             "-",
                                             "Stato progetto",
                                             "Da iniziare",
                                             "Progetti non pagati",
                                             "Progetti pagati",
                                             "-",
                                             "Codici da verificare"};
    QTest::newRow("Preferenze") << int(Menu::Preferenze) << "Preferenze1"
                                << "Preferenze" << QStringList{"Formattesto", "Opzioni"}
                                << QStringList{"Formattazione testo", "Opzioni..."};
    QTest::newRow("Help") << int(Menu::Help) << "Help1"
                          << "Help" << QStringList{"Manuale1", "-", "Informazioni1"}
                          << QStringList{"Manuale", "-", "Informazioni"};
    QTest::newRow("none") << int(Menu::None) << ""
                          << "" << QStringList{} << QStringList{};
}

void TestActionTable::menuEntries()
{
    QFETCH(int, menu);
    QFETCH(QString, objectName);
    QFETCH(QString, title);
    QFETCH(QStringList, entries);
    QFETCH(QStringList, captions);
    const std::vector<const ActionRow *> rows = ActionTable::entries(Menu(menu));
    QCOMPARE(names(rows), entries);
    QStringList texts;
    for (const ActionRow *row : rows)
        texts << (row ? QString::fromUtf8(row->caption) : QStringLiteral("-"));
    QCOMPARE(texts, captions);
    QCOMPARE(QString::fromLatin1(ActionTable::menu(Menu(menu)).objectName), objectName);
    QCOMPARE(QString::fromUtf8(ActionTable::menu(Menu(menu)).title), title);
}

void TestActionTable::toolBarEntries_data()
{
    QTest::addColumn<int>("bar");
    QTest::addColumn<QString>("objectName");
    QTest::addColumn<QStringList>("buttons");  // object names, "-" for a separator
    QTest::addColumn<QStringList>("captions"); // the buttons' own captions
    QTest::addColumn<QList<int>>("colours");   // CaptionColour, separators left out

    const int plain = int(CaptionColour::Plain);
    const int persons = int(CaptionColour::Persons);
    const int projects = int(CaptionColour::Projects);
    QTest::newRow("first row") << int(ToolBar::Database) << "ToolBar1"
                               << QStringList{"BitBtn1",
                                              "BitBtn2",
                                              "-",
                                              "QueryCommittenteButton",
                                              "QueryProgettoButton",
                                              "PersonalizzaQueryButton",
                                              "-",
                                              "NomeButton",
                                              "QualificaButton",
                                              "CittaButton",
                                              "QueryConProgettiButton",
                                              "QuerySenzaProgettiButton"}
                               << QStringList{"Aggiungi", "Elimina",      "-",
                                              "Rubrica",  "Progetti",     "Ricerca avanzata",
                                              "-",        "Persona",      "Qualifica",
                                              "Città",    "Con progetti", "Senza progetti"}
                               << QList<int>{plain,   plain,   persons, projects, plain,
                                             persons, persons, persons, persons,  persons};
    QTest::newRow("projects") << int(ToolBar::Progetti) << "ToolBar2"
                              << QStringList{"InCorsoButton", "QuerySospesiButton", "ComuneButton",
                                             "QueryNonPagatiButton", "QueryPagatiButton"}
                              << QStringList{"In corso", "Sospesi", "Da Iniziare", "Progetti non pagati",
                                             "Progetti pagati"}
                              << QList<int>{projects, projects, projects, projects, projects};
    QTest::newRow("view") << int(ToolBar::Visualizza) << "ToolBar3"
                          << QStringList{"MostraSchedaButton", "MostraTabellaButton"}
                          << QStringList{"Scheda", "Tabella"} << QList<int>{plain, plain};
}

void TestActionTable::toolBarEntries()
{
    QFETCH(int, bar);
    QFETCH(QString, objectName);
    QFETCH(QStringList, buttons);
    QFETCH(QStringList, captions);
    QFETCH(QList<int>, colours);
    QStringList gotButtons, gotCaptions;
    QList<int> gotColours;
    for (const ActionRow *row : ActionTable::entries(ToolBar(bar))) {
        if (!row) {
            gotButtons << QStringLiteral("-");
            gotCaptions << QStringLiteral("-");
            continue;
        }
        gotButtons << (row->bar.buttonName ? QString::fromLatin1(row->bar.buttonName)
                                           : QString::fromLatin1(row->name) + QStringLiteral("Button"));
        gotCaptions << QString::fromUtf8(row->bar.caption ? row->bar.caption : row->caption);
        gotColours << int(row->bar.colour);
    }
    QCOMPARE(gotButtons, buttons);
    QCOMPARE(gotCaptions, captions);
    QCOMPARE(gotColours, colours);
    QCOMPARE(QString::fromLatin1(ActionTable::toolBar(ToolBar(bar)).objectName), objectName);
}

void TestActionTable::builtWindowFollowsTheTable()
{
    QMainWindow window;
    const MainBars::Actions actions = MainBars::createActions(&window);
    MainBars::createMenus(&window, actions);
    auto *searchBox = new QWidget(&window);
    searchBox->setObjectName(QStringLiteral("SearchBox"));
    QToolButton *toggle = MainBars::createToolBars(&window, actions, searchBox);
    QCOMPARE(toggle->objectName(), QStringLiteral("SpeedButton1"));

    for (const ActionRow &row : ActionTable::rows()) {
        QAction *action = actions.at(std::size_t(row.id));
        QVERIFY2(action, row.name);
        QCOMPARE(MainBars::action(&window, QLatin1String(row.name)), action);
        QCOMPARE(action->text(), QString::fromUtf8(row.caption));
        QCOMPARE(action->icon().isNull(), !*row.iconFile);
    }
    QVERIFY(!MainBars::action(&window, QStringLiteral("Inserisci1")));

    for (const Menu which : {Menu::File, Menu::Visualizza, Menu::Database, Menu::Preferenze, Menu::Help}) {
        auto *menu = window.findChild<QMenu *>(QLatin1String(ActionTable::menu(which).objectName));
        QVERIFY(menu);
        QStringList built;
        for (QAction *a : menu->actions())
            built << (a->isSeparator() ? QStringLiteral("-") : a->objectName());
        QCOMPARE(built, names(ActionTable::entries(which)));
    }
    for (const ToolBar which : {ToolBar::Database, ToolBar::Progetti, ToolBar::Visualizza}) {
        auto *bar = window.findChild<QToolBar *>(QLatin1String(ActionTable::toolBar(which).objectName));
        QVERIFY(bar);
        QStringList built;
        for (QAction *a : bar->actions())
            built << (a->isSeparator() ? QStringLiteral("-") : bar->widgetForAction(a)->objectName());
        QStringList expected;
        if (which == ToolBar::Progetti)
            expected << QStringLiteral("SearchBox");
        if (which == ToolBar::Visualizza)
            expected << QStringLiteral("SpeedButton1");
        for (const ActionRow *row : ActionTable::entries(which)) {
            if (!row)
                expected << QStringLiteral("-");
            else
                expected << (row->bar.buttonName ? QString::fromLatin1(row->bar.buttonName)
                                                 : QString::fromLatin1(row->name) + QStringLiteral("Button"));
        }
        QCOMPARE(built, expected);
    }
}

QTEST_MAIN(TestActionTable)
#include "tst_actiontable.moc"
