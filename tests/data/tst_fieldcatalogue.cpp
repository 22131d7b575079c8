// The field catalogue: its entries, the label/column translations, the facts of each field
// (kind, group, card width, date selector), the key names, the quoting of complex-query
// values and the option check lists.
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
    void fieldFacts_data();
    void fieldFacts();
    void qualifiedAndUnknownNames_data();
    void qualifiedAndUnknownNames();
    void labelFactsFollowTheFixedLabels();
    void dateSelectors();
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
    QTest::newRow("first person") << 0 << "Cognome"
                                  << "Cognome"
                                  << "Committente" << int(FieldGroup::Persona);
    QTest::newRow("last person") << 5 << "Note"
                                 << "Note"
                                 << "Committente" << int(FieldGroup::Persona);
    QTest::newRow("first address") << 6 << "CAP"
                                   << "CAP"
                                   << "Indirizzo" << int(FieldGroup::Indirizzo);
    QTest::newRow("accented") << 7 << "Città"
                              << "Città"
                              << "Indirizzo" << int(FieldGroup::Indirizzo);
    QTest::newRow("last address") << 8 << "Via"
                                  << "Via"
                                  << "Indirizzo" << int(FieldGroup::Indirizzo);
    QTest::newRow("first contact") << 9 << "1° Telefono"
                                   << "Numero_telefono1"
                                   << "Recapiti" << int(FieldGroup::Recapiti);
    QTest::newRow("last contact") << 15 << "Sito internet"
                                  << "Sito_internet"
                                  << "Recapiti" << int(FieldGroup::Recapiti);
    QTest::newRow("first project") << 16 << "Cognome cliente"
                                   << "Cognome_progettista"
                                   << "Progetto" << int(FieldGroup::Progetto);
    QTest::newRow("delivery date") << 25 << "Data di consegna"
                                   << "Data_scadenza"
                                   << "Progetto" << int(FieldGroup::Progetto);
    QTest::newRow("last project") << 27 << "Nota"
                                  << "Nota"
                                  << "Progetto" << int(FieldGroup::Progetto);
    QTest::newRow("first payment") << 28 << "Importo"
                                   << "Importo"
                                   << "Pagamenti" << int(FieldGroup::Pagamenti);
    QTest::newRow("last payment") << 30 << "Fattura"
                                  << "Fattura"
                                  << "Pagamenti" << int(FieldGroup::Pagamenti);
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
    QTest::newRow("old surname variant") << "Cognome progettista"
                                         << "Cognome progettista";
    QTest::newRow("old name variant") << "Nome progettista"
                                      << "Nome progettista";
    QTest::newRow("old date variant") << "Data di scadenza"
                                      << "Data di scadenza";
    QTest::newRow("accented city") << "Città"
                                   << "Città";
    QTest::newRow("degree sign") << "2° Cellulare"
                                 << "Numero_cell2";
    QTest::newRow("case matters") << "partita iva"
                                  << "partita iva";
    QTest::newRow("column name passes") << "Codice_fiscale"
                                        << "Codice_fiscale";
    QTest::newRow("empty") << ""
                           << "";
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
    for (const QString &name :
         QStringList{"Committente.IdCommittente", "Indirizzo.IdCommittente", "Recapiti.IdCommittente",
                     "Progetto.IdCommittente", "Progetto.IdProgetto", "Pagamenti.IdProgetto", "Pagamenti.IdFattura",
                     "IdCommittente", "IdProgetto", "IdFattura"})
        QVERIFY2(FieldCatalogue::isKeyColumn(name), qPrintable(name));
    QVERIFY(!FieldCatalogue::isKeyColumn("Importo_pagato"));
    QVERIFY(!FieldCatalogue::isKeyColumn("Cognome"));
    QVERIFY(!FieldCatalogue::isKeyColumn("Committente.Cognome"));
    QVERIFY(!FieldCatalogue::isKeyColumn(""));
}

Q_DECLARE_METATYPE(FieldKind)
Q_DECLARE_METATYPE(CardWidth)

namespace {

// Group of a name as an int, -1 for none, so that a table row can say "no group".
int groupNumber(const std::optional<FieldGroup> &group) { return group ? int(*group) : -1; }

} // namespace

void TestFieldCatalogue::fieldFacts_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("column");
    QTest::addColumn<FieldKind>("kind");
    QTest::addColumn<int>("group");
    QTest::addColumn<CardWidth>("width");
    QTest::addColumn<int>("dateSelector");

    using K = FieldKind;
    const auto W = CardWidth::Wide;
    const auto N = CardWidth::Normal;
    const int P = int(FieldGroup::Persona), I = int(FieldGroup::Indirizzo), R = int(FieldGroup::Recapiti),
              G = int(FieldGroup::Progetto), M = int(FieldGroup::Pagamenti);
    // Every field once: the grid colours, key filters, card widths and date editors all
    // read these facts, so a wrong one shows in all of them.
    QTest::newRow("Cognome") << 0 << "Cognome" << K::Text << P << W << 0;
    QTest::newRow("Nome") << 1 << "Nome" << K::Text << P << N << 0;
    QTest::newRow("Qualifica") << 2 << "Qualifica" << K::Text << P << N << 0;
    QTest::newRow("Codice_fiscale") << 3 << "Codice_fiscale" << K::Text << P << W << 0;
    QTest::newRow("Partita_iva") << 4 << "Partita_iva" << K::DigitText << P << W << 0;
    QTest::newRow("Note") << 5 << "Note" << K::Text << P << W << 0;
    QTest::newRow("CAP") << 6 << "CAP" << K::DigitText << I << N << 0;
    QTest::newRow("Città") << 7 << "Città" << K::Text << I << W << 0;
    QTest::newRow("Via") << 8 << "Via" << K::Text << I << W << 0;
    QTest::newRow("Numero_telefono1") << 9 << "Numero_telefono1" << K::Phone << R << N << 0;
    QTest::newRow("Numero_telefono2") << 10 << "Numero_telefono2" << K::Phone << R << N << 0;
    QTest::newRow("Numero_fax") << 11 << "Numero_fax" << K::Phone << R << N << 0;
    QTest::newRow("Numero_cell1") << 12 << "Numero_cell1" << K::Phone << R << N << 0;
    QTest::newRow("Numero_cell2") << 13 << "Numero_cell2" << K::Phone << R << N << 0;
    QTest::newRow("E_mail") << 14 << "E_mail" << K::EMail << R << W << 0;
    QTest::newRow("Sito_internet") << 15 << "Sito_internet" << K::Web << R << W << 0;
    QTest::newRow("Cognome_progettista") << 16 << "Cognome_progettista" << K::Text << G << W << 0;
    QTest::newRow("Nome_progettista") << 17 << "Nome_progettista" << K::Text << G << N << 0;
    QTest::newRow("Descrizione") << 18 << "Descrizione" << K::Text << G << W << 0;
    QTest::newRow("Comune") << 19 << "Comune" << K::Text << G << W << 0;
    QTest::newRow("Stato") << 20 << "Stato" << K::State << G << N << 0;
    QTest::newRow("Importo_totale") << 21 << "Importo_totale" << K::Amount << G << N << 0;
    QTest::newRow("Importo_pagato") << 22 << "Importo_pagato" << K::Amount << G << N << 0;
    QTest::newRow("Data_inizio") << 23 << "Data_inizio" << K::Date << G << N << 2;
    QTest::newRow("Data_fine") << 24 << "Data_fine" << K::Date << G << N << 3;
    QTest::newRow("Data_scadenza") << 25 << "Data_scadenza" << K::Date << G << N << 4;
    QTest::newRow("Archivio") << 26 << "Archivio" << K::Text << G << W << 0;
    QTest::newRow("Nota") << 27 << "Nota" << K::Text << G << W << 0;
    QTest::newRow("Importo") << 28 << "Importo" << K::Amount << M << N << 0;
    QTest::newRow("Data") << 29 << "Data" << K::Date << M << N << 1;
    QTest::newRow("Fattura") << 30 << "Fattura" << K::Text << M << N << 0;
}

void TestFieldCatalogue::fieldFacts()
{
    QFETCH(int, index);
    QFETCH(QString, column);
    QFETCH(FieldKind, kind);
    QFETCH(int, group);
    QFETCH(CardWidth, width);
    QFETCH(int, dateSelector);
    const FieldCatalogue catalogue;
    const QString label = catalogue.entry(index).label;
    const QString qualified = FieldCatalogue::table(index) + '.' + column;

    QCOMPARE(FieldCatalogue::column(index), column);
    QCOMPARE(FieldCatalogue::kind(index), kind);
    QCOMPARE(int(FieldCatalogue::group(index)), group);
    QCOMPARE(FieldCatalogue::cardWidth(index), width);

    // By the bare column, by Table.Column and by the label: the same entry.
    QCOMPARE(FieldCatalogue::indexOfColumn(column), index);
    QCOMPARE(FieldCatalogue::indexOfField(column), index);
    QCOMPARE(FieldCatalogue::indexOfField(qualified), index);
    for (const QString &name : {column, qualified}) {
        QCOMPARE(FieldCatalogue::kindOfColumn(name), kind);
        QCOMPARE(FieldCatalogue::isDateColumn(name), kind == FieldKind::Date);
        QCOMPARE(groupNumber(FieldCatalogue::groupOfColumn(name)), group);
        QCOMPARE(FieldCatalogue::cardWidthOfColumn(name), width);
        QCOMPARE(FieldCatalogue::dateSelectorOfColumn(name), dateSelector);
    }
    QCOMPARE(FieldCatalogue::kindOfLabel(label), kind);
    QCOMPARE(groupNumber(FieldCatalogue::groupOfLabel(label)), group);
    QCOMPARE(FieldCatalogue::cardWidthOfLabel(label), width);
}

void TestFieldCatalogue::qualifiedAndUnknownNames_data()
{
    QTest::addColumn<QString>("name");
    // None of these is a catalogue field: Text, Normal, no group, no date selector.
    QTest::newRow("empty") << "";
    QTest::newRow("bare key") << "IdProgetto";
    QTest::newRow("qualified key") << "Committente.IdCommittente";
    QTest::newRow("expression") << "Totale";
    QTest::newRow("case differs") << "data_inizio";
    QTest::newRow("label, not column") << "Data di inizio";
    QTest::newRow("table of another entry") << "Pagamenti.Data_inizio";
    QTest::newRow("same column, table Stato") << "Stato.Stato";
    QTest::newRow("table case differs") << "progetto.Data_inizio";
    QTest::newRow("no table") << ".Data";
    QTest::newRow("no column") << "Pagamenti.";
    QTest::newRow("two dots") << "Progetto.Data_inizio.x";
    QTest::newRow("blank around") << " CAP";
}

void TestFieldCatalogue::qualifiedAndUnknownNames()
{
    QFETCH(QString, name);
    QCOMPARE(FieldCatalogue::indexOfField(name), -1);
    QCOMPARE(FieldCatalogue::kindOfColumn(name), FieldKind::Text);
    QVERIFY(!FieldCatalogue::isDateColumn(name));
    QVERIFY(!FieldCatalogue::groupOfColumn(name).has_value());
    QCOMPARE(FieldCatalogue::cardWidthOfColumn(name), CardWidth::Normal);
    QCOMPARE(FieldCatalogue::dateSelectorOfColumn(name), 0);
}

void TestFieldCatalogue::labelFactsFollowTheFixedLabels()
{
    // A qualified name is no column for the width and title passes.
    QCOMPARE(FieldCatalogue::indexOfColumn("Progetto.Data_inizio"), -1);
    QCOMPARE(FieldCatalogue::indexOfColumn("IdFattura"), -1);

    // Column names are not labels, and the complex query's old variants are no labels either.
    for (const QString &text : {"Codice_fiscale", "Cognome progettista", "Data di scadenza", "cognome", ""}) {
        QCOMPARE(FieldCatalogue::kindOfLabel(text), FieldKind::Text);
        QVERIFY(!FieldCatalogue::groupOfLabel(text).has_value());
        QCOMPARE(FieldCatalogue::cardWidthOfLabel(text), CardWidth::Normal);
    }
    QCOMPARE(FieldCatalogue::kindOfLabel("Data di consegna"), FieldKind::Date);
    QCOMPARE(FieldCatalogue::kindOfLabel("Data_scadenza"), FieldKind::Text);

    // The facts belong to the fixed labels: renaming an entry's label does not move them.
    FieldCatalogue catalogue;
    catalogue.entry(6).label = "Codice postale";
    QCOMPARE(FieldCatalogue::kindOfLabel("CAP"), FieldKind::DigitText);
    QCOMPARE(FieldCatalogue::kindOfLabel("Codice postale"), FieldKind::Text);
}

void TestFieldCatalogue::dateSelectors()
{
    QCOMPARE(FieldCatalogue::columnOfDateSelector(1), QString("Data"));
    QCOMPARE(FieldCatalogue::columnOfDateSelector(2), QString("Data_inizio"));
    QCOMPARE(FieldCatalogue::columnOfDateSelector(3), QString("Data_fine"));
    QCOMPARE(FieldCatalogue::columnOfDateSelector(4), QString("Data_scadenza"));
    for (int outside : {0, 5, -1, 99})
        QVERIFY2(FieldCatalogue::columnOfDateSelector(outside).isEmpty(), qPrintable(QString::number(outside)));

    // Every date has a selector of its own, and only dates have one.
    QSet<int> seen;
    for (int i = 0; i < FieldCatalogue::kCount; ++i) {
        const int selector = FieldCatalogue::dateSelectorOfColumn(FieldCatalogue::column(i));
        QCOMPARE(selector != 0, FieldCatalogue::kind(i) == FieldKind::Date);
        if (selector != 0) {
            QVERIFY(!seen.contains(selector));
            seen.insert(selector);
            QCOMPARE(FieldCatalogue::columnOfDateSelector(selector), FieldCatalogue::column(i));
        }
    }
    QCOMPARE(seen.size(), 4);
}

void TestFieldCatalogue::quoteConditionValue_data()
{
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("expected");
    QTest::newRow("digits for CAP") << "CAP"
                                    << "00184"
                                    << "'00184'";
    QTest::newRow("digits for Importo") << "Importo"
                                        << "1500"
                                        << "1500";
    QTest::newRow("digits for every digit-text field") << "2° Cellulare"
                                                       << "347123"
                                                       << "'347123'";
    QTest::newRow("digits for VAT number") << "Partita IVA"
                                           << "0123"
                                           << "'0123'";
    QTest::newRow("surname") << "Cognome"
                             << "Rossi"
                             << "'Rossi'";
    QTest::newRow("surname quoted by the user") << "Cognome"
                                                << "'Rossi'"
                                                << "'Rossi'";
    // Inner quotes are not doubled.
    QTest::newRow("inner quote kept") << "Cognome"
                                      << "D'Amico"
                                      << "'D'Amico'";
    QTest::newRow("starts with a digit, text field") << "Via"
                                                     << "3 Novembre"
                                                     << "3 Novembre";
    QTest::newRow("number for a date column") << "Data"
                                              << "01/01/2007"
                                              << "01/01/2007";
    QTest::newRow("letters for CAP") << "CAP"
                                     << "ab"
                                     << "'ab'";
    QTest::newRow("quoted for a digit-text field") << "Fax"
                                                   << "'0612'"
                                                   << "'0612'";
    // Every one of the seven text fields made of digits, and the fields next to them that are not.
    QTest::newRow("digits for 1° Telefono") << "1° Telefono"
                                            << "06"
                                            << "'06'";
    QTest::newRow("digits for 2° Telefono") << "2° Telefono"
                                            << "06"
                                            << "'06'";
    QTest::newRow("digits for Fax") << "Fax"
                                    << "06"
                                    << "'06'";
    QTest::newRow("digits for 1° Cellulare") << "1° Cellulare"
                                             << "3"
                                             << "'3'";
    QTest::newRow("digits for Importo totale") << "Importo totale"
                                               << "100"
                                               << "100";
    QTest::newRow("digits for Codice fiscale") << "Codice fiscale"
                                               << "123"
                                               << "123";
    QTest::newRow("digits for a column name, not a label") << "Partita_iva"
                                                           << "0123"
                                                           << "0123";
    QTest::newRow("non-ASCII digit is not a number")
        << "Importo" << QString::fromUtf8("٣٤") << QString::fromUtf8("'٣٤'");
    QTest::newRow("empty") << "CAP"
                           << ""
                           << "";
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
