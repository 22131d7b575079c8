#include "exchange/csvsheetwriter.h"

#include "data/query.h"
#include "exchange/csvreader.h"
#include "exchange/utf8bytes.h"

#include <QChar>
#include <QDate>

#include <charconv>
#include <cmath>

namespace {

constexpr qsizetype kPiece = 1 << 20;

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// A number written as cell() writes the double of its stored form: whole numbers as they are,
// others with two decimals after a comma. Taken only in the form "-ddd" (at most 15 digits,
// any double of them exact) and, for amounts, "-ddd.d" or "-ddd.dd" (at most 13 digits before
// the point, so that the two decimals print back as stored).
bool appendNumber(std::string_view stored, bool decimals, QByteArray *out)
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
        return false;
    int cents = 0;
    if (i < stored.size()) {
        const size_t decimalCount = stored.size() - i - 1;
        if (!decimals || stored[i] != '.' || digits > 13 || decimalCount < 1 || decimalCount > 2
            || !isDigit(stored[i + 1]) || (decimalCount == 2 && !isDigit(stored[i + 2])))
            return false;
        cents = (stored[i + 1] - '0') * 10 + (decimalCount == 2 ? stored[i + 2] - '0' : 0);
    }
    char text[24];
    auto [end, error] = std::to_chars(text, text + sizeof text, whole);
    if (error != std::errc())
        return false;
    if (negative && (whole != 0 || cents != 0))
        out->append('-');
    out->append(text, end - text);
    if (cents != 0) {
        out->append(',');
        out->append(char('0' + cents / 10));
        out->append(char('0' + cents % 10));
    }
    return true;
}

// A date stored as yyyy-MM-dd (what follows the day aside), written dd/MM/yyyy.
bool appendDate(std::string_view stored, QByteArray *out)
{
    if (stored.size() < 10 || stored[4] != '-' || stored[7] != '-')
        return false;
    for (int i : {0, 1, 2, 3, 5, 6, 8, 9}) {
        if (!isDigit(stored[size_t(i)]))
            return false;
    }
    const auto number = [&](int from, int count) {
        int n = 0;
        for (int i = from; i < from + count; ++i)
            n = n * 10 + (stored[size_t(i)] - '0');
        return n;
    };
    if (!QDate::isValid(number(0, 4), number(5, 2), number(8, 2)))
        return false;
    const char shown[10] = {stored[8], stored[9], '/',       stored[5], stored[6],
                            '/',       stored[0], stored[1], stored[2], stored[3]};
    out->append(shown, 10);
    return true;
}

// A text written as cell() writes it: after an apostrophe where it looks like a formula;
// quoted, its quotes doubled, where it holds the separator, a quote or a line break or
// begins or ends with a blank (any that QChar takes for one).
bool appendText(std::string_view stored, QByteArray *out)
{
    if (stored.size() > size_t(SheetWriter::kMaxTextLength))
        return false; // its length in characters decides whether it is written at all
    auto *p = reinterpret_cast<const unsigned char *>(stored.data());
    auto *end = p + stored.size();
    bool special = false;
    bool quotes = false;
    char32_t first = 0;
    char32_t last = 0;
    for (const unsigned char *q = p; q < end;) {
        int length = 1;
        char32_t code = *q;
        if (code >= 0x80) {
            code = Utf8Bytes::decodeOne(q, end, &length);
            if (length == 0)
                return false;
        } else if (code == ';' || code == '\n' || code == '\r') {
            special = true;
        } else if (code == '"') {
            special = quotes = true;
        }
        if (q == p)
            first = code;
        last = code;
        q += length;
    }
    const bool guard = first == '=' || first == '+' || first == '-' || first == '@' || first == '\t' || first == '\r';
    const bool quote = guard || special || (p < end && (QChar::isSpace(first) || QChar::isSpace(last)));
    if (!quote) {
        out->append(stored.data(), qsizetype(stored.size()));
        return true;
    }
    out->append('"');
    if (guard)
        out->append('\'');
    if (!quotes) {
        out->append(stored.data(), qsizetype(stored.size()));
    } else {
        for (char c : stored) {
            if (c == '"')
                out->append('"');
            out->append(c);
        }
    }
    out->append('"');
    return true;
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
    switch (kind) {
    case Values::Kind::Integer:
        return appendNumber(stored, false, out);
    case Values::Kind::Amount:
        return appendNumber(stored, true, out);
    case Values::Kind::Date:
        return appendDate(stored, out);
    case Values::Kind::Text:
        return appendText(stored, out);
    }
    return false;
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
    out_.reserve(kPiece + 64 * 1024);
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
    const RowStore &store = query.storedRows();
    const qsizetype lineStart = out_.size();
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
            out_.truncate(lineStart);
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
