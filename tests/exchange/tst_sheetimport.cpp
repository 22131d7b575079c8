#include "exchange/exchangefixture.h"
#include "exchange/sheetexport.h"
#include "exchange/sheetimport.h"
#include "support/testdatabase.h"

#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

using namespace ExchangeFixture;
using Outcome = ImportResult::Outcome;

// Filling an empty address book from a sheet: header matching, keys, all or nothing.
class TestSheetImport : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void headerNamesAColumn_data();
    void headerNamesAColumn();
    void exportThenImportGivesThePersonsBack_data();
    void exportThenImportGivesThePersonsBack();
    void keysFollowTheRowsAndEmptyRowsAreSkipped();
    void countsAreGroupedTheItalianWay();
    void refusedRowIsNamedByItsSheetNumber();
    void refusedWhenPersonsExist();
    void refusedRowWritesNothing();
    void cancelWritesNothing();
    void workbooksOfOtherPrograms_data();
    void workbooksOfOtherPrograms();
    void damagedWorkbookImportsNothing_data();
    void damagedWorkbookImportsNothing();
};

void TestSheetImport::headerNamesAColumn_data()
{
    QTest::addColumn<QString>("header");
    QTest::addColumn<QString>("column");
    QTest::newRow("column name") << "Cognome"
                                 << "Cognome";
    QTest::newRow("lower case") << "cognome"
                                << "Cognome";
    QTest::newRow("upper case") << "NOME"
                                << "Nome";
    QTest::newRow("accented") << "CITTÀ"
                              << "Città";
    QTest::newRow("blanks around") << " CAP "
                                   << "CAP";
    QTest::newRow("label of telephone") << "1° Telefono"
                                        << "Numero_telefono1";
    QTest::newRow("label of fax") << "Fax"
                                  << "Numero_fax";
    QTest::newRow("label of e-mail") << "E-Mail"
                                     << "E_mail";
    QTest::newRow("label of tax code") << "Codice fiscale"
                                       << "Codice_fiscale";
    QTest::newRow("label of VAT, lower case") << "partita iva"
                                              << "Partita_iva";
    QTest::newRow("label of web site") << "Sito internet"
                                       << "Sito_internet";
    QTest::newRow("column of e-mail") << "e_mail"
                                      << "E_mail";
    QTest::newRow("project column") << "Descrizione"
                                    << "";
    QTest::newRow("key") << "IdCommittente"
                         << "";
    QTest::newRow("foreign") << "Colonna estranea"
                             << "";
    QTest::newRow("empty") << ""
                           << "";
}

void TestSheetImport::headerNamesAColumn()
{
    QFETCH(QString, header);
    QFETCH(QString, column);
    QCOMPARE(SheetImport::columnForHeader(header), column);
}

void TestSheetImport::exportThenImportGivesThePersonsBack_data()
{
    QTest::addColumn<QString>("file");
    QTest::newRow("xls") << "rubrica.xls";
    QTest::newRow("xlsx") << "rubrica.xlsx";
}

void TestSheetImport::exportThenImportGivesThePersonsBack()
{
    QFETCH(QString, file);
    TestDatabase source(25);
    addPerson(source.db(), {{"Cognome", "D'Amico"},
                            {"Nome", "Giò"},
                            {"Qualifica", "Geometra"},
                            {"CAP", "00184"},
                            {"Partita_iva", "01234567890"},
                            {"Numero_telefono1", "06 1234567"},
                            {"Note", QString(4000, QChar(0x00E8)) + "\"fine\" dell'appunto\nseconda riga"}});
    addPerson(source.db(), {{"Cognome", "Bianchi"}, {"Qualifica", "Ingegnere"}}); // the rest empty
    addPerson(source.db(), {{"Cognome", "Ünal"},
                            {"Qualifica", "Architetto"},
                            {"CAP", "20121"},
                            {"Città", "Sant'Angelo Lodigiano"},
                            {"E_mail", "unal@example.it"},
                            {"Note", QString(3000, QChar(0x20AC))}});

    Query persons(&source.db());
    persons.setSql(personsStatement());
    persons.open();
    persons.setSort(QStringLiteral("Committente.IdCommittente"));
    QTemporaryDir dir;
    const ExportResult exported = SheetExport::run(persons, dir.filePath(file));
    QVERIFY2(exported.ok, qPrintable(exported.message));
    QCOMPARE(exported.rows, 28);

    TestDatabase target;
    const ImportResult imported = SheetImport(target.db()).run(dir.filePath(file));
    QVERIFY2(imported.outcome == Outcome::Imported, qPrintable(imported.message));
    QCOMPARE(imported.persons, 28);
    QCOMPARE(imported.message, "Sono state importate 28 persone.");
    QCOMPARE(personLines(target.db()), personLines(source.db()));
    QCOMPARE(target.db().scalar("SELECT MIN(IdCommittente) || '-' || MAX(IdCommittente) FROM Recapiti").toString(),
             "0-27");
}

void TestSheetImport::keysFollowTheRowsAndEmptyRowsAreSkipped()
{
    TestDatabase db;
    SheetContent sheet;
    sheet.header = {"Cognome", "Nome", "CAP"};
    sheet.rows = {{"Rossi", "Mario", "00184"}, {"", "", ""}, {"Verdi", "", ""}, {"Neri", "Anna", "20121"}};
    const ImportResult result = SheetImport(db.db()).run(sheet);
    QVERIFY2(result.outcome == Outcome::Imported, qPrintable(result.message));
    QCOMPARE(result.persons, 3);
    QStringList persons;
    Statement rows(db.db(), "SELECT IdCommittente, Cognome FROM Committente ORDER BY IdCommittente");
    while (rows.step())
        persons << QString::number(rows.columnInt(0)) + ':' + QString::fromUtf8(rows.columnText(1));
    QCOMPARE(persons, QStringList({"0:Rossi", "1:Verdi", "2:Neri"}));
    QCOMPARE(count(db.db(), "Indirizzo"), 3);
    QCOMPARE(count(db.db(), "Recapiti"), 3);
    QVERIFY(db.db().scalar("SELECT Nome FROM Committente WHERE IdCommittente = 1").isNull()); // empty stays empty

    // Nothing to import is said as such, not as a success of none.
    for (const QList<QStringList> &rows : {QList<QStringList>(), QList<QStringList>{{"", " ", "\t"}}}) {
        TestDatabase empty;
        sheet.rows = rows;
        const ImportResult none = SheetImport(empty.db()).run(sheet);
        QVERIFY(none.outcome == Outcome::Empty);
        QCOMPARE(none.persons, 0);
        QCOMPARE(none.message,
                 "Il foglio \"Elenco\" non contiene nessuna persona da importare: non è stato importato nessun dato.");
        QCOMPARE(count(empty.db(), "Committente"), 0);
    }
}

void TestSheetImport::countsAreGroupedTheItalianWay()
{
    TestDatabase db;
    SheetContent sheet;
    sheet.header = {"Cognome"};
    for (int i = 0; i < 1234; ++i)
        sheet.rows << QStringList{QStringLiteral("Cognome %1").arg(i)};
    const ImportResult result = SheetImport(db.db()).run(sheet);
    QVERIFY2(result.outcome == Outcome::Imported, qPrintable(result.message));
    QCOMPARE(result.message, "Sono state importate 1.234 persone.");
}

// Rows the reader left out (empty ones) do not shift the number a refusal gives.
void TestSheetImport::refusedRowIsNamedByItsSheetNumber()
{
    TestDatabase db;
    db.db().exec("INSERT INTO Indirizzo (IdCommittente, CAP) VALUES (1, '00100')");
    SheetContent sheet;
    sheet.header = {"Cognome"};
    sheet.rows = {{"Rossi"}, {"Verdi"}};
    sheet.rowNumbers = {5, 1048576};
    const ImportResult result = SheetImport(db.db()).run(sheet);
    QVERIFY(result.outcome == Outcome::Failed);
    QCOMPARE(result.sheetRow, 1048576);
    QVERIFY2(result.message.startsWith("La riga 1.048.576 del foglio \"Elenco\" non può essere importata"),
             qPrintable(result.message));
    QCOMPARE(count(db.db(), "Committente"), 0);
}

void TestSheetImport::refusedWhenPersonsExist()
{
    TestDatabase db(1);
    SheetContent sheet;
    sheet.header = {"Cognome"};
    sheet.rows = {{"Rossi"}};
    const ImportResult result = SheetImport(db.db()).run(sheet);
    QVERIFY(result.outcome == Outcome::Refused);
    QCOMPARE(result.message, "Attenzione: Questa operazione non può essere effettuata se nel database sono "
                             "presenti dati. Eliminare i dati e riprovare");
    QCOMPARE(count(db.db(), "Committente"), 1);
}

// An address row left without its person is not in the persons list, so the import
// starts; the person of sheet row 7 would take its key and is refused.
void TestSheetImport::refusedRowWritesNothing()
{
    TestDatabase db;
    db.db().exec("INSERT INTO Indirizzo (IdCommittente, CAP) VALUES (5, '00100')");
    SheetContent sheet;
    sheet.header = {"Cognome", "Nome"};
    for (int i = 0; i < 10; ++i)
        sheet.rows << QStringList{QStringLiteral("Cognome %1").arg(i), QStringLiteral("Nome %1").arg(i)};
    const ImportResult result = SheetImport(db.db()).run(sheet);
    QVERIFY(result.outcome == Outcome::Failed);
    QCOMPARE(result.sheetRow, 7);
    QVERIFY2(result.message.startsWith("La riga 7 del foglio \"Elenco\" non può essere importata"),
             qPrintable(result.message));
    QVERIFY(result.message.endsWith("Non è stato importato nessun dato."));
    QCOMPARE(count(db.db(), "Committente"), 0);
    QCOMPARE(count(db.db(), "Indirizzo"), 1);
    QCOMPARE(count(db.db(), "Recapiti"), 0);
    QCOMPARE(db.db().transactionDepth(), 0);
}

void TestSheetImport::cancelWritesNothing()
{
    TestDatabase db;
    SheetContent sheet;
    sheet.header = {"Cognome"};
    sheet.rows = {{"Rossi"}, {"Verdi"}, {"Neri"}};
    QList<int> seen;
    const ImportResult result = SheetImport(db.db()).run(sheet, [&](int done, int total) {
        seen << done;
        return !(done == 2 && total == 3);
    });
    QVERIFY(result.outcome == Outcome::Cancelled);
    QCOMPARE(seen, QList<int>({1, 2}));
    QCOMPARE(count(db.db(), "Committente"), 0);
    QCOMPARE(db.db().transactionDepth(), 0);
}

void TestSheetImport::workbooksOfOtherPrograms_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QStringList>("persons"); // empty: refused, with `message` in its text
    QTest::addColumn<QString>("message");
    const QStringList testo = {
        "Rossi|Mario|Ingegnere|00184|Roma|Via Appia 12|06 "
        "1234567|||||mario.rossi@example.it||RSSMRA70A01H501U|01234567890|Cliente storico",
        "D'Amico|Lucia|Architetto|20121|Milano|Corso Garibaldi 5|02 7654321|||||||DMCLCU80B41F205X||",
        "Bianchi|Giò|Geometra|80100|Napoli|Via Toledo 1||||||||||Nota con \"virgolette\"",
    };
    const QStringList numeri = {
        "Verdi|Giuseppe|Musicista|43011|Busseto|Via Roma 1|0524 12345|||||||VRDGPP13R10B296K|12345678901|Esportato con "
        "le etichette",
        "Esposito|Anna|Avvocato|80121|Napoli|Via Chiaia 3|081 555000|||||||||",
    };
    QTest::newRow("testo.xls") << "elenco/testo.xls" << testo << "";
    QTest::newRow("testo.xlsx") << "elenco/testo.xlsx" << testo << "";
    QTest::newRow("numeri.xls") << "elenco/numeri.xls" << numeri << "";
    QTest::newRow("numeri.xlsx") << "elenco/numeri.xlsx" << numeri << "";
    const QString noSheet = "non contiene un foglio di nome \"Elenco\"";
    // The damaged file and Formate.xls are refused for what libfreexl can make of them:
    // damaged, or (the damaged one) a workbook without the sheet.
    QTest::newRow("Formate.xls") << "xls/Formate.xls" << QStringList() << "Impossibile leggere il file";
    for (const char *name : {"profiles.xls", "namesdemo.xls", "ragged.xls", "xf_class.xls", "sample.xlsx"})
        QTest::newRow(name) << QStringLiteral("xls/") + name << QStringList() << noSheet;
    QTest::newRow("BIFF4") << "xls/biff4_no_format_no_window2.xls" << QStringList() << "troppo vecchio";
    QTest::newRow("damaged") << "xls/corrupted_error.xls" << QStringList() << "Impossibile leggere il file";
    QTest::newRow("missing") << "xls/non-esiste.xls" << QStringList() << "Impossibile aprire il file";
    QTest::newRow("not a workbook") << "README.md" << QStringList() << "non è una cartella di lavoro";
}

void TestSheetImport::workbooksOfOtherPrograms()
{
    QFETCH(QString, file);
    QFETCH(QStringList, persons);
    QFETCH(QString, message);
    TestDatabase db;
    const ImportResult result = SheetImport(db.db()).run(QStringLiteral(PRATILIO_TEST_DATA "/") + file);
    if (persons.isEmpty()) {
        QVERIFY(result.outcome == Outcome::Failed);
        QVERIFY2(result.message.contains(message), qPrintable(result.message));
        QCOMPARE(count(db.db(), "Committente"), 0);
        return;
    }
    QVERIFY2(result.outcome == Outcome::Imported, qPrintable(result.message));
    QCOMPARE(personLines(db.db()), persons);
}

void TestSheetImport::damagedWorkbookImportsNothing_data()
{
    // An exported 97-2003 workbook of 50 persons, damaged in its cells: the library alone
    // would give the persons before the damage.
    QTest::addColumn<QString>("damage");
    QTest::newRow("sector zeroed") << "zero";
    QTest::newRow("record length garbled") << "length";
    QTest::newRow("end record cut") << "cut";
}

void TestSheetImport::damagedWorkbookImportsNothing()
{
    QFETCH(QString, damage);
    TestDatabase source(50);
    Query persons(&source.db());
    persons.setSql(personsStatement());
    persons.open();
    QTemporaryDir dir;
    const QString path = dir.filePath("rubrica.xls");
    const ExportResult exported = SheetExport::run(persons, path);
    QVERIFY2(exported.ok, qPrintable(exported.message));
    QCOMPARE(exported.rows, 50);

    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadWrite));
    QByteArray bytes = file.readAll();
    // The sheet's window settings follow its last cell.
    const qsizetype cellsEnd = bytes.indexOf(QByteArray::fromHex("3e021200"));
    QVERIFY(cellsEnd > 4096);
    if (damage == "zero") {
        const qsizetype sector = (cellsEnd - 2048) / 512 * 512;
        std::fill_n(bytes.data() + sector, 512, '\0');
    } else if (damage == "length") {
        const qsizetype cell = bytes.lastIndexOf(QByteArray::fromHex("fd000a00"), cellsEnd - 2048);
        QVERIFY(cell > 0);
        bytes[cell + 2] = 12;
    } else {
        // The workbook stream's size in its directory entry, four bytes short.
        const qsizetype entry = bytes.indexOf(QByteArray::fromHex("57006f0072006b0062006f006f006b000000"));
        QVERIFY(entry > 0);
        qToLittleEndian(qFromLittleEndian<quint32>(bytes.constData() + entry + 120) - 4, bytes.data() + entry + 120);
    }
    QVERIFY(file.seek(0) && file.write(bytes) == bytes.size());
    file.close();

    TestDatabase target;
    const ImportResult result = SheetImport(target.db()).run(path);
    QVERIFY2(result.outcome == Outcome::Failed, qPrintable(result.message));
    QVERIFY2(result.message.contains("il file è danneggiato"), qPrintable(result.message));
    QCOMPARE(result.persons, 0);
    QCOMPARE(count(target.db(), "Committente"), 0);
    QCOMPARE(count(target.db(), "Indirizzo"), 0);
    QCOMPARE(count(target.db(), "Recapiti"), 0);
}

QTEST_GUILESS_MAIN(TestSheetImport)
#include "tst_sheetimport.moc"
