#include "exchange/vcardfile.h"

#include "data/query.h"
#include "data/rowstore.h"
#include "exchange/sheetimport.h"
#include "exchange/utf8bytes.h"
#include "exchange/vcardreader.h"

#include <QChar>
#include <QDir>
#include <QSaveFile>

#include <cstring>
#include <string>
#include <utility>

namespace VCardFile {

namespace {

enum Column {
    Cognome,
    Nome,
    Qualifica,
    Via,
    Citta,
    Cap,
    Telefono1,
    Telefono2,
    Fax,
    Cell1,
    Cell2,
    EMail,
    Sito,
    Note,
    CodiceFiscale,
    PartitaIva,
    kColumns
};
static_assert(kColumns == std::tuple_size_v<CardFields>);

bool isAsciiSpace(unsigned char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// The bytes a text value escapes: the backslash, the comma, the semicolon, the line breaks.
constexpr std::array<bool, 256> kEscapedBytes = [] {
    std::array<bool, 256> bytes{};
    for (char c : {'\\', ',', ';', '\r', '\n'})
        bytes[static_cast<unsigned char>(c)] = true;
    return bytes;
}();

// The field without the ASCII blanks at its ends, and whether it has a byte to escape; false
// when the bytes may not give the same text as QString's trimmed() of their decoding (see
// appendCard()), or hold a line break where `oneLine` says that one would be joined.
bool plainField(std::string_view raw, bool oneLine, std::string_view *trimmed, bool *escapes)
{
    using Utf8Bytes::hasByte;
    auto *p = reinterpret_cast<const unsigned char *>(raw.data());
    auto *end = p + raw.size();
    while (p < end && isAsciiSpace(*p))
        ++p;
    while (end > p && isAsciiSpace(end[-1]))
        --end;
    bool first = true;
    *escapes = false;
    for (const unsigned char *q = p; q < end;) {
        if (end - q >= 8) {
            // Eight ASCII bytes at once, unless one of them is a line break.
            const uint64_t w = Utf8Bytes::word(q);
            if ((w & Utf8Bytes::kHighBits) == 0 && !(hasByte(w, '\r') | hasByte(w, '\n'))) {
                *escapes = *escapes || (hasByte(w, '\\') | hasByte(w, ',') | hasByte(w, ';'));
                q += 8;
                first = false;
                continue;
            }
        }
        if (*q < 0x80) {
            if (kEscapedBytes[*q]) {
                if (oneLine && (*q == '\r' || *q == '\n'))
                    return false;
                *escapes = true;
            }
            ++q;
            first = false;
            continue;
        }
        int length = 0;
        const char32_t code = Utf8Bytes::decodeOne(q, end, &length);
        if (length == 0 || (first && QChar::isSpace(code)))
            return false;
        first = false;
        if (q + length == end && QChar::isSpace(code))
            return false;
        q += length;
    }
    *trimmed = std::string_view(reinterpret_cast<const char *>(p), size_t(end - p));
    return true;
}

// A text value with its escapes, as VCardMapping::escaped() writes it, at `to` (twice the
// text's bytes of room); returns the end of what is written.
char *putEscaped(std::string_view text, char *to)
{
    const char *p = text.data();
    const char *end = p + text.size();
    for (; p < end; ++p) {
        // Eight bytes at once where none is escaped (the room holds them).
        while (end - p >= 8) {
            const uint64_t w = Utf8Bytes::word(p);
            if (Utf8Bytes::hasByte(w, '\\') | Utf8Bytes::hasByte(w, ',') | Utf8Bytes::hasByte(w, ';')
                | Utf8Bytes::hasByte(w, '\r') | Utf8Bytes::hasByte(w, '\n'))
                break;
            std::memcpy(to, p, 8);
            to += 8;
            p += 8;
        }
        if (p == end)
            break;
        const char c = *p;
        if (!kEscapedBytes[static_cast<unsigned char>(c)]) {
            *to++ = c;
        } else if (c == '\r' || c == '\n') {
            *to++ = '\\';
            *to++ = 'n';
            if (c == '\r' && p + 1 < end && p[1] == '\n')
                ++p;
        } else {
            *to++ = '\\';
            *to++ = c;
        }
    }
    return to;
}

char *put(std::string_view text, char *to)
{
    std::memcpy(to, text.data(), text.size());
    return to + text.size();
}

// Ends the content line written from `line` to `to`: folded at 75 octets, never inside a
// UTF-8 sequence, as VCardMapping::folded(), then CR LF. A folded line takes 3 bytes more for
// every 71 or more of its own. Returns the end of the line.
char *endLine(char *line, char *to)
{
    constexpr qsizetype kOctets = 75;
    if (to - line > kOctets) {
        const std::string whole(line, size_t(to - line)); // rare: a long note or address
        const auto size = qsizetype(whole.size());
        qsizetype start = 0;
        qsizetype room = kOctets;
        to = line;
        while (size - start > room) {
            qsizetype cut = start + room;
            while (cut > start + 1 && (uchar(whole[size_t(cut)]) & 0xC0) == 0x80)
                --cut;
            to = put(std::string_view(whole.data() + start, size_t(cut - start)), to);
            to = put("\r\n ", to);
            start = cut;
            room = kOctets - 1;
        }
        to = put(std::string_view(whole.data() + start, size_t(size - start)), to);
    }
    *to++ = '\r';
    *to++ = '\n';
    return to;
}

} // namespace

const QStringList &cardColumns()
{
    static const QStringList columns = {"Cognome",       "Nome",         "Qualifica",        "Via",
                                        "Città",         "CAP",          "Numero_telefono1", "Numero_telefono2",
                                        "Numero_fax",    "Numero_cell1", "Numero_cell2",     "E_mail",
                                        "Sito_internet", "Note",         "Codice_fiscale",   "Partita_iva"};
    return columns;
}

void appendCard(const CardFields &fields, VCardMapping::Version version, QByteArray *out)
{
    std::array<std::string_view, kColumns> f;
    std::array<bool, kColumns> escapes;
    for (int c = 0; c < kColumns; ++c) {
        const bool oneLine = c == Cognome || c == Nome || c == Qualifica || c == Sito;
        if (!plainField(fields[size_t(c)], oneLine, &f[size_t(c)], &escapes[size_t(c)])) {
            // A card the bytes cannot be trusted to give: made from its texts.
            PersonValues person;
            for (int k = 0; k < kColumns; ++k) {
                const std::string_view v = fields[size_t(k)];
                person.insert(cardColumns().at(k), QString::fromUtf8(v.data(), qsizetype(v.size())));
            }
            out->append(VCardMapping::toCard(person, version));
            return;
        }
    }
    // The card is written straight into room enough for it: every value escaped (Qualifica,
    // Nome and Cognome twice), every line folded, the names and parameters.
    size_t text = 0;
    for (const std::string_view &field : f)
        text += field.size();
    const qsizetype at = out->size();
    out->resize(at + qsizetype(5 * text + 1024));
    char *const begin = out->data() + at;
    char *to = begin;
    // A field's value, escaped where it has to be.
    const auto value = [&](Column c, char *to) { return escapes[c] ? putEscaped(f[c], to) : put(f[c], to); };
    const bool v4 = version == VCardMapping::Version::V4;
    to = put(v4 ? "BEGIN:VCARD\r\nVERSION:4.0\r\n" : "BEGIN:VCARD\r\nVERSION:3.0\r\n", to);
    char *line = to;
    to = put("FN:", to);
    bool any = false;
    for (Column c : {Qualifica, Nome, Cognome}) {
        if (f[c].empty())
            continue;
        if (any)
            *to++ = ' ';
        to = value(c, to);
        any = true;
    }
    to = endLine(line, to);
    line = to;
    to = put("N:", to);
    to = value(Cognome, to);
    *to++ = ';';
    to = value(Nome, to);
    to = put(";;", to);
    to = value(Qualifica, to);
    *to++ = ';';
    to = endLine(line, to);
    if (!f[Via].empty() || !f[Citta].empty() || !f[Cap].empty()) {
        line = to;
        to = put(v4 ? "ADR;TYPE=work:;;" : "ADR;TYPE=WORK:;;", to);
        to = value(Via, to);
        *to++ = ';';
        to = value(Citta, to);
        to = put(";;", to);
        to = value(Cap, to);
        *to++ = ';';
        to = endLine(line, to);
    }
    static const QByteArray position = VCardMapping::kPositionParameter.toLatin1();
    const struct
    {
        Column column;
        std::string_view type4;
        std::string_view type3;
        int first; // for a second number: the first of its kind, -1 for none
    } phones[] = {{Telefono1, "voice", "VOICE", -1},
                  {Telefono2, "voice", "VOICE", Telefono1},
                  {Fax, "fax", "FAX", -1},
                  {Cell1, "cell", "CELL", -1},
                  {Cell2, "cell", "CELL", Cell1}};
    for (const auto &phone : phones) {
        if (f[phone.column].empty())
            continue;
        line = to;
        to = put("TEL;TYPE=", to);
        to = put(v4 ? phone.type4 : phone.type3, to);
        if (phone.first >= 0 && f[size_t(phone.first)].empty()) {
            *to++ = ';';
            to = put(std::string_view(position.constData(), size_t(position.size())), to);
            to = put("=2", to);
        }
        *to++ = ':';
        to = value(phone.column, to);
        to = endLine(line, to);
    }
    if (!f[EMail].empty()) {
        line = to;
        to = put(v4 ? "EMAIL:" : "EMAIL;TYPE=INTERNET:", to);
        to = value(EMail, to);
        to = endLine(line, to);
    }
    if (!f[Sito].empty()) {
        line = to;
        to = put("URL:", to);
        to = put(f[Sito], to);
        to = endLine(line, to);
    }
    const struct
    {
        Column column;
        std::string_view name;
    } singles[] = {{Note, "NOTE:"}, {CodiceFiscale, "X-CODICE-FISCALE:"}, {PartitaIva, "X-PARTITA-IVA:"}};
    for (const auto &single : singles) {
        if (f[single.column].empty())
            continue;
        line = to;
        to = put(single.name, to);
        to = value(single.column, to);
        to = endLine(line, to);
    }
    to = put("END:VCARD\r\n", to);
    out->resize(at + (to - begin));
}

ExportResult write(const Query &query, const QString &path, VCardMapping::Version version)
{
    ExportResult result;
    const QString native = QDir::toNativeSeparators(path);
    // Per card column: its result column, -1 when the result has none, and whether its cells
    // are read from the stored rows as they are (a text column: the same as its shown text).
    std::array<int, kColumns> index;
    std::array<bool, kColumns> stored;
    for (int c = 0; c < kColumns; ++c) {
        index[size_t(c)] = query.fieldIndex(cardColumns().at(c));
        stored[size_t(c)] = index[size_t(c)] >= 0 && query.fieldInfo(index[size_t(c)]).kind == Values::Kind::Text;
    }
    // The rows as the grid shows them: the quick search applied, in its order.
    const int rows = SheetExport::exportedRowCount(query);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        result.message = QStringLiteral("Impossibile scrivere il file \"%1\": %2").arg(native, file.errorString());
        return result;
    }
    const RowStore &store = query.storedRows();
    const bool browsing = query.state() == Query::State::Browse;
    constexpr qsizetype kChunk = 1 << 20;
    QByteArray out;
    out.reserve(kChunk + 4096);
    std::array<QByteArray, kColumns> shown; // the texts of the cells not read as stored
    CardFields fields;
    for (int row = 0; row < rows; ++row) {
        const int physical = browsing ? query.storedRow(row) : -1;
        for (int c = 0; c < kColumns; ++c) {
            const int column = index[size_t(c)];
            if (column < 0) {
                fields[size_t(c)] = {};
            } else if (physical >= 0 && stored[size_t(c)]) {
                fields[size_t(c)] = store.isNull(physical, column) ? std::string_view() : store.cell(physical, column);
            } else {
                shown[size_t(c)] = query.text(row, column).toUtf8();
                fields[size_t(c)] = std::string_view(shown[size_t(c)].constData(), size_t(shown[size_t(c)].size()));
            }
        }
        appendCard(fields, version, &out);
        if (out.size() >= kChunk) {
            file.write(out);
            out.resize(0); // keeps its room
        }
    }
    file.write(out);
    if (!file.commit()) {
        result.message = QStringLiteral("Impossibile scrivere il file \"%1\": %2").arg(native, file.errorString());
        return result;
    }
    result.ok = true;
    result.rows = rows;
    result.message = rows == 1 ? QStringLiteral("Esportata 1 persona nel file \"%1\".").arg(native)
                               : QStringLiteral("Esportate %L1 persone nel file \"%2\".").arg(rows).arg(native);
    return result;
}

QList<ImportedPerson> people(const QByteArray &bytes)
{
    QList<ImportedPerson> people;
    int number = 0;
    VCardReader::forEachCard(bytes, [&](VCard &&card) {
        ImportedPerson person = VCardMapping::fromCard(card);
        person.origin = ++number;
        people << std::move(person);
    });
    return people;
}

} // namespace VCardFile
