#pragma once

#include <QByteArray>

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

// The rows of a result, held compactly: each row is one chunk of UTF-8 text in a large
// block, preceded by the end offsets of its cells (two bytes each, four for rows over
// 32 KiB), so that any cell is read in constant time and a result takes little more
// memory than its text. A changed row is written anew at the end; the old chunk is left
// unused until the result is closed.
class RowStore
{
public:
    explicit RowStore(int columnCount = 0);

    void clear(int columnCount);
    int columnCount() const { return columns_; }
    int rowCount() const { return int(rows_.size()); }

    // Builds a row cell by cell, then adds it (append) or puts it in place of row r.
    void beginRow();
    void addCell(const char *utf8, size_t size, bool isNull);
    int appendRow();
    void replaceRow(int row);

    // A row's place in the blocks, to put an earlier version of it back.
    uint64_t rowRef(int row) const { return rows_[size_t(row)]; }
    void setRowRef(int row, uint64_t ref) { rows_[size_t(row)] = ref; }
    void dropLastRow() { rows_.pop_back(); }

    std::string_view cell(int row, int column) const;
    bool isNull(int row, int column) const;

    // Bytes held for rows and cells (blocks and row table), for the benchmark.
    size_t memoryUsed() const;

private:
    uint64_t storePending();

    struct Block
    {
        std::unique_ptr<char[]> data;
        size_t capacity = 0;
        size_t used = 0;
    };

    int columns_ = 0;
    std::vector<Block> blocks_;
    // Row reference: block index in the high 32 bits, offset in bits 1..31, wide flag in bit 0.
    std::vector<uint64_t> rows_;

    std::vector<uint32_t> pendingEnds_;
    std::vector<char> pendingText_;
};
