#include "data/rowstore.h"

#include <QTest>

#include <string>
#include <vector>

// The store is filled again and again, as the program's one result is: whatever came before
// (a long result over several blocks, one row wider than a block, rows with 32-bit cell ends,
// nothing at all), the next result reads back exactly, nulls included.
class TestRowStore : public QObject
{
    Q_OBJECT

private slots:
    void eachResultReadsBackWhateverCameBefore_data();
    void eachResultReadsBackWhateverCameBefore();
};

namespace {

using Rows = std::vector<std::vector<std::string>>;
const std::string kNull = "\1null";

Rows rowsOf(int count, size_t cellSize, char letter)
{
    Rows rows;
    for (int r = 0; r < count; ++r) {
        const std::string number = std::to_string(r);
        rows.push_back({number, std::string(cellSize, letter) + number, r % 3 == 0 ? kNull : std::string()});
    }
    return rows;
}

void fill(RowStore &store, const Rows &rows)
{
    store.clear(3);
    for (const auto &row : rows) {
        store.beginRow();
        for (const std::string &cell : row) {
            const bool null = cell == kNull;
            store.addCell(null ? "" : cell.data(), null ? 0 : cell.size(), null);
        }
        store.appendRow();
    }
}

} // namespace

void TestRowStore::eachResultReadsBackWhateverCameBefore_data()
{
    QTest::addColumn<int>("firstRows");
    QTest::addColumn<int>("firstCellSize");
    QTest::addColumn<int>("nextRows");
    QTest::addColumn<int>("nextCellSize");

    QTest::newRow("long result, then a short one") << 20000 << 100 << 6 << 10;
    QTest::newRow("a row wider than a block, then short") << 1 << (3 << 20) << 6 << 10;
    QTest::newRow("short, then a row wider than a block") << 6 << 10 << 2 << (2 << 20);
    QTest::newRow("32-bit cell ends, then narrow rows") << 40 << 40000 << 100 << 5;
    QTest::newRow("nothing, then a long result") << 0 << 0 << 20000 << 100;
    QTest::newRow("short, then nothing") << 6 << 10 << 0 << 0;
}

void TestRowStore::eachResultReadsBackWhateverCameBefore()
{
    QFETCH(int, firstRows);
    QFETCH(int, firstCellSize);
    QFETCH(int, nextRows);
    QFETCH(int, nextCellSize);

    RowStore store;
    fill(store, rowsOf(firstRows, size_t(firstCellSize), 'a'));
    const Rows next = rowsOf(nextRows, size_t(nextCellSize), 'b');
    fill(store, next);

    QCOMPARE(store.rowCount(), nextRows);
    for (int r = 0; r < nextRows; ++r)
        for (int c = 0; c < 3; ++c) {
            const std::string &cell = next[size_t(r)][size_t(c)];
            QCOMPARE(store.isNull(r, c), cell == kNull);
            QCOMPARE(std::string(store.cell(r, c)), cell == kNull ? std::string() : cell);
        }
}

QTEST_APPLESS_MAIN(TestRowStore)
#include "tst_rowstore.moc"
