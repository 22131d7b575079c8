#include "exchange/csvreader.h"

#include "core/windows1252.h"

#include <QStringDecoder>

#include <algorithm>

namespace {

QString decode(const QByteArray &bytes, CsvReader::Encoding *encoding)
{
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        *encoding = CsvReader::Encoding::Utf8WithBom;
        return QString::fromUtf8(bytes.mid(3));
    }
    QStringDecoder utf8(QStringConverter::Utf8);
    QString text = utf8(bytes);
    if (!utf8.hasError()) {
        *encoding = CsvReader::Encoding::Utf8;
        return text;
    }
    *encoding = CsvReader::Encoding::Windows1252;
    return Windows1252::decode(bytes);
}

// The separator the first line holds most often outside quotes; a semicolon, then a tab,
// wins a tie, and a line with none is one column.
QChar detectSeparator(const QString &text)
{
    int semicolons = 0, commas = 0, tabs = 0;
    bool quoted = false;
    for (QChar c : text) {
        if (c == QLatin1Char('"'))
            quoted = !quoted;
        else if (quoted)
            continue;
        else if (c == QLatin1Char('\n') || c == QLatin1Char('\r'))
            break;
        else if (c == QLatin1Char(';'))
            ++semicolons;
        else if (c == QLatin1Char(','))
            ++commas;
        else if (c == QLatin1Char('\t'))
            ++tabs;
    }
    if (commas > semicolons && commas > tabs)
        return QLatin1Char(',');
    if (tabs > semicolons)
        return QLatin1Char('\t');
    return QLatin1Char(';');
}

QString unguarded(const QString &field)
{
    if (field.size() >= 2 && field.at(0) == QLatin1Char('\'') && CsvReader::looksLikeFormula(field.mid(1)))
        return field.mid(1);
    return field;
}

} // namespace

CsvReader::Result CsvReader::read(const QByteArray &bytes)
{
    Result result;
    const QString text = decode(bytes, &result.encoding);
    result.separator = detectSeparator(text);
    const QChar separator = result.separator;

    QList<QStringList> records;
    QStringList record;
    QString field;
    bool quoted = false;      // inside a quoted field
    bool fieldQuoted = false; // the field began with a quote
    int line = 1;
    int recordLine = 1;
    auto endField = [&] {
        record << (fieldQuoted ? unguarded(field) : field);
        field.clear();
        fieldQuoted = false;
    };
    auto endRecord = [&] {
        endField();
        // A line with nothing on it is no row.
        if (!(record.size() == 1 && record.first().isEmpty())) {
            records << record;
            result.lines << recordLine;
        }
        record.clear();
    };
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text.at(i);
        const bool lineBreak = c == QLatin1Char('\n') || c == QLatin1Char('\r');
        if (lineBreak && c == QLatin1Char('\r') && i + 1 < n && text.at(i + 1) == QLatin1Char('\n')) {
            if (quoted)
                field += c;
            continue; // the LF that follows ends the line
        }
        if (quoted) {
            if (c == QLatin1Char('"')) {
                if (i + 1 < n && text.at(i + 1) == QLatin1Char('"')) {
                    field += c;
                    ++i;
                } else {
                    quoted = false;
                }
            } else {
                field += c;
                if (lineBreak)
                    ++line;
            }
        } else if (c == QLatin1Char('"') && field.isEmpty() && !fieldQuoted) {
            quoted = true;
            fieldQuoted = true;
        } else if (c == separator) {
            endField();
        } else if (lineBreak) {
            endRecord();
            recordLine = ++line;
        } else {
            field += c;
        }
    }
    if (!field.isEmpty() || fieldQuoted || !record.isEmpty())
        endRecord();

    if (records.isEmpty())
        return result;
    // Every row as wide as the widest, the header included.
    result.sheet.header = records.takeFirst();
    result.lines.removeFirst();
    qsizetype widest = result.sheet.header.size();
    for (const QStringList &r : std::as_const(records))
        widest = std::max(widest, r.size());
    while (result.sheet.header.size() < widest)
        result.sheet.header << QString();
    for (QStringList &r : records) {
        while (r.size() < widest)
            r << QString();
    }
    result.sheet.rows = records;
    return result;
}

QString CsvReader::separatorName(QChar separator)
{
    if (separator == QLatin1Char(','))
        return QStringLiteral("virgola");
    if (separator == QLatin1Char('\t'))
        return QStringLiteral("tabulazione");
    return QStringLiteral("punto e virgola");
}

QString CsvReader::encodingName(Encoding encoding)
{
    switch (encoding) {
    case Encoding::Utf8WithBom:
        return QStringLiteral("UTF-8 con BOM");
    case Encoding::Utf8:
        return QStringLiteral("UTF-8");
    case Encoding::Windows1252:
        return QStringLiteral("Windows-1252");
    }
    return {};
}

bool CsvReader::looksLikeFormula(const QString &text)
{
    if (text.isEmpty())
        return false;
    const QChar c = text.at(0);
    return c == QLatin1Char('=') || c == QLatin1Char('+') || c == QLatin1Char('-') || c == QLatin1Char('@')
           || c == QLatin1Char('\t') || c == QLatin1Char('\r');
}
