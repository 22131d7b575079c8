#include "exchange/sheetreader.h"
#include "exchange/sheetwriter.h"
#include "exchange/workbookinspector.h"

#include <QDate>
#include <QDir>
#include <QJsonArray>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

using CellType = SheetWriter::CellType;

// Workbooks written in both formats, read back by independent readers and by our own.
class TestSheetWriter : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir dir_;

    QString pathFor(const QString &name) const { return dir_.filePath(name); }

private Q_SLOTS:
    void writesSheetAsOtherReadersSeeIt_data();
    void writesSheetAsOtherReadersSeeIt();
    void manyColumnsAndLongTextsSurvive_data();
    void manyColumnsAndLongTextsSurvive();
    void failedWriteLeavesOldFileAndNoLeftover_data();
    void failedWriteLeavesOldFileAndNoLeftover();
    void missingFolderIsReported();
    void formatIsChosenByExtension();
    void workbookGetsTheUsualPermissions_data();
    void workbookGetsTheUsualPermissions();
};

void TestSheetWriter::writesSheetAsOtherReadersSeeIt_data()
{
    QTest::addColumn<QString>("file");
    QTest::newRow("xls") << QStringLiteral("tipi.xls");
    QTest::newRow("xlsx") << QStringLiteral("tipi.xlsx");
}

void TestSheetWriter::writesSheetAsOtherReadersSeeIt()
{
    QFETCH(QString, file);
    const QString path = pathFor(file);
    const auto writer = SheetWriter::forFile(path);
    QVERIFY2(writer->begin(path, {"Cognome", "CAP", "Importo", "Data", "Note"},
                           {CellType::Text, CellType::Text, CellType::Number, CellType::Date, CellType::Text}),
             qPrintable(writer->errorString()));
    QVERIFY(writer->writeRow({"D'Amico", "00184", 1500.5, QDate(2024, 3, 5), "Giò \"virgolette\""}));
    QVERIFY(writer->writeRow({"Rossi", "01234567890", qint64(20), QVariant(), ""}));
    QVERIFY2(writer->finish(), qPrintable(writer->errorString()));

    QString error;
    const QJsonObject sheet = WorkbookInspector::inspect(path, &error);
    QVERIFY2(!sheet.isEmpty(), qPrintable(error));
    QCOMPARE(sheet.value("sheets").toArray(), QJsonArray({"Elenco"}));
    QCOMPARE(WorkbookInspector::rowText(sheet, 0), "text:Cognome|text:CAP|text:Importo|text:Data|text:Note");
    QCOMPARE(WorkbookInspector::rowText(sheet, 1),
             "text:D'Amico|text:00184|number:1500.5|date:05/03/2024|text:Giò \"virgolette\"");
    QCOMPARE(WorkbookInspector::rowText(sheet, 2), "text:Rossi|text:01234567890|number:20|empty:|empty:");
    QCOMPARE(sheet.value("bold").toArray(), QJsonArray({true, true, true, true, true}));
    QVERIFY(sheet.value("bordered").toBool());
    QVERIFY(sheet.value("landscape").toBool());
    for (const QJsonValue &width : sheet.value("widths").toArray()) // Excel adds its padding to 20
        QVERIFY2(width.toDouble() >= 20 && width.toDouble() < 21, qPrintable(QString::number(width.toDouble())));
    QCOMPARE(sheet.value("formats").toArray().at(3).toString().toLower(), "dd/mm/yyyy");

    QString readerError;
    const auto reader = SheetReader::forFile(path, &readerError);
    QVERIFY2(reader, qPrintable(readerError));
    SheetContent content;
    QVERIFY2(reader->read(path, &content), qPrintable(reader->errorString()));
    QCOMPARE(content.header, QStringList({"Cognome", "CAP", "Importo", "Data", "Note"}));
    QCOMPARE(content.rows.size(), 2);
    QCOMPARE(content.rows.at(0), QStringList({"D'Amico", "00184", "1500.5", "05/03/2024", "Giò \"virgolette\""}));
    QCOMPARE(content.rows.at(1), QStringList({"Rossi", "01234567890", "20", "", ""}));
}

void TestSheetWriter::manyColumnsAndLongTextsSurvive_data() { writesSheetAsOtherReadersSeeIt_data(); }

// Past column Z, and a string table long enough to run over many continuation records,
// with texts split across them in one-byte and two-byte characters. (libfreexl reads a text
// split once; one that spans three records it refuses, so the texts here stay below that.)
void TestSheetWriter::manyColumnsAndLongTextsSurvive()
{
    QFETCH(QString, file);
    const QString path = pathFor(QStringLiteral("lunghi-") + file);
    constexpr int columns = 40;
    constexpr int rows = 120;
    QStringList headers;
    for (int c = 0; c < columns; ++c)
        headers << QStringLiteral("Colonna %1").arg(c + 1);
    auto cellText = [](int r, int c) {
        if (r == 3 && c == 0)
            return QString(9000, QChar(0x00E8)) + QStringLiteral("fine"); // one byte each
        if (r == 5 && c == 39)
            return QString(5000, QChar(0x20AC)) + QStringLiteral("fine"); // two bytes each
        return QStringLiteral("r%1c%2%3").arg(r).arg(c).arg(c % 7 == 0 ? QStringLiteral("ù€") : QString());
    };
    const auto writer = SheetWriter::forFile(path);
    QVERIFY(writer->begin(path, headers, QList<CellType>(columns, CellType::Text)));
    for (int r = 0; r < rows; ++r) {
        QVariantList cells;
        for (int c = 0; c < columns; ++c)
            cells << cellText(r, c);
        QVERIFY(writer->writeRow(cells));
    }
    QVERIFY2(writer->finish(), qPrintable(writer->errorString()));

    QString error;
    const QJsonObject sheet = WorkbookInspector::inspect(path, &error);
    QVERIFY2(!sheet.isEmpty(), qPrintable(error));
    const QJsonArray sheetRows = sheet.value("rows").toArray();
    QCOMPARE(sheetRows.size(), rows + 1);
    QCOMPARE(sheetRows.at(0).toArray().at(39).toArray().at(1).toString(), "Colonna 40");
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < columns; ++c) {
            if (sheetRows.at(r + 1).toArray().at(c).toArray().at(1).toString() != cellText(r, c))
                QFAIL(qPrintable(QStringLiteral("cell %1,%2 differs").arg(r).arg(c)));
        }
    }

    QString readerError;
    const auto reader = SheetReader::forFile(path, &readerError);
    SheetContent content;
    QVERIFY2(reader, qPrintable(readerError));
    QVERIFY2(reader->read(path, &content), qPrintable(reader->errorString()));
    QCOMPARE(content.rows.size(), rows);
    QCOMPARE(content.rows.at(3).at(0), cellText(3, 0));
    QCOMPARE(content.rows.at(5).at(39), cellText(5, 39));
}

void TestSheetWriter::failedWriteLeavesOldFileAndNoLeftover_data() { writesSheetAsOtherReadersSeeIt_data(); }

void TestSheetWriter::failedWriteLeavesOldFileAndNoLeftover()
{
    QFETCH(QString, file);
    QTemporaryDir dir;
    const QString path = dir.filePath(file);
    {
        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("vecchio");
    }
    const auto writer = SheetWriter::forFile(path);
    QVERIFY(writer->begin(path, {"Note"}, {CellType::Text}));
    QVERIFY(writer->writeRow({"breve"}));
    // One character more than a cell holds.
    QVERIFY(!writer->writeRow({QString(SheetWriter::kMaxTextLength + 1, QLatin1Char('x'))}));
    QVERIFY(writer->errorString().startsWith("Impossibile scrivere il file"));
    QVERIFY(writer->errorString().contains("riga 3"));
    QVERIFY2(writer->errorString().contains("32.767 caratteri"), qPrintable(writer->errorString()));
    QVERIFY(!writer->finish());

    QFile old(path);
    QVERIFY(old.open(QIODevice::ReadOnly));
    QCOMPARE(old.readAll(), QByteArray("vecchio"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList({file}));
}

void TestSheetWriter::missingFolderIsReported()
{
    const QString path = pathFor(QStringLiteral("manca/elenco.xls"));
    const auto writer = SheetWriter::forFile(path);
    QVERIFY(!writer->begin(path, {"Cognome"}, {CellType::Text}));
    QVERIFY(writer->errorString().contains("la cartella non esiste"));
    QVERIFY(!QFile::exists(path));
}

void TestSheetWriter::formatIsChosenByExtension()
{
    QCOMPARE(SheetWriter::forFile("a.xls")->maxDataRows(), 65535);
    QCOMPARE(SheetWriter::forFile("a.XLSX")->maxDataRows(), 1048575);
    QCOMPARE(SheetWriter::forFile("senza-estensione")->maxDataRows(), 65535);
}

void TestSheetWriter::workbookGetsTheUsualPermissions_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("umask");
    QTest::addColumn<int>("before"); // the mode of the file replaced; 0 for a new file
    QTest::addColumn<int>("mode");
    for (const char *file : {"permessi.xls", "permessi.xlsx"}) {
        QTest::addRow("%s, umask 022", file) << file << 0022 << 0 << 0644;
        QTest::addRow("%s, umask 002", file) << file << 0002 << 0 << 0664;
        QTest::addRow("%s, umask 077", file) << file << 0077 << 0 << 0600;
        QTest::addRow("%s, replacing a 0640 file", file) << file << 0022 << 0640 << 0640;
    }
}

void TestSheetWriter::workbookGetsTheUsualPermissions()
{
    QFETCH(QString, file);
    QFETCH(int, umask);
    QFETCH(int, before);
    QFETCH(int, mode);
    const QString path = pathFor(file);
    QFile::remove(path);
    if (before != 0) {
        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.close();
        QVERIFY(::chmod(QFile::encodeName(path).constData(), mode_t(before)) == 0);
    }
    const mode_t previous = ::umask(mode_t(umask));
    const auto writer = SheetWriter::forFile(path);
    const bool written = writer->begin(path, {QStringLiteral("Cognome")}, {CellType::Text})
                         && writer->writeRow({QStringLiteral("Rossi")}) && writer->finish();
    ::umask(previous);
    QVERIFY2(written, qPrintable(writer->errorString()));
    struct stat info = {};
    QVERIFY(::stat(QFile::encodeName(path).constData(), &info) == 0);
    QCOMPARE(int(info.st_mode & 07777), mode);
}

QTEST_GUILESS_MAIN(TestSheetWriter)
#include "tst_sheetwriter.moc"
