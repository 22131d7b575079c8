// The grid column set-up after a query: titles, hidden keys, the visible-field choice,
// widths and their capture, and the binding of the 21 card pairs.
#include "core/gridcolumns.h"
#include "data/database.h"
#include "data/query.h"
#include "data/schema.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace ColumnSetup;

namespace {

const QStringList kPersons = {"Committente.IdCommittente",
                              "Cognome",
                              "Nome",
                              "Qualifica",
                              "Indirizzo.IdCommittente",
                              "CAP",
                              "Città",
                              "Via",
                              "Recapiti.IdCommittente",
                              "Numero_telefono1",
                              "Numero_telefono2",
                              "Numero_fax",
                              "Numero_cell1",
                              "Numero_cell2",
                              "E_mail",
                              "Sito_internet",
                              "Codice_fiscale",
                              "Partita_iva",
                              "Note"};
const QStringList kProjects = {
    "IdProgetto",     "IdCommittente",  "Cognome_progettista", "Nome_progettista", "Descrizione",   "Comune",   "Stato",
    "Importo_totale", "Importo_pagato", "Data_inizio",         "Data_fine",        "Data_scadenza", "Archivio", "Nota"};
const QStringList kPayments = {"IdProgetto", "IdFattura", "Importo", "Data", "Fattura"};

// A freshly opened result as the grid gets it, before the set-up.
GridColumns gridOf(const QStringList &fieldNames)
{
    GridColumns grid;
    for (const QString &name : fieldNames) {
        GridColumn column;
        column.fieldName = name;
        column.title = name;
        grid.columns.push_back(column);
    }
    return grid;
}

// What every query runs after opening: titles, then the visibility pass.
GridColumns openResult(const QStringList &fieldNames, const FieldCheckLists &lists, const FieldCatalogue &catalogue)
{
    GridColumns grid = gridOf(fieldNames);
    applyColumnTitles(grid, nullptr);
    applyColumnVisibility(grid, lists, catalogue);
    return grid;
}

FieldCheckLists listsTicked(const FieldCatalogue &catalogue, bool ticked)
{
    FieldCheckLists lists;
    catalogue.fillFieldCheckLists(lists);
    for (CheckList &list : lists)
        list.checked.fill(ticked);
    return lists;
}

void untick(FieldCheckLists &lists, const QString &label)
{
    for (CheckList &list : lists) {
        const int item = list.indexOf(label);
        if (item >= 0)
            list.checked[item] = false;
    }
}

QStringList visibleTitles(const GridColumns &grid)
{
    QStringList titles;
    for (const GridColumn &column : grid.columns) {
        if (column.visible)
            titles << column.title;
    }
    return titles;
}

QStringList shownPairs(const CardPairs &pairs)
{
    QStringList shown;
    for (const CardPair &pair : pairs) {
        if (pair.visible)
            shown << pair.labelText;
    }
    return shown;
}

} // namespace

class TestColumnSetup : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void titlesFromCatalogue();
    void titlesBecomeDisplayNames();
    void personsHideKeysWhateverTheirNaming_data();
    void personsHideKeysWhateverTheirNaming();
    void uncheckedFieldHidesColumnButCardKeepsIt();
    void everythingUncheckedHidesCatalogueColumnsWithoutWidths();
    void passOnlyHides();
    void unknownTitlesStayVisible();
    void emptyCheckListsHideOnlyKeys();
    void choiceAndShowForItem();
    void widthCaptureReachesLaterResults();
    void personsCard();
    void projectsCard();
    void paymentsCard();
    void cardTakesFirst21Bindable();
    void pairsWithoutColumns();
    void unbindKeepsLabels();
};

void TestColumnSetup::titlesFromCatalogue()
{
    GridColumns grid = gridOf(kPersons);
    applyColumnTitles(grid, nullptr);
    QCOMPARE(grid.columns[size_t(grid.indexOfField("Codice_fiscale"))].title, QString("Codice fiscale"));
    QCOMPARE(grid.columns[size_t(grid.indexOfField("Numero_fax"))].title, QString("Fax"));
    QCOMPARE(grid.columns[size_t(grid.indexOfField("Città"))].title, QString("Città"));
    QCOMPARE(grid.columns[0].title, QString("Committente.IdCommittente"));
    QCOMPARE(grid.columns[4].title, QString("Indirizzo.IdCommittente"));
    QCOMPARE(grid.indexOfTitle("Fax"), grid.indexOfField("numero_fax"));
    QCOMPARE(grid.indexOfTitle("Numero_fax"), -1);
}

void TestColumnSetup::titlesBecomeDisplayNames()
{
    QTemporaryDir dir;
    Database db;
    db.create(dir.filePath("DatiCliente.mdb"), Schema::databasePassword());
    Schema::createTables(db);
    Query query(&db);
    query.setSql({"SELECT IdProgetto, Cognome_progettista, Data_scadenza, Importo_pagato", "FROM Progetto"});
    query.open();

    GridColumns grid;
    grid.reset(query);
    QCOMPARE(grid.columns.size(), size_t(4));
    QCOMPARE(grid.columns[1].fieldName, QString("Cognome_progettista"));
    QCOMPARE(grid.columns[1].title, QString("Cognome_progettista"));
    QCOMPARE(grid.columns[1].width, GridColumns::kDefaultWidth);
    QVERIFY(grid.columns[1].visible);

    applyColumnTitles(grid, &query);
    QCOMPARE(query.fieldInfo(0).displayName, QString("IdProgetto"));
    QCOMPARE(query.fieldInfo(1).displayName, QString("Cognome cliente"));
    QCOMPARE(query.fieldInfo(2).displayName, QString("Data di consegna"));
    QCOMPARE(query.fieldInfo(3).displayName, QString("Importo pagato"));
    QCOMPARE(query.fieldInfo(3).name, QString("Importo_pagato"));
}

void TestColumnSetup::personsHideKeysWhateverTheirNaming_data()
{
    QTest::addColumn<QStringList>("keys");
    QTest::newRow("qualified") << QStringList{"Committente.IdCommittente", "Indirizzo.IdCommittente",
                                              "Recapiti.IdCommittente"};
    QTest::newRow("bare") << QStringList{"IdCommittente", "IdCommittente", "IdCommittente"};
    QTest::newRow("mixed") << QStringList{"IdCommittente", "Indirizzo.IdCommittente", "Recapiti.IdCommittente"};
}

void TestColumnSetup::personsHideKeysWhateverTheirNaming()
{
    QFETCH(QStringList, keys);
    QStringList names = kPersons;
    names[0] = keys[0];
    names[4] = keys[1];
    names[8] = keys[2];
    const FieldCatalogue catalogue;
    const GridColumns grid = openResult(names, listsTicked(catalogue, true), catalogue);
    QCOMPARE(visibleTitles(grid), QStringList({"Cognome", "Nome", "Qualifica", "CAP", "Città", "Via", "1° Telefono",
                                               "2° Telefono", "Fax", "1° Cellulare", "2° Cellulare", "E-Mail",
                                               "Sito internet", "Codice fiscale", "Partita IVA", "Note"}));
}

void TestColumnSetup::uncheckedFieldHidesColumnButCardKeepsIt()
{
    FieldCatalogue catalogue;
    catalogue.entry(catalogue.indexOfLabel("Cognome")).width = 150;
    FieldCheckLists lists = listsTicked(catalogue, true);
    untick(lists, "Fax");

    const GridColumns grid = openResult(kPersons, lists, catalogue);
    const GridColumn &fax = grid.columns[size_t(grid.indexOfField("Numero_fax"))];
    QVERIFY(!fax.visible);
    QVERIFY(grid.columns[size_t(grid.indexOfField("Numero_cell1"))].visible);
    QCOMPARE(visibleTitles(grid).size(), 15);
    // The other fields still get their widths.
    QCOMPARE(grid.columns[size_t(grid.indexOfField("Cognome"))].width, 150);
    QCOMPARE(grid.columns[size_t(grid.indexOfField("Nome"))].width, 100);
    QCOMPARE(grid.columns[0].width, GridColumns::kDefaultWidth); // a key is no catalogue column

    CardPairs pairs;
    bindCardPairs(pairs, grid);
    QVERIFY(pairs[8].visible);
    QCOMPARE(pairs[8].labelText, QString("Fax"));
    QCOMPARE(pairs[8].boundField, QString("Numero_fax"));
}

void TestColumnSetup::everythingUncheckedHidesCatalogueColumnsWithoutWidths()
{
    FieldCatalogue catalogue;
    for (int i = 0; i < FieldCatalogue::kCount; ++i)
        catalogue.entry(i).width = 150;
    const FieldCheckLists lists = listsTicked(catalogue, false);

    for (const QStringList &result : {kPersons, kProjects, kPayments}) {
        const GridColumns grid = openResult(result, lists, catalogue);
        QCOMPARE(visibleTitles(grid), QStringList());
        for (const GridColumn &column : grid.columns)
            QCOMPARE(column.width, GridColumns::kDefaultWidth);
    }
}

void TestColumnSetup::passOnlyHides()
{
    const FieldCatalogue catalogue;
    FieldCheckLists lists = listsTicked(catalogue, true);
    GridColumns grid = openResult(kProjects, lists, catalogue);
    QVERIFY(grid.columns[size_t(grid.indexOfTitle("Importo pagato"))].visible);

    // From the options dialog: a second pass over the same result can hide more...
    untick(lists, "Stato");
    applyColumnVisibility(grid, lists, catalogue);
    QVERIFY(!grid.columns[size_t(grid.indexOfField("Stato"))].visible);

    // ...but ticking it again is not enough to bring the column back.
    lists[size_t(FieldGroup::Progetto)].checked.fill(true);
    applyColumnVisibility(grid, lists, catalogue);
    QVERIFY(!grid.columns[size_t(grid.indexOfField("Stato"))].visible);
    QVERIFY(!grid.columns[0].visible);
}

void TestColumnSetup::unknownTitlesStayVisible()
{
    FieldCatalogue catalogue;
    catalogue.entry(0).width = 150;
    const FieldCheckLists lists = listsTicked(catalogue, false);
    // A complex query over joins: qualified names and expressions match no label.
    const GridColumns grid = openResult({"Committente.Cognome", "Progetto.Importo_totale", "Totale", "cognome",
                                         "Cognome"},
                                        lists, catalogue);
    QCOMPARE(visibleTitles(grid), QStringList({"Committente.Cognome", "Progetto.Importo_totale", "Totale", "cognome"}));
    for (const GridColumn &column : grid.columns)
        QCOMPARE(column.width, GridColumns::kDefaultWidth);
}

void TestColumnSetup::emptyCheckListsHideOnlyKeys()
{
    const FieldCatalogue catalogue;
    const GridColumns grid = openResult(kPayments, FieldCheckLists{}, catalogue);
    QCOMPARE(visibleTitles(grid), QStringList({"Importo", "Data", "Fattura"}));
}

void TestColumnSetup::choiceAndShowForItem()
{
    FieldCatalogue catalogue;
    catalogue.entry(catalogue.indexOfLabel("Data")).width = 90;
    catalogue.entry(catalogue.indexOfLabel("Fattura")).width = 70;
    FieldCheckLists lists = listsTicked(catalogue, true);
    CheckList &payments = lists[size_t(FieldGroup::Pagamenti)];

    // A ticked item applies every catalogue width, not only its own column's.
    GridColumns grid = gridOf(kPayments);
    applyColumnTitles(grid, nullptr);
    applyColumnChoice(grid, grid.indexOfTitle("Importo"), payments, catalogue);
    QCOMPARE(grid.columns[3].width, 90);
    QCOMPARE(grid.columns[4].width, 70);
    QVERIFY(grid.columns[2].visible);

    payments.checked[payments.indexOf("Importo")] = false;
    applyColumnChoice(grid, 2, payments, catalogue);
    QVERIFY(!grid.columns[2].visible);

    showColumnForItem(grid, payments.indexOf("Importo"), payments);
    QVERIFY(grid.columns[2].visible);

    // A label whose column is not in the result changes nothing.
    GridColumns persons = openResult(kPersons, lists, catalogue);
    const GridColumns before = persons;
    showColumnForItem(persons, 0, payments);
    showColumnForItem(persons, 99, payments);
    for (size_t i = 0; i < persons.columns.size(); ++i)
        QCOMPARE(persons.columns[i].visible, before.columns[i].visible);

    // Only the first column with the item's title is shown.
    GridColumns twice = gridOf({"Importo", "Importo"});
    twice.columns[0].visible = twice.columns[1].visible = false;
    showColumnForItem(twice, payments.indexOf("Importo"), payments);
    QVERIFY(twice.columns[0].visible);
    QVERIFY(!twice.columns[1].visible);
}

void TestColumnSetup::widthCaptureReachesLaterResults()
{
    FieldCatalogue catalogue;
    FieldCheckLists lists = listsTicked(catalogue, true);
    untick(lists, "Note");
    GridColumns grid = openResult(kPersons, lists, catalogue);

    grid.columns[size_t(grid.indexOfTitle("Cognome"))].width = 180;
    grid.columns[size_t(grid.indexOfTitle("Note"))].width = 40; // hidden, captured all the same
    grid.columns[0].width = 10;                                 // a key: no entry to go to
    captureWidths(grid, catalogue);
    QCOMPARE(catalogue.entry(catalogue.indexOfLabel("Cognome")).width, 180);
    QCOMPARE(catalogue.entry(catalogue.indexOfLabel("Note")).width, 40);
    for (int i = 0; i < FieldCatalogue::kCount; ++i) {
        if (catalogue.entry(i).label != "Cognome" && catalogue.entry(i).label != "Note")
            QCOMPARE(catalogue.entry(i).width, 100);
    }

    const GridColumns next = openResult(kPersons, lists, catalogue);
    QCOMPARE(next.columns[size_t(next.indexOfTitle("Cognome"))].width, 180);
    QCOMPARE(next.columns[size_t(next.indexOfTitle("Nome"))].width, 100);
}

void TestColumnSetup::personsCard()
{
    const FieldCatalogue catalogue;
    const GridColumns grid = openResult(kPersons, listsTicked(catalogue, true), catalogue);
    CardPairs pairs;
    bindCardPairs(pairs, grid);

    const QStringList labels = {"Cognome",       "Nome",           "Qualifica",
                                "CAP",           "Città",          "Via",
                                "1° Telefono",   "2° Telefono",    "Fax",
                                "1° Cellulare",  "2° Cellulare",   "E-Mail",
                                "Sito internet", "Codice fiscale", "Partita IVA",
                                "Note"};
    const int widths[] = {200, 121, 121, 121, 200, 200, 121, 121, 121, 121, 121, 200, 200, 200, 200, 200};
    QCOMPARE(shownPairs(pairs), labels);
    for (int k = 0; k < labels.size(); ++k) {
        QVERIFY(pairs[size_t(k)].visible);
        QCOMPARE(pairs[size_t(k)].editorWidth, widths[k]);
        QCOMPARE(pairs[size_t(k)].boundField, FieldCatalogue::labelToColumn(labels[k]));
    }
}

void TestColumnSetup::projectsCard()
{
    const FieldCatalogue catalogue;
    const GridColumns grid = openResult(kProjects, listsTicked(catalogue, true), catalogue);
    QVERIFY(visibleTitles(grid).contains("Importo pagato"));

    CardPairs pairs;
    bindCardPairs(pairs, grid);
    QCOMPARE(shownPairs(pairs),
             QStringList({"Cognome cliente", "Nome cliente", "Descrizione", "Comune", "Stato", "Importo totale",
                          "Data di inizio", "Data di fine", "Data di consegna", "Archivio", "Nota"}));
    for (size_t k = 0; k < 11; ++k)
        QVERIFY(pairs[k].visible);
    for (size_t k = 11; k < pairs.size(); ++k) {
        QVERIFY(!pairs[k].visible);
        QVERIFY(pairs[k].boundField.isEmpty());
    }
    QCOMPARE(pairs[0].boundField, QString("Cognome_progettista"));
    QCOMPARE(pairs[5].boundField, QString("Importo_totale"));
    QCOMPARE(pairs[6].boundField, QString("Data_inizio")); // the paid amount is skipped
    const int widths[] = {200, 121, 200, 200, 121, 121, 121, 121, 121, 200, 200};
    for (size_t k = 0; k < 11; ++k)
        QCOMPARE(pairs[k].editorWidth, widths[k]);
}

void TestColumnSetup::paymentsCard()
{
    const FieldCatalogue catalogue;
    const GridColumns grid = openResult(kPayments, listsTicked(catalogue, false), catalogue);
    CardPairs pairs;
    bindCardPairs(pairs, grid);
    QCOMPARE(shownPairs(pairs), QStringList({"Importo", "Data", "Fattura"}));
    const QStringList fields = {"Importo", "Data", "Fattura"};
    for (size_t k = 0; k < 3; ++k) {
        QCOMPARE(pairs[k].boundField, fields[int(k)]);
        QCOMPARE(pairs[k].editorWidth, 121);
    }
}

void TestColumnSetup::cardTakesFirst21Bindable()
{
    QStringList names;
    for (int i = 1; i <= 25; ++i) {
        names << QString("Campo%1").arg(i);
        if (i % 5 == 0)
            names << "IdProgetto"
                  << "Importo_pagato";
    }
    GridColumns grid = gridOf(names);
    CardPairs pairs;
    bindCardPairs(pairs, grid);
    for (size_t k = 0; k < pairs.size(); ++k) {
        QVERIFY(pairs[k].visible);
        QCOMPARE(pairs[k].boundField, QString("Campo%1").arg(k + 1));
    }

    // One pair on its own: from a start position, skipping keys and the paid amount.
    CardPair pair;
    QCOMPARE(bindCardPair(pair, grid, 5), 7); // Campo5 at 4, then IdProgetto, Importo_pagato
    QCOMPARE(pair.boundField, QString("Campo6"));
    QCOMPARE(bindCardPair(pair, grid, int(grid.columns.size())), -1);
    QVERIFY(!pair.visible);
    QVERIFY(pair.boundField.isEmpty());
}

void TestColumnSetup::pairsWithoutColumns()
{
    CardPairs pairs;
    for (CardPair &pair : pairs) {
        pair.visible = true;
        pair.boundField = "Cognome";
    }
    // Only keys and the paid amount: nothing to bind, and no pair keeps an older binding.
    bindCardPairs(pairs, gridOf({"IdProgetto", "IdCommittente", "Importo_pagato"}));
    QCOMPARE(shownPairs(pairs), QStringList());
    for (const CardPair &pair : pairs)
        QVERIFY(pair.boundField.isEmpty());

    bindCardPairs(pairs, GridColumns{});
    QCOMPARE(shownPairs(pairs), QStringList());
}

void TestColumnSetup::unbindKeepsLabels()
{
    const FieldCatalogue catalogue;
    const GridColumns grid = openResult(kPayments, listsTicked(catalogue, true), catalogue);
    CardPairs pairs;
    bindCardPairs(pairs, grid);
    unbindPairs(pairs);
    for (const CardPair &pair : pairs)
        QVERIFY(pair.boundField.isEmpty());
    QCOMPARE(shownPairs(pairs), QStringList({"Importo", "Data", "Fattura"}));
}

QTEST_GUILESS_MAIN(TestColumnSetup)
#include "tst_columnsetup.moc"
