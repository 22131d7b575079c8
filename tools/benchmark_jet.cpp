#include "benchmark_jet.h"

#include "benchmark_exchange.h"
#include "benchtiming.h"
#include "core/passwordhash.h"
#include "data/database.h"
#include "data/schema.h"
#include "data/sqlite.h"
#include "exchange/jetimport.h"
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

// The floor: mdbtools reading the program's tables with every column bound as text (as its
// export tool does), and the engine inserting each row as it is read, bound as text, into the
// program's table of that name (the columns both have) in one transaction. The bytes read.
size_t floorConversion(const QString &jetFile, const QString &path)
{
    QFile::remove(path);
    Database db;
    db.create(path, Schema::databasePassword());
    Schema::createTables(db);
    Transaction tx(db);
    db.exec("DELETE FROM Stato");
    db.exec("DELETE FROM Applicazione");
    size_t bytes = 0;
    MdbHandle *mdb = mdb_open(QFile::encodeName(jetFile).constData(), MDB_NOFLAGS);
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
        QStringList known;
        Statement columns(db, QStringLiteral("PRAGMA table_info(%1)").arg(QString::fromLatin1(name)).toUtf8());
        while (columns.step())
            known << QString::fromUtf8(columns.columnText(1));
        QStringList names;
        QStringList marks;
        std::vector<unsigned int> bound;
        for (unsigned int c = 0; c < table->num_cols; ++c) {
            const auto *column = static_cast<const MdbColumn *>(g_ptr_array_index(table->columns, c));
            const QString columnName = QString::fromUtf8(column->name);
            if (!known.contains(columnName, Qt::CaseInsensitive))
                continue;
            names << Database::quoteIdentifier(columnName);
            marks << QStringLiteral("?");
            bound.push_back(c);
        }
        // The archive's rows as they are: a state repeated in another case is passed over.
        Statement insert(db, QStringLiteral("INSERT OR IGNORE INTO %1 (%2) VALUES (%3)")
                                 .arg(QString::fromLatin1(name), names.join(','), marks.join(','))
                                 .toUtf8());
        while (mdb_fetch_row(table)) {
            for (int length : lengths)
                bytes += size_t(length);
            for (size_t i = 0; i < bound.size(); ++i)
                insert.bindText(int(i) + 1, QByteArray::fromRawData(values[bound[i]].data(), lengths[bound[i]]));
            insert.step();
            insert.reset();
        }
        mdb_free_tabledef(table);
    }
    mdb_close(mdb);
    tx.commit();
    return bytes;
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
    const QString floorTarget = QDir(workFolder).filePath(QStringLiteral("DatiCliente-jet-floor.mdb"));
    const auto convert = [&] {
        QFile::remove(target);
        JetReport report;
        QString error;
        if (!JetImport::convert(jetFile, target, &report, &error))
            std::fprintf(stderr, "%s\n", qPrintable(error));
    };
    // The memory a conversion takes: how far this process's peak grows over what it holds.
    const long before = BenchExchange::statusKb("VmRSS:");
    const bool peakReset = BenchExchange::resetPeak();
    convert();
    const long growth = BenchExchange::statusKb("VmHWM:") - before;
    const double ours = timeMs(convert);
    const double floor = timeMs([&] { floorConversion(jetFile, floorTarget); });
    row("convert the old archive (read, convert, write, check)", ours, floor, 1.5);
    const size_t text = floorConversion(jetFile, floorTarget);
    // The archive's start-up password becomes an Argon2id hash, whose memory cost is set on
    // purpose: measured alone, it tells how much of the growth is the rows'.
    const long beforeHash = BenchExchange::statusKb("VmRSS:");
    BenchExchange::resetPeak();
    PasswordHash::hash(QStringLiteral("password"));
    const long hash = BenchExchange::statusKb("VmHWM:") - beforeHash;
    if (peakReset)
        std::printf("  rows' text %.2f MB; memory while converting grew by %.2f MB, of which the password's Argon2id "
                    "hash takes %.2f MB alone: the rest %.2f MB (%.2f x the text, target 2)\n",
                    double(text) / 1e6, growth / 1024.0, hash / 1024.0, (growth - hash) / 1024.0,
                    (growth - hash) * 1024.0 / double(text));
    else
        std::printf("  rows' text %.2f MB; (the peak memory cannot be reset here)\n", double(text) / 1e6);
    QFile::remove(target);
    QFile::remove(floorTarget);
}

} // namespace BenchJet
