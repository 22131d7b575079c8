#include "data/rowstore.h"

#include <cstring>
#include <stdexcept>

namespace {

constexpr size_t kBlockSize = size_t(1) << 20; // 1 MiB
constexpr size_t kKeptRows = 4096;             // row table entries kept over a clear
constexpr size_t kNarrowLimit = 0x7FFF;

} // namespace

RowStore::RowStore(int columnCount) { clear(columnCount); }

void RowStore::clear(int columnCount)
{
    columns_ = columnCount;
    // The first block of the usual size stays for the next result: giving it back to the
    // system and taking it again (and faulting its pages in) costs more than a short
    // result's whole statement, after every query and drill-down.
    if (!blocks_.empty() && blocks_.front().capacity == kBlockSize) {
        blocks_.resize(1);
        blocks_.front().used = 0;
    } else {
        blocks_.clear();
    }
    rows_.clear();
    if (rows_.capacity() > kKeptRows)
        rows_.shrink_to_fit();
    pendingEnds_.clear();
    pendingText_.clear();
}

void RowStore::beginRow()
{
    pendingEnds_.clear();
    pendingText_.clear();
}

void RowStore::addCell(const char *utf8, size_t size, bool isNull)
{
    pendingText_.insert(pendingText_.end(), utf8, utf8 + size);
    uint32_t end = uint32_t(pendingText_.size());
    if (isNull)
        end |= kWideNull; // narrowed when the row is stored
    pendingEnds_.push_back(end);
}

uint64_t RowStore::storePending()
{
    if (int(pendingEnds_.size()) != columns_)
        throw std::logic_error("RowStore: wrong number of cells in a row");
    const bool wide = pendingText_.size() > kNarrowLimit;
    const size_t headerSize = size_t(columns_) * (wide ? 4 : 2);
    const size_t size = headerSize + pendingText_.size();

    if (blocks_.empty() || blocks_.back().capacity - blocks_.back().used < size) {
        Block block;
        block.capacity = std::max(kBlockSize, size);
        block.data.reset(new char[block.capacity]);
        blocks_.push_back(std::move(block));
    }
    Block &block = blocks_.back();
    char *out = block.data.get() + block.used;
    if (wide) {
        std::memcpy(out, pendingEnds_.data(), headerSize);
    } else {
        auto *ends = reinterpret_cast<uint16_t *>(out);
        for (int c = 0; c < columns_; ++c) {
            const uint32_t e = pendingEnds_[c];
            ends[c] = uint16_t((e & ~kWideNull) | ((e & kWideNull) ? kNarrowNull : 0));
        }
    }
    if (!pendingText_.empty())
        std::memcpy(out + headerSize, pendingText_.data(), pendingText_.size());
    const uint64_t ref = (uint64_t(blocks_.size() - 1) << 32) | (uint64_t(block.used) << 1) | (wide ? 1 : 0);
    // Keep chunks two-byte aligned for the narrow header.
    block.used += (size + 3) & ~size_t(3);
    if (block.used > block.capacity)
        block.used = block.capacity;
    return ref;
}

int RowStore::appendRow()
{
    rows_.push_back(storePending());
    return int(rows_.size()) - 1;
}

void RowStore::replaceRow(int row) { rows_.at(size_t(row)) = storePending(); }

size_t RowStore::memoryUsed() const
{
    size_t bytes = rows_.capacity() * sizeof(uint64_t);
    for (const Block &b : blocks_)
        bytes += b.capacity;
    return bytes;
}
