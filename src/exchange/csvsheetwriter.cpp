#include "exchange/csvsheetwriter.h"

#include "data/query.h"
#include "exchange/csvreader.h"
#include "exchange/utf8bytes.h"

#include <QChar>
#include <QDate>

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace {

constexpr qsizetype kPiece = 1 << 20;

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// The room writeStored() may take for a cell of these stored bytes: every byte a doubled
// quote, the quotes around and the apostrophe, or a number's 15 digits, sign and cents.
size_t roomFor(std::string_view stored) { return 2 * stored.size() + 24; }

// A number written as cell() writes the double of its stored form: whole numbers as they are,
// others with two decimals after a comma. Taken only in the form "-ddd" (at most 15 digits,
// any double of them exact) and, for amounts, "-ddd.d" or "-ddd.dd" (at most 13 digits before
// the point, so that the two decimals print back as stored). Returns the end of what is
// written at `to`, or null.
char *writeNumber(std::string_view stored, bool decimals, char *to)
{
    size_t i = 0;
    const bool negative = !stored.empty() && stored.front() == '-';
    if (negative)
        ++i;
    const size_t digitsFrom = i;
    qint64 whole = 0;
    while (i < stored.size() && isDigit(stored[i]))
        whole = whole * 10 + (stored[i++] - '0');
    const size_t digits = i - digitsFrom;
    if (digits == 0 || digits > 15)
        return nullptr;
    int cents = 0;
    if (i < stored.size()) {
        const size_t decimalCount = stored.size() - i - 1;
        if (!decimals || stored[i] != '.' || digits > 13 || decimalCount < 1 || decimalCount > 2
            || !isDigit(stored[i + 1]) || (decimalCount == 2 && !isDigit(stored[i + 2])))
            return nullptr;
        cents = (stored[i + 1] - '0') * 10 + (decimalCount == 2 ? stored[i + 2] - '0' : 0);
    }
    if (negative && (whole != 0 || cents != 0))
        *to++ = '-';
    to = std::to_chars(to, to + 16, whole).ptr;
    if (cents != 0) {
        *to++ = ',';
        *to++ = char('0' + cents / 10);
        *to++ = char('0' + cents % 10);
    }
    return to;
}

// A date stored as yyyy-MM-dd (what follows the day aside), written dd/MM/yyyy.
char *writeDate(std::string_view stored, char *to)
{
    if (stored.size() < 10 || stored[4] != '-' || stored[7] != '-')
        return nullptr;
    for (int i : {0, 1, 2, 3, 5, 6, 8, 9}) {
        if (!isDigit(stored[size_t(i)]))
            return nullptr;
    }
    const auto number = [&](int from, int count) {
        int n = 0;
        for (int i = from; i < from + count; ++i)
            n = n * 10 + (stored[size_t(i)] - '0');
        return n;
    };
    if (!QDate::isValid(number(0, 4), number(5, 2), number(8, 2)))
        return nullptr;
    const char shown[10] = {stored[8], stored[9], '/',       stored[5], stored[6],
                            '/',       stored[0], stored[1], stored[2], stored[3]};
    std::memcpy(to, shown, 10);
    return to + 10;
}

constexpr uint64_t kLowBits = 0x0101010101010101ULL;
constexpr uint64_t kHighBits = 0x8080808080808080ULL;

// Non-zero when one of the eight bytes of `word` is `byte` (an ASCII byte).
uint64_t bytesEqual(uint64_t word, unsigned char byte)
{
    const uint64_t x = word ^ (kLowBits * byte);
    return (x - kLowBits) & ~x & kHighBits;
}

bool isSpace(char32_t code)
{
    return code < 0x80 ? code == ' ' || (code >= '\t' && code <= '\r') : QChar::isSpace(code);
}

// A text written as cell() writes it: after an apostrophe where it looks like a formula;
// quoted, its quotes doubled, where it holds the separator, a quote or a line break or
// begins or ends with a blank (any that QChar takes for one). Null for bytes that are not
// valid UTF-8 or longer than a cell holds.
char *writeText(std::string_view stored, char *to)
{
    if (stored.empty())
        return to;
    if (stored.size() > size_t(SheetWriter::kMaxTextLength))
        return nullptr; // its length in characters decides whether it is written at all
    auto *p = reinterpret_cast<const unsigned char *>(stored.data());
    auto *end = p + stored.size();
    const size_t size = stored.size();
    // Eight bytes at once: the last eight again where the size is no multiple of eight, or
    // the few there are, the rest of the word zero. A byte of another character class has
    // no byte of the bytes looked for: the test holds for any bytes.
    uint64_t quotes = 0;
    uint64_t others = 0; // the separator and the line breaks
    uint64_t high = 0;   // bytes of characters past ASCII
    const auto look = [&](uint64_t word) {
        quotes |= bytesEqual(word, '"');
        others |= bytesEqual(word, ';') | bytesEqual(word, '\n') | bytesEqual(word, '\r');
        high |= word & kHighBits;
    };
    uint64_t word = 0;
    if (size < 8) {
        for (size_t i = 0; i < size; ++i)
            word |= uint64_t(p[i]) << (8 * i);
        look(word);
    } else {
        for (size_t i = 0; i + 8 <= size; i += 8) {
            std::memcpy(&word, p + i, 8);
            look(word);
        }
        std::memcpy(&word, end - 8, 8);
        look(word);
    }
    if (high) {
        for (const unsigned char *q = p; q < end;) {
            if (*q < 0x80) {
                ++q;
                continue;
            }
            int length = 0;
            Utf8Bytes::decodeOne(q, end, &length);
            if (length == 0)
                return nullptr;
            q += length;
        }
    }
    const bool quoted = (quotes | others) != 0;
    // The sequences are valid: the last character begins at the last byte that is no
    // continuation byte.
    const unsigned char *lastStart = end - 1;
    while (lastStart > p && (*lastStart & 0xC0) == 0x80)
        --lastStart;
    int length = 0;
    const char32_t first = *p < 0x80 ? *p : Utf8Bytes::decodeOne(p, end, &length);
    const char32_t last = *lastStart < 0x80 ? *lastStart : Utf8Bytes::decodeOne(lastStart, end, &length);
    const bool guard = first == '=' || first == '+' || first == '-' || first == '@' || first == '\t' || first == '\r';
    if (!guard && !quoted && !isSpace(first) && !isSpace(last)) {
        std::memcpy(to, stored.data(), stored.size());
        return to + stored.size();
    }
    *to++ = '"';
    if (guard)
        *to++ = '\'';
    if (quotes == 0) {
        std::memcpy(to, stored.data(), stored.size());
        to += stored.size();
    } else {
        for (char c : stored) {
            if (c == '"')
                *to++ = '"';
            *to++ = c;
        }
    }
    *to++ = '"';
    return to;
}

// A stored cell of a column of `kind` written at `to` (roomFor() bytes), or null.
char *writeStored(std::string_view stored, Values::Kind kind, char *to)
{
    switch (kind) {
    case Values::Kind::Integer:
        return writeNumber(stored, false, to);
    case Values::Kind::Amount:
        return writeNumber(stored, true, to);
    case Values::Kind::Date:
        return writeDate(stored, to);
    case Values::Kind::Text:
        return writeText(stored, to);
    }
    return nullptr;
}

// The type SheetExport gives the cells of a column of `kind`.
SheetWriter::CellType typeOf(Values::Kind kind)
{
    switch (kind) {
    case Values::Kind::Integer:
    case Values::Kind::Amount:
        return SheetWriter::CellType::Number;
    case Values::Kind::Date:
        return SheetWriter::CellType::Date;
    case Values::Kind::Text:
        break;
    }
    return SheetWriter::CellType::Text;
}

} // namespace

CsvSheetWriter::~CsvSheetWriter() { abort(); }

QByteArray CsvSheetWriter::cell(const QVariant &value, CellType type)
{
    if (value.isNull())
        return {};
    QString text;
    bool guard = false;
    if (value.typeId() == QMetaType::QDate) {
        text = value.toDate().toString(QStringLiteral("dd/MM/yyyy"));
    } else if (type == CellType::Number && value.typeId() != QMetaType::QString && value.canConvert<double>()) {
        const double number = value.toDouble();
        // Whole numbers as they are; others with two decimals after a comma.
        text = number == std::floor(number) && std::abs(number) < 1e15
                   ? QString::number(qint64(number))
                   : QString::number(number, 'f', 2).replace(QLatin1Char('.'), QLatin1Char(','));
    } else {
        text = value.toString();
        guard = CsvReader::looksLikeFormula(text);
    }
    if (guard)
        text.prepend(QLatin1Char('\''));
    const bool quote = guard || text.contains(QLatin1Char(';')) || text.contains(QLatin1Char('"'))
                       || text.contains(QLatin1Char('\n')) || text.contains(QLatin1Char('\r'))
                       || (!text.isEmpty() && (text.front().isSpace() || text.back().isSpace()));
    if (!quote)
        return text.toUtf8();
    text.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return '"' + text.toUtf8() + '"';
}

bool CsvSheetWriter::appendStored(std::string_view stored, Values::Kind kind, QByteArray *out)
{
    const qsizetype at = out->size();
    out->resize(at + qsizetype(roomFor(stored)));
    char *end = writeStored(stored, kind, out->data() + at);
    out->resize(end ? end - out->constData() : at);
    return end != nullptr;
}

bool CsvSheetWriter::put(qsizetype atLeast)
{
    if (out_.size() < atLeast)
        return true;
    const bool written = file_.write(out_) == out_.size();
    out_.resize(0); // keeps its room
    if (!written)
        fail(file_.errorString());
    return written;
}

bool CsvSheetWriter::start(const QString &asidePath, const QStringList &headers)
{
    file_.setFileName(asidePath);
    if (!file_.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        fail(file_.errorString());
        return false;
    }
    out_.clear();
    out_.reserve(kPiece + qsizetype(64) * 1024);
    out_.append("\xEF\xBB\xBF");
    for (int c = 0; c < headers.size(); ++c) {
        if (c > 0)
            out_ += ';';
        out_ += cell(headers.at(c), CellType::Text);
    }
    out_ += "\r\n";
    return true;
}

bool CsvSheetWriter::addRow(int, const QVariantList &cells)
{
    for (int c = 0; c < types().size(); ++c) {
        if (c > 0)
            out_ += ';';
        if (c < cells.size())
            out_ += cell(cells.at(c), types().at(c));
    }
    out_ += "\r\n";
    return put(kPiece);
}

bool CsvSheetWriter::addResultRow(int row, const Query &query, int shownRow, const QList<int> &columns)
{
    // The row being edited or inserted has its cells only as values.
    const int physical = query.state() == Query::State::Browse ? query.storedRow(shownRow) : -1;
    if (physical < 0)
        return SheetWriter::addResultRow(row, query, shownRow, columns);
    if (fromBytes_.size() != size_t(columns.size())) {
        // What a column's bytes may give, the same for every row of the result.
        kinds_.clear();
        fromBytes_.clear();
        for (int c = 0; c < columns.size(); ++c) {
            const Values::Kind kind = query.fieldInfo(columns.at(c)).kind;
            kinds_.push_back(kind);
            fromBytes_.push_back(types().at(c) == typeOf(kind));
        }
    }
    const RowStore &store = query.storedRows();
    const RowStore::RowView cells = store.row(physical);
    const qsizetype lineStart = out_.size();
    // The line written from the bytes, into room enough for it (roomFor() of every cell, the
    // separators and the line end), when every cell can be.
    out_.resize(lineStart + qsizetype(2 * cells.textSize() + 25 * size_t(columns.size()) + 2));
    char *to = out_.data() + lineStart;
    for (int c = 0; c < columns.size() && to; ++c) {
        if (c > 0)
            *to++ = ';';
        const int column = columns.at(c);
        // A null cell has no bytes at all; an empty one has its place in the row.
        if (cells.isNull(column))
            continue;
        to = fromBytes_[size_t(c)] ? writeStored(cells.cell(column), kinds_[size_t(c)], to) : nullptr;
    }
    if (to) {
        *to++ = '\r';
        *to++ = '\n';
        out_.resize(to - out_.constData());
        return put(kPiece);
    }
    // A cell its bytes cannot give: the line again, that cell and any other such from its value.
    out_.resize(lineStart);
    for (int c = 0; c < columns.size(); ++c) {
        if (c > 0)
            out_ += ';';
        const int column = columns.at(c);
        const Values::Kind kind = query.fieldInfo(column).kind;
        if (store.isNull(physical, column)
            || (types().at(c) == typeOf(kind) && appendStored(store.cell(physical, column), kind, &out_)))
            continue;
        const QVariant value = query.value(shownRow, column);
        if (!fitsInCell(c, value)) {
            out_.resize(lineStart);
            return false;
        }
        out_ += cell(value, types().at(c));
    }
    out_ += "\r\n";
    return put(kPiece);
}

bool CsvSheetWriter::close()
{
    const bool flushed = put(0) && file_.flush();
    if (!flushed)
        fail(file_.errorString());
    file_.close();
    return flushed;
}

void CsvSheetWriter::discard()
{
    out_.clear();
    file_.close();
}
