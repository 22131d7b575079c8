#include "exchange/vcardreader.h"

#include "core/windows1252.h"

#include <QStringDecoder>

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }

// The file as UTF-8 or single-byte text, without its byte order mark. A file in UTF-16
// (with its mark) is turned into UTF-8 first.
QByteArray withoutByteOrderMark(const QByteArray &bytes)
{
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return bytes.mid(3);
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")) {
        QStringDecoder decoder(bytes.startsWith("\xFF\xFE") ? QStringConverter::Utf16LE : QStringConverter::Utf16BE);
        return QString(decoder(bytes.mid(2))).toUtf8();
    }
    return bytes;
}

// The lines of the file without their ends: LF or CR LF (with any CRs before the LF, as
// some phones write CR CR LF), or CR alone in a file without LF.
QList<QByteArray> physicalLines(const QByteArray &bytes)
{
    const char end = bytes.contains('\n') ? '\n' : '\r';
    QList<QByteArray> lines;
    qsizetype start = 0;
    while (start <= bytes.size()) {
        qsizetype stop = bytes.indexOf(end, start);
        if (stop < 0)
            stop = bytes.size();
        qsizetype last = stop;
        while (last > start && bytes.at(last - 1) == '\r')
            --last;
        lines << bytes.mid(start, last - start);
        start = stop + 1;
    }
    return lines;
}

// Where the property's name and parameters end: the first ':' outside double quotes.
qsizetype headerEnd(const QByteArray &line)
{
    bool quoted = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const char c = line.at(i);
        if (c == '"')
            quoted = !quoted;
        else if (c == ':' && !quoted)
            return i;
    }
    return -1;
}

bool isQuotedPrintable(const QByteArray &line)
{
    const qsizetype end = headerEnd(line);
    return end > 0 && line.left(end).toUpper().contains("QUOTED-PRINTABLE");
}

bool isEndOfCard(const QByteArray &line) { return line.trimmed().toUpper() == "END:VCARD"; }

// The logical lines: folded lines joined (the break and the one blank or tab after it
// dropped) and quoted-printable values joined at their soft line breaks (a final '=').
QList<QByteArray> logicalLines(const QList<QByteArray> &lines)
{
    QList<QByteArray> logical;
    QByteArray current;
    bool quotedPrintable = false;
    auto append = [&current](QByteArrayView more) {
        if (current.size() + more.size() <= VCardReader::kMaxLineBytes)
            current += more;
    };
    for (const QByteArray &line : lines) {
        if (quotedPrintable && current.endsWith('=') && !isEndOfCard(line)) {
            // A soft line break: the next line goes on the value whole, blanks included.
            current.chop(1);
            append(line);
        } else if (!current.isEmpty() && !line.isEmpty() && isBlank(line.at(0))) {
            append(QByteArrayView(line.constData() + 1, line.size() - 1));
        } else {
            if (!current.isEmpty())
                logical << current;
            current.clear();
            append(line);
            quotedPrintable = isQuotedPrintable(current);
        }
    }
    if (!current.isEmpty())
        logical << current;
    return logical;
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

QByteArray decodeQuotedPrintable(const QByteArray &text)
{
    QByteArray out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char c = text.at(i);
        if (c != '=') {
            out += c;
            continue;
        }
        if (i + 2 < text.size() && hexValue(text.at(i + 1)) >= 0 && hexValue(text.at(i + 2)) >= 0) {
            out += char(hexValue(text.at(i + 1)) * 16 + hexValue(text.at(i + 2)));
            i += 2;
        } else if (i + 1 < text.size()) {
            out += c; // not an escape: kept as written
        }
        // A final '=' is a soft line break: dropped.
    }
    return out;
}

QString decodeText(const QByteArray &bytes, const QString &charset)
{
    const QString c = charset.toUpper();
    if (c == QLatin1String("UTF-8") || c == QLatin1String("UTF8"))
        return QString::fromUtf8(bytes);
    if (c == QLatin1String("WINDOWS-1252") || c == QLatin1String("CP1252") || c == QLatin1String("ISO-8859-1")
        || c == QLatin1String("ISO-8859-15") || c == QLatin1String("LATIN1"))
        return Windows1252::decode(bytes);
    QStringDecoder utf8(QStringConverter::Utf8);
    const QString text = utf8(bytes);
    return utf8.hasError() ? Windows1252::decode(bytes) : text;
}

// A parameter value: quotes taken off and, after 2.1, the caret escapes of RFC 6868
// undone (^n a line break, ^^ a caret, ^' a double quote).
QString parameterValue(QByteArray raw, bool carets)
{
    raw = raw.trimmed();
    if (raw.size() >= 2 && raw.startsWith('"') && raw.endsWith('"'))
        raw = raw.mid(1, raw.size() - 2);
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

// Splits at `separator` outside double quotes.
QList<QByteArray> splitOutsideQuotes(const QByteArray &text, char separator)
{
    QList<QByteArray> parts;
    QByteArray part;
    bool quoted = false;
    for (char c : text) {
        if (c == '"')
            quoted = !quoted;
        if (c == separator && !quoted) {
            parts << part;
            part.clear();
        } else {
            part += c;
        }
    }
    parts << part;
    return parts;
}

bool isBinaryProperty(const QString &name)
{
    return name == QLatin1String("PHOTO") || name == QLatin1String("LOGO") || name == QLatin1String("SOUND")
           || name == QLatin1String("KEY");
}

// One logical line as a property; false for a line that is none.
bool parseProperty(const QByteArray &line, const QString &version, VCardProperty *property)
{
    const qsizetype end = headerEnd(line);
    if (end <= 0)
        return false;
    const QList<QByteArray> header = splitOutsideQuotes(line.left(end), ';');
    const QByteArray fullName = header.first().trimmed();
    const qsizetype dot = fullName.lastIndexOf('.');
    property->group = QString::fromLatin1(fullName.left(dot < 0 ? 0 : dot));
    property->name = QString::fromLatin1(fullName.mid(dot + 1)).toUpper();
    if (property->name.isEmpty())
        return false;
    const bool carets = version != QLatin1String("2.1");
    for (qsizetype i = 1; i < header.size(); ++i) {
        const QByteArray &p = header.at(i);
        const qsizetype eq = p.indexOf('=');
        if (eq < 0) {
            // vCard 2.1 writes a type or an encoding alone: TEL;WORK;VOICE, NOTE;QUOTED-PRINTABLE.
            const QString bare = QString::fromLatin1(p.trimmed()).toUpper();
            if (bare.isEmpty())
                continue;
            const bool encoding = bare == QLatin1String("QUOTED-PRINTABLE") || bare == QLatin1String("BASE64")
                                  || bare == QLatin1String("B") || bare == QLatin1String("8BIT")
                                  || bare == QLatin1String("7BIT");
            property->parameters.append({encoding ? QStringLiteral("ENCODING") : QStringLiteral("TYPE"), bare});
            continue;
        }
        const QString name = QString::fromLatin1(p.left(eq).trimmed()).toUpper();
        const QByteArray raw = p.mid(eq + 1);
        if (name == QLatin1String("TYPE")) {
            // TYPE=a,b and TYPE="a,b" are lists; each item is one type.
            for (const QString &item : parameterValue(raw, carets).split(QLatin1Char(','))) {
                if (!item.trimmed().isEmpty())
                    property->parameters.append({name, item.trimmed()});
            }
        } else {
            property->parameters.append({name, parameterValue(raw, carets)});
        }
    }

    const QByteArray rawValue = line.mid(end + 1);
    const QString encoding = property->parameter(QStringLiteral("ENCODING")).toUpper();
    const QString valueType = property->parameter(QStringLiteral("VALUE")).toUpper();
    if (encoding == QLatin1String("B") || encoding == QLatin1String("BASE64") || valueType == QLatin1String("BINARY")
        || (isBinaryProperty(property->name) && rawValue.trimmed().toLower().startsWith("data:"))) {
        property->binary = true;
        return true;
    }
    const QByteArray bytes = encoding == QLatin1String("QUOTED-PRINTABLE") ? decodeQuotedPrintable(rawValue) : rawValue;
    property->value = decodeText(bytes, property->parameter(QStringLiteral("CHARSET")));
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
    VCard card;
    bool open = false;
    for (const QByteArray &line : logicalLines(physicalLines(withoutByteOrderMark(bytes)))) {
        VCardProperty property;
        if (!parseProperty(line, card.version, &property))
            continue;
        const bool aboutCard = property.value.trimmed().compare(QLatin1String("VCARD"), Qt::CaseInsensitive) == 0;
        if (property.name == QLatin1String("BEGIN") && aboutCard) {
            if (open)
                cards << card;
            card = VCard();
            open = true;
        } else if (property.name == QLatin1String("END") && aboutCard) {
            if (open)
                cards << card;
            card = VCard();
            open = false;
        } else if (!open) {
            continue;
        } else if (property.name == QLatin1String("VERSION")) {
            card.version = property.value.trimmed();
        } else {
            card.properties << property;
        }
    }
    if (open)
        cards << card;
    return cards;
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
