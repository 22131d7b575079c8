#include "exchange/freexlsheetreader.h"
#include "exchange/sheetwriter.h"
#include "exchange/xlsanswer.h"
#include "exchange/xlssheetreader.h"

#include <cstdio>
#include <cstdlib>
#include <functional>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

// A change made to a workbook's bytes; false when the workbook is not as expected.
using Change = std::function<bool(QByteArray &)>;
Q_DECLARE_METATYPE(Change)

namespace {

// The file's bytes, changed by `change`, written back.
bool changeFile(const QString &path, const std::function<bool(QByteArray &)> &change)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite))
        return false;
    QByteArray bytes = file.readAll();
    return change(bytes) && file.seek(0) && file.write(bytes) == bytes.size() && file.resize(bytes.size());
}

// Where the `n`-th cell record holding a shared text starts (type, then length).
qsizetype textCell(const QByteArray &bytes, int n)
{
    qsizetype at = -1;
    for (int i = 0; i <= n; ++i)
        at = bytes.indexOf(QByteArray::fromHex("fd000a00"), at + 1);
    return at;
}

// The directory entry of the workbook stream.
qsizetype workbookEntry(const QByteArray &bytes)
{
    return bytes.indexOf(QByteArray::fromHex("57006f0072006b0062006f006f006b000000")); // "Workbook"
}

// Where sector `sector` of the compound file starts, and its entry in the allocation table
// (all in the table's first sector in these small files).
qsizetype sectorAt(quint32 sector) { return 512 + qsizetype(sector) * 512; }
qsizetype fatEntryAt(const QByteArray &bytes, quint32 sector)
{
    return sectorAt(qFromLittleEndian<quint32>(bytes.constData() + 0x4C)) + 4 * sector;
}

Change setTextCell(int n, quint16 type, quint16 length)
{
    return [=](QByteArray &bytes) {
        const qsizetype at = textCell(bytes, n);
        if (at < 0)
            return false;
        qToLittleEndian(type, bytes.data() + at);
        qToLittleEndian(length, bytes.data() + at + 2);
        return true;
    };
}

} // namespace

// The .xls reader runs libfreexl in a child process: the program gets what the library
// reads, and a reason, never a crash or a partial sheet, when the child fails.
class TestXlsSheetReader : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void childGivesWhatTheLibraryReads_data();
    void childGivesWhatTheLibraryReads();
    void libraryFaultsAreRefused_data();
    void libraryFaultsAreRefused();
    void failingChildGivesAReason_data();
    void failingChildGivesAReason();
    void damagedAnswersAreRefused();
    void oversizedSheetGivesOnlyItsCells();
    void trailingEmptyCellsAreLeftOut_data();
    void trailingEmptyCellsAreLeftOut();
    void sheetNameInAnyCase_data();
    void sheetNameInAnyCase();
    void damagedWorkbooksAreRefused_data();
    void damagedWorkbooksAreRefused();
    void everyZeroedSectorIsRefusedOrReadWhole();
    void hostileContainersAreRefused_data();
    void hostileContainersAreRefused();

private:
    // Writes a workbook of `persons` rows of 8 text columns, then `blankRows` rows of empty
    // formatted cells, as the program exports them.
    static bool writePersons(const QString &path, int persons, int blankRows = 0);
    // Sets the size record of the .xls file at `path` to `rows` x `columns`.
    static bool declareSize(const QString &path, quint32 rows, quint16 columns);
    static QString testData(const QString &file) { return QStringLiteral(PRATILIO_TEST_DATA "/") + file; }
};

void TestXlsSheetReader::childGivesWhatTheLibraryReads_data()
{
    QTest::addColumn<QString>("path");
    for (const char *file : {"elenco/testo.xls", "elenco/numeri.xls", "xls/Formate.xls", "xls/profiles.xls",
                             "xls/biff4_no_format_no_window2.xls", "xls/corrupted_error.xls"})
        QTest::newRow(file) << testData(QString::fromLatin1(file));
}

void TestXlsSheetReader::childGivesWhatTheLibraryReads()
{
    QFETCH(QString, path);
    FreexlSheetReader inProcess;
    SheetContent expected;
    const bool expectedOk = inProcess.read(path, &expected);
    XlsSheetReader reader;
    SheetContent content;
    QCOMPARE(reader.read(path, &content), expectedOk);
    QCOMPARE(reader.errorString(), inProcess.errorString());
    QCOMPARE(content.header, expected.header);
    QCOMPARE(content.rows, expected.rows);
}

void TestXlsSheetReader::libraryFaultsAreRefused_data()
{
    // Files on which libfreexl reads out of bounds (found by fuzz_xls); the child may end in
    // any way, this process must go on with a reason.
    QTest::addColumn<QString>("path");
    const QDir known(QStringLiteral(PRATILIO_TESTS_DIR "/fuzz/known/xls"));
    for (const QString &file : known.entryList(QDir::Files))
        QTest::newRow(qPrintable(file)) << known.filePath(file);
}

void TestXlsSheetReader::libraryFaultsAreRefused()
{
    QFETCH(QString, path);
    XlsSheetReader reader;
    SheetContent content;
    QVERIFY(!reader.read(path, &content));
    QVERIFY2(reader.errorString().startsWith(QStringLiteral("Impossibile leggere il file")),
             qPrintable(reader.errorString()));
    QVERIFY(content.header.isEmpty() && content.rows.isEmpty());
}

void TestXlsSheetReader::failingChildGivesAReason_data()
{
    // A stand-in for the helper: a shell script, where $REAL is the real helper.
    QTest::addColumn<QString>("script"); // empty: no helper at all
    QTest::addColumn<QString>("reason");
    const QString interrupted = QStringLiteral("la lettura del file si è interrotta");
    QTest::newRow("missing") << QString() << QStringLiteral("manca il programma che legge i file .xls");
    QTest::newRow("aborts") << QStringLiteral("kill -ABRT $$") << interrupted;
    QTest::newRow("answer cut short") << QStringLiteral("\"$REAL\" \"$1\" | head -c 300") << interrupted;
    QTest::newRow("whole answer, then failure") << QStringLiteral("\"$REAL\" \"$1\"; exit 3") << interrupted;
    QTest::newRow("not an answer") << QStringLiteral("echo Elenco") << interrupted;
    QTest::newRow("hangs") << QStringLiteral("exec sleep 60") << QStringLiteral("non è finita entro 2 secondi");
}

void TestXlsSheetReader::failingChildGivesAReason()
{
    QFETCH(QString, script);
    QFETCH(QString, reason);
    const QString real = XlsSheetReader::helperProgram();
    QVERIFY(QFileInfo(real).isExecutable());
    QTemporaryDir dir;
    const QString standIn = dir.filePath(XlsSheetReader::kHelperName);
    if (!script.isEmpty()) {
        QFile file(standIn);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QStringLiteral("#!/bin/sh\nREAL='%1'\n%2\n").arg(real, script).toUtf8());
        file.close();
        file.setPermissions(file.permissions() | QFileDevice::ExeOwner);
    }
    XlsSheetReader::setFallbackHelper(standIn);
    XlsSheetReader reader;
    reader.setTimeout(2000);
    SheetContent content;
    content.header = QStringList{QStringLiteral("prima")};
    const bool ok = reader.read(testData(QStringLiteral("elenco/testo.xls")), &content);
    XlsSheetReader::setFallbackHelper(real);
    QVERIFY(!ok);
    QVERIFY2(reader.errorString().contains(reason), qPrintable(reader.errorString()));
    QVERIFY(reader.errorString().startsWith(QStringLiteral("Impossibile leggere il file")));
    // Nothing of a half-read sheet reaches the caller.
    QCOMPARE(content.header, QStringList{QStringLiteral("prima")});
    QVERIFY(content.rows.isEmpty());
}

void TestXlsSheetReader::damagedAnswersAreRefused()
{
    // The child's answer about a real workbook, cut at every length and with every byte
    // changed: this side takes a sheet only from the whole answer, refuses any cut with the
    // same reason, and never reads past the bytes or believes sizes they cannot hold.
    const QString path = testData(QStringLiteral("elenco/testo.xls"));
    char *bytes = nullptr;
    std::size_t size = 0;
    std::FILE *out = open_memstream(&bytes, &size);
    QVERIFY(out);
    QVERIFY(XlsAnswer::write(QFile::encodeName(path).constData(), out));
    std::fclose(out);
    const QByteArray answer(bytes, qsizetype(size));
    std::free(bytes);

    XlsSheetReader reader;
    SheetContent whole;
    QVERIFY(reader.readAnswer(answer, path, &whole));
    QVERIFY(!whole.rows.isEmpty());
    for (qsizetype length = 0; length < answer.size(); ++length) {
        SheetContent content;
        QVERIFY(!reader.readAnswer(answer.left(length), path, &content));
        QVERIFY2(reader.errorString().contains(QStringLiteral("la lettura del file si è interrotta")),
                 qPrintable(reader.errorString()));
        QVERIFY(content.header.isEmpty() && content.rows.isEmpty());
    }
    for (qsizetype at = 0; at < answer.size(); ++at) {
        QByteArray changed = answer;
        changed[at] = char(changed.at(at) ^ 0xff);
        SheetContent content;
        if (!reader.readAnswer(changed, path, &content))
            QVERIFY(reader.errorString().startsWith(QStringLiteral("Impossibile leggere il file")));
    }
    QVERIFY(!reader.readAnswer(answer + '!', path, &whole));
}

bool TestXlsSheetReader::declareSize(const QString &path, quint32 rows, quint16 columns)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite))
        return false;
    QByteArray bytes = file.readAll();
    const qsizetype at = bytes.indexOf(QByteArray::fromHex("00020e00")); // DIMENSIONS, 14 bytes
    if (at < 0)
        return false;
    qToLittleEndian(rows, bytes.data() + at + 8);
    qToLittleEndian(columns, bytes.data() + at + 14);
    return file.seek(0) && file.write(bytes) == bytes.size();
}

void TestXlsSheetReader::oversizedSheetGivesOnlyItsCells()
{
    // The sheet's size record says 100,000 rows and 100 columns, far more than its cells
    // and than the format holds: the sheet read is the same as with the true size.
    const QString original = testData(QStringLiteral("elenco/testo.xls"));
    QTemporaryDir dir;
    const QString oversized = dir.filePath(QStringLiteral("oversized.xls"));
    QVERIFY(QFile::copy(original, oversized));
    QVERIFY(QFile::setPermissions(oversized, QFile::ReadOwner | QFile::WriteOwner));
    QVERIFY(declareSize(oversized, 100000, 100));

    XlsSheetReader reader;
    SheetContent expected;
    QVERIFY(reader.read(original, &expected));
    SheetContent content;
    QVERIFY2(reader.read(oversized, &content), qPrintable(reader.errorString()));
    QCOMPARE(content.header, expected.header);
    QCOMPARE(content.rows, expected.rows);
}

void TestXlsSheetReader::trailingEmptyCellsAreLeftOut_data()
{
    // Written as sheets of 5 or 3 columns (an empty text is a blank cell), read back as wide
    // as the rightmost cell with a value and as long as the last row with one.
    QTest::addColumn<QList<QStringList>>("written"); // the header first
    QTest::addColumn<QList<QStringList>>("read");
    QTest::newRow("widest in a middle row")
        << QList<QStringList>{{"Cognome", "Nome", "", "", ""}, {"Rossi"}, {"Bianchi", "Anna", "", "", "x"}, {"Verdi"}}
        << QList<QStringList>{{"Cognome", "Nome", "", "", ""},
                              {"Rossi", "", "", "", ""},
                              {"Bianchi", "Anna", "", "", "x"},
                              {"Verdi", "", "", "", ""}};
    QTest::newRow("empty last column and rows")
        << QList<QStringList>{{"Cognome", "Nome", ""}, {"Rossi", "Mario", ""}, {"", "", ""}, {}}
        << QList<QStringList>{{"Cognome", "Nome"}, {"Rossi", "Mario"}};
    QTest::newRow("widest in the header")
        << QList<QStringList>{{"Cognome", "Nome", "Note"}, {"Rossi"}, {"", "Anna"}}
        << QList<QStringList>{{"Cognome", "Nome", "Note"}, {"Rossi", "", ""}, {"", "Anna", ""}};
    QTest::newRow("an empty row left out above a full one")
        << QList<QStringList>{{"Cognome"}, {""}, {"Verdi"}} << QList<QStringList>{{"Cognome"}, {"Verdi"}};
    QTest::newRow("only the header") << QList<QStringList>{{"Cognome", ""}, {"", ""}}
                                     << QList<QStringList>{{"Cognome"}};
}

void TestXlsSheetReader::trailingEmptyCellsAreLeftOut()
{
    QFETCH(QList<QStringList>, written);
    QFETCH(QList<QStringList>, read);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("sheet.xls"));
    const QStringList headers = written.takeFirst();
    const auto writer = SheetWriter::forFile(path);
    QVERIFY(writer->begin(path, headers, QList<SheetWriter::CellType>(headers.size(), SheetWriter::CellType::Text)));
    for (const QStringList &row : std::as_const(written)) {
        QVariantList cells;
        for (const QString &text : row)
            cells << text;
        QVERIFY(writer->writeRow(cells));
    }
    QVERIFY2(writer->finish(), qPrintable(writer->errorString()));

    // As written, and with a size record far larger than the sheet.
    for (const bool oversized : {false, true}) {
        if (oversized)
            QVERIFY(declareSize(path, 70000, 200));
        XlsSheetReader reader;
        SheetContent content;
        QVERIFY2(reader.read(path, &content), qPrintable(reader.errorString()));
        QCOMPARE(content.header, read.first());
        QCOMPARE(content.rows, read.mid(1));
    }
}

void TestXlsSheetReader::sheetNameInAnyCase_data()
{
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<bool>("found");
    QTest::newRow("upper case") << QByteArray("ELENCO") << true;
    QTest::newRow("lower case") << QByteArray("elenco") << true;
    QTest::newRow("mixed") << QByteArray("eLeNcO") << true;
    QTest::newRow("another name") << QByteArray("Elenca") << false;
}

void TestXlsSheetReader::sheetNameInAnyCase()
{
    // The sheet's name is written once, in its record in the workbook's globals: length,
    // flags (8-bit characters), then the name.
    QFETCH(QByteArray, name);
    QFETCH(bool, found);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("nome.xls"));
    const auto writer = SheetWriter::forFile(path);
    QVERIFY(writer->begin(path, {QStringLiteral("Cognome")}, {SheetWriter::CellType::Text}));
    QVERIFY(writer->writeRow({QStringLiteral("Rossi")}));
    QVERIFY2(writer->finish(), qPrintable(writer->errorString()));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadWrite));
    QByteArray bytes = file.readAll();
    const QByteArray written = QByteArray::fromHex("0600") + "Elenco";
    QCOMPARE(bytes.count(written), 1);
    bytes.replace(written, QByteArray::fromHex("0600") + name);
    QVERIFY(file.seek(0) && file.write(bytes) == bytes.size());
    file.close();

    XlsSheetReader reader;
    SheetContent content;
    QCOMPARE(reader.read(path, &content), found);
    if (found) {
        QCOMPARE(content.header, QStringList{"Cognome"});
        QCOMPARE(content.rows, QList<QStringList>{{"Rossi"}});
    } else {
        QVERIFY2(reader.errorString().contains("non contiene un foglio di nome \"Elenco\""),
                 qPrintable(reader.errorString()));
    }
}

bool TestXlsSheetReader::writePersons(const QString &path, int persons, int blankRows)
{
    const QStringList headers = {"Cognome", "Nome", "Qualifica", "CAP", "Città", "Via", "Telefono", "E-Mail"};
    const auto writer = SheetWriter::forFile(path);
    if (!writer->begin(path, headers, QList<SheetWriter::CellType>(headers.size(), SheetWriter::CellType::Text)))
        return false;
    for (int i = 0; i < persons + blankRows; ++i) {
        QVariantList cells;
        for (int c = 0; c < headers.size(); ++c)
            cells << (i < persons ? QStringLiteral("%1 %2").arg(headers.at(c)).arg(i) : QString());
        if (!writer->writeRow(cells))
            return false;
    }
    return writer->finish();
}

void TestXlsSheetReader::damagedWorkbooksAreRefused_data()
{
    // A workbook of 50 persons of which the library reads only the cells before the damage,
    // or reads them all while the file is damaged: refused, never read in part.
    QTest::addColumn<Change>("change");
    for (const int length : {0, 8, 11, 12, 300, 8224, 8225, 0xffff})
        QTest::addRow("text cell %d bytes long", length) << setTextCell(200, 0x00FD, quint16(length));
    QTest::newRow("record of type 0") << setTextCell(200, 0x0000, 10);
    // Same length, other kinds: a number, an empty cell, a row, runs of cells, a formula.
    for (const quint16 type : {0x0203, 0x0201, 0x0208, 0x00BD, 0x00BE, 0x0006})
        QTest::addRow("record of type %04x, 10 bytes long", type) << setTextCell(200, type, 10);
    QTest::newRow("end record cut") << Change([](QByteArray &bytes) {
        const qsizetype entry = workbookEntry(bytes);
        const quint32 size = qFromLittleEndian<quint32>(bytes.constData() + entry + 120);
        qToLittleEndian(size - 4, bytes.data() + entry + 120);
        return entry >= 0;
    });
    QTest::newRow("end record running past the stream") << Change([](QByteArray &bytes) {
        const qsizetype entry = workbookEntry(bytes);
        const quint32 size = qFromLittleEndian<quint32>(bytes.constData() + entry + 120);
        const quint32 start = qFromLittleEndian<quint32>(bytes.constData() + entry + 116);
        // The stream's sectors follow one another in these files.
        const qsizetype end = sectorAt(start) + size;
        if (entry < 0 || bytes.mid(end - 4, 4) != QByteArray::fromHex("0a000000"))
            return false;
        bytes[end - 2] = 2;
        return true;
    });
    QTest::newRow("sheet entry past the stream") << Change([](QByteArray &bytes) {
        // Its position, state and kind, then the name's length and flags.
        const qsizetype at = bytes.indexOf(QByteArray::fromHex("0600") + "Elenco") - 6;
        qToLittleEndian(quint32(0x7fffffff), bytes.data() + at);
        return at > 0;
    });
}

void TestXlsSheetReader::damagedWorkbooksAreRefused()
{
    QFETCH(Change, change);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("persone.xls"));
    QVERIFY(writePersons(path, 50));
    XlsSheetReader reader;
    SheetContent whole;
    QVERIFY2(reader.read(path, &whole), qPrintable(reader.errorString()));
    QCOMPARE(whole.rows.size(), 50);

    QVERIFY(changeFile(path, change));
    SheetContent content;
    QVERIFY2(!reader.read(path, &content), qPrintable(QStringLiteral("%1 rows read").arg(content.rows.size())));
    QVERIFY2(reader.errorString().contains(QStringLiteral("il file è danneggiato")), qPrintable(reader.errorString()));
    QVERIFY(content.header.isEmpty() && content.rows.isEmpty());
}

void TestXlsSheetReader::everyZeroedSectorIsRefusedOrReadWhole()
{
    // Each 512-byte sector of a 50-person workbook zeroed in turn, as a disk may lose one:
    // the sheet comes whole or not at all. Formatted empty rows below the persons are read
    // as no rows.
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("persone.xls"));
    QVERIFY(writePersons(path, 50, 5));
    XlsSheetReader reader;
    SheetContent whole;
    QVERIFY2(reader.read(path, &whole), qPrintable(reader.errorString()));
    QCOMPARE(whole.rows.size(), 50);
    const qint64 sectors = QFileInfo(path).size() / 512;
    const QString damaged = dir.filePath(QStringLiteral("danneggiato.xls"));
    int refused = 0;
    for (qint64 sector = 0; sector < sectors; ++sector) {
        QFile::remove(damaged);
        QVERIFY(QFile::copy(path, damaged));
        QVERIFY(changeFile(damaged, [&](QByteArray &bytes) {
            std::fill_n(bytes.data() + sector * 512, 512, '\0');
            return true;
        }));
        SheetContent content;
        if (reader.read(damaged, &content)) {
            QCOMPARE(content.header, whole.header);
            QCOMPARE(content.rows, whole.rows);
        } else {
            QVERIFY(content.rows.isEmpty());
            ++refused;
        }
    }
    QVERIFY(refused > sectors / 2);
}

void TestXlsSheetReader::hostileContainersAreRefused_data()
{
    // The compound file's links made to loop or to point outside it: refused, at once.
    QTest::addColumn<Change>("change");
    QTest::newRow("stream's chain loops") << Change([](QByteArray &bytes) {
        const qsizetype entry = workbookEntry(bytes);
        const quint32 start = qFromLittleEndian<quint32>(bytes.constData() + entry + 116);
        qToLittleEndian(start, bytes.data() + fatEntryAt(bytes, start + 3));
        return entry >= 0;
    });
    QTest::newRow("stream's chain leaves the file") << Change([](QByteArray &bytes) {
        const qsizetype entry = workbookEntry(bytes);
        const quint32 start = qFromLittleEndian<quint32>(bytes.constData() + entry + 116);
        qToLittleEndian(quint32(0x00ffffff), bytes.data() + fatEntryAt(bytes, start + 1));
        return entry >= 0;
    });
    QTest::newRow("stream larger than the file") << Change([](QByteArray &bytes) {
        const qsizetype entry = workbookEntry(bytes);
        qToLittleEndian(quint32(bytes.size() + 1), bytes.data() + entry + 120);
        return entry >= 0;
    });
    QTest::newRow("directory entry its own sibling") << Change([](QByteArray &bytes) {
        const qsizetype entry = workbookEntry(bytes);
        const qsizetype root = bytes.indexOf(QByteArray::fromHex("52006f006f007400200045006e0074007200790000"));
        const quint32 id = quint32((entry - root) / 128);
        qToLittleEndian(id, bytes.data() + entry + 68);
        return entry >= 0 && root >= 0 && id > 0;
    });
    QTest::newRow("allocation table larger than the file") << Change([](QByteArray &bytes) {
        qToLittleEndian(quint32(0x7fffffff), bytes.data() + 0x2C);
        return true;
    });
    QTest::newRow("sector size of 64 KiB") << Change([](QByteArray &bytes) {
        qToLittleEndian(quint16(16), bytes.data() + 0x1E);
        return true;
    });
}

void TestXlsSheetReader::hostileContainersAreRefused()
{
    QFETCH(Change, change);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("persone.xls"));
    QVERIFY(writePersons(path, 50));
    QVERIFY(changeFile(path, change));
    XlsSheetReader reader;
    reader.setTimeout(20000);
    SheetContent content;
    QVERIFY(!reader.read(path, &content));
    QVERIFY2(reader.errorString().contains(QStringLiteral("il file è danneggiato")), qPrintable(reader.errorString()));
    QVERIFY(content.rows.isEmpty());
}

QTEST_GUILESS_MAIN(TestXlsSheetReader)
#include "tst_xlssheetreader.moc"
