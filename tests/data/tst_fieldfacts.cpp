// The facts the field catalogue gives the rest of the program: what a new record needs, the
// payment fields a save fixes, the import's columns, each table's columns, the links that a
// click opens, and which columns are dates and amounts.
#include "data/fieldcatalogue.h"

#include <QSet>
#include <QtTest>

class TestFieldFacts : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void requirements_data();
    void requirements();
    void fixedOnceSaved();
    void importColumns();
    void columnsOfTable_data();
    void columnsOfTable();
    void links_data();
    void links();
    void datesAndAmounts();
};

void TestFieldFacts::requirements_data()
{
    QTest::addColumn<QString>("label");
    QTest::addColumn<int>("requirement");
    const int none = int(Requirement::None);
    const int notEmpty = int(Requirement::NotEmpty);
    const int ask = int(Requirement::AskWhenEmpty);
    for (const char *label : {"Comune", "Stato", "Importo totale", "Cognome", "Qualifica", "Importo"})
        QTest::newRow(label) << QString::fromUtf8(label) << notEmpty;
    for (const char *label : {"Data di inizio", "Data di fine", "Data di consegna", "Data"})
        QTest::newRow(label) << QString::fromUtf8(label) << ask;
    for (const char *label :
         {"Nome",     "Codice fiscale", "Partita IVA",     "Note",         "CAP",          "Città",
          "Via",      "1° Telefono",    "2° Telefono",     "Fax",          "1° Cellulare", "2° Cellulare",
          "E-Mail",   "Sito internet",  "Cognome cliente", "Nome cliente", "Descrizione",  "Importo pagato",
          "Archivio", "Nota",           "Fattura"})
        QTest::newRow(label) << QString::fromUtf8(label) << none;
    // Titles are compared exactly: column names, variants and other cases need nothing.
    QTest::newRow("column name") << "Importo_totale" << none;
    QTest::newRow("variant") << "Data di scadenza" << none;
    QTest::newRow("lower case") << "cognome" << none;
    QTest::newRow("blank after") << "Cognome " << none;
    QTest::newRow("empty") << "" << none;
}

void TestFieldFacts::requirements()
{
    QFETCH(QString, label);
    QFETCH(int, requirement);
    QCOMPARE(int(FieldCatalogue::requirementOfLabel(label)), requirement);
}

void TestFieldFacts::fixedOnceSaved()
{
    QCOMPARE(FieldCatalogue::fixedOnceSavedColumns(), QStringList({"Importo", "Fattura"}));
    for (const QString &column : FieldCatalogue::fixedOnceSavedColumns())
        QCOMPARE(FieldCatalogue::table(FieldCatalogue::indexOfColumn(column)), QStringLiteral("Pagamenti"));
}

void TestFieldFacts::importColumns()
{
    // The persons result's order: person, address, contacts, then the tax fields and notes.
    QCOMPARE(FieldCatalogue::importColumns(),
             QStringList({"Cognome", "Nome", "Qualifica", "CAP", "Città", "Via", "Numero_telefono1", "Numero_telefono2",
                          "Numero_fax", "Numero_cell1", "Numero_cell2", "E_mail", "Sito_internet", "Codice_fiscale",
                          "Partita_iva", "Note"}));
    // Every field of a person, and nothing of a project or a payment.
    QSet<QString> personFields;
    for (int i = 0; i < FieldCatalogue::kCount; ++i) {
        if (FieldCatalogue::group(i) <= FieldGroup::Recapiti)
            personFields.insert(FieldCatalogue::column(i));
    }
    const QStringList &imported = FieldCatalogue::importColumns();
    QCOMPARE(QSet<QString>(imported.begin(), imported.end()), personFields);
}

void TestFieldFacts::columnsOfTable_data()
{
    QTest::addColumn<QString>("table");
    QTest::addColumn<QStringList>("columns");
    QTest::newRow("Committente") << "Committente" << QStringList{"Cognome",        "Nome",        "Qualifica",
                                                                 "Codice_fiscale", "Partita_iva", "Note"};
    QTest::newRow("Indirizzo") << "Indirizzo" << QStringList{"CAP", "Città", "Via"};
    QTest::newRow("Recapiti") << "Recapiti"
                              << QStringList{"Numero_telefono1", "Numero_telefono2", "Numero_fax",   "Numero_cell1",
                                             "Numero_cell2",     "E_mail",           "Sito_internet"};
    QTest::newRow("Progetto") << "Progetto" << QStringList{"Cognome_progettista",
                                                           "Nome_progettista",
                                                           "Descrizione",
                                                           "Comune",
                                                           "Stato",
                                                           "Importo_totale",
                                                           "Importo_pagato",
                                                           "Data_inizio",
                                                           "Data_fine",
                                                           "Data_scadenza",
                                                           "Archivio",
                                                           "Nota"};
    QTest::newRow("Pagamenti") << "Pagamenti" << QStringList{"Importo", "Data", "Fattura"};
    QTest::newRow("lower case") << "progetto" << QStringList{};
    QTest::newRow("look-up table") << "Stato" << QStringList{};
    QTest::newRow("empty") << "" << QStringList{};
}

void TestFieldFacts::columnsOfTable()
{
    QFETCH(QString, table);
    QFETCH(QStringList, columns);
    QCOMPARE(FieldCatalogue::columnsOfTable(table), columns);
}

void TestFieldFacts::links_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("link");
    QTest::newRow("e-mail") << "E_mail"
                            << "studio@esempio.it"
                            << "mailto:studio@esempio.it";
    QTest::newRow("e-mail, qualified") << "Recapiti.E_mail"
                                       << "a@b.it"
                                       << "mailto:a@b.it";
    QTest::newRow("e-mail, other table") << "Committente.E_mail"
                                         << "a@b.it"
                                         << "";
    QTest::newRow("e-mail, empty") << "E_mail"
                                   << ""
                                   << "";
    QTest::newRow("e-mail, blank") << "E_mail"
                                   << " "
                                   << "mailto: ";
    QTest::newRow("web") << "Sito_internet"
                         << "https://esempio.it"
                         << "https://esempio.it";
    QTest::newRow("web, empty") << "Sito_internet"
                                << ""
                                << "";
    QTest::newRow("web, by label") << "Sito internet"
                                   << "https://esempio.it"
                                   << "";
    QTest::newRow("note") << "Note"
                          << "https://esempio.it"
                          << "";
    QTest::newRow("other case") << "E_MAIL"
                                << "a@b.it"
                                << "";
    QTest::newRow("unknown") << "Sito"
                             << "x"
                             << "";
}

void TestFieldFacts::links()
{
    QFETCH(QString, field);
    QFETCH(QString, text);
    QFETCH(QString, link);
    QCOMPARE(FieldCatalogue::linkOfColumn(field, text), link);
}

void TestFieldFacts::datesAndAmounts()
{
    QStringList dates, amounts;
    for (int i = 0; i < FieldCatalogue::kCount; ++i) {
        if (FieldCatalogue::kind(i) == FieldKind::Date)
            dates << FieldCatalogue::column(i);
        if (FieldCatalogue::kind(i) == FieldKind::Amount)
            amounts << FieldCatalogue::column(i);
    }
    QCOMPARE(dates, QStringList({"Data_inizio", "Data_fine", "Data_scadenza", "Data"}));
    QCOMPARE(amounts, QStringList({"Importo_totale", "Importo_pagato", "Importo"}));
}

QTEST_GUILESS_MAIN(TestFieldFacts)
#include "tst_fieldfacts.moc"
