#pragma once

#include "exchange/importedperson.h"
#include "exchange/vcardreader.h"

#include <QByteArray>

// How an address card and a person's record meet, both ways.
//   N            Cognome; Nome (with the additional names); the honorific prefix is Qualifica
//   FN           Cognome, when N gives no name (an organisation's card)
//   ADR          Via (street, extended part), Città (locality), CAP (postal code)
//   TEL          a fax type to Numero_fax, a cell type to Numero_cell1 and 2, any other to
//                Numero_telefono1 and 2
//   EMAIL, URL, NOTE              E_mail, Sito_internet, Note
//   X-CODICE-FISCALE, X-PARTITA-IVA  Codice_fiscale, Partita_iva
// A card with more of a kind than the record holds keeps the first ones in file order;
// the others, and the parts of the kept address that have no field (region, country,
// post office box), are listed as left out. Other properties are not read.
namespace VCardMapping {

inline const QString kFiscalCodeProperty = QStringLiteral("X-CODICE-FISCALE");
inline const QString kVatNumberProperty = QStringLiteral("X-PARTITA-IVA");
// On a telephone of our own cards: "2" for the second number of its kind when the record has
// no first one (a parameter other programs pass over).
inline const QString kPositionParameter = QStringLiteral("X-POSIZIONE");

ImportedPerson fromCard(const VCard &card);

enum class Version { V3, V4 };

// One person as a card, lines folded at 75 octets (never inside a UTF-8 sequence), each
// ended by CR LF. Empty fields write no property.
QByteArray toCard(const PersonValues &person, Version version);

// A text value with its backslash escapes (\\ \, \; and \n for a line break).
QString escaped(const QString &text);
// A content line folded at 75 octets and ended by CR LF.
QByteArray folded(const QByteArray &line);

} // namespace VCardMapping
