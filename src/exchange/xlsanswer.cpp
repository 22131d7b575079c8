// The .xls reading itself, as the pratilio-xlsread child and the fuzzer run it: the workbook's
// records are checked (the library stops quietly at a damaged one), libfreexl opens the
// workbook, the sheet is found and every cell goes out as the library gives it. No
// Qt here: texts become QStrings on the program's side (XlsSheetReader).
#include "exchange/xlsanswer.h"

#include "exchange/xlsintegrity.h"

#include <freexl.h>

#include <algorithm>
#include <cstring>
#include <string>

namespace XlsAnswer {
namespace {

// The largest sheet a 97-2003 workbook holds.
constexpr unsigned int kMaxRows = 65536;
constexpr unsigned short kMaxColumns = 256;

// Closes the handle however reading ends, unless the memory is left to the process's end;
// the library asks for a close even after a failed open.
class Handle
{
public:
    ~Handle()
    {
        if (handle && freeMemory)
            freexl_close(handle);
    }
    const void *handle = nullptr;
    bool freeMemory = true;
};

// Collects the answer and hands it to the stream in large pieces: a sheet of 10,000 rows
// is some 100,000 small fields. The buffer starts small, as most sheets are.
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

    void putText(const char *text)
    {
        const std::uint32_t length = text ? std::uint32_t(std::strlen(text)) : 0;
        put(length);
        buffer_.append(text ? text : "", length);
        if (buffer_.size() >= kChunk)
            flush();
    }

    void refuse(Outcome outcome, std::int32_t detail = 0)
    {
        put(std::uint8_t(outcome));
        put(detail);
    }

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

void putCell(Writer &out, const FreeXL_CellValue &cell)
{
    switch (cell.type) {
    case FREEXL_CELL_INT:
        out.put(std::uint8_t(kInt));
        out.put(std::int64_t(cell.value.int_value));
        break;
    case FREEXL_CELL_DOUBLE:
        out.put(std::uint8_t(kDouble));
        out.put(cell.value.double_value);
        break;
    case FREEXL_CELL_TEXT:
    case FREEXL_CELL_SST_TEXT:
    case FREEXL_CELL_TIME:
        out.put(std::uint8_t(kText));
        out.putText(cell.value.text_value);
        break;
    case FREEXL_CELL_DATE:
    case FREEXL_CELL_DATETIME:
        out.put(std::uint8_t(kDate));
        out.putText(cell.value.text_value);
        break;
    default:
        out.put(std::uint8_t(kEmpty));
        break;
    }
}

unsigned lower(unsigned c) { return c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c; }

// The sheet names are UTF-8; the one sought is plain ASCII, and no other character folds to
// an ASCII letter of it, so comparing bytes without case is enough.
bool isWantedSheet(const char *name)
{
    const std::size_t length = sizeof kSheetName - 1;
    if (!name || std::strlen(name) != length)
        return false;
    for (std::size_t i = 0; i < length; ++i) {
        if (lower(static_cast<unsigned char>(name[i])) != lower(static_cast<unsigned char>(kSheetName[i])))
            return false;
    }
    return true;
}

// The same, over a name as the workbook stores it (8-bit characters or 16-bit units).
bool isWantedStoredName(const std::uint8_t *name, std::size_t length, bool wide)
{
    if (length != sizeof kSheetName - 1)
        return false;
    for (std::size_t i = 0; i < length; ++i) {
        const unsigned c = wide ? unsigned(name[2 * i] | name[2 * i + 1] << 8) : name[i];
        if (lower(c) != lower(static_cast<unsigned char>(kSheetName[i])))
            return false;
    }
    return true;
}

void putSheet(Writer &out, const void *handle)
{
    unsigned int version = 0;
    if (freexl_get_info(handle, FREEXL_BIFF_VERSION, &version) != FREEXL_OK || version < FREEXL_BIFF_VER_5) {
        out.refuse(kTooOld);
        return;
    }
    unsigned int sheets = 0;
    freexl_get_info(handle, FREEXL_BIFF_SHEET_COUNT, &sheets);
    int found = -1;
    for (unsigned int i = 0; i < sheets && found < 0; ++i) {
        const char *name = nullptr;
        if (freexl_get_worksheet_name(handle, std::uint16_t(i), &name) == FREEXL_OK && isWantedSheet(name))
            found = int(i);
    }
    if (found < 0) {
        out.refuse(kNoSheet);
        return;
    }
    unsigned int rows = 0;
    unsigned short columns = 0;
    if (freexl_select_active_worksheet(handle, std::uint16_t(found)) != FREEXL_OK
        || freexl_worksheet_dimensions(handle, &rows, &columns) != FREEXL_OK) {
        out.refuse(kSheetDamaged);
        return;
    }
    // A damaged size record can declare more than the format holds (millions of rows in a
    // file of a few kilobytes); no cell lies past the format's limits.
    rows = std::min(rows, kMaxRows);
    columns = std::min(columns, kMaxColumns);
    // Only the rows and columns up to the last cell with a value are sent, as the .xlsx
    // reader gives them: trailing empty ones are mostly a size record larger than the sheet.
    // Found from the bottom right: in a full sheet, the last cell of the last row ends it.
    unsigned int usedRows = 0;
    unsigned short usedColumns = 0;
    for (unsigned int r = rows; r-- > 0;) {
        for (unsigned short c = columns; c > usedColumns; --c) {
            FreeXL_CellValue cell;
            if (freexl_get_cell_value(handle, r, c - 1, &cell) != FREEXL_OK) {
                out.refuse(kSheetDamaged);
                return;
            }
            if (cell.type != FREEXL_CELL_NULL) {
                usedColumns = c;
                usedRows = std::max(usedRows, r + 1);
                break;
            }
        }
    }
    out.put(std::uint8_t(kSheet));
    out.put(std::uint32_t(usedRows));
    out.put(std::uint16_t(usedColumns));
    for (unsigned int r = 0; r < usedRows; ++r) {
        for (unsigned short c = 0; c < usedColumns; ++c) {
            FreeXL_CellValue cell;
            if (freexl_get_cell_value(handle, r, c, &cell) != FREEXL_OK) {
                out.put(std::uint8_t(kDamaged));
                return;
            }
            putCell(out, cell);
        }
    }
}

} // namespace

bool write(const char *path, std::FILE *out, bool freeMemory)
{
    Writer writer(out);
    writer.put(kMagic);
    writer.put(kVersion);
    if (XlsIntegrity::checkFile(path, isWantedStoredName) == XlsIntegrity::Verdict::Damaged) {
        writer.refuse(kFileDamaged);
        return writer.finish();
    }
    Handle h;
    h.freeMemory = freeMemory;
    const int opened = freexl_open(path, &h.handle);
    if (opened != FREEXL_OK)
        writer.refuse(kOpenFailed, opened);
    // Some workbooks (a text running over more than two records of the string table, some
    // files of other programs) the library answers with success and no handle.
    else if (!h.handle)
        writer.refuse(kNoHandle);
    else
        putSheet(writer, h.handle);
    return writer.finish();
}

} // namespace XlsAnswer
