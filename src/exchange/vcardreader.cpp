#include "exchange/vcardreader.h"

#include "core/windows1252.h"
#include "exchange/utf8bytes.h"

#include <QStringDecoder>

#include <utility>

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }

bool isAscii(QByteArrayView bytes)
{
    for (char c : bytes) {
        if (uchar(c) >= 0x80)
            return false;
    }
    return true;
}

// Valid UTF-8 without a byte order mark or a non-character, which QString::fromUtf8 and a
// decoder read alike.
bool isPlainUtf8(QByteArrayView bytes)
{
    auto *p = reinterpret_cast<const unsigned char *>(bytes.data());
    auto *end = p + bytes.size();
    while (p < end) {
        int length = 0;
        Utf8Bytes::decodeOne(p, end, &length);
        if (length == 0)
            return false;
        p += length;
    }
    return true;
}

char upperAscii(char c) { return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c; }

// Whether `bytes` are `upper` (upper case) in any case of its ASCII letters.
bool equalsUpper(QByteArrayView bytes, QByteArrayView upper)
{
    if (bytes.size() != upper.size())
        return false;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (upperAscii(bytes[i]) != upper[i])
            return false;
    }
    return true;
}

// Whether `bytes` hold `upper` (upper case) in any case of its ASCII letters.
bool containsUpper(QByteArrayView bytes, QByteArrayView upper)
{
    for (qsizetype i = 0; i + upper.size() <= bytes.size(); ++i) {
        if (equalsUpper(bytes.sliced(i, upper.size()), upper))
            return true;
    }
    return false;
}

// A name or a bare parameter in upper case. The words cards are made of are shared strings,
// so that reading them makes none.
QString upperName(QByteArrayView bytes)
{
    static const QStringList known = {"BEGIN",
                                      "END",
                                      "VERSION",
                                      "N",
                                      "FN",
                                      "TEL",
                                      "ADR",
                                      "EMAIL",
                                      "URL",
                                      "NOTE",
                                      "ORG",
                                      "TITLE",
                                      "PHOTO",
                                      "TYPE",
                                      "PREF",
                                      "WORK",
                                      "HOME",
                                      "VOICE",
                                      "CELL",
                                      "FAX",
                                      "INTERNET",
                                      "VALUE",
                                      "LABEL",
                                      "CHARSET",
                                      "ENCODING",
                                      "X-CODICE-FISCALE",
                                      "X-PARTITA-IVA",
                                      "QUOTED-PRINTABLE"};
    static const QList<QByteArray> knownBytes = [] {
        QList<QByteArray> list;
        for (const QString &word : known)
            list << word.toLatin1();
        return list;
    }();
    for (qsizetype i = 0; i < knownBytes.size(); ++i) {
        if (equalsUpper(bytes, knownBytes.at(i)))
            return known.at(i);
    }
    return QString::fromLatin1(bytes).toUpper();
}

// The file as UTF-8 or single-byte text, without its byte order mark. A file in UTF-16
// (with its mark) is turned into UTF-8 first, into `converted`.
QByteArrayView withoutByteOrderMark(const QByteArray &bytes, QByteArray *converted)
{
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return QByteArrayView(bytes).sliced(3);
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")) {
        QStringDecoder decoder(bytes.startsWith("\xFF\xFE") ? QStringConverter::Utf16LE : QStringConverter::Utf16BE);
        *converted = QString(decoder(bytes.mid(2))).toUtf8();
        return *converted;
    }
    return bytes;
}

// Where the property's name and parameters end: the first ':' outside double quotes.
qsizetype headerEnd(QByteArrayView line)
{
    bool quoted = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (c == '"')
            quoted = !quoted;
        else if (c == ':' && !quoted)
            return i;
    }
    return -1;
}

bool isQuotedPrintable(QByteArrayView line)
{
    const qsizetype end = headerEnd(line);
    return end > 0 && containsUpper(line.first(end), "QUOTED-PRINTABLE");
}

bool isEndOfCard(QByteArrayView line) { return equalsUpper(line.trimmed(), "END:VCARD"); }

// Calls `take` with each logical line of the text: the physical lines (ended by LF or CR LF,
// with any CRs before the LF, as some phones write CR CR LF, or by CR alone in a text
// without LF) with folded lines joined (the break and the one blank or tab after it dropped)
// and quoted-printable values joined at their soft line breaks (a final '='). A line is a
// view into the text unless it is joined from several.
template<typename Take>
void forEachLogicalLine(QByteArrayView text, Take take)
{
    const char end = text.contains('\n') ? '\n' : '\r';
    QByteArray joined;      // the logical line, once it is made of several physical lines
    QByteArrayView current; // the logical line gathered so far: a physical line or `joined`
    bool isJoined = false;
    bool quotedPrintable = false;
    const auto append = [&](QByteArrayView more) {
        if (current.size() + more.size() > VCardReader::kMaxLineBytes)
            return;
        if (!isJoined) {
            joined.truncate(0); // keeps its room
            joined.append(current);
            isJoined = true;
        }
        joined.append(more);
        current = joined;
    };
    qsizetype start = 0;
    while (start <= text.size()) {
        qsizetype stop = text.indexOf(end, start);
        if (stop < 0)
            stop = text.size();
        qsizetype last = stop;
        while (last > start && text[last - 1] == '\r')
            --last;
        const QByteArrayView line = text.sliced(start, last - start);
        start = stop + 1;

        if (quotedPrintable && current.endsWith('=') && !isEndOfCard(line)) {
            // A soft line break: the next line goes on the value whole, blanks included.
            if (isJoined) {
                joined.chop(1);
                current = joined;
            } else {
                current.chop(1);
            }
            append(line);
        } else if (!current.isEmpty() && !line.isEmpty() && isBlank(line[0])) {
            append(line.sliced(1));
        } else {
            if (!current.isEmpty())
                take(current);
            isJoined = false;
            current = line.size() <= VCardReader::kMaxLineBytes ? line : QByteArrayView();
            quotedPrintable = isQuotedPrintable(current);
        }
    }
    if (!current.isEmpty())
        take(current);
}

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

QByteArray decodeQuotedPrintable(QByteArrayView text)
{
    QByteArray out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c != '=') {
            out += c;
            continue;
        }
        if (i + 2 < text.size() && hexValue(text[i + 1]) >= 0 && hexValue(text[i + 2]) >= 0) {
            out += char(hexValue(text[i + 1]) * 16 + hexValue(text[i + 2]));
            i += 2;
        } else if (i + 1 < text.size()) {
            out += c; // not an escape: kept as written
        }
        // A final '=' is a soft line break: dropped.
    }
    return out;
}

QString decodeText(QByteArrayView bytes, const QString &charset)
{
    if (charset.isEmpty() && isAscii(bytes))
        return QString::fromLatin1(bytes); // what either decoding gives
    if (charset.isEmpty() && isPlainUtf8(bytes))
        return QString::fromUtf8(bytes); // what the decoder below gives, without making one
    const QString c = charset.toUpper();
    if (c == QLatin1String("UTF-8") || c == QLatin1String("UTF8"))
        return QString::fromUtf8(bytes);
    if (c == QLatin1String("WINDOWS-1252") || c == QLatin1String("CP1252") || c == QLatin1String("ISO-8859-1")
        || c == QLatin1String("ISO-8859-15") || c == QLatin1String("LATIN1"))
        return Windows1252::decode(bytes.toByteArray());
    QStringDecoder utf8(QStringConverter::Utf8);
    const QString text = utf8(bytes);
    return utf8.hasError() ? Windows1252::decode(bytes.toByteArray()) : text;
}

// A parameter value: quotes taken off and, after 2.1, the caret escapes of RFC 6868
// undone (^n a line break, ^^ a caret, ^' a double quote).
QString parameterValue(QByteArrayView raw, bool carets)
{
    raw = raw.trimmed();
    if (raw.size() >= 2 && raw.startsWith('"') && raw.endsWith('"'))
        raw = raw.sliced(1, raw.size() - 2);
    // The types and positions cards are written with are shared strings, so that reading them
    // makes none.
    static const QStringList known = {"work", "WORK", "home", "HOME", "voice", "VOICE", "cell",     "CELL",
                                      "fax",  "FAX",  "pref", "PREF", "text",  "TEXT",  "INTERNET", "2"};
    for (const QString &word : known) {
        if (word.size() == raw.size() && QLatin1String(raw.data(), raw.size()) == word)
            return word;
    }
    QString text = decodeText(raw, QString());
    if (!carets || !text.contains(QLatin1Char('^')))
        return text;
    QString out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        const QChar next = i + 1 < text.size() ? text.at(i + 1) : QChar();
        if (c == QLatin1Char('^') && (next == QLatin1Char('n') || next == QLatin1Char('N'))) {
            out += QLatin1Char('\n');
            ++i;
        } else if (c == QLatin1Char('^') && next == QLatin1Char('^')) {
            out += QLatin1Char('^');
            ++i;
        } else if (c == QLatin1Char('^') && next == QLatin1Char('\'')) {
            out += QLatin1Char('"');
            ++i;
        } else {
            out += c;
        }
    }
    return out;
}

// Calls `take` with each part of `text` split at `separator` outside double quotes.
template<typename Take>
void forEachPart(QByteArrayView text, char separator, Take take)
{
    bool quoted = false;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '"')
            quoted = !quoted;
        else if (c == separator && !quoted) {
            take(text.sliced(start, i - start));
            start = i + 1;
        }
    }
    take(text.sliced(start));
}

bool isBinaryProperty(const QString &name)
{
    return name == QLatin1String("PHOTO") || name == QLatin1String("LOGO") || name == QLatin1String("SOUND")
           || name == QLatin1String("KEY");
}

// One parameter of a property's header (what follows a ';').
void addParameter(QByteArrayView p, bool carets, VCardProperty *property)
{
    const qsizetype eq = p.indexOf('=');
    if (eq < 0) {
        // vCard 2.1 writes a type or an encoding alone: TEL;WORK;VOICE, NOTE;QUOTED-PRINTABLE.
        const QByteArrayView word = p.trimmed();
        if (word.isEmpty())
            return;
        const QString bare = upperName(word);
        const bool encoding = bare == QLatin1String("QUOTED-PRINTABLE") || bare == QLatin1String("BASE64")
                              || bare == QLatin1String("B") || bare == QLatin1String("8BIT")
                              || bare == QLatin1String("7BIT");
        static const QString kEncoding = QStringLiteral("ENCODING");
        static const QString kType = QStringLiteral("TYPE");
        property->parameters.append({encoding ? kEncoding : kType, bare});
        return;
    }
    const QString name = upperName(p.first(eq).trimmed());
    const QByteArrayView raw = p.sliced(eq + 1);
    if (name == QLatin1String("TYPE")) {
        // TYPE=a,b and TYPE="a,b" are lists; each item is one type.
        const QString list = parameterValue(raw, carets);
        if (!list.contains(QLatin1Char(','))) {
            const QString item = list.trimmed();
            if (!item.isEmpty())
                property->parameters.append({name, item});
            return;
        }
        for (const QString &item : list.split(QLatin1Char(','))) {
            if (!item.trimmed().isEmpty())
                property->parameters.append({name, item.trimmed()});
        }
    } else {
        property->parameters.append({name, parameterValue(raw, carets)});
    }
}

// One logical line as a property; false for a line that is none.
bool parseProperty(QByteArrayView line, const QString &version, VCardProperty *property)
{
    const qsizetype end = headerEnd(line);
    if (end <= 0)
        return false;
    const bool carets = version != QLatin1String("2.1");
    bool first = true;
    bool named = true;
    forEachPart(line.first(end), ';', [&](QByteArrayView part) {
        if (!first) {
            addParameter(part, carets, property);
            return;
        }
        first = false;
        const QByteArrayView fullName = part.trimmed();
        const qsizetype dot = fullName.lastIndexOf('.');
        if (dot > 0)
            property->group = QString::fromLatin1(fullName.first(dot));
        property->name = upperName(fullName.sliced(dot + 1));
        named = !property->name.isEmpty();
    });
    if (!named) {
        *property = VCardProperty();
        return false;
    }

    const QByteArrayView rawValue = line.sliced(end + 1);
    if (property->parameters.isEmpty() && !isBinaryProperty(property->name)) {
        property->value = decodeText(rawValue, QString());
        return true;
    }
    const QString encoding = property->parameter(QStringLiteral("ENCODING")).toUpper();
    const QString valueType = property->parameter(QStringLiteral("VALUE")).toUpper();
    if (encoding == QLatin1String("B") || encoding == QLatin1String("BASE64") || valueType == QLatin1String("BINARY")
        || (isBinaryProperty(property->name) && rawValue.trimmed().toByteArray().toLower().startsWith("data:"))) {
        property->binary = true;
        return true;
    }
    if (encoding == QLatin1String("QUOTED-PRINTABLE"))
        property->value = decodeText(decodeQuotedPrintable(rawValue), property->parameter(QStringLiteral("CHARSET")));
    else
        property->value = decodeText(rawValue, property->parameter(QStringLiteral("CHARSET")));
    return true;
}

} // namespace

QStringList VCardProperty::types() const
{
    QStringList list;
    for (const auto &[name, value] : parameters) {
        if (name == QLatin1String("TYPE"))
            list << value.toUpper();
    }
    return list;
}

QString VCardProperty::parameter(const QString &name) const
{
    for (const auto &[n, value] : parameters) {
        if (n == name)
            return value;
    }
    return {};
}

QList<const VCardProperty *> VCard::all(const QString &name) const
{
    QList<const VCardProperty *> list;
    for (const VCardProperty &p : properties) {
        if (p.name == name)
            list << &p;
    }
    return list;
}

QList<VCard> VCardReader::read(const QByteArray &bytes)
{
    QList<VCard> cards;
    forEachCard(bytes, [&cards](VCard &&card) { cards << std::move(card); });
    return cards;
}

void VCardReader::forEachCard(const QByteArray &bytes, const std::function<void(VCard &&)> &take)
{
    VCard card;
    bool open = false;
    QByteArray converted;
    forEachLogicalLine(withoutByteOrderMark(bytes, &converted), [&](QByteArrayView line) {
        VCardProperty property;
        if (!parseProperty(line, card.version, &property))
            return;
        const auto aboutCard = [&property] {
            return property.value.trimmed().compare(QLatin1String("VCARD"), Qt::CaseInsensitive) == 0;
        };
        if (property.name == QLatin1String("BEGIN") && aboutCard()) {
            if (open)
                take(std::move(card));
            card = VCard();
            card.properties.reserve(16); // the properties of a usual card
            open = true;
        } else if (property.name == QLatin1String("END") && aboutCard()) {
            if (open)
                take(std::move(card));
            card = VCard();
            open = false;
        } else if (!open) {
            return;
        } else if (property.name == QLatin1String("VERSION")) {
            card.version = property.value.trimmed();
        } else {
            card.properties << std::move(property);
        }
    });
    if (open)
        take(std::move(card));
}

QString VCardReader::unescape(QStringView value)
{
    if (!value.contains(QLatin1Char('\\')))
        return value.toString();
    QString out;
    out.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value.at(i);
        if (c != QLatin1Char('\\') || i + 1 == value.size()) {
            out += c;
            continue;
        }
        const QChar next = value.at(++i);
        if (next == QLatin1Char('n') || next == QLatin1Char('N'))
            out += QLatin1Char('\n');
        else if (next == QLatin1Char(',') || next == QLatin1Char(';') || next == QLatin1Char(':')
                 || next == QLatin1Char('\\'))
            out += next;
        else
            out += QString(c) + next; // not an escape: kept as written
    }
    return out;
}

QStringList VCardReader::components(QStringView value)
{
    QStringList parts;
    parts.reserve(7); // the parts of an address
    qsizetype start = 0;
    for (qsizetype i = 0; i < value.size(); ++i) {
        if (value.at(i) == QLatin1Char('\\')) {
            ++i;
        } else if (value.at(i) == QLatin1Char(';')) {
            parts << unescape(value.mid(start, i - start));
            start = i + 1;
        }
    }
    parts << unescape(value.mid(start));
    return parts;
}
