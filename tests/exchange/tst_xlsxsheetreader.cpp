#include "exchange/exchangefixture.h"
#include "exchange/sheetimport.h"
#include "exchange/xlsxsheetreader.h"
#include "support/testdatabase.h"

#include <QTemporaryDir>
#include <QtTest>

#include <zip.h>

using namespace ExchangeFixture;
using Outcome = ImportResult::Outcome;

// Workbooks made to hurt, built here: a sheet with values far apart, parts that inflate
// beyond any address book, rows past the format's last. Each is read whole or refused with a
// reason; memory follows the values, never the empty rectangle between them.
class TestXlsxSheetReader : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void sparseSheetHoldsOnlyItsValues();
    void rowsPastTheLastAreRefused_data();
    void rowsPastTheLastAreRefused();
    void oversizedPartsAreRefused_data();
    void oversizedPartsAreRefused();
    void shortDateStyleGivesADate();
    void rowOfSpacesIsNoPerson();
    void cellsInEveryForm_data();
    void cellsInEveryForm();
    void sheetReadInPieces_data();
    void sheetReadInPieces();

private:
    // A workbook whose sheet `Elenco` holds `rows` (the <row> elements), then `padding`
    // blanks before its end; `styles` is the styles part, none when empty.
    QString workbook(const QString &name, const QByteArray &rows, qint64 padding = 0, const QByteArray &styles = {},
                     const QByteArray &sheet = {});
    QTemporaryDir dir_;
};

namespace {

QByteArray cell(const char *ref, const QByteArray &text)
{
    return QByteArray("<c r=\"") + ref + "\" t=\"inlineStr\"><is><t>" + text + "</t></is></c>";
}

QByteArray row(int number, const QByteArray &cells)
{
    return "<row r=\"" + QByteArray::number(number) + "\">" + cells + "</row>";
}

bool addPart(zipFile zip, const char *name, const QByteArray &head, qint64 padding = 0, const QByteArray &tail = {})
{
    if (zipOpenNewFileInZip64(zip, name, nullptr, nullptr, 0, nullptr, 0, nullptr, Z_DEFLATED, 9, 1) != ZIP_OK)
        return false;
    bool ok = zipWriteInFileInZip(zip, head.constData(), unsigned(head.size())) == ZIP_OK;
    const QByteArray blanks(1 << 20, ' ');
    for (qint64 left = padding; ok && left > 0; left -= blanks.size())
        ok = zipWriteInFileInZip(zip, blanks.constData(), unsigned(std::min<qint64>(left, blanks.size()))) == ZIP_OK;
    ok = ok && zipWriteInFileInZip(zip, tail.constData(), unsigned(tail.size())) == ZIP_OK;
    return zipCloseFileInZip(zip) == ZIP_OK && ok;
}

SheetContent readWithColumns(const QString &path, const QList<int> &columns, QString *error)
{
    XlsxSheetReader reader;
    reader.setColumnChoice([&](const QStringList &) { return columns; });
    SheetContent content;
    if (!reader.read(path, &content))
        *error = reader.errorString();
    return content;
}

} // namespace

// `sheet`, when given, is the sheet's part as it is, in place of one made of `rows`.
QString TestXlsxSheetReader::workbook(const QString &name, const QByteArray &rows, qint64 padding,
                                      const QByteArray &styles, const QByteArray &sheet)
{
    const QString path = dir_.filePath(name);
    zipFile zip = zipOpen64(QFile::encodeName(path).constData(), APPEND_STATUS_CREATE);
    if (!zip)
        return {};
    const QByteArray main = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
    const QByteArray relations = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
    bool ok = addPart(zip, "xl/workbook.xml",
                      "<workbook xmlns=\"" + main + "\" xmlns:r=\"" + relations
                          + "\"><sheets><sheet name=\"Elenco\" sheetId=\"1\" r:id=\"rId1\"/></sheets></workbook>")
              && addPart(zip, "xl/_rels/workbook.xml.rels",
                         "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
                         "<Relationship Id=\"rId1\" Type=\""
                             + relations + "/worksheet\" Target=\"worksheets/sheet1.xml\"/></Relationships>")
              && (sheet.isEmpty()
                      ? addPart(zip, "xl/worksheets/sheet1.xml", "<worksheet xmlns=\"" + main + "\"><sheetData>" + rows,
                                padding, "</sheetData></worksheet>")
                      : addPart(zip, "xl/worksheets/sheet1.xml", sheet));
    if (!styles.isEmpty())
        ok = ok && addPart(zip, "xl/styles.xml", "<styleSheet xmlns=\"" + main + "\">" + styles + "</styleSheet>");
    return zipClose(zip, nullptr) == ZIP_OK && ok ? path : QString();
}

void TestXlsxSheetReader::sparseSheetHoldsOnlyItsValues()
{
    // A value in the last column of the header and one in the last row: read as the three
    // rows with values, in the columns asked for, without the empty cells between.
    const QString path = workbook(QStringLiteral("lontano.xlsx"),
                                  row(1, cell("A1", "Cognome") + cell("B1", "Nome") + cell("XFD1", "Lontano"))
                                      + row(2, cell("A2", "Rossi") + cell("B2", "Mario"))
                                      + row(20000, cell("XFD20000", "solo a destra"))
                                      + row(1048576, cell("A1048576", "Verdi")));
    QVERIFY(!path.isEmpty());
    QString error;
    const SheetContent content = readWithColumns(path, {1, 0}, &error);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    QCOMPARE(content.header, QStringList({"Nome", "Cognome"}));
    QCOMPARE(content.rows, QList<QStringList>({{"Mario", "Rossi"}, {"", "Verdi"}}));
    QCOMPARE(content.rowNumbers, QList<int>({2, 1048576}));

    TestDatabase db;
    const ImportResult result = SheetImport(db.db()).run(path);
    QVERIFY2(result.outcome == Outcome::Imported, qPrintable(result.message));
    QCOMPARE(db.db().scalar("SELECT group_concat(IdCommittente || ':' || Cognome, ',') FROM Committente").toString(),
             "0:Rossi,1:Verdi");
}

void TestXlsxSheetReader::rowsPastTheLastAreRefused_data()
{
    // Two persons, then a row the format cannot hold, or a sheet otherwise not read whole.
    QTest::addColumn<QByteArray>("last");
    QTest::addColumn<QString>("reason");
    const QString pastTheEnd = QStringLiteral("continua oltre la riga 1.048.576");
    QTest::newRow("one row past the last") << row(1048577, cell("A1048577", "Bianchi")) << pastTheEnd;
    QTest::newRow("far past the last") << row(2000000, cell("A2000000", "Bianchi")) << pastTheEnd;
    QTest::newRow("beyond any number") << row(2147483647, cell("A2", "Bianchi")) << pastTheEnd;
    QTest::newRow("rows going back") << row(2, cell("A2", "Bianchi")) << QStringLiteral("viene dopo la riga 3");
    QTest::newRow("row without a number")
        << QByteArray("<row r=\"x\"><c r=\"A4\"><v>1</v></c></row>") << QStringLiteral("danneggiato");
    QTest::newRow("column past XFD") << row(4, cell("XFE4", "Bianchi")) << QStringLiteral("colonne da A a XFD");
}

void TestXlsxSheetReader::rowsPastTheLastAreRefused()
{
    QFETCH(QByteArray, last);
    QFETCH(QString, reason);
    const QString path = workbook(QStringLiteral("oltre.xlsx"), row(1, cell("A1", "Cognome"))
                                                                    + row(2, cell("A2", "Rossi"))
                                                                    + row(3, cell("A3", "Verdi")) + last);
    QVERIFY(!path.isEmpty());
    TestDatabase db;
    const ImportResult result = SheetImport(db.db()).run(path);
    QVERIFY(result.outcome == Outcome::Failed);
    QVERIFY2(result.message.contains(reason), qPrintable(result.message));
    QCOMPARE(count(db.db(), "Committente"), 0);
}

void TestXlsxSheetReader::oversizedPartsAreRefused_data()
{
    // Blanks inside the sheet: harmless to the reading, but they inflate the part.
    QTest::addColumn<qint64>("padding");
    QTest::addColumn<bool>("refused");
    QTest::newRow("small, compressed far beyond the ratio") << qint64(900) << false;
    QTest::newRow("over the ratio") << qint64(8) << true; // MiB
}

void TestXlsxSheetReader::oversizedPartsAreRefused()
{
    QFETCH(qint64, padding);
    QFETCH(bool, refused);
    const qint64 bytes = refused ? padding << 20 : padding;
    const QString path = workbook(QStringLiteral("gonfio.xlsx"),
                                  row(1, cell("A1", "Cognome")) + row(2, cell("A2", "Rossi")), bytes);
    QVERIFY(!path.isEmpty());
    TestDatabase db;
    const ImportResult result = SheetImport(db.db()).run(path);
    if (!refused) {
        QVERIFY2(result.outcome == Outcome::Imported, qPrintable(result.message));
        return;
    }
    QVERIFY(result.outcome == Outcome::Failed);
    QVERIFY2(result.message.contains(QStringLiteral("la parte xl/worksheets/sheet1.xml del file, decompressa, sarebbe "
                                                    "più grande di 128 MB o di 200 volte")),
             qPrintable(result.message));
    QCOMPARE(count(db.db(), "Committente"), 0);
}

void TestXlsxSheetReader::shortDateStyleGivesADate()
{
    // Style 1 is the built-in short date, the format spreadsheet programs give a typed date.
    const QByteArray styles = "<cellXfs count=\"2\"><xf numFmtId=\"0\"/><xf numFmtId=\"14\" applyNumberFormat=\"1\"/>"
                              "</cellXfs>";
    const QString path = workbook(QStringLiteral("data.xlsx"),
                                  row(1, cell("A1", "Cognome") + cell("B1", "Note"))
                                      + row(2, cell("A2", "Rossi") + "<c r=\"B2\" s=\"1\"><v>45000</v></c>")
                                      + row(3, cell("A3", "Verdi") + "<c r=\"B3\" s=\"0\"><v>45000</v></c>"),
                                  0, styles);
    QVERIFY(!path.isEmpty());
    QString error;
    const SheetContent content = readWithColumns(path, {0, 1}, &error);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    QCOMPARE(content.rows, QList<QStringList>({{"Rossi", "15/03/2023"}, {"Verdi", "45000"}}));
}

void TestXlsxSheetReader::rowOfSpacesIsNoPerson()
{
    const QString path = workbook(QStringLiteral("spazi.xlsx"),
                                  row(1, cell("A1", "Cognome") + cell("B1", "Nome"))
                                      + row(2, cell("A2", "Rossi") + cell("B2", "Mario"))
                                      + row(3, cell("A3", "   ") + cell("B3", "\t \xC2\xA0 "))
                                      + row(4, cell("A4", "Verdi")));
    QVERIFY(!path.isEmpty());
    TestDatabase db;
    const ImportResult result = SheetImport(db.db()).run(path);
    QVERIFY2(result.outcome == Outcome::Imported, qPrintable(result.message));
    QCOMPARE(result.message, "Sono state importate 2 persone.");
    QCOMPARE(db.db().scalar("SELECT group_concat(IdCommittente || ':' || Cognome, ',') FROM Committente").toString(),
             "0:Rossi,1:Verdi");
}

void TestXlsxSheetReader::cellsInEveryForm_data()
{
    // A cell written <v>text</v></c> or <is><t>text</t></is></c> is read in one step; every
    // other form is read tag by tag. Both give the same text.
    QTest::addColumn<QByteArray>("cellXml");
    QTest::addColumn<QString>("text"); // "!" when the sheet is refused
    QTest::newRow("inline string") << QByteArray(R"(<c r="B2" t="inlineStr"><is><t>Via Po</t></is></c>)") << "Via Po";
    QTest::newRow("number") << QByteArray(R"(<c r="B2"><v>12.50</v></c>)") << "12.5";
    QTest::newRow("entities") << QByteArray(R"(<c r="B2" t="inlineStr"><is><t>a &amp; b &lt;c&gt;</t></is></c>)")
                              << "a & b <c>";
    QTest::newRow("character reference") << QByteArray(R"(<c r="B2" t="str"><v>Citt&#224;</v></c>)") << "Città";
    QTest::newRow("> in the text") << QByteArray(R"(<c r="B2" t="inlineStr"><is><t>a>b</t></is></c>)") << "a>b";
    QTest::newRow("CR LF") << QByteArray("<c r=\"B2\" t=\"inlineStr\"><is><t>uno\r\ndue</t></is></c>") << "uno\ndue";
    QTest::newRow("spaces kept") << QByteArray(
        R"(<c r="B2" t="inlineStr"><is><t xml:space="preserve">  due  </t></is></c>)")
                                 << "  due  ";
    QTest::newRow("empty text") << QByteArray(R"(<c r="B2" t="inlineStr"><is><t></t></is></c>)") << "";
    QTest::newRow("empty value") << QByteArray(R"(<c r="B2"><v/></c>)") << "";
    QTest::newRow("styled blank") << QByteArray(R"(<c r="B2" s="0"/>)") << "";
    QTest::newRow("rich text") << QByteArray(R"(<c r="B2" t="inlineStr"><is><r><t>ab</t></r><r><t>cd</t></r></is></c>)")
                               << "abcd";
    QTest::newRow("phonetic run left out")
        << QByteArray(R"(<c r="B2" t="inlineStr"><is><t>ab</t><rPh sb="0" eb="1"><t>x</t></rPh></is></c>)") << "ab";
    QTest::newRow("formula and its value") << QByteArray(R"(<c r="B2" t="str"><f>A2</f><v>Rossi</v></c>)") << "Rossi";
    QTest::newRow("blanks between the tags")
        << QByteArray("<c r=\"B2\" t=\"inlineStr\">\n  <is><t>x</t></is>\n</c>") << "x";
    QTest::newRow("prefixed names") << QByteArray(R"(<x:c r="B2" t="inlineStr"><x:is><x:t>y</x:t></x:is></x:c>)")
                                    << "y";
    QTest::newRow("more after the text") << QByteArray(R"(<c r="B2" t="inlineStr"><is><t>z</t></is><e/></c>)") << "z";
    QTest::newRow("unknown entity") << QByteArray(R"(<c r="B2" t="inlineStr"><is><t>&nbsp;</t></is></c>)") << "!";
    QTest::newRow("unended reference") << QByteArray(R"(<c r="B2"><v>1&amp</v></c>)") << "!";
    QTest::newRow("mismatched end") << QByteArray(R"(<c r="B2" t="inlineStr"><is><t>a</t></is></x>)") << "!";
}

void TestXlsxSheetReader::cellsInEveryForm()
{
    QFETCH(QByteArray, cellXml);
    QFETCH(QString, text);
    const QString path = workbook(QStringLiteral("forme.xlsx"), row(1, cell("A1", "Cognome") + cell("B1", "Note"))
                                                                    + row(2, cell("A2", "Rossi") + cellXml)
                                                                    + row(3, cell("A3", "Verdi")));
    QVERIFY(!path.isEmpty());
    QString error;
    const SheetContent content = readWithColumns(path, {0, 1}, &error);
    if (text == QLatin1String("!")) {
        QVERIFY2(error.contains(QStringLiteral("il file è danneggiato")), qPrintable(error));
        return;
    }
    QVERIFY2(error.isEmpty(), qPrintable(error));
    QCOMPARE(content.rows, QList<QStringList>({{"Rossi", text}, {"Verdi", ""}}));
}

// The sheet is read while it is inflated, in pieces of 64 KB each ending after the last row
// end mark inflated; a sheet whose pieces do not read as one is read again whole.
void TestXlsxSheetReader::sheetReadInPieces_data()
{
    // {n}: the number of the row where it is written.
    QTest::addColumn<QByteArray>("trap");  // written where the first piece ends
    QTest::addColumn<QString>("trapCell"); // the text of the trap's cell, if it has one
    QTest::addColumn<QByteArray>("later"); // a row among the last ones
    QTest::addColumn<QString>("refusal");  // a part of the message, empty when the sheet is read
    // The end mark inside a comment or a CDATA section: the first piece ends inside it.
    QTest::newRow("rows only") << QByteArray() << QString() << QByteArray() << QString();
    QTest::newRow("row end in a comment") << QByteArray("<!--</row>-->") << QString() << QByteArray() << QString();
    QTest::newRow("row end in a CDATA section")
        << QByteArray(R"(<row r="{n}"><c r="A{n}" t="inlineStr"><is><t><![CDATA[</row>]]></t></is></c></row>)")
        << QStringLiteral("</row>") << QByteArray() << QString();
    QTest::newRow("damaged in a later piece")
        << QByteArray() << QString() << QByteArray(R"(<row r="{n}"><c r="A{n}"></x></row>)")
        << QStringLiteral("il file è danneggiato");
    QTest::newRow("rows out of order in a later piece")
        << QByteArray() << QString() << QByteArray(R"(<row r="3"><c r="A3"><v>1</v></c></row>)")
        << QStringLiteral("viene dopo la riga");
}

void TestXlsxSheetReader::sheetReadInPieces()
{
    QFETCH(QByteArray, trap);
    QFETCH(QString, trapCell);
    QFETCH(QByteArray, later);
    QFETCH(QString, refusal);
    constexpr int kPiece = 1 << 16;
    QByteArray sheet = "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"><sheetData>"
                       + row(1, cell("A1", "Cognome"));
    QStringList expected;
    int number = 2;
    const auto numbered = [&](QByteArray xml) {
        if (xml.contains("{n}"))
            xml.replace("{n}", QByteArray::number(number++));
        return xml;
    };
    const auto addRow = [&] {
        const QByteArray name = "Rossi " + QByteArray::number(number);
        sheet += row(number, cell(qPrintable(QStringLiteral("A%1").arg(number)), name));
        expected << QString::fromLatin1(name);
        ++number;
    };
    // Rows up to the end of the first piece, blanks to put the trap's end mark just before it.
    while (sheet.size() + 200 + trap.size() < kPiece)
        addRow();
    if (!trap.isEmpty()) {
        trap = numbered(trap);
        const qsizetype markEnd = trap.indexOf("</row>") + 6;
        sheet += QByteArray(kPiece - 2 - sheet.size() - markEnd, ' ') + trap;
        QVERIFY(sheet.indexOf("</row>", kPiece - 2 - 6) == kPiece - 2 - 6);
        if (!trapCell.isEmpty())
            expected << trapCell;
    }
    while (sheet.size() < 3 * kPiece) {
        addRow();
        if (!later.isEmpty() && sheet.size() > 2 * kPiece) {
            sheet += numbered(later);
            later.clear();
        }
    }
    sheet += "</sheetData></worksheet>";
    const QString path = workbook(QStringLiteral("pezzi.xlsx"), {}, 0, {}, sheet);
    QVERIFY(!path.isEmpty());
    QString error;
    const SheetContent content = readWithColumns(path, {0}, &error);
    if (!refusal.isEmpty()) {
        QVERIFY2(error.contains(refusal), qPrintable(error));
        return;
    }
    QVERIFY2(error.isEmpty(), qPrintable(error));
    QStringList read;
    for (const QStringList &cells : content.rows)
        read << cells.value(0);
    QCOMPARE(read, expected);
}

QTEST_GUILESS_MAIN(TestXlsxSheetReader)
#include "tst_xlsxsheetreader.moc"
