// Fuzzes the complex query builder with up to five rows of any text: a statement it lets run
// must be ONE statement the engine accepts, whatever the values typed, so that no value can
// change it (values reach the engine as literals with their quotes doubled, or bound dates).
#include "data/database.h"
#include "data/dialect.h"
#include "data/schema.h"
#include "data/sqlite.h"
#include "queries/complexquery.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

Database &database()
{
    static Database *db = [] {
        auto *created = new Database;
        created->create(QStringLiteral(":memory:"), QByteArrayLiteral("fuzz"));
        Schema::createTables(*created);
        return created;
    }();
    return *db;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    // Rows separated by line breaks, the four boxes of a row by tabs. A leading digit in a box
    // picks one of the window's own entries, so that the fuzzer reaches valid queries too.
    const QStringList labels = ComplexQuery::initialFieldList();
    const QStringList ops = ComplexQuery::operators();
    const QStringList connectors = ComplexQuery::connectors();
    auto pick = [](const QString &box, const QStringList &list) {
        if (!box.isEmpty() && box.at(0).isDigit() && !list.isEmpty())
            return list.at(box.at(0).digitValue() % list.size());
        return box;
    };
    QList<ConditionRow> rows;
    for (const QString &line : text.split(QLatin1Char('\n')).mid(0, 5)) {
        const QStringList boxes = line.split(QLatin1Char('\t'));
        ConditionRow row;
        row.label = pick(boxes.value(0), labels);
        row.op = pick(boxes.value(1), ops);
        row.value = boxes.value(2);
        row.connector = pick(boxes.value(3), connectors);
        rows << row;
    }
    Database &db = database();
    const ComplexQueryStatement statement = ComplexQuery::build(rows, [&db](const QString &table) {
        return db.columnNames(table);
    });
    if (!statement.canRun())
        return 0;
    const Dialect::Translated translated = Dialect::translate(statement.lines.join(QLatin1Char('\n')));
    sqlite3_stmt *stmt = nullptr;
    const char *tail = nullptr;
    const int rc = sqlite3_prepare_v2(db.handle(), translated.sql.constData(), int(translated.sql.size()), &stmt, &tail);
    const bool rest = tail && QByteArray(tail).trimmed().size() > 0;
    sqlite3_finalize(stmt);
    if (rc != SQLITE_OK || rest) {
        std::fprintf(stderr, "statement refused (%s):\n%s\n", sqlite3_errmsg(db.handle()), translated.sql.constData());
        std::abort();
    }
    return 0;
}
