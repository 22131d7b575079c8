#include "exchange/jetlayout.h"

namespace JetLayout {

using Values::Kind;

const std::array<TableSpec, 7> &tables()
{
    static const std::array<TableSpec, 7> layout = {{
        {"Committente",
         "IdCommittente",
         {{"IdCommittente", Kind::Integer},
          {"Cognome", Kind::Text},
          {"Nome", Kind::Text},
          {"Qualifica", Kind::Text},
          {"Codice_fiscale", Kind::Text},
          {"Partita_iva", Kind::Text},
          {"Note", Kind::Text}}},
        {"Indirizzo",
         "IdCommittente",
         {{"IdCommittente", Kind::Integer}, {"CAP", Kind::Text}, {"Città", Kind::Text}, {"Via", Kind::Text}}},
        {"Recapiti",
         "IdCommittente",
         {{"IdCommittente", Kind::Integer},
          {"Numero_telefono1", Kind::Text},
          {"Numero_telefono2", Kind::Text},
          {"Numero_fax", Kind::Text},
          {"Numero_cell1", Kind::Text},
          {"Numero_cell2", Kind::Text},
          {"E_mail", Kind::Text},
          {"Sito_internet", Kind::Text}}},
        {"Progetto",
         "IdProgetto",
         {{"IdProgetto", Kind::Integer},
          {"IdCommittente", Kind::Integer},
          {"Cognome_progettista", Kind::Text},
          {"Nome_progettista", Kind::Text},
          {"Descrizione", Kind::Text},
          {"Comune", Kind::Text},
          {"Stato", Kind::Text},
          {"Importo_totale", Kind::Amount},
          {"Importo_pagato", Kind::Amount},
          {"Data_inizio", Kind::Date},
          {"Data_fine", Kind::Date},
          {"Data_scadenza", Kind::Date},
          {"Archivio", Kind::Text},
          {"Nota", Kind::Text}}},
        {"Pagamenti",
         "IdFattura",
         {{"IdProgetto", Kind::Integer},
          {"IdFattura", Kind::Integer},
          {"Importo", Kind::Amount},
          {"Data", Kind::Date},
          {"Fattura", Kind::Text}}},
        {"Stato", nullptr, {{"Stato_progetto", Kind::Text}}},
        {"Applicazione", nullptr, {{"Codice", Kind::Text}}},
    }};
    return layout;
}

int tableIndex(const QString &name)
{
    for (int i = 0; i < int(tables().size()); ++i) {
        if (name.compare(QString::fromUtf8(tables()[std::size_t(i)].name), Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

// libmdb's column types (mdbtools.h), named as Access names them.
namespace {

enum JetType : quint8 {
    kBool = 0x01,
    kByte = 0x02,
    kInt = 0x03,
    kLongInt = 0x04,
    kMoney = 0x05,
    kFloat = 0x06,
    kDouble = 0x07,
    kDateTime = 0x08,
    kText = 0x0a,
    kMemo = 0x0c,
};

} // namespace

QString typeName(quint8 type)
{
    switch (type) {
    case kBool:
        return QStringLiteral("Sì/No");
    case kByte:
        return QStringLiteral("Numerico (Byte)");
    case kInt:
        return QStringLiteral("Numerico (Intero)");
    case kLongInt:
        return QStringLiteral("Numerico (Intero lungo)");
    case kMoney:
        return QStringLiteral("Valuta");
    case kFloat:
        return QStringLiteral("Numerico (Precisione singola)");
    case kDouble:
        return QStringLiteral("Numerico (Precisione doppia)");
    case kDateTime:
        return QStringLiteral("Data/ora");
    case kText:
        return QStringLiteral("Testo");
    case kMemo:
        return QStringLiteral("Memo");
    default:
        return QStringLiteral("di codice %1").arg(type);
    }
}

bool canHold(Kind kind, quint8 type)
{
    switch (kind) {
    case Kind::Integer:
        return type == kByte || type == kInt || type == kLongInt;
    case Kind::Amount:
        // A single-precision number cannot hold every amount to the cent.
        return type == kMoney || type == kDouble || type == kByte || type == kInt || type == kLongInt;
    case Kind::Date:
        return type == kDateTime;
    case Kind::Text:
        return type == kText || type == kMemo;
    }
    return false;
}

QString kindName(Kind kind)
{
    switch (kind) {
    case Kind::Integer:
        return QStringLiteral("un numero intero");
    case Kind::Amount:
        return QStringLiteral("un importo");
    case Kind::Date:
        return QStringLiteral("una data");
    case Kind::Text:
        return QStringLiteral("un testo");
    }
    return {};
}

} // namespace JetLayout
