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

    // One row's cells, its place in the blocks looked up once: for reading every cell of
    // many rows (the exports).
    class RowView
    {
    public:
        std::string_view cell(int column) const;
        bool isNull(int column) const;
        // The bytes of all its cells together.
        size_t textSize() const { return columns_ == 0 ? 0 : cellEnd(columns_ - 1); }

    private:
        friend class RowStore;
        RowView(const char *base, bool wide, int columns) : base_(base), wide_(wide), columns_(columns) {}
        uint32_t cellEnd(int column) const;

        const char *base_;
        bool wide_;
        int columns_;
    };
    RowView row(int row) const;

    // Read for every row of a result by the quick search and the sort: defined below, inline.
    std::string_view cell(int row, int column) const { return this->row(row).cell(column); }
    bool isNull(int row, int column) const { return this->row(row).isNull(column); }

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

inline RowStore::RowView RowStore::row(int row) const
{
    const uint64_t ref = rows_[size_t(row)];
    return RowView(chunk(ref), (ref & 1) != 0, columns_);
}

inline uint32_t RowStore::RowView::cellEnd(int column) const
{
    if (wide_)
        return reinterpret_cast<const uint32_t *>(base_)[column] & ~kWideNull;
    return reinterpret_cast<const uint16_t *>(base_)[column] & ~kNarrowNull;
}

inline std::string_view RowStore::RowView::cell(int column) const
{
    const uint32_t begin = column == 0 ? 0 : cellEnd(column - 1);
    const uint32_t end = cellEnd(column);
    return {base_ + size_t(columns_) * (wide_ ? 4 : 2) + begin, end - begin};
}

inline bool RowStore::RowView::isNull(int column) const
{
    if (wide_)
        return reinterpret_cast<const uint32_t *>(base_)[column] & kWideNull;
    return reinterpret_cast<const uint16_t *>(base_)[column] & kNarrowNull;
}
