#include "exchange/vcardmapping.h"

#include <QRegularExpression>

#include <algorithm>
#include <array>
#include <initializer_list>

namespace VCardMapping {

namespace {

// The text of a value, shared with it where it has no escapes.
QString unescaped(const QString &value)
{
    return value.contains(QLatin1Char('\\')) ? VCardReader::unescape(value) : value;
}

// A value for a field of one line: its line breaks become `separator`.
QString oneLine(const QString &text, const QString &separator = QStringLiteral(" "))
{
    static const QRegularExpression breaks(QStringLiteral("\\s*(\\r\\n|\\r|\\n)+\\s*"));
    QString line = text.trimmed();
    // Most values are one line already: the expression only runs on those that are not.
    if (line.contains(QLatin1Char('\n')) || line.contains(QLatin1Char('\r')))
        line.replace(breaks, separator);
    return line;
}

QString joined(std::initializer_list<QString> parts, const QString &separator)
{
    QString out;
    for (const QString &part : parts) {
        const QString p = oneLine(part, separator);
        if (p.isEmpty())
            continue;
        if (!out.isEmpty())
            out += separator;
        out += p;
    }
    return out;
}

// Whether one of the property's types is `type` (upper case), in any case.
bool hasType(const VCardProperty &property, QLatin1String type)
{
    for (const auto &[name, value] : property.parameters) {
        if (name == QLatin1String("TYPE") && value.compare(type, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

// The person columns a card fills, by their index, looked up once.
struct Columns
{
    int cognome, nome, qualifica, via, citta, cap, telefono1, telefono2, fax, cell1, cell2, email, sito, note,
        codiceFiscale, partitaIva;
};

int indexOf(QStringView name)
{
    const int index = PersonValues::indexOf(name);
    if (index < 0)
        qFatal("%s is no person column", qPrintable(name.toString()));
    return index;
}

const Columns &col()
{
    static const Columns columns = {
        indexOf(u"Cognome"),       indexOf(u"Nome"),         indexOf(u"Qualifica"),        indexOf(u"Via"),
        indexOf(u"Città"),         indexOf(u"CAP"),          indexOf(u"Numero_telefono1"), indexOf(u"Numero_telefono2"),
        indexOf(u"Numero_fax"),    indexOf(u"Numero_cell1"), indexOf(u"Numero_cell2"),     indexOf(u"E_mail"),
        indexOf(u"Sito_internet"), indexOf(u"Note"),         indexOf(u"Codice_fiscale"),   indexOf(u"Partita_iva")};
    return columns;
}

// Fills the first empty one of `columns` with `value`; false when all are taken.
bool place(PersonValues &values, std::initializer_list<int> columns, const QString &value)
{
    for (int column : columns) {
        QString &field = values[column];
        if (field.isEmpty()) {
            field = value;
            return true;
        }
    }
    return false;
}

QString phoneNumber(const QString &value)
{
    QString number = oneLine(unescaped(value));
    while (number.startsWith(QLatin1String("tel:"), Qt::CaseInsensitive))
        number = number.mid(4).trimmed();
    return number;
}

void readAddress(const VCardProperty &property, ImportedPerson &person)
{
    const QStringList parts = VCardReader::components(property.value);
    auto part = [&parts](int i) { return i < parts.size() ? parts.at(i).trimmed() : QString(); };
    // Post office box; extended address; street; locality; region; postal code; country.
    const QString via = joined({part(2), part(1)}, QStringLiteral(", "));
    const QString city = oneLine(part(3));
    const QString postal = oneLine(part(5));
    PersonValues &v = person.values;
    const Columns &c = col();
    if (v.at(c.via).isEmpty() && v.at(c.citta).isEmpty() && v.at(c.cap).isEmpty()) {
        v[c.via] = via;
        v[c.citta] = city;
        v[c.cap] = postal;
        const QString rest = joined({part(0), part(4), part(6)}, QStringLiteral(", "));
        if (!rest.isEmpty())
            person.leftOut << QStringLiteral("Parte dell'indirizzo: %1").arg(rest);
        return;
    }
    const QString whole = joined({part(0), via, postal, city, part(4), part(6)}, QStringLiteral(", "));
    if (!whole.isEmpty())
        person.leftOut << QStringLiteral("Indirizzo: %1").arg(whole);
}

void readPhone(const VCardProperty &property, ImportedPerson &person)
{
    const QString number = phoneNumber(property.value);
    if (number.isEmpty())
        return;
    // Our own cards mark a second number whose first is empty, so that it comes back second.
    const bool second = property.parameter(kPositionParameter) == QLatin1String("2");
    const Columns &c = col();
    if (hasType(property, QLatin1String("FAX"))) {
        if (!place(person.values, {c.fax}, number))
            person.leftOut << QStringLiteral("Fax: %1").arg(number);
    } else if (hasType(property, QLatin1String("CELL"))) {
        if (!(second ? place(person.values, {c.cell2, c.cell1}, number)
                     : place(person.values, {c.cell1, c.cell2}, number)))
            person.leftOut << QStringLiteral("Cellulare: %1").arg(number);
    } else if (!(second ? place(person.values, {c.telefono2, c.telefono1}, number)
                        : place(person.values, {c.telefono1, c.telefono2}, number))) {
        person.leftOut << QStringLiteral("Telefono: %1").arg(number);
    }
}

// A property of one value: the first fills `column`, the others are left out as `label`.
void readSingle(const VCardProperty &property, ImportedPerson &person, int column, const QString &label,
                bool multiline = false)
{
    QString value = unescaped(property.value).trimmed();
    if (multiline)
        value.replace(QLatin1String("\r\n"), QLatin1String("\n")).replace(QLatin1Char('\r'), QLatin1Char('\n'));
    else
        value = oneLine(value);
    if (value.isEmpty())
        return;
    if (!place(person.values, {column}, value))
        person.leftOut << QStringLiteral("%1: %2").arg(label, oneLine(value));
}

void readName(const VCard &card, ImportedPerson &person)
{
    PersonValues &v = person.values;
    const Columns &c = col();
    const auto name = std::find_if(card.properties.cbegin(), card.properties.cend(),
                                   [](const VCardProperty &p) { return p.name == QLatin1String("N"); });
    if (name != card.properties.cend()) {
        const QStringList parts = VCardReader::components(name->value);
        // Family name; given name; additional names; honorific prefixes; honorific suffixes.
        std::array<QString, 5> part;
        for (qsizetype i = 0; i < qsizetype(part.size()) && i < parts.size(); ++i)
            part[size_t(i)] = oneLine(parts.at(i));
        v[c.cognome] = part[0];
        v[c.nome] = part[2].isEmpty() ? part[1] : joined({part[1], part[2]}, QStringLiteral(" "));
        v[c.qualifica] = part[3];
        if (!part[4].isEmpty())
            person.leftOut << QStringLiteral("Titolo dopo il nome: %1").arg(part[4]);
    }
    if (!v.at(c.cognome).isEmpty() || !v.at(c.nome).isEmpty())
        return;
    // No name: the formatted name, or the organisation, stands as the surname.
    for (const char *fallback : {"FN", "ORG"}) {
        const QList<const VCardProperty *> list = card.all(QLatin1String(fallback));
        if (list.isEmpty())
            continue;
        const QString text = joined({VCardReader::components(list.first()->value).value(0)}, QStringLiteral(" "));
        if (!text.isEmpty()) {
            v[c.cognome] = text;
            return;
        }
    }
}

} // namespace

ImportedPerson fromCard(const VCard &card)
{
    ImportedPerson person;
    const Columns &c = col();
    readName(card, person);
    for (const VCardProperty &p : card.properties) {
        if (p.binary)
            continue;
        if (p.name == QLatin1String("ADR"))
            readAddress(p, person);
        else if (p.name == QLatin1String("TEL"))
            readPhone(p, person);
        else if (p.name == QLatin1String("EMAIL"))
            readSingle(p, person, c.email, QStringLiteral("E-Mail"));
        else if (p.name == QLatin1String("URL"))
            readSingle(p, person, c.sito, QStringLiteral("Sito internet"));
        else if (p.name == QLatin1String("NOTE"))
            readSingle(p, person, c.note, QStringLiteral("Nota"), true);
        else if (p.name == kFiscalCodeProperty)
            readSingle(p, person, c.codiceFiscale, QStringLiteral("Codice fiscale"));
        else if (p.name == kVatNumberProperty)
            readSingle(p, person, c.partitaIva, QStringLiteral("Partita IVA"));
    }
    return person;
}

QString escaped(const QString &text)
{
    QString out;
    out.reserve(text.size() + 8);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('\\') || c == QLatin1Char(',') || c == QLatin1Char(';')) {
            out += QLatin1Char('\\');
            out += c;
        } else if (c == QLatin1Char('\r')) {
            out += QLatin1String("\\n");
            if (i + 1 < text.size() && text.at(i + 1) == QLatin1Char('\n'))
                ++i;
        } else if (c == QLatin1Char('\n')) {
            out += QLatin1String("\\n");
        } else {
            out += c;
        }
    }
    return out;
}

QByteArray folded(const QByteArray &line)
{
    constexpr qsizetype kOctets = 75;
    QByteArray out;
    out.reserve(line.size() + line.size() / 70 * 3 + 2);
    qsizetype start = 0;
    qsizetype room = kOctets; // the first line holds 75 octets, the others a blank and 74
    while (line.size() - start > room) {
        qsizetype cut = start + room;
        // Never inside a UTF-8 sequence: back to the byte that starts the character.
        while (cut > start + 1 && (uchar(line.at(cut)) & 0xC0) == 0x80)
            --cut;
        out += line.mid(start, cut - start);
        out += "\r\n ";
        start = cut;
        room = kOctets - 1;
    }
    out += line.mid(start);
    out += "\r\n";
    return out;
}

QByteArray toCard(const PersonValues &person, Version version)
{
    const bool v4 = version == Version::V4;
    const Columns &c = col();
    auto field = [&person](int column) { return person.at(column).trimmed(); };
    QByteArray out = "BEGIN:VCARD\r\n";
    out += v4 ? "VERSION:4.0\r\n" : "VERSION:3.0\r\n";
    auto line = [&out](const QString &text) { out += folded(text.toUtf8()); };

    line(QStringLiteral("FN:")
         + escaped(joined({field(c.qualifica), field(c.nome), field(c.cognome)}, QStringLiteral(" "))));
    line(QStringLiteral("N:%1;%2;;%3;")
             .arg(escaped(field(c.cognome)), escaped(field(c.nome)), escaped(field(c.qualifica))));
    if (!field(c.via).isEmpty() || !field(c.citta).isEmpty() || !field(c.cap).isEmpty()) {
        line(QStringLiteral("ADR;TYPE=%1:;;%2;%3;;%4;")
                 .arg(v4 ? QStringLiteral("work") : QStringLiteral("WORK"), escaped(field(c.via)),
                      escaped(field(c.citta)), escaped(field(c.cap))));
    }
    const struct
    {
        int column;
        const char *type;
        int first; // for a second number: the first of its kind; -1 for none
    } phones[] = {{c.telefono1, "voice", -1},
                  {c.telefono2, "voice", c.telefono1},
                  {c.fax, "fax", -1},
                  {c.cell1, "cell", -1},
                  {c.cell2, "cell", c.cell1}};
    for (const auto &phone : phones) {
        const QString number = field(phone.column);
        if (number.isEmpty())
            continue;
        const QString type = v4 ? QLatin1String(phone.type) : QString::fromLatin1(phone.type).toUpper();
        const QString position = phone.first >= 0 && field(phone.first).isEmpty()
                                     ? QStringLiteral(";%1=2").arg(kPositionParameter)
                                     : QString();
        line(QStringLiteral("TEL;TYPE=%1%2:%3").arg(type, position, escaped(number)));
    }
    if (!field(c.email).isEmpty())
        line((v4 ? QStringLiteral("EMAIL:") : QStringLiteral("EMAIL;TYPE=INTERNET:")) + escaped(field(c.email)));
    // An address is a URI, written as it is (a line break has no place in one).
    if (!field(c.sito).isEmpty())
        line(QStringLiteral("URL:") + oneLine(field(c.sito), QString()));
    if (!field(c.note).isEmpty())
        line(QStringLiteral("NOTE:") + escaped(field(c.note)));
    if (!field(c.codiceFiscale).isEmpty())
        line(kFiscalCodeProperty + QLatin1Char(':') + escaped(field(c.codiceFiscale)));
    if (!field(c.partitaIva).isEmpty())
        line(kVatNumberProperty + QLatin1Char(':') + escaped(field(c.partitaIva)));
    out += "END:VCARD\r\n";
    return out;
}

} // namespace VCardMapping
