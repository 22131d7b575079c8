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

    // Read for every row of a result by the quick search and the sort: defined below, inline.
    std::string_view cell(int row, int column) const;
    bool isNull(int row, int column) const;

    // Bytes held for rows and cells (blocks and row table), for the benchmark.
    size_t memoryUsed() const;

private:
    static constexpr uint32_t kNarrowNull = 0x8000;
    static constexpr uint32_t kWideNull = 0x80000000u;

    uint64_t storePending();
    const char *chunk(uint64_t ref) const { return blocks_[size_t(ref >> 32)].data.get() + ((ref & 0xFFFFFFFFu) >> 1); }

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

inline std::string_view RowStore::cell(int row, int column) const
{
    const uint64_t ref = rows_[size_t(row)];
    const char *base = chunk(ref);
    if (ref & 1) {
        const auto *ends = reinterpret_cast<const uint32_t *>(base);
        const uint32_t begin = column == 0 ? 0 : (ends[column - 1] & ~kWideNull);
        const uint32_t end = ends[column] & ~kWideNull;
        return {base + size_t(columns_) * 4 + begin, end - begin};
    }
    const auto *ends = reinterpret_cast<const uint16_t *>(base);
    const uint32_t begin = column == 0 ? 0 : (ends[column - 1] & ~kNarrowNull);
    const uint32_t end = ends[column] & ~kNarrowNull;
    return {base + size_t(columns_) * 2 + begin, end - begin};
}

inline bool RowStore::isNull(int row, int column) const
{
    const uint64_t ref = rows_[size_t(row)];
    const char *base = chunk(ref);
    if (ref & 1)
        return reinterpret_cast<const uint32_t *>(base)[column] & kWideNull;
    return reinterpret_cast<const uint16_t *>(base)[column] & kNarrowNull;
}
