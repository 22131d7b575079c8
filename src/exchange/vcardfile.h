#pragma once

#include "exchange/importedperson.h"
#include "exchange/sheetexport.h"
#include "exchange/vcardmapping.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <array>
#include <string_view>

class Query;

// A whole .vcf file, both ways, without a window: the persons of a result written as cards,
// and the cards of a file read as persons to import.
namespace VCardFile {

// Writes the persons of `query`'s result as the grid shows them (the quick search applied,
// in its order), one card each, to `path`; the file takes the place of an existing one only
// once complete. The message says, in Italian, how many persons were written or why none.
ExportResult write(const Query &query, const QString &path, VCardMapping::Version version);

// The columns a card is written from, in the order of CardFields.
const QStringList &cardColumns();
// One person's fields as UTF-8, one per column of cardColumns(); empty when absent.
using CardFields = std::array<std::string_view, 16>;
// Appends the person's card to `out`, the same bytes as VCardMapping::toCard() writes, made
// from the bytes themselves where that gives the same card (valid UTF-8, no line break in
// the name or the address of the site, no blank other than an ASCII one at a field's ends).
void appendCard(const CardFields &fields, VCardMapping::Version version, QByteArray *out);

// The persons of the cards of a file's bytes, each with its card's number (from 1) as origin.
QList<ImportedPerson> people(const QByteArray &bytes);

} // namespace VCardFile
