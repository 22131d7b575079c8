#include "exchange/xlsxsheetreader.h"

#include "data/values.h"
#include "exchange/sheetcollector.h"
#include "exchange/workbookarchive.h"
#include "exchange/xmlscanner.h"

#include <QDate>
#include <QHash>
#include <QRegularExpression>
#include <QSet>
#include <QStringDecoder>
#include <QXmlStreamReader>

#include <QFile>

#include <algorithm>
#include <charconv>
#include <cstring>
#include <string>
#include <vector>

namespace {

// Text of an <si> or <is> element into `utf8`: its <t> pieces, phonetic runs left out.
// Reads up to the element's end.
bool stringItem(XmlScanner &xml, std::string *utf8)
{
    utf8->clear();
    int depth = 1;
    int phonetic = 0;
    while (depth > 0) {
        const auto token = xml.next();
        if (token == XmlScanner::Token::StartElement) {
            if (xml.name() == "t") {
                if (!(phonetic == 0 ? xml.appendText(utf8) : xml.skipElement()))
                    return false;
                continue;
            }
            ++depth;
            if (xml.name() == "rPh")
                ++phonetic;
        } else if (token == XmlScanner::Token::EndElement) {
            --depth;
            if (xml.name() == "rPh")
                --phonetic;
        } else if (token != XmlScanner::Token::Text) {
            return false;
        }
    }
    return true;
}

QString fromUtf8(std::string_view utf8) { return QString::fromUtf8(utf8.data(), qsizetype(utf8.size())); }

// A whole decimal number, 0 when it is not one (as QString::toInt gives).
int toInt(std::string_view digits)
{
    int value = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    return error == std::errc() && end == digits.data() + digits.size() ? value : 0;
}

// A positive whole decimal number, 0 when it is not one.
qint64 toInt64(std::string_view digits)
{
    qint64 value = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    return error == std::errc() && end == digits.data() + digits.size() && value > 0 ? value : 0;
}

// Column index of a reference such as "AB12"; -1 when it has no letters, and past the last
// column when it has too many.
int columnOf(std::string_view ref)
{
    int column = 0;
    int letters = 0;
    for (char ch : ref) {
        if (ch < 'A' || ch > 'Z' || column > SheetReader::kMaxColumns)
            break;
        column = column * 26 + (ch - 'A' + 1);
        ++letters;
    }
    return letters == 0 ? -1 : column - 1;
}

bool isDateFormatCode(QString code)
{
    // Quoted text and bracketed parts (colours, locales) say nothing about dates.
    static const QRegularExpression noise(QStringLiteral("\"[^\"]*\"|\\[[^\\]]*\\]|\\\\."));
    code.remove(noise);
    return code.contains(QLatin1Char('d'), Qt::CaseInsensitive) || code.contains(QLatin1Char('y'), Qt::CaseInsensitive);
}

// How a cell's <v> or <is> is read, by its t attribute.
enum class ValueType { Number, Shared, Text, Boolean, Date };

ValueType valueType(std::string_view t)
{
    if (t == "s")
        return ValueType::Shared;
    if (t == "inlineStr" || t == "str" || t == "e")
        return ValueType::Text;
    if (t == "b")
        return ValueType::Boolean;
    if (t == "d")
        return ValueType::Date;
    return ValueType::Number;
}

// The text of a cell from its value as written (`text`) and its type.
QString cellText(ValueType type, std::string_view text, bool dateStyle, const std::vector<QString> &shared)
{
    switch (type) {
    case ValueType::Shared: {
        const int index = toInt(text);
        return index >= 0 && size_t(index) < shared.size() ? shared[size_t(index)] : QString();
    }
    case ValueType::Text:
        return fromUtf8(text);
    case ValueType::Boolean:
        return text == "1" ? QStringLiteral("VERO") : QStringLiteral("FALSO");
    case ValueType::Date: {
        const QString value = fromUtf8(text);
        const QDate date = QDate::fromString(value.left(10), Qt::ISODate);
        return date.isValid() ? date.toString(QStringLiteral("dd/MM/yyyy")) : value;
    }
    case ValueType::Number:
        break;
    }
    QString value = fromUtf8(text);
    bool ok = false;
    const double number = value.toDouble(&ok);
    if (!ok)
        return value;
    if (dateStyle)
        return QDate(1899, 12, 30).addDays(qint64(number)).toString(QStringLiteral("dd/MM/yyyy"));
    return SheetReader::numberText(number);
}

bool isUtf16(QByteArrayView data) { return data.startsWith("\xFF\xFE") || data.startsWith("\xFE\xFF"); }

// The scanner reads UTF-8; a part written in UTF-16 (its byte order mark says so) is
// converted first.
QByteArray asUtf8(const QByteArray &data)
{
    if (!isUtf16(data))
        return data;
    QStringDecoder decoder(data.startsWith("\xFF\xFE") ? QStringDecoder::Utf16LE : QStringDecoder::Utf16BE);
    return QString(decoder.decode(data.sliced(2))).toUtf8();
}

QString resolvePart(const QString &target)
{
    if (target.startsWith(QLatin1Char('/')))
        return target.mid(1);
    return QStringLiteral("xl/") + target;
}

// The reading of a sheet's rows, in pieces: run() reads the tokens the scanner has, and is
// run again when the scanner has more.
class SheetScan
{
public:
    enum class Outcome { Done, NeedMore, Refused };

    SheetScan(const SheetReader::ColumnChoice &choice, const std::vector<QString> &shared,
              const QList<bool> &dateStyles, const QString &partName) :
        sheet_(choice, XlsxSheetReader::kMaxRows),
        shared_(shared),
        dateStyles_(dateStyles),
        damaged_(QStringLiteral("il file è danneggiato (parte %1 illeggibile).").arg(partName))
    {}

    Outcome run(XmlScanner &xml);
    // The rows read, once run() has given Done; false, with the refusal, when they are no sheet.
    bool finish(SheetContent *content)
    {
        if (sheet_.finish(content))
            return true;
        refusal_ = sheet_.refusal();
        return false;
    }
    // Why the sheet is refused (an Italian sentence).
    const QString &refusal() const { return refusal_; }

private:
    Outcome refuse(const QString &reason)
    {
        refusal_ = reason;
        return Outcome::Refused;
    }

    SheetCollector sheet_;
    const std::vector<QString> &shared_;
    const QList<bool> &dateStyles_;
    const QString damaged_;
    QString refusal_;
    std::string text_; // one cell's UTF-8, its room kept from one to the next
    int rowNumber_ = 0;
    int nextColumn_ = 0; // of a cell without its reference
};

SheetScan::Outcome SheetScan::run(XmlScanner &xml)
{
    using Token = XmlScanner::Token;
    for (auto token = xml.next(); token != Token::EndOfDocument; token = xml.next()) {
        if (token == Token::EndOfPiece)
            return Outcome::NeedMore;
        if (token == Token::Invalid)
            break;
        if (token != Token::StartElement)
            continue;
        if (xml.name() == "row") {
            const std::string_view r = xml.attribute("r");
            const qint64 number = r.empty() ? rowNumber_ + 1 : toInt64(r);
            if (number <= 0)
                return refuse(damaged_);
            if (!sheet_.startRow(int(std::min<qint64>(number, XlsxSheetReader::kMaxRows + 1))))
                return refuse(sheet_.refusal());
            rowNumber_ = int(number);
            nextColumn_ = 0;
            continue;
        }
        if (xml.name() != "c" || rowNumber_ == 0)
            continue;
        const std::string_view ref = xml.attribute("r");
        const int column = ref.empty() ? nextColumn_ : columnOf(ref);
        if (column < 0 || column >= SheetReader::kMaxColumns) {
            return refuse(QStringLiteral("il foglio \"%1\" ha una cella fuori dalle colonne da A a XFD: il file è "
                                         "danneggiato.")
                              .arg(SheetReader::kSheetName));
        }
        nextColumn_ = column + 1;
        if (!sheet_.wants(column)) {
            xml.skipElement();
            continue;
        }
        const ValueType type = valueType(xml.attribute("t"));
        // Only a number shows a date by its style.
        const int style = type == ValueType::Number ? toInt(xml.attribute("s")) : -1;
        std::string_view value;
        const bool simple = xml.cellValue(&value);
        bool hasValue = simple;
        while (!simple && ((token = xml.next()) == Token::StartElement || token == Token::Text)) {
            if (token == Token::Text)
                continue;
            if (xml.name() == "v") {
                text_.clear();
                hasValue = xml.appendText(&text_);
            } else if (xml.name() == "is") {
                hasValue = stringItem(xml, &text_);
            } else {
                xml.skipElement();
            }
        }
        // A piece ends between rows: one that ends inside a cell is no sheet's.
        if (token == Token::EndOfPiece)
            return refuse(damaged_);
        if (!hasValue || xml.hasError())
            continue;
        if (!simple)
            value = text_;
        const bool dateStyle = style >= 0 && style < dateStyles_.size() && dateStyles_.at(style);
        if (!sheet_.setCell(column, cellText(type, value, dateStyle, shared_)))
            return refuse(sheet_.refusal());
    }
    if (xml.hasError())
        return refuse(damaged_);
    return Outcome::Done;
}

} // namespace

bool XlsxSheetReader::read(const QString &path, SheetContent *content)
{
    QFile file(path);
    const QString unreadable = QStringLiteral("il file non si può leggere (%1): verificare che esista e di avere "
                                              "il permesso di leggerlo.");
    if (!file.open(QIODevice::ReadOnly)) {
        setError(path, unreadable.arg(file.errorString()));
        return false;
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        setError(path, unreadable.arg(file.errorString()));
        return false;
    }
    return readBytes(bytes, path, content);
}

bool XlsxSheetReader::readBytes(const QByteArray &bytes, const QString &path, SheetContent *content)
{
    WorkbookArchive archive(bytes);
    if (!archive.isOpen()) {
        setError(path, QStringLiteral("il file è danneggiato o non è una cartella di lavoro Excel (.xlsx)."));
        return false;
    }
    const QString damaged = QStringLiteral("il file è danneggiato (parte %1 illeggibile).");
    // A part that is there and cannot be read whole refuses the file.
    const auto refusePart = [&](Part part, const QString &name) {
        if (part == Part::TooLarge)
            setError(path,
                     QStringLiteral("la parte %1 del file, decompressa, sarebbe più grande di %2 MB o di %3 "
                                    "volte lo spazio che occupa nel file: il file è danneggiato o costruito "
                                    "per esaurire la memoria.")
                         .arg(name, Values::groupedCount(kMaxPartBytes >> 20), Values::groupedCount(kMaxPartRatio)));
        else
            setError(path, damaged.arg(name));
        return false;
    };

    // The workbook names the sheet and its relationship; the relationships give its part.
    QByteArray data;
    Part part = archive.read(QStringLiteral("xl/workbook.xml"), &data);
    if (part == Part::Missing) {
        setError(path, QStringLiteral("il file non è una cartella di lavoro Excel (.xlsx)."));
        return false;
    }
    if (part != Part::Read)
        return refusePart(part, QStringLiteral("xl/workbook.xml"));
    QString relationId;
    {
        QXmlStreamReader xml(data);
        while (!xml.atEnd() && relationId.isEmpty()) {
            if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == QLatin1String("sheet")
                && xml.attributes().value(QLatin1String("name")).compare(kSheetName, Qt::CaseInsensitive) == 0) {
                for (const QXmlStreamAttribute &a : xml.attributes())
                    if (a.name() == QLatin1String("id") && !a.namespaceUri().isEmpty())
                        relationId = a.value().toString();
            }
        }
    }
    if (relationId.isEmpty()) {
        setError(path, noSheetReason());
        return false;
    }
    QString sheetPart;
    part = archive.read(QStringLiteral("xl/_rels/workbook.xml.rels"), &data);
    if (part != Part::Read)
        return refusePart(part, QStringLiteral("xl/_rels/workbook.xml.rels"));
    {
        QXmlStreamReader xml(data);
        while (!xml.atEnd() && sheetPart.isEmpty()) {
            if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == QLatin1String("Relationship")
                && xml.attributes().value(QLatin1String("Id")) == relationId)
                sheetPart = resolvePart(xml.attributes().value(QLatin1String("Target")).toString());
        }
    }

    // Shared strings and the cell formats that show dates; both parts may be missing.
    std::vector<QString> shared;
    std::string text; // one cell's or string's UTF-8, its room kept from one to the next
    part = archive.read(QStringLiteral("xl/sharedStrings.xml"), &data);
    if (part != Part::Read && part != Part::Missing)
        return refusePart(part, QStringLiteral("xl/sharedStrings.xml"));
    if (part == Part::Read) {
        data = asUtf8(data);
        XmlScanner xml(data);
        for (auto token = xml.next(); token != XmlScanner::Token::EndOfDocument; token = xml.next()) {
            if (token == XmlScanner::Token::StartElement && xml.name() == "sst")
                shared.reserve(size_t(std::clamp(toInt(xml.attribute("uniqueCount")), 0, 1 << 20)));
            else if (token == XmlScanner::Token::StartElement && xml.name() == "si" && stringItem(xml, &text))
                shared.push_back(fromUtf8(text));
            // More strings than a sheet read may have cells is no address book.
            if (qint64(shared.size()) > kMaxCells)
                return refusePart(Part::TooLarge, QStringLiteral("xl/sharedStrings.xml"));
            // A string table read only in part would import wrong texts without a word.
            if (xml.hasError()) {
                setError(path, damaged.arg(QStringLiteral("xl/sharedStrings.xml")));
                return false;
            }
        }
    }
    QList<bool> dateStyles;
    part = archive.read(QStringLiteral("xl/styles.xml"), &data);
    if (part != Part::Read && part != Part::Missing)
        return refusePart(part, QStringLiteral("xl/styles.xml"));
    if (part == Part::Read) {
        QSet<int> dateFormats = {14, 15, 16, 17, 22}; // the built-in date formats
        for (int id = 27; id <= 36; ++id)
            dateFormats.insert(id);
        for (int id = 50; id <= 58; ++id)
            dateFormats.insert(id);
        QXmlStreamReader xml(data);
        bool inCellXfs = false;
        while (!xml.atEnd()) {
            const auto token = xml.readNext();
            if (token == QXmlStreamReader::StartElement) {
                if (xml.name() == QLatin1String("numFmt")
                    && isDateFormatCode(xml.attributes().value(QLatin1String("formatCode")).toString()))
                    dateFormats.insert(xml.attributes().value(QLatin1String("numFmtId")).toInt());
                else if (xml.name() == QLatin1String("cellXfs"))
                    inCellXfs = true;
                else if (inCellXfs && xml.name() == QLatin1String("xf"))
                    dateStyles << dateFormats.contains(xml.attributes().value(QLatin1String("numFmtId")).toInt());
            } else if (token == QXmlStreamReader::EndElement && xml.name() == QLatin1String("cellXfs")) {
                inCellXfs = false;
            }
        }
    }

    if (sheetPart.isEmpty()) {
        setError(path, damaged.arg(kSheetName));
        return false;
    }
    // The sheet is read while it is inflated, a piece at a time, each ending after a row; a
    // sheet whose pieces do not read as one (a row's end mark inside a comment or a CDATA
    // section, a sheet in UTF-16, a damaged one) is read again whole, as it is there.
    const auto readWhole = [&](const QByteArray &whole) {
        const QByteArray utf8 = asUtf8(whole);
        XmlScanner xml(utf8);
        SheetScan scan(columnChoice(), shared, dateStyles, sheetPart);
        if (scan.run(xml) != SheetScan::Outcome::Done || !scan.finish(content)) {
            setError(path, scan.refusal());
            return false;
        }
        return true;
    };
    InflatingPart stream(archive, sheetPart, "</row>");
    if (stream.opened() != Part::Read)
        return refusePart(stream.opened(), sheetPart);
    SheetScan scan(columnChoice(), shared, dateStyles, sheetPart);
    InflatingPart::Piece piece = stream.next(nullptr);
    const char *start = stream.begin();
    XmlScanner xml(QByteArrayView(start, piece.end), piece.last);
    SheetScan::Outcome outcome = SheetScan::Outcome::NeedMore;
    if (!isUtf16(QByteArrayView(start, piece.end))) {
        while ((outcome = scan.run(xml)) == SheetScan::Outcome::NeedMore) {
            piece = stream.next(piece.end);
            xml.extend(piece.end, piece.last);
        }
    }
    part = stream.finish();
    if (part != Part::Read)
        return refusePart(part, sheetPart);
    if (outcome != SheetScan::Outcome::Done)
        return readWhole(stream.whole());
    if (!scan.finish(content)) {
        setError(path, scan.refusal());
        return false;
    }
    return true;
}
