// Text files the Italian way: the writer's cells and file, the reader's detection and
// fields, and an export of a result read back into persons.
#include "exchange/csvreader.h"
#include "exchange/csvsheetwriter.h"
#include "exchange/exchangefixture.h"
#include "exchange/personimport.h"
#include "exchange/sheetexport.h"
#include "support/testdatabase.h"

#include "data/query.h"

#include <QDate>
#include <QtTest>

using namespace ExchangeFixture;
using CellType = SheetWriter::CellType;

Q_DECLARE_METATYPE(SheetWriter::CellType)
Q_DECLARE_METATYPE(CsvReader::Encoding)
Q_DECLARE_METATYPE(Values::Kind)

namespace {

CellType typeOf(Values::Kind kind)
{
    switch (kind) {
    case Values::Kind::Integer:
    case Values::Kind::Amount:
        return CellType::Number;
    case Values::Kind::Date:
        return CellType::Date;
    case Values::Kind::Text:
        break;
    }
    return CellType::Text;
}

} // namespace

class TestCsvExchange : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cells_data();
    void cells();
    void storedCells_data();
    void storedCells();
    void fileLayout();
    void resultWrittenAsItsValues();
    void detection_data();
    void detection();
    void fields_data();
    void fields();
    void exportThenImportGivesThePersonsBack();
    void personsOfASheet();
};

void TestCsvExchange::cells_data()
{
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<CellType>("type");
    QTest::addColumn<QByteArray>("written");
    QTest::newRow("null") << QVariant() << CellType::Text << QByteArray();
    QTest::newRow("empty text") << QVariant(QString()) << CellType::Text << QByteArray();
    QTest::newRow("plain") << QVariant("Rossi") << CellType::Text << QByteArray("Rossi");
    QTest::newRow("accented, UTF-8") << QVariant("Città") << CellType::Text << QByteArray("Citt\xC3\xA0");
    QTest::newRow("separator") << QVariant("a;b") << CellType::Text << QByteArray("\"a;b\"");
    QTest::newRow("comma needs no quotes") << QVariant("a,b") << CellType::Text << QByteArray("a,b");
    QTest::newRow("quotes doubled") << QVariant("il \"tetto\"") << CellType::Text << QByteArray("\"il \"\"tetto\"\"\"");
    QTest::newRow("line break") << QVariant("a\nb") << CellType::Text << QByteArray("\"a\nb\"");
    QTest::newRow("blank at the end") << QVariant("a ") << CellType::Text << QByteArray("\"a \"");
    QTest::newRow("formula =") << QVariant("=1+1") << CellType::Text << QByteArray("\"'=1+1\"");
    QTest::newRow("formula +") << QVariant("+39 06 123") << CellType::Text << QByteArray("\"'+39 06 123\"");
    QTest::newRow("formula -") << QVariant("-2") << CellType::Text << QByteArray("\"'-2\"");
    QTest::newRow("formula @") << QVariant("@SUM(A1)") << CellType::Text << QByteArray("\"'@SUM(A1)\"");
    QTest::newRow("formula tab") << QVariant("\t=1") << CellType::Text << QByteArray("\"'\t=1\"");
    QTest::newRow("formula CR") << QVariant("\r=1") << CellType::Text << QByteArray("\"'\r=1\"");
    QTest::newRow("equals later is text") << QVariant("a=1") << CellType::Text << QByteArray("a=1");
    QTest::newRow("apostrophe alone stays") << QVariant("'a") << CellType::Text << QByteArray("'a");
    QTest::newRow("whole amount") << QVariant(1500) << CellType::Number << QByteArray("1500");
    QTest::newRow("amount with cents") << QVariant(1500.5) << CellType::Number << QByteArray("1500,50");
    QTest::newRow("negative amount is a number") << QVariant(-12.25) << CellType::Number << QByteArray("-12,25");
    QTest::newRow("large whole number") << QVariant(qint64(123456789012)) << CellType::Number
                                        << QByteArray("123456789012");
    QTest::newRow("number stored as text") << QVariant("00184") << CellType::Number << QByteArray("00184");
    QTest::newRow("date") << QVariant(QDate(2024, 3, 5)) << CellType::Date << QByteArray("05/03/2024");
}

void TestCsvExchange::cells()
{
    QFETCH(QVariant, value);
    QFETCH(CellType, type);
    QFETCH(QByteArray, written);
    QCOMPARE(CsvSheetWriter::cell(value, type), written);
    // What is written reads back as the text it was (numbers and dates as shown).
    if (type == CellType::Text && !value.isNull()) {
        const CsvReader::Result r = CsvReader::read("Note\r\n" + written + "\r\n");
        QCOMPARE(r.sheet.rows.value(0).value(0, QString()), value.toString());
    }
}

// A stored cell written from its bytes gives what its value gives, or is left to the value.
void TestCsvExchange::storedCells_data()
{
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<Values::Kind>("kind");
    QTest::addColumn<bool>("fromBytes");
    using K = Values::Kind;
    const auto text = [](const char *name, const QByteArray &bytes, bool fromBytes) {
        QTest::newRow(name) << bytes << K::Text << fromBytes;
    };
    text("empty", "", true);
    text("plain", "Rossi", true);
    text("accented", "Citt\xC3\xA0", true);
    text("four-byte character", "\xF0\x9F\x8F\xA0 casa", true);
    for (char c : QByteArray("=+-@\t\r"))
        text(qPrintable(QStringLiteral("formula %1").arg(int(c))), QByteArray(1, c) + "1", true);
    text("formula sign later", "a=1", true);
    text("separator", "a;b", true);
    text("quotes", "il \"tetto\"", true);
    text("only a quote", "\"", true);
    text("LF", "a\nb", true);
    text("CR", "a\rb", true);
    text("comma", "a,b", true);
    for (char c : QByteArray(" \t\n\v\f\r")) {
        text(qPrintable(QStringLiteral("blank %1 first").arg(int(c))), QByteArray(1, c) + "a", true);
        text(qPrintable(QStringLiteral("blank %1 last").arg(int(c))), "a" + QByteArray(1, c), true);
    }
    text("no-break space first",
         "\xC2\xA0"
         "a",
         true);
    text("no-break space last", "a\xC2\xA0", true);
    text("next line last", "a\xC2\x85", true);
    text("ideographic space first",
         "\xE3\x80\x80"
         "a",
         true);
    text("no-break space inside",
         "a\xC2\xA0"
         "b",
         true);
    text("control character first",
         "\x01"
         "a",
         true);
    text("NUL inside", QByteArray("a\0b", 3), true);
    text("apostrophe first", "'a", true);
    text("blank only", " ", true);
    text("longest cell", QByteArray(SheetWriter::kMaxTextLength, 'a'), true);
    // Texts read eight bytes at a time, with what matters in the second eight or after.
    text("long plain", "abcdefghijklmnopq", true);
    text("separator among eight bytes", "abc;defghijk", true);
    text("quote among eight bytes", "abc\"defghijk", true);
    text("LF among eight bytes", "abc\ndefghijk", true);
    text("CR among eight bytes", "abcdefg\rhijk", true);
    text("separator after eight bytes", "abcdefghi;j", true);
    text("quote after eight bytes", "abcdefgh\"ij", true);
    text("line break after eight bytes", "Via Roma 1\r\nScala B", true);
    text("accent after eight bytes", "abcdefgh\xC3\xA0", true);
    text("invalid byte after eight bytes", "abcdefgh\xFF", false);
    text("no-break space ending a long text", "abcdefghij\xC2\xA0", true);
    text("blank ending a long text", "abcdefghijklmnop ", true);
    // Each byte that matters at every place of texts shorter than eight bytes, of eight, and
    // of a word and a piece (whose last word is read again, overlapping).
    const QList<QPair<const char *, QByteArray>> bytes = {{"separator", ";"},     {"quote", "\""},
                                                          {"LF", "\n"},           {"CR", "\r"},
                                                          {"accent", "\xC3\xA0"}, {"invalid", "\xFF"}};
    for (const qsizetype size : {1, 2, 7, 8, 9, 15, 16, 17}) {
        for (const auto &[what, piece] : bytes) {
            for (qsizetype at = 0; at + piece.size() <= size; ++at) {
                QByteArray cell(size, 'x');
                cell.replace(at, piece.size(), piece);
                text(qPrintable(QStringLiteral("%1 at %2 of %3").arg(QLatin1String(what)).arg(at).arg(size)), cell,
                     piece != "\xFF");
            }
        }
    }
    text("past the longest cell", QByteArray(SheetWriter::kMaxTextLength + 1, 'a'), false);
    text("invalid byte", "a\xFF", false);
    text("cut sequence", "a\xC3", false);
    text("overlong", "\xC0\xAF", false);
    text("surrogate", "\xED\xA0\x80", false);
    text("past U+10FFFF", "\xF4\x90\x80\x80", false);
    text("byte order mark",
         "\xEF\xBB\xBF"
         "a",
         false);
    text("non-character", "\xEF\xBF\xBE", false);

    const auto number = [](const char *name, const QByteArray &bytes, K kind, bool fromBytes) {
        QTest::newRow(name) << bytes << kind << fromBytes;
    };
    number("integer", "1500", K::Integer, true);
    number("integer zero", "0", K::Integer, true);
    number("integer minus zero", "-0", K::Integer, true);
    number("integer leading zeros", "00184", K::Integer, true);
    number("integer negative", "-42", K::Integer, true);
    number("integer 15 digits", "999999999999999", K::Integer, true);
    number("integer 16 digits", "1000000000000000", K::Integer, false);
    number("integer with decimals", "12.5", K::Integer, false);
    number("integer plus sign", "+5", K::Integer, false);
    number("integer blank", " 5", K::Integer, false);
    number("integer text", "abc", K::Integer, false);
    number("integer minus alone", "-", K::Integer, false);
    number("amount whole", "1500", K::Amount, true);
    number("amount one decimal", "1500.5", K::Amount, true);
    number("amount two decimals", "-12.25", K::Amount, true);
    number("amount cent", "0.01", K::Amount, true);
    number("amount minus half", "-0.5", K::Amount, true);
    number("amount minus zero", "-0.00", K::Amount, true);
    number("amount zero decimals", "7.00", K::Amount, true);
    number("amount leading zeros", "007.5", K::Amount, true);
    number("amount 13 digits and cents", "9999999999999.99", K::Amount, true);
    number("amount 14 digits and cents", "99999999999999.99", K::Amount, false);
    number("amount 15 whole digits", "999999999999999", K::Amount, true);
    number("amount 16 whole digits", "9999999999999999", K::Amount, false);
    number("amount three decimals", "1.125", K::Amount, false);
    number("amount point alone", "5.", K::Amount, false);
    number("amount no whole part", ".5", K::Amount, false);
    number("amount exponent", "1.5e+15", K::Amount, false);
    number("amount comma", "1,5", K::Amount, false);
    number("amount text", "n/d", K::Amount, false);
    number("date", "2024-03-05", K::Date, true);
    number("date with time", "2024-03-05 10:30:00", K::Date, true);
    number("date leap day", "2024-02-29", K::Date, true);
    number("date no leap day", "2023-02-29", K::Date, false);
    number("date month 13", "2024-13-01", K::Date, false);
    number("date day 0", "2024-01-00", K::Date, false);
    number("date year 0", "0000-01-01", K::Date, false);
    number("date year 1", "0001-01-01", K::Date, true);
    number("date short", "2024-3-5", K::Date, false);
    number("date shown form", "05/03/2024", K::Date, false);
    number("date text", "presto", K::Date, false);
}

void TestCsvExchange::storedCells()
{
    QFETCH(QByteArray, stored);
    QFETCH(Values::Kind, kind);
    QFETCH(bool, fromBytes);
    const std::string_view bytes(stored.constData(), size_t(stored.size()));
    QByteArray out = "x;";
    QCOMPARE(CsvSheetWriter::appendStored(bytes, kind, &out), fromBytes);
    if (fromBytes)
        QCOMPARE(out, "x;" + CsvSheetWriter::cell(Query::typedValue(bytes, kind), typeOf(kind)));
    else
        QCOMPARE(out, QByteArray("x;"));
}

void TestCsvExchange::fileLayout()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("elenco.csv"));
    CsvSheetWriter writer;
    QVERIFY(writer.begin(path, {"Cognome", "Importo", "Data"}, {CellType::Text, CellType::Number, CellType::Date}));
    QVERIFY(writer.writeRow({"Rossi", 10.5, QDate(2024, 12, 31)}));
    QVERIFY(writer.writeRow({QVariant(), QVariant(), QVariant()}));
    QVERIFY(writer.finish());
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("\xEF\xBB\xBF"
                                        "Cognome;Importo;Data\r\nRossi;10,50;31/12/2024\r\n;;\r\n"));
}

void TestCsvExchange::detection_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("separator");
    QTest::addColumn<CsvReader::Encoding>("encoding");
    QTest::addColumn<QString>("secondHeader");
    using E = CsvReader::Encoding;
    QTest::newRow("semicolon, BOM") << QByteArray("\xEF\xBB\xBF"
                                                  "Cognome;Città\r\nA;B\r\n")
                                    << ";" << E::Utf8WithBom << "Città";
    QTest::newRow("comma, UTF-8") << QByteArray("Cognome,Citt\xC3\xA0\nA,B\n") << "," << E::Utf8 << "Città";
    QTest::newRow("tab, Windows-1252") << QByteArray("Cognome\tCitt\xE0\r\nA\tB\r\n") << "\t" << E::Windows1252
                                       << "Città";
    QTest::newRow("commas inside quotes do not count") << QByteArray("\"a,b,c\";Nome\r\n") << ";" << E::Utf8 << "Nome";
    QTest::newRow("semicolon wins a tie") << QByteArray("a;b,c\r\n") << ";" << E::Utf8 << "b,c";
    QTest::newRow("one column") << QByteArray("Cognome\r\nRossi\r\n") << ";" << E::Utf8 << "";
    QTest::newRow("only later lines decide nothing")
        << QByteArray("Cognome\r\nRossi,Mario\r\n") << ";" << E::Utf8 << "";
    QTest::newRow("euro sign in Windows-1252") << QByteArray("Importo;\x80\r\n") << ";" << E::Windows1252 << "€";
    QTest::newRow("empty file") << QByteArray() << ";" << E::Utf8 << "";
}

void TestCsvExchange::detection()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, separator);
    QFETCH(CsvReader::Encoding, encoding);
    QFETCH(QString, secondHeader);
    const CsvReader::Result r = CsvReader::read(bytes);
    QCOMPARE(QString(r.separator), separator);
    QCOMPARE(r.encoding, encoding);
    QCOMPARE(r.sheet.header.value(1), secondHeader);
    QVERIFY(!CsvReader::separatorName(r.separator).isEmpty());
    QVERIFY(!CsvReader::encodingName(r.encoding).isEmpty());
}

void TestCsvExchange::fields_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QList<QStringList>>("rows");
    QTest::addColumn<QList<int>>("lines");
    QTest::newRow("CR LF") << QByteArray("h1;h2\r\na;b\r\nc;d\r\n") << QList<QStringList>{{"a", "b"}, {"c", "d"}}
                           << QList<int>{2, 3};
    QTest::newRow("LF, no final end") << QByteArray("h1;h2\na;b\nc;d") << QList<QStringList>{{"a", "b"}, {"c", "d"}}
                                      << QList<int>{2, 3};
    QTest::newRow("CR alone") << QByteArray("h1;h2\ra;b\r") << QList<QStringList>{{"a", "b"}} << QList<int>{2};
    QTest::newRow("quoted line breaks") << QByteArray("h1;h2\r\n\"riga 1\r\nriga 2\";x\r\n\"a\nb\";y\r\nz;w\r\n")
                                        << QList<QStringList>{{"riga 1\r\nriga 2", "x"}, {"a\nb", "y"}, {"z", "w"}}
                                        << QList<int>{2, 4, 6};
    QTest::newRow("doubled quotes and separators")
        << QByteArray("h1;h2\r\n\"a \"\"b\"\"; c\";d\r\n") << QList<QStringList>{{"a \"b\"; c", "d"}} << QList<int>{2};
    QTest::newRow("quote inside an unquoted field")
        << QByteArray("h1;h2\r\nal\"to;b\r\n") << QList<QStringList>{{"al\"to", "b"}} << QList<int>{2};
    QTest::newRow("short and long rows") << QByteArray("h1;h2\r\na\r\nb;c;d\r\n")
                                         << QList<QStringList>{{"a", "", ""}, {"b", "c", "d"}} << QList<int>{2, 3};
    QTest::newRow("empty lines are no rows")
        << QByteArray("h1;h2\r\n\r\na;b\r\n\r\n") << QList<QStringList>{{"a", "b"}} << QList<int>{3};
    QTest::newRow("row of empty fields is a row")
        << QByteArray("h1;h2\r\n;\r\n") << QList<QStringList>{{"", ""}} << QList<int>{2};
    QTest::newRow("unclosed quote runs to the end")
        << QByteArray("h1;h2\r\n\"a;b\r\nc") << QList<QStringList>{{"a;b\r\nc", ""}} << QList<int>{2};
    QTest::newRow("guarded formula loses the apostrophe")
        << QByteArray("h1;h2\r\n\"'=1+1\";'a\r\n") << QList<QStringList>{{"=1+1", "'a"}} << QList<int>{2};
    QTest::newRow("header only") << QByteArray("h1;h2\r\n") << QList<QStringList>{} << QList<int>{};
}

void TestCsvExchange::fields()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QList<QStringList>, rows);
    QFETCH(QList<int>, lines);
    const CsvReader::Result r = CsvReader::read(bytes);
    QCOMPARE(r.sheet.rows, rows);
    QCOMPARE(r.lines, lines);
}

void TestCsvExchange::exportThenImportGivesThePersonsBack()
{
    TestDatabase source;
    addPerson(source.db(), {{"Cognome", "D'Amico"},
                            {"Nome", "Giò"},
                            {"Qualifica", "Ing."},
                            {"CAP", "00184"},
                            {"Città", "Roma"},
                            {"Via", "Via Po; 3"},
                            {"Numero_telefono1", "+39 06 123"},
                            {"Numero_cell1", "-"},
                            {"E_mail", "@gio"},
                            {"Partita_iva", "06363391001"},
                            {"Note", "riga 1\nil \"tetto\" = 1"}});
    addPerson(source.db(), {{"Cognome", "Bianchi"}, {"Nome", " Anna "}});
    Query q(&source.db());
    q.setSql(personsStatement());
    q.open();
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("rubrica.csv"));
    CsvSheetWriter writer;
    const ExportResult exported = SheetExport::run(q, writer, path);
    QVERIFY2(exported.ok, qPrintable(exported.message));

    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const CsvReader::Result read = CsvReader::read(file.readAll());
    QCOMPARE(read.encoding, CsvReader::Encoding::Utf8WithBom);
    QCOMPARE(read.separator, QLatin1Char(';'));
    QStringList recognised;
    const QList<ImportedPerson> people = PersonImport::fromSheet(read.sheet, read.lines, &recognised);
    QCOMPARE(recognised.size(), 16);
    TestDatabase target;
    const ImportResult imported = PersonImport(target.db()).run(people);
    QCOMPARE(imported.outcome, ImportResult::Outcome::Imported);
    QCOMPARE(personLines(target.db()), personLines(source.db()));
}

// A result written from its stored rows gives the file its values give, row by row.
void TestCsvExchange::resultWrittenAsItsValues()
{
    TestDatabase source;
    addPerson(source.db(), {{"Cognome", "=Rossi"}, {"Nome", "Anna\u00A0"}, {"Note", "\"a\";\r\nb"}});
    addPerson(source.db(), {{"Cognome", "Verdi \U0001F3E0"}, {"Via", " Via Po"}, {"CAP", "-"}});
    source.db().exec("INSERT INTO Progetto (IdProgetto, IdCommittente, Descrizione, Importo_totale, Importo_pagato, "
                     "Data_inizio, Data_fine) VALUES (1, 1, '@casa', 1500, 12.5, '2024-02-29', NULL), "
                     "(2, 1, NULL, -0.5, 999999999.99, '0001-01-01', '2024-12-31'), "
                     "(3, 2, 'x', NULL, 0.01, NULL, '1999-01-01')");
    for (const QStringList &statement : {personsStatement(), QStringList{"SELECT * FROM Progetto"}}) {
        Query q(&source.db());
        q.setSql(statement);
        q.open();
        QTemporaryDir dir;
        const QString fast = dir.filePath(QStringLiteral("stored.csv"));
        CsvSheetWriter writer;
        const ExportResult exported = SheetExport::run(q, writer, fast);
        QVERIFY2(exported.ok, qPrintable(exported.message));

        const QString slow = dir.filePath(QStringLiteral("values.csv"));
        const QList<int> columns = SheetExport::exportedColumns(q);
        QStringList headers;
        QList<CellType> types;
        for (int c : columns) {
            headers << SheetExport::headerFor(q.fieldInfo(c).name);
            types << typeOf(q.fieldInfo(c).kind);
        }
        QVERIFY(writer.begin(slow, headers, types));
        for (int row = 0; row < q.recordCount(); ++row) {
            QVariantList cells;
            for (int c : columns)
                cells << q.value(row, c);
            QVERIFY(writer.writeRow(cells));
        }
        QVERIFY(writer.finish());

        QFile a(fast);
        QFile b(slow);
        QVERIFY(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly));
        QCOMPARE(a.readAll(), b.readAll());
    }
}

void TestCsvExchange::personsOfASheet()
{
    SheetContent sheet;
    sheet.header = {"cognome", "Colonna estranea", "1° Telefono", "Cognome"};
    sheet.rows = {{"Rossi", "x", "06 1", "doppione"}, {"", "y", "", ""}, {"", "", "", ""}, {"Verdi", "", "", ""}};
    QStringList recognised;
    const QList<ImportedPerson> people = PersonImport::fromSheet(sheet, {2, 3, 5, 9}, &recognised);
    QCOMPARE(recognised, (QStringList{"Cognome", "Numero_telefono1"}));
    QCOMPARE(people.size(), 2);
    QCOMPARE(people.at(0).values, (PersonValues{{"Cognome", "Rossi"}, {"Numero_telefono1", "06 1"}}));
    QCOMPARE(people.at(1).origin, 9);
}

QTEST_GUILESS_MAIN(TestCsvExchange)
#include "tst_csvexchange.moc"
