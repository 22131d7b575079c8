// The Jet reading itself, as the pratilio-mdbread child and the fuzzer run it: libmdb opens
// the file and reads its catalogue, and every row of the program's tables goes out cell by
// cell. Numbers, amounts and dates go out as the file holds them (never through a text the
// library formats); texts as the library converts them to UTF-8. No Qt here.
#include "exchange/mdbanswer.h"

// mdbtools.h includes glib inside its extern "C": included first, glib sets up its C++ parts.
#include <glib.h>
#include <iconv.h>
#include <mdbtools.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

// libmdb's own row splitter: which bytes of the current row hold each column, and whether it
// is null. It is exported by the library but its header leaves it out.
extern "C" int mdb_crack_row(MdbTableDef *table, int row_start, size_t row_size, MdbField *fields);

namespace MdbAnswer {
namespace {

// The row's offset within its page, without the flags in the high bits.
constexpr int kOffsetMask = 0x1fff;

// Collects the answer and hands it to the stream in large pieces.
class Writer
{
public:
    explicit Writer(std::FILE *out) : out_(out) { buffer_.reserve(1 << 16); }

    template<typename T>
    void put(T value)
    {
        buffer_.append(reinterpret_cast<const char *>(&value), sizeof value);
        if (buffer_.size() >= kChunk)
            flush();
    }

    void putText(const char *text, std::size_t length)
    {
        put(std::uint32_t(length));
        buffer_.append(text, length);
        if (buffer_.size() >= kChunk)
            flush();
    }
    void putText(const char *text) { putText(text, std::strlen(text)); }

    bool finish()
    {
        put(kEnd);
        flush();
        return ok_ && std::fflush(out_) == 0;
    }

private:
    static constexpr std::size_t kChunk = 1 << 20;

    void flush()
    {
        if (!buffer_.empty() && std::fwrite(buffer_.data(), 1, buffer_.size(), out_) != buffer_.size())
            ok_ = false;
        buffer_.clear();
    }

    std::FILE *out_; // Not owned.
    std::string buffer_;
    bool ok_ = true;
};

// Little-endian integers of the page, as Jet writes them.
std::int64_t readSigned(const unsigned char *p, int size)
{
    std::uint64_t value = 0;
    for (int i = size - 1; i >= 0; --i)
        value = (value << 8) | p[i];
    if (size < 8 && (value >> (size * 8 - 1)) & 1)
        value |= ~std::uint64_t(0) << (size * 8);
    return std::int64_t(value);
}

double readDouble(const unsigned char *p)
{
    double value;
    std::memcpy(&value, p, sizeof value);
    return value;
}

// One cell of the current row. False when the row cannot be read.
bool putCell(Writer &out, MdbHandle *mdb, const MdbColumn *column, const MdbField &field, std::size_t maxTextBytes)
{
    if (column->col_type == MDB_BOOL) { // its value is the null flag: no column of the program is one
        out.put(std::uint8_t(kOther));
        return true;
    }
    if (field.is_null) {
        out.put(std::uint8_t(kNull));
        return true;
    }
    const int pageSize = int(mdb->fmt->pg_size);
    if (field.start < 0 || field.siz < 0 || field.start > pageSize || field.siz > pageSize - field.start) {
        out.put(std::uint8_t(kDamaged));
        return false;
    }
    const unsigned char *bytes = mdb->pg_buf + field.start;
    const auto fixed = [&](int size, CellType type) {
        if (field.siz != size) {
            out.put(std::uint8_t(kDamaged));
            return false;
        }
        out.put(std::uint8_t(type));
        return true;
    };
    switch (column->col_type) {
    case MDB_BYTE:
        if (!fixed(1, kInt))
            return false;
        out.put(std::int64_t(bytes[0]));
        return true;
    case MDB_INT:
        if (!fixed(2, kInt))
            return false;
        out.put(readSigned(bytes, 2));
        return true;
    case MDB_LONGINT:
        if (!fixed(4, kInt))
            return false;
        out.put(readSigned(bytes, 4));
        return true;
    case MDB_MONEY:
        if (!fixed(8, kMoney))
            return false;
        out.put(readSigned(bytes, 8));
        return true;
    case MDB_DOUBLE:
        if (!fixed(8, kDouble))
            return false;
        out.put(readDouble(bytes));
        return true;
    case MDB_FLOAT: {
        if (!fixed(4, kDouble))
            return false;
        float value;
        std::memcpy(&value, bytes, sizeof value);
        out.put(double(value));
        return true;
    }
    case MDB_DATETIME:
        if (!fixed(8, kDate))
            return false;
        out.put(readDouble(bytes));
        return true;
    case MDB_TEXT:
    case MDB_MEMO: {
        char *text = mdb_col_to_string(mdb, mdb->pg_buf, field.start, column->col_type, field.siz);
        if (!text) {
            out.put(std::uint8_t(kDamaged));
            return false;
        }
        // The library stops at its buffer's end: a text that fills it may have been cut.
        const std::size_t length = std::strlen(text);
        const bool whole = length + 8 < maxTextBytes;
        if (whole) {
            out.put(std::uint8_t(kText));
            out.putText(text, length);
        } else {
            out.put(std::uint8_t(kDamaged));
        }
        g_free(text);
        return whole;
    }
    default:
        out.put(std::uint8_t(kOther));
        return true;
    }
}

// Every row of `table`, each introduced by a 1; a 0 after the last. False when a row cannot
// be read (its cells are cut short by a kDamaged, which ends the answer's cells).
bool putRows(Writer &out, MdbHandle *mdb, MdbTableDef *table, std::size_t maxTextBytes)
{
    const unsigned int columns = table->num_cols;
    std::vector<MdbField> fields(columns);
    std::vector<int> fieldOfColumn(columns);
    mdb_rewind_table(table);
    while (mdb_fetch_row(table)) {
        out.put(std::uint8_t(1));
        // The row just read is the one before the table's cursor, on the page in pg_buf.
        int start = 0;
        size_t size = 0;
        if (table->cur_row == 0 || mdb_find_row(mdb, int(table->cur_row) - 1, &start, &size) != 0
            || mdb_crack_row(table, start & kOffsetMask, size, fields.data()) < 0) {
            out.put(std::uint8_t(kDamaged));
            return false;
        }
        std::fill(fieldOfColumn.begin(), fieldOfColumn.end(), -1);
        for (unsigned int i = 0; i < columns; ++i) {
            if (fields[i].colnum >= 0 && unsigned(fields[i].colnum) < columns)
                fieldOfColumn[unsigned(fields[i].colnum)] = int(i);
        }
        for (unsigned int c = 0; c < columns; ++c) {
            const auto *column = static_cast<const MdbColumn *>(g_ptr_array_index(table->columns, c));
            if (fieldOfColumn[c] < 0) {
                out.put(std::uint8_t(kDamaged));
                return false;
            }
            if (!putCell(out, mdb, column, fields[unsigned(fieldOfColumn[c])], maxTextBytes))
                return false;
        }
    }
    out.put(std::uint8_t(0));
    return true;
}

MdbCatalogEntry *findTable(MdbHandle *mdb, const char *name)
{
    for (unsigned int i = 0; i < mdb->num_catalog; ++i) {
        auto *entry = static_cast<MdbCatalogEntry *>(g_ptr_array_index(mdb->catalog, i));
        if (entry->object_type == MDB_TABLE && g_ascii_strcasecmp(entry->object_name, name) == 0)
            return entry;
    }
    return nullptr;
}

// The program's tables, as described in mdbanswer.h. False when a row could not be read: the
// answer ends there.
bool putTables(Writer &out, MdbHandle *mdb, std::size_t maxTextBytes)
{
    for (const char *name : kTableNames) {
        MdbCatalogEntry *entry = findTable(mdb, name);
        if (!entry)
            continue;
        MdbTableDef *table = mdb_read_table(entry);
        if (!table || !mdb_read_columns(table) || table->num_cols > 0xffff) {
            out.put(std::uint8_t(kTableUnreadable));
            out.putText(entry->object_name);
            if (table)
                mdb_free_tabledef(table);
            continue;
        }
        out.put(std::uint8_t(kTableFollows));
        out.putText(entry->object_name);
        out.put(std::uint16_t(table->num_cols));
        for (unsigned int c = 0; c < table->num_cols; ++c) {
            const auto *column = static_cast<const MdbColumn *>(g_ptr_array_index(table->columns, c));
            out.putText(column->name);
            out.put(std::uint8_t(column->col_type));
        }
        const bool read = putRows(out, mdb, table, maxTextBytes);
        mdb_free_tabledef(table);
        if (!read)
            return false;
    }
    out.put(std::uint8_t(kNoMoreTables));
    return true;
}

} // namespace

bool write(const char *path, std::FILE *out, std::size_t maxTextBytes)
{
    Writer writer(out);
    writer.put(kMagic);
    writer.put(kVersion);
    MdbHandle *mdb = mdb_open(path, MDB_NOFLAGS);
    if (!mdb) {
        writer.put(std::uint8_t(kOpenFailed));
        return writer.finish();
    }
    mdb_set_bind_size(mdb, maxTextBytes);
    if (!mdb_read_catalog(mdb, MDB_TABLE)) {
        writer.put(std::uint8_t(kNoCatalog));
    } else {
        writer.put(std::uint8_t(kTables));
        putTables(writer, mdb, maxTextBytes);
    }
    mdb_close(mdb);
    return writer.finish();
}

} // namespace MdbAnswer
