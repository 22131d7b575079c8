#include "benchmark_jet.h"

#include "benchmark_exchange.h"
#include "benchtiming.h"
#include "data/database.h"
#include "data/schema.h"
#include "data/sqlite.h"
#include "exchange/jetconversion.h"
#include "exchange/jetimport.h"
#include "exchange/jetreader.h"
#include "exchange/jetreport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstdio>
#include <string>
#include <vector>

// mdbtools.h includes glib inside its extern "C": included first, glib sets up its C++ parts.
#include <glib.h>
#include <iconv.h>
#include <mdbtools.h>

using namespace BenchTiming;

namespace BenchJet {
namespace {

// mdbtools reading the program's tables with every column bound as text; the bytes read.
size_t mdbtoolsRead(const QString &path)
{
    size_t bytes = 0;
    MdbHandle *mdb = mdb_open(QFile::encodeName(path).constData(), MDB_NOFLAGS);
    if (!mdb)
        return 0;
    mdb_set_date_fmt(mdb, "%Y-%m-%d %H:%M:%S");
    mdb_read_catalog(mdb, MDB_TABLE);
    for (const char *name : {"Committente", "Indirizzo", "Recapiti", "Progetto", "Pagamenti", "Stato", "Applicazione"}) {
        MdbTableDef *table = mdb_read_table_by_name(mdb, const_cast<gchar *>(name), MDB_TABLE);
        if (!table)
            continue;
        mdb_read_columns(table);
        mdb_rewind_table(table);
        std::vector<std::vector<char>> values(table->num_cols, std::vector<char>(MDB_BIND_SIZE));
        std::vector<int> lengths(table->num_cols);
        for (unsigned int c = 0; c < table->num_cols; ++c)
            mdb_bind_column(table, int(c) + 1, values[c].data(), &lengths[c]);
        while (mdb_fetch_row(table)) {
            for (int length : lengths)
                bytes += size_t(length);
        }
        mdb_free_tabledef(table);
    }
    mdb_close(mdb);
    return bytes;
}

// The engine inserting the converted rows, bound as text, in one transaction.
void engineInsert(const JetConversion &conversion, const QString &path)
{
    QFile::remove(path);
    Database db;
    db.create(path, Schema::databasePassword());
    Schema::createTables(db);
    Transaction tx(db);
    db.exec("DELETE FROM Stato");
    db.exec("DELETE FROM Applicazione");
    for (const ConvertedTable &table : conversion.tables()) {
        QStringList marks;
        for (int i = 0; i < table.columns.size(); ++i)
            marks << QStringLiteral("?");
        QStringList names;
        for (const QString &c : table.columns)
            names << Database::quoteIdentifier(c);
        Statement insert(db, QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                                 .arg(Database::quoteIdentifier(table.name), names.join(','), marks.join(','))
                                 .toUtf8());
        for (const QList<QVariant> &row : table.rows) {
            for (int c = 0; c < row.size(); ++c) {
                insert.bindText(c + 1, row.at(c).toByteArray());
            }
            insert.step();
            insert.reset();
        }
    }
    tx.commit();
}

} // namespace

void conversion(const QString &jetFile, const QString &workFolder)
{
    std::printf("12. Converting the old archive (%s)\n", qPrintable(QDir::toNativeSeparators(jetFile)));
    if (!QFileInfo::exists(jetFile)) {
        std::printf("  skipped: the file is not there (give it with --jet)\n");
        return;
    }
    QDir().mkpath(workFolder);
    const QString target = QDir(workFolder).filePath(QStringLiteral("DatiCliente-jet-converted.mdb"));
    JetData data;
    JetReader reader;
    JetConversion converted;
    JetReport unused;
    if (!reader.read(jetFile, &data) || !converted.prepare(data, &unused)) {
        std::printf("  skipped: %s\n", qPrintable(reader.errorString() + converted.refusal()));
        return;
    }
    data = JetData();
    const double ours = timeMs([&] {
        QFile::remove(target);
        JetReport report;
        QString error;
        if (!JetImport::convert(jetFile, target, &report, &error))
            std::fprintf(stderr, "%s\n", qPrintable(error));
    });
    const long peakBefore = BenchExchange::statusKb("VmHWM:");
    const QString floorTarget = QDir(workFolder).filePath(QStringLiteral("DatiCliente-jet-floor.mdb"));
    const double floor = timeMs([&] {
        mdbtoolsRead(jetFile);
        engineInsert(converted, floorTarget);
    });
    row("convert the old archive (read, convert, write, check)", ours, floor, 1.5);
    std::printf("  rows' text %zu kB; this process's peak %ld kB\n", mdbtoolsRead(jetFile) / 1024, peakBefore);
    QFile::remove(target);
    QFile::remove(floorTarget);
}

} // namespace BenchJet
