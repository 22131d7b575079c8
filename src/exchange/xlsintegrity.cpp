#include "exchange/xlsintegrity.h"

#include "exchange/compoundfile.h"

#include <cstdio>
#include <vector>

namespace XlsIntegrity {
namespace {

// Record types the check looks into.
enum : std::uint16_t {
    kBof = 0x0809,
    kEof = 0x000A,
    kBoundSheet = 0x0085,
    kFormula = 0x0006,
    kLabelSst = 0x00FD,
    kMulRk = 0x00BD,
    kMulBlank = 0x00BE,
    kRString = 0x00D6,
    kDbCell = 0x00D7,
    kDimensions = 0x0200,
    kBlank = 0x0201,
    kNumber = 0x0203,
    kLabel = 0x0204,
    kBoolErr = 0x0205,
    kString = 0x0207,
    kRow = 0x0208,
    kRk = 0x027E,
};

constexpr std::size_t kMaxRecordData = 8224; // the most data one record carries
constexpr std::uint16_t kBiff8 = 0x0600, kBiff5 = 0x0500;
constexpr std::uint16_t kGlobals = 0x0005;

std::uint16_t u16(const std::uint8_t *p) { return std::uint16_t(p[0] | p[1] << 8); }
std::uint32_t u32(const std::uint8_t *p)
{
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24;
}

struct Record
{
    std::uint16_t type = 0;
    std::size_t length = 0;
    const std::uint8_t *body = nullptr;
};

// The record at `at` of a stream of `size` bytes, false for a damaged one: a type no record
// has, more data than a record carries, or a record running past the stream's end.
bool recordAt(const std::uint8_t *stream, std::size_t size, std::size_t at, Record *record)
{
    if (at > size || size - at < 4)
        return false;
    record->type = u16(stream + at);
    record->length = u16(stream + at + 2);
    record->body = stream + at + 4;
    return record->type != 0 && record->length <= kMaxRecordData && size - at - 4 >= record->length;
}

// A run of cells (MULRK, MULBLANK): row, first column, `each` bytes a cell, last column.
bool fitsRun(const Record &r, std::size_t each)
{
    if (r.length < 6 + each || (r.length - 6) % each != 0)
        return false;
    const std::size_t cells = (r.length - 6) / each;
    const std::uint16_t first = u16(r.body + 2);
    const std::uint16_t last = u16(r.body + r.length - 2);
    return last >= first && std::size_t(last - first) + 1 == cells;
}

// Whether a cell or row record's length fits its kind: a damaged length would make the walk
// go on from the middle of a record.
bool fitsKind(const Record &r)
{
    switch (r.type) {
    case kLabelSst:
    case kRk:
        return r.length == 10;
    case kNumber:
        return r.length == 14;
    case kBlank:
        return r.length == 6;
    case kBoolErr:
        return r.length == 8;
    case kRow:
        return r.length == 16;
    case kDimensions: // BIFF8 has 32-bit rows, BIFF5 16-bit ones; some writers mix them
        return r.length == 14 || r.length == 10;
    case kMulRk:
        return fitsRun(r, 6);
    case kMulBlank:
        return fitsRun(r, 2);
    case kFormula: // the cell, its cached value and options, then the formula's own length
        return r.length >= 22 && 22 + std::size_t(u16(r.body + 20)) <= r.length;
    case kLabel:
    case kRString:
        return r.length >= 8;
    case kString:
        return r.length >= 2;
    case kDbCell:
        return r.length >= 4 && (r.length - 4) % 2 == 0;
    default:
        return true;
    }
}

// Walks the part of the stream from the start record at `at` through its end record, a part
// nested in it (a chart's in a sheet) included, giving each record to `visit`. False at the
// first damaged record, or when the stream ends first.
template<typename Visit>
bool walk(const std::uint8_t *stream, std::size_t size, std::size_t at, Visit visit)
{
    Record r;
    if (!recordAt(stream, size, at, &r) || r.type != kBof)
        return false;
    for (int depth = 0;;) {
        if (!recordAt(stream, size, at, &r) || !fitsKind(r) || !visit(r))
            return false;
        if (r.type == kBof)
            ++depth;
        else if (r.type == kEof && --depth == 0)
            return true;
        at += 4 + r.length;
    }
}

Verdict checkStream(const std::uint8_t *stream, std::size_t size, SheetNamePredicate isSheet)
{
    Record first;
    if (!recordAt(stream, size, 0, &first) || first.type != kBof || first.length < 4)
        return Verdict::Damaged;
    const std::uint16_t version = u16(first.body);
    if ((version != kBiff8 && version != kBiff5) || u16(first.body + 2) != kGlobals)
        return Verdict::NotChecked;
    const bool biff8 = version == kBiff8;

    // The globals, and in them the first sheet entry with the name sought: where its part starts.
    bool found = false;
    std::size_t sheetAt = 0;
    const bool globalsWhole = walk(stream, size, 0, [&](const Record &r) {
        if (r.type != kBoundSheet)
            return true;
        // Position, state and kind, then the name: its length, (BIFF8) whether it is in
        // 16-bit characters, the characters.
        const std::size_t nameAt = biff8 ? 8 : 7;
        if (r.length < nameAt)
            return false;
        const std::size_t length = r.body[6];
        const bool wide = biff8 && (r.body[7] & 1);
        if (nameAt + length * (wide ? 2 : 1) > r.length)
            return false;
        if (!found && isSheet(r.body + nameAt, length, wide)) {
            found = true;
            sheetAt = u32(r.body);
        }
        return true;
    });
    if (!globalsWhole)
        return Verdict::Damaged;
    // Without the sheet there is nothing to read: the library says so.
    if (!found)
        return Verdict::Whole;
    return walk(stream, size, sheetAt, [](const Record &) { return true; }) ? Verdict::Whole : Verdict::Damaged;
}

} // namespace

Verdict checkBytes(const std::uint8_t *data, std::size_t size, SheetNamePredicate isSheet)
{
    std::vector<std::uint8_t> stream;
    switch (CompoundFile::readStream(data, size, {"Workbook", "Book"}, &stream)) {
    case CompoundFile::Status::Read:
        return checkStream(stream.data(), stream.size(), isSheet);
    case CompoundFile::Status::NotCompound:
    case CompoundFile::Status::NoStream:
        return Verdict::NotChecked;
    case CompoundFile::Status::Damaged:
        break;
    }
    return Verdict::Damaged;
}

Verdict checkFile(const char *path, SheetNamePredicate isSheet)
{
    std::FILE *file = std::fopen(path, "rb");
    if (!file)
        return Verdict::NotChecked;
    std::vector<std::uint8_t> bytes;
    if (std::fseek(file, 0, SEEK_END) == 0) {
        const long size = std::ftell(file);
        if (size > 0)
            bytes.reserve(std::size_t(size));
        std::rewind(file);
    }
    std::uint8_t chunk[1 << 16];
    std::size_t got = 0;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0)
        bytes.insert(bytes.end(), chunk, chunk + got);
    const bool failed = std::ferror(file);
    std::fclose(file);
    if (failed)
        return Verdict::NotChecked;
    return checkBytes(bytes.data(), bytes.size(), isSheet);
}

} // namespace XlsIntegrity
