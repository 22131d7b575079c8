// The field catalogue: its entries, the label/column translations, the key names, the
// quoting of complex-query values and the option check lists.
#include "data/fieldcatalogue.h"

#include <QSet>
#include <QtTest>

class TestFieldCatalogue : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void entriesAndDefaults();
    void groupBoundaries_data();
    void groupBoundaries();
    void labelLookup();
    void translationsRoundTrip();
    void labelToColumnEdgeCases_data();
    void labelToColumnEdgeCases();
    void titleForColumnEdgeCases();
    void keyColumns();
    void quoteConditionValue_data();
    void quoteConditionValue();
    void checkLists();
};

void TestFieldCatalogue::entriesAndDefaults()
{
    const FieldCatalogue catalogue;
    QSet<QString> labels;
    int differing = 0;
    for (int i = 0; i < FieldCatalogue::kCount; ++i) {
        const FieldEntry &entry = catalogue.entry(i);
        QCOMPARE(entry.width, 100);
        QVERIFY(entry.visible);
        QVERIFY(!entry.label.isEmpty());
        labels.insert(entry.label);
        if (entry.label != FieldCatalogue::column(i))
            ++differing;
    }
    QCOMPARE(labels.size(), FieldCatalogue::kCount); // every label unique
    QCOMPARE(differing, 16);
}

void TestFieldCatalogue::groupBoundaries_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("column");
    QTest::addColumn<QString>("table");
    QTest::addColumn<int>("group");
    QTest::newRow("first person") << 0 << "Cognome" << "Cognome" << "Committente" << int(FieldGroup::Persona);
    QTest::newRow("last person") << 5 << "Note" << "Note" << "Committente" << int(FieldGroup::Persona);
    QTest::newRow("first address") << 6 << "CAP" << "CAP" << "Indirizzo" << int(FieldGroup::Indirizzo);
    QTest::newRow("accented") << 7 << "Città" << "Città" << "Indirizzo" << int(FieldGroup::Indirizzo);
    QTest::newRow("last address") << 8 << "Via" << "Via" << "Indirizzo" << int(FieldGroup::Indirizzo);
    QTest::newRow("first contact") << 9 << "1° Telefono" << "Numero_telefono1" << "Recapiti"
                                   << int(FieldGroup::Recapiti);
    QTest::newRow("last contact") << 15 << "Sito internet" << "Sito_internet" << "Recapiti"
                                  << int(FieldGroup::Recapiti);
    QTest::newRow("first project") << 16 << "Cognome cliente" << "Cognome_progettista" << "Progetto"
                                   << int(FieldGroup::Progetto);
    QTest::newRow("delivery date") << 25 << "Data di consegna" << "Data_scadenza" << "Progetto"
                                   << int(FieldGroup::Progetto);
    QTest::newRow("last project") << 27 << "Nota" << "Nota" << "Progetto" << int(FieldGroup::Progetto);
    QTest::newRow("first payment") << 28 << "Importo" << "Importo" << "Pagamenti" << int(FieldGroup::Pagamenti);
    QTest::newRow("last payment") << 30 << "Fattura" << "Fattura" << "Pagamenti" << int(FieldGroup::Pagamenti);
}

void TestFieldCatalogue::groupBoundaries()
{
    QFETCH(int, index);
    QFETCH(QString, label);
    QFETCH(QString, column);
    QFETCH(QString, table);
    QFETCH(int, group);
    const FieldCatalogue catalogue;
    QCOMPARE(catalogue.entry(index).label, label);
    QCOMPARE(FieldCatalogue::column(index), column);
    QCOMPARE(FieldCatalogue::table(index), table);
    QCOMPARE(int(FieldCatalogue::group(index)), group);
}

void TestFieldCatalogue::labelLookup()
{
    FieldCatalogue catalogue;
    QCOMPARE(catalogue.indexOfLabel("Fax"), 11);
    QCOMPARE(catalogue.indexOfLabel("fax"), -1); // exact comparison
    QCOMPARE(catalogue.indexOfLabel("Numero_fax"), -1);
    QCOMPARE(catalogue.indexOfLabel(""), -1);
    // Settings change widths, never the labels, but the lookup follows the entries.
    catalogue.entry(30).label = "Fattura n.";
    QCOMPARE(catalogue.indexOfLabel("Fattura"), -1);
    QCOMPARE(catalogue.indexOfLabel("Fattura n."), 30);
}

void TestFieldCatalogue::translationsRoundTrip()
{
    const FieldCatalogue catalogue;
    for (int i = 0; i < FieldCatalogue::kCount; ++i) {
        const QString label = catalogue.entry(i).label;
        QCOMPARE(FieldCatalogue::labelToColumn(label), FieldCatalogue::column(i));
        QCOMPARE(FieldCatalogue::titleForColumn(FieldCatalogue::column(i)), label);
    }
}

void TestFieldCatalogue::labelToColumnEdgeCases_data()
{
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("column");
    // The complex query's never-opened field list still carries the three older variants.
    QTest::newRow("old surname variant") << "Cognome progettista" << "Cognome progettista";
    QTest::newRow("old name variant") << "Nome progettista" << "Nome progettista";
    QTest::newRow("old date variant") << "Data di scadenza" << "Data di scadenza";
    QTest::newRow("accented city") << "Città" << "Città";
    QTest::newRow("degree sign") << "2° Cellulare" << "Numero_cell2";
    QTest::newRow("case matters") << "partita iva" << "partita iva";
    QTest::newRow("column name passes") << "Codice_fiscale" << "Codice_fiscale";
    QTest::newRow("empty") << "" << "";
}

void TestFieldCatalogue::labelToColumnEdgeCases()
{
    QFETCH(QString, label);
    QFETCH(QString, column);
    QCOMPARE(FieldCatalogue::labelToColumn(label), column);
}

void TestFieldCatalogue::titleForColumnEdgeCases()
{
    QCOMPARE(FieldCatalogue::titleForColumn("Codice_fiscale"), QString("Codice fiscale"));
    QCOMPARE(FieldCatalogue::titleForColumn("Numero_fax"), QString("Fax"));
    // Keys and qualified names keep their names as titles.
    QCOMPARE(FieldCatalogue::titleForColumn("Committente.IdCommittente"), QString("Committente.IdCommittente"));
    QCOMPARE(FieldCatalogue::titleForColumn("IdProgetto"), QString("IdProgetto"));
    QCOMPARE(FieldCatalogue::titleForColumn("Progetto.Importo_totale"), QString("Progetto.Importo_totale"));
    QCOMPARE(FieldCatalogue::titleForColumn("numero_fax"), QString("numero_fax"));
}

void TestFieldCatalogue::keyColumns()
{
    const QStringList &keys = FieldCatalogue::keyColumnNames();
    QCOMPARE(keys.size(), 10);
    for (const QString &name : QStringList{"Committente.IdCommittente", "Indirizzo.IdCommittente", "Recapiti.IdCommittente",
                                "Progetto.IdCommittente", "Progetto.IdProgetto", "Pagamenti.IdProgetto",
                                "Pagamenti.IdFattura", "IdCommittente", "IdProgetto", "IdFattura"})
        QVERIFY2(FieldCatalogue::isKeyColumn(name), qPrintable(name));
    QVERIFY(!FieldCatalogue::isKeyColumn("Importo_pagato"));
    QVERIFY(!FieldCatalogue::isKeyColumn("Cognome"));
    QVERIFY(!FieldCatalogue::isKeyColumn("Committente.Cognome"));
    QVERIFY(!FieldCatalogue::isKeyColumn(""));
}

void TestFieldCatalogue::quoteConditionValue_data()
{
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("expected");
    QTest::newRow("digits for CAP") << "CAP" << "00184" << "'00184'";
    QTest::newRow("digits for Importo") << "Importo" << "1500" << "1500";
    QTest::newRow("digits for every digit-text field") << "2° Cellulare" << "347123" << "'347123'";
    QTest::newRow("digits for VAT number") << "Partita IVA" << "0123" << "'0123'";
    QTest::newRow("surname") << "Cognome" << "Rossi" << "'Rossi'";
    QTest::newRow("surname quoted by the user") << "Cognome" << "'Rossi'" << "'Rossi'";
    // Inner quotes are not doubled.
    QTest::newRow("inner quote kept") << "Cognome" << "D'Amico" << "'D'Amico'";
    QTest::newRow("starts with a digit, text field") << "Via" << "3 Novembre" << "3 Novembre";
    QTest::newRow("number for a date column") << "Data" << "01/01/2007" << "01/01/2007";
    QTest::newRow("letters for CAP") << "CAP" << "ab" << "'ab'";
    QTest::newRow("quoted for a digit-text field") << "Fax" << "'0612'" << "'0612'";
    QTest::newRow("non-ASCII digit is not a number") << "Importo" << QString::fromUtf8("٣٤") << QString::fromUtf8("'٣٤'");
    QTest::newRow("empty") << "CAP" << "" << "";
}

void TestFieldCatalogue::quoteConditionValue()
{
    QFETCH(QString, label);
    QFETCH(QString, value);
    QFETCH(QString, expected);
    QCOMPARE(FieldCatalogue::quoteConditionValue(label, value), expected);
}

void TestFieldCatalogue::checkLists()
{
    FieldCatalogue catalogue;
    FieldCheckLists lists;
    lists[0].items = QStringList{"stale"};
    lists[0].checked = {true};
    lists[4].items = QStringList{"a", "b"};
    lists[4].checked = {true, true};

    catalogue.fillFieldCheckLists(lists);

    const int sizes[] = {6, 3, 7, 12, 3};
    int entry = 0;
    for (size_t g = 0; g < lists.size(); ++g) {
        const CheckList &list = lists[g];
        QCOMPARE(list.items.size(), sizes[g]);
        QCOMPARE(list.checked.size(), sizes[g]);
        for (int item = 0; item < list.items.size(); ++item, ++entry) {
            // The group's first entry plus the item's position is the item's entry.
            QCOMPARE(list.items.at(item), catalogue.entry(entry).label);
            QCOMPARE(size_t(FieldCatalogue::group(entry)), g);
            QVERIFY(!list.isChecked(item));
        }
    }
    QCOMPARE(entry, FieldCatalogue::kCount);
    QCOMPARE(lists[2].indexOf("Fax"), 2);
    QVERIFY(!lists[2].isChecked(-1));

    QCOMPARE(FieldCatalogue::groupCaption(FieldGroup::Persona), QString("Campi persona"));
    QCOMPARE(FieldCatalogue::groupCaption(FieldGroup::Indirizzo), QString("Campi indirizzo"));
    QCOMPARE(FieldCatalogue::groupCaption(FieldGroup::Recapiti), QString("Campi recapiti"));
    QCOMPARE(FieldCatalogue::groupCaption(FieldGroup::Progetto), QString("Campi progetto"));
    QCOMPARE(FieldCatalogue::groupCaption(FieldGroup::Pagamenti), QString("Campi pagamenti"));
}

QTEST_GUILESS_MAIN(TestFieldCatalogue)
#include "tst_fieldcatalogue.moc"
