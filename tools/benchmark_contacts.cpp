// pratilio-bench, address cards and text files: each figure next to its floor measured in
// the same run, as the rest of the benchmark does.
#include "benchmark_contacts.h"

#include "benchmark_exchange.h"
#include "data/database.h"
#include "data/query.h"
#include "exchange/csvsheetwriter.h"
#include "exchange/personimport.h"
#include "exchange/sheetexport.h"
#include "exchange/sheetimport.h"
#include "exchange/sheetreader.h"
#include "exchange/vcardfile.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace BenchContacts {

using namespace BenchExchange;

namespace {

QByteArray readAll(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw DbError(QStringLiteral("%1 cannot be read: %2").arg(path, file.errorString()));
    return file.readAll();
}

// The bytes of a file cut after each `end` (a card's last line, a row's line end): the
// pieces a plain loop writes one by one.
std::vector<QByteArray> pieces(const QByteArray &bytes, const QByteArray &end)
{
    std::vector<QByteArray> list;
    qsizetype start = 0;
    while (start < bytes.size()) {
        const qsizetype at = bytes.indexOf(end, start);
        const qsizetype stop = at < 0 ? bytes.size() : at + end.size();
        list.push_back(bytes.mid(start, stop - start));
        start = stop;
    }
    return list;
}

// The floor of the .vcf export: the same bytes written card by card and put in place as
// ours are (QSaveFile, flushed to the disk at its commit).
void plainVcf(const std::vector<QByteArray> &cards, const QString &path)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw DbError(file.errorString());
    for (const QByteArray &card : cards)
        file.write(card);
    if (!file.commit())
        throw DbError(file.errorString());
}

// The floor of the .csv export: the same bytes written line by line into a file.
void plainCsv(const std::vector<QByteArray> &lines, const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        throw DbError(file.errorString());
    for (const QByteArray &line : lines)
        file.write(line);
    file.close();
}

void check(const ExportResult &result)
{
    if (!result.ok)
        throw DbError(result.message);
}

// The persons as the sheet the raw insert takes: the person columns as the header.
SheetContent asSheet(const QList<ImportedPerson> &people)
{
    SheetContent sheet;
    sheet.header = SheetImport::personColumns();
    for (const ImportedPerson &person : people) {
        QStringList cells;
        for (const QString &column : std::as_const(sheet.header))
            cells << person.values.value(column);
        sheet.rows << cells;
    }
    return sheet;
}

} // namespace

void exportSpeed(Database &db, int runs)
{
    std::printf("13. Export of the persons result to address cards and text\n");
    const QTemporaryDir folder(QDir::temp().filePath(QStringLiteral("pratilio-bench-contacts-XXXXXX")));
    if (!folder.isValid())
        throw DbError(QStringLiteral("No temporary folder for the exports: %1").arg(folder.errorString()));
    const QDir dir(folder.path());
    Query all(&db);
    all.setSql(personsStatement(0));
    all.open();
    const auto nothing = [] {};

    const QString vcf = dir.filePath(QStringLiteral("ours.vcf"));
    const double ours = timeMs(runs, nothing, [&] { check(VCardFile::write(all, vcf, VCardMapping::Version::V4)); });
    const std::vector<QByteArray> cards = pieces(readAll(vcf), "END:VCARD\r\n");
    const double floor = timeMs(runs, nothing, [&] { plainVcf(cards, dir.filePath(QStringLiteral("plain.vcf"))); });
    row(QStringLiteral("%1 persons to .vcf (floor: the same bytes, a loop)").arg(all.recordCount()), ours, floor, 1.5);

    const QString csv = dir.filePath(QStringLiteral("ours.csv"));
    const double oursCsv = timeMs(runs, nothing, [&] {
        CsvSheetWriter writer;
        check(SheetExport::run(all, writer, csv));
    });
    const std::vector<QByteArray> lines = pieces(readAll(csv), "\r\n");
    const double floorCsv = timeMs(runs, nothing, [&] { plainCsv(lines, dir.filePath(QStringLiteral("plain.csv"))); });
    row(QStringLiteral("%1 persons to .csv (floor: the same bytes, a loop)").arg(all.recordCount()), oursCsv, floorCsv,
        1.5);
}

void importSpeed(Database &db, const QString &workFolder, int persons, int runs)
{
    std::printf("14. Import of persons from address cards into an empty address book\n");
    QDir().mkpath(workFolder);
    const QString target = QDir(workFolder).filePath(QStringLiteral("import.mdb"));
    const QString vcf = QDir(workFolder).filePath(QStringLiteral("persons.vcf"));
    Query some(&db);
    some.setSql(personsStatement(std::min(persons, 10000)));
    some.open();
    check(VCardFile::write(some, vcf, VCardMapping::Version::V4));

    // The reading: the file's cards made persons, against reading the file and scanning
    // every byte once.
    const auto nothing = [] {};
    QList<ImportedPerson> people;
    const double read = timeMs(runs, nothing, [&] { people = VCardFile::people(readAll(vcf)); });
    const double readFloor = timeMs(runs, nothing, [&] {
        const QByteArray bytes = readAll(vcf);
        return std::count(bytes.cbegin(), bytes.cend(), '\n');
    });
    // The writing as the "File" menu's import does it after the reading: the persons already
    // present looked for, every code checked, the persons added; against the raw insert.
    Database fresh;
    const auto prepare = [&] { emptyDatabase(fresh, target); };
    const auto write = [&](const QList<ImportedPerson> &list) {
        PersonImport import(fresh);
        const QList<int> present = import.alreadyPresent(list);
        int problems = 0;
        for (const ImportedPerson &person : list)
            problems += int(PersonImport::codeProblems(person).size());
        const ImportResult result = import.run(list, QSet<int>(present.cbegin(), present.cend()));
        if (result.outcome != ImportResult::Outcome::Imported)
            throw DbError(result.message);
        return problems;
    };
    const double written = timeMs(runs, prepare, [&] { write(people); });
    const SheetContent sheet = asSheet(people);
    const double writeFloor = timeMs(runs, prepare, [&] { rawInsert(fresh, sheet); });
    const double whole = timeMs(runs, prepare, [&] { write(VCardFile::people(readAll(vcf))); });
    const qsizetype count = people.size();
    // The target is the whole import's, against the spreadsheet import's floors: its two
    // parts are shown without a verdict.
    row(QStringLiteral("%1 cards from .vcf, reading").arg(count), read, readFloor);
    row(QStringLiteral("%1 cards from .vcf, writing").arg(count), written, writeFloor);
    row(QStringLiteral("  the whole import (floor: both floors)"), whole, readFloor + writeFloor, 2.0);
    fresh.close();
    QFile::remove(vcf);
    QFile::remove(target);
}

} // namespace BenchContacts
