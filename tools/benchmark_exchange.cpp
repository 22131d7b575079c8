// pratilio-bench, spreadsheet exchange: each figure next to its floor measured in the same
// run, as the rest of the benchmark does.
#include "benchmark_exchange.h"

#include "data/database.h"
#include "data/query.h"
#include "data/schema.h"
#include "exchange/sheetexport.h"
#include "exchange/sheetimport.h"
#include "exchange/sheetreader.h"
#include "exchange/xlssheetreader.h"
#include "queries/standardqueries.h"

#include <QDate>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <unzip.h>
#include <xlsxwriter.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace BenchExchange {

long statusKb(const char *key)
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : f.readAll().split('\n'))
        if (line.startsWith(key))
            return line.mid(int(qstrlen(key))).trimmed().split(' ').first().toLong();
    return 0;
}

bool resetPeak()
{
    QFile f(QStringLiteral("/proc/self/clear_refs"));
    return f.open(QIODevice::WriteOnly) && f.write("5") == 1;
}

QStringList personsStatement(int limit)
{
    QStringList lines = StandardQueries::describe(StandardQuery::Committente).lines;
    if (limit > 0)
        lines[2] += QStringLiteral(" AND Committente.IdCommittente < %1").arg(limit);
    return lines;
}

double timeMs(int runs, const std::function<void()> &before, const std::function<void()> &work)
{
    std::vector<qint64> ns;
    for (int i = 0; i < runs; ++i) {
        before();
        QElapsedTimer t;
        t.start();
        work();
        ns.push_back(t.nsecsElapsed());
    }
    std::sort(ns.begin(), ns.end());
    return double(ns[ns.size() / 2]) / 1e6;
}

void row(const QString &what, double ours, double floor, double target)
{
    const double ratio = floor > 0 ? ours / floor : 0;
    std::printf("  %-52s %9.1f ms %9.1f ms %7.2f  %s\n", qPrintable(what), ours, floor, ratio,
                target <= 0 ? "" : (ratio <= target ? "ok" : "MISSED"));
    std::fflush(stdout);
}

void emptyDatabase(Database &db, const QString &path)
{
    db.close();
    QFile::remove(path);
    db.create(path, Schema::databasePassword());
    Schema::createTables(db);
}

void rawInsert(Database &db, const SheetContent &sheet)
{
    const QStringList &columns = SheetImport::personColumns();
    const QStringList committente = {"Cognome", "Nome", "Qualifica", "Codice_fiscale", "Partita_iva", "Note"};
    const QStringList indirizzo = {"CAP", "Città", "Via"};
    const QStringList recapiti = {"Numero_telefono1", "Numero_telefono2", "Numero_fax",   "Numero_cell1",
                                  "Numero_cell2",     "E_mail",           "Sito_internet"};
    std::vector<int> sheetColumn(size_t(columns.size()), -1);
    for (int c = 0; c < sheet.header.size(); ++c) {
        const int k = int(columns.indexOf(SheetImport::columnForHeader(sheet.header[c])));
        if (k >= 0 && sheetColumn[size_t(k)] < 0)
            sheetColumn[size_t(k)] = c;
    }
    auto insertSql = [](const char *table, const QStringList &names) {
        QStringList quoted, marks = {"?"};
        for (const QString &n : names) {
            quoted << QLatin1Char('"') + n + QLatin1Char('"');
            marks << QStringLiteral("?");
        }
        return QStringLiteral("INSERT INTO %1 (IdCommittente, %2) VALUES (%3)")
            .arg(QLatin1String(table), quoted.join(", "), marks.join(", "))
            .toUtf8();
    };
    Transaction tx(db);
    Statement a(db, insertSql("Committente", committente));
    Statement b(db, insertSql("Indirizzo", indirizzo));
    Statement c(db, insertSql("Recapiti", recapiti));
    for (int r = 0; r < sheet.rows.size(); ++r) {
        const QStringList &cells = sheet.rows[r];
        auto bindAll = [&](Statement &st, const QStringList &names) {
            st.reset();
            st.bind(1, qint64(r));
            for (int i = 0; i < names.size(); ++i) {
                const int k = sheetColumn[size_t(columns.indexOf(names[i]))];
                const QString v = k >= 0 && k < cells.size() ? cells[k] : QString();
                if (v.isEmpty())
                    st.bindNull(i + 2);
                else
                    st.bindText(i + 2, v.toUtf8());
            }
            st.step();
        };
        bindAll(a, committente);
        bindAll(b, indirizzo);
        bindAll(c, recapiti);
    }
    tx.commit();
}

namespace {

constexpr int kMemoryTargetPersons = 100000;

void check(const ExportResult &result)
{
    if (!result.ok)
        throw DbError(result.message);
}

// The exported cells of a result as the .xlsx writer stores them (a typed blank, a number
// or a text, with its format), read before the floor is timed.
struct Cells
{
    enum class Kind { Blank, Number, Text };
    enum Format { Header, TextFormat, DateFormat, NumberFormat };
    struct Cell
    {
        Kind kind = Kind::Blank;
        Format format = TextFormat;
        double number = 0;
        QByteArray text;
    };
    QList<QByteArray> headers;
    std::vector<Cell> values; // row by row
};

Cells cellsOf(const Query &query)
{
    Cells cells;
    const QList<int> columns = SheetExport::exportedColumns(query);
    for (int c : columns)
        cells.headers << SheetExport::headerFor(query.fieldInfo(c).name).toUtf8();
    const int rows = SheetExport::exportedRowCount(query);
    cells.values.reserve(size_t(rows) * size_t(columns.size()));
    for (int r = 0; r < rows; ++r) {
        for (int c : columns) {
            const Values::Kind kind = query.fieldInfo(c).kind;
            const QVariant v = query.value(r, c);
            Cells::Cell cell;
            cell.format = kind == Values::Kind::Date                                      ? Cells::DateFormat
                          : kind == Values::Kind::Integer || kind == Values::Kind::Amount ? Cells::NumberFormat
                                                                                          : Cells::TextFormat;
            if (v.isNull() || (v.typeId() == QMetaType::QString && v.toString().isEmpty())) {
                cell.kind = Cells::Kind::Blank;
            } else if (cell.format == Cells::DateFormat && v.typeId() == QMetaType::QDate) {
                cell.kind = Cells::Kind::Number;
                cell.number = double(QDate(1899, 12, 30).daysTo(v.toDate()));
            } else if (cell.format == Cells::NumberFormat && v.typeId() != QMetaType::QString) {
                cell.kind = Cells::Kind::Number;
                cell.number = v.toDouble();
            } else {
                cell.kind = Cells::Kind::Text;
                cell.format = Cells::TextFormat;
                cell.text = (v.typeId() == QMetaType::QDate ? v.toDate().toString(QStringLiteral("dd/MM/yyyy"))
                                                            : v.toString())
                                .toUtf8();
            }
            cells.values.push_back(cell);
        }
    }
    return cells;
}

// The floor: libxlsxwriter in constant-memory mode writing the same cells as ours: the
// same bordered formats, typed blanks, widths and page set-up.
void bareXlsx(const Cells &cells, const QString &path)
{
    lxw_workbook_options options = {};
    options.constant_memory = LXW_TRUE;
    lxw_workbook *workbook = workbook_new_opt(QFile::encodeName(path).constData(), &options);
    lxw_worksheet *sheet = workbook_add_worksheet(workbook, "Elenco");
    lxw_format *formats[4];
    const char *numberFormats[4] = {"@", "@", "dd/mm/yyyy", "#,##0.00"};
    for (int f = 0; f < 4; ++f) {
        formats[f] = workbook_add_format(workbook);
        format_set_border(formats[f], LXW_BORDER_THIN);
        format_set_border_color(formats[f], LXW_COLOR_BLACK);
        format_set_num_format(formats[f], numberFormats[f]);
    }
    format_set_bold(formats[Cells::Header]);
    const int columns = int(cells.headers.size());
    worksheet_set_column(sheet, 0, lxw_col_t(columns - 1), 20, nullptr);
    worksheet_set_landscape(sheet);
    for (int c = 0; c < columns; ++c)
        worksheet_write_string(sheet, 0, lxw_col_t(c), cells.headers[c].constData(), formats[Cells::Header]);
    for (size_t i = 0; i < cells.values.size(); ++i) {
        const Cells::Cell &cell = cells.values[i];
        const auto r = lxw_row_t(1 + i / size_t(columns));
        const auto c = lxw_col_t(i % size_t(columns));
        switch (cell.kind) {
        case Cells::Kind::Blank:
            worksheet_write_blank(sheet, r, c, formats[cell.format]);
            break;
        case Cells::Kind::Number:
            worksheet_write_number(sheet, r, c, cell.number, formats[cell.format]);
            break;
        case Cells::Kind::Text:
            worksheet_write_string(sheet, r, c, cell.text.constData(), formats[cell.format]);
            break;
        }
    }
    workbook_close(workbook);
}

size_t textBytes(Database &db, const QStringList &lines)
{
    Statement st(db, lines.join(QStringLiteral("\r\n")).toUtf8());
    size_t bytes = 0;
    while (st.step())
        for (int c = 0; c < st.columnCount(); ++c) {
            size_t size = 0;
            st.cell(c, &size);
            bytes += size;
        }
    return bytes;
}

// The reading's floor for .xlsx: minizip inflating the parts the reader reads, each scanned
// once for its elements' starts, nothing else done.
size_t bareXlsxRead(const QString &path)
{
    unzFile zip = unzOpen64(QFile::encodeName(path).constData());
    if (!zip)
        throw DbError(QStringLiteral("minizip cannot open %1").arg(path));
    size_t marks = 0;
    std::vector<char> data;
    for (const char *part : {"xl/workbook.xml", "xl/_rels/workbook.xml.rels", "xl/sharedStrings.xml", "xl/styles.xml",
                             "xl/worksheets/sheet1.xml"}) {
        unz_file_info64 info = {};
        if (unzLocateFile(zip, part, 1) != UNZ_OK
            || unzGetCurrentFileInfo64(zip, &info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK
            || unzOpenCurrentFile(zip) != UNZ_OK)
            continue;
        data.resize(size_t(info.uncompressed_size) + 1);
        size_t size = 0;
        int n = 0;
        while ((n = unzReadCurrentFile(zip, data.data() + size, unsigned(data.size() - size))) > 0)
            size += size_t(n);
        unzCloseCurrentFile(zip);
        marks += size_t(std::count(data.data(), data.data() + size, '<'));
    }
    unzClose(zip);
    return marks;
}

// The reading's floor for .xls: the reading child run on the file, its answer taken whole
// and left unread.
size_t bareXlsRead(const QString &path)
{
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    if (!environment.contains(QStringLiteral("GLIBC_TUNABLES")))
        environment.insert(QStringLiteral("GLIBC_TUNABLES"),
                           QStringLiteral("glibc.malloc.hugetlb=1:glibc.malloc.top_pad=67108864"));
    child.setProcessEnvironment(environment);
    child.start(XlsSheetReader::helperProgram(), {path}, QIODevice::ReadOnly);
    if (!child.waitForFinished(-1) || child.exitCode() != 0)
        throw DbError(QStringLiteral("%1 did not read %2").arg(XlsSheetReader::helperProgram(), path));
    return size_t(child.readAllStandardOutput().size());
}

} // namespace

void exportSpeed(Database &db, int persons, int runs)
{
    std::printf("8. Export of the persons result to a workbook\n");
    const QTemporaryDir folder(QDir::temp().filePath(QStringLiteral("pratilio-bench-export-XXXXXX")));
    if (!folder.isValid())
        throw DbError(QStringLiteral("No temporary folder for the exports: %1").arg(folder.errorString()));
    const QString dir = folder.path();
    const QString xlsx = QDir(dir).filePath(QStringLiteral("ours.xlsx"));
    const QString bare = QDir(dir).filePath(QStringLiteral("bare.xlsx"));
    const QString xls = QDir(dir).filePath(QStringLiteral("ours.xls"));

    Query all(&db);
    all.setSql(personsStatement(0));
    all.open();
    const Cells cells = cellsOf(all);
    const auto nothing = [] {};
    const double ours = timeMs(runs, nothing, [&] { check(SheetExport::run(all, xlsx)); });
    const double floor = timeMs(runs, nothing, [&] { bareXlsx(cells, bare); });
    row(QStringLiteral("%1 persons to .xlsx (floor: libxlsxwriter alone)").arg(all.recordCount()), ours, floor, 1.5);

    // The largest result a 97-2003 sheet holds, both ways: .xls no slower than .xlsx.
    Query some(&db);
    some.setSql(personsStatement(std::min(persons, 60000)));
    some.open();
    const double toXls = timeMs(runs, nothing, [&] { check(SheetExport::run(some, xls)); });
    const double toXlsx = timeMs(runs, nothing, [&] { check(SheetExport::run(some, xlsx)); });
    row(QStringLiteral("%1 persons to .xls (floor: the same to .xlsx)").arg(some.recordCount()), toXls, toXlsx, 1.0);
}

int exportMemoryChild(const QString &folder)
{
    Database db;
    db.open(Schema::databasePath(folder), Schema::databasePassword());
    const QTemporaryDir exports(QDir::temp().filePath(QStringLiteral("pratilio-bench-memory-XXXXXX")));
    if (!exports.isValid())
        throw DbError(QStringLiteral("No temporary folder for the exports: %1").arg(exports.errorString()));
    const QString dir = exports.path();
    // The target is set for the database of 100,000 persons; a smaller one only shows its figure.
    int persons = 0;
    const auto measure = [&](int limit, const QString &file) {
        Query result(&db);
        result.setSql(personsStatement(limit));
        result.open();
        const size_t text = textBytes(db, result.sql());
        const long before = statusKb("VmRSS:");
        if (!resetPeak()) {
            std::printf("  (the peak memory cannot be reset here)\n");
            return;
        }
        check(SheetExport::run(result, QDir(dir).filePath(file)));
        const long growth = statusKb("VmHWM:") - before;
        const double share = growth * 1024.0 / double(text);
        if (limit == 0)
            persons = result.recordCount();
        std::printf("  %d rows to %-5s result text %5.1f MB, peak memory grew by %5.1f MB (%.2f x the text)  %s\n",
                    result.recordCount(), qPrintable(file.section('.', -1)), text / 1e6, growth / 1024.0, share,
                    persons < kMemoryTargetPersons ? "(target at 100,000 persons)"
                    : share <= 0.5                 ? "ok"
                                                   : "MISSED");
    };
    measure(0, QStringLiteral("memory.xlsx"));
    measure(60000, QStringLiteral("memory.xls"));
    return 0;
}

void importSpeed(Database &db, const QString &workFolder, int persons, int runs)
{
    std::printf("10. Import of persons from a workbook into an empty address book\n");
    QDir().mkpath(workFolder);
    const QString target = QDir(workFolder).filePath(QStringLiteral("import.mdb"));
    Query some(&db);
    some.setSql(personsStatement(std::min(persons, 10000)));
    some.open();
    for (const QString &suffix : {QStringLiteral("xlsx"), QStringLiteral("xls")}) {
        const QString workbook = QDir(workFolder).filePath(QStringLiteral("persons.") + suffix);
        check(SheetExport::run(some, workbook));
        SheetContent sheet;
        QString error;
        const std::unique_ptr<SheetReader> reader = SheetReader::forFile(workbook, &error);
        if (!reader || !reader->read(workbook, &sheet))
            throw DbError(reader ? reader->errorString() : error);

        const auto nothing = [] {};
        const double read = timeMs(runs, nothing, [&] {
            SheetContent again;
            QString refusal;
            const std::unique_ptr<SheetReader> rereader = SheetReader::forFile(workbook, &refusal);
            if (!rereader || !rereader->read(workbook, &again))
                throw DbError(QStringLiteral("%1 was not read again").arg(workbook));
        });
        const double readFloor = suffix == QLatin1String("xlsx")
                                     ? timeMs(runs, nothing, [&] { bareXlsxRead(workbook); })
                                     : timeMs(runs, nothing, [&] { bareXlsRead(workbook); });

        Database fresh;
        const auto prepare = [&] { emptyDatabase(fresh, target); };
        const double written = timeMs(runs, prepare, [&] { SheetImport(fresh).run(sheet); });
        const double writeFloor = timeMs(runs, prepare, [&] { rawInsert(fresh, sheet); });
        ImportResult last;
        const double whole = timeMs(runs, prepare, [&] { last = SheetImport(fresh).run(workbook); });
        if (last.outcome != ImportResult::Outcome::Imported)
            throw DbError(last.message);
        const qsizetype rows = sheet.rows.size();
        row(QStringLiteral("%1 persons from .%2, reading").arg(rows).arg(suffix), read, readFloor, 2.0);
        row(QStringLiteral("%1 persons from .%2, writing").arg(rows).arg(suffix), written, writeFloor, 2.0);
        row(QStringLiteral("  the whole import (floor: both floors)"), whole, readFloor + writeFloor);
        fresh.close();
        QFile::remove(workbook);
    }
    QFile::remove(target);
}

} // namespace BenchExchange
