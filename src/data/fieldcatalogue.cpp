#include "data/fieldcatalogue.h"

namespace {

struct CatalogueRow
{
    QString label;
    QString column;
    QString table;
    FieldGroup group;
};

using Rows = std::array<CatalogueRow, FieldCatalogue::kCount>;

const Rows &rows()
{
    static const Rows table = {{
        {"Cognome", "Cognome", "Committente", FieldGroup::Persona},
        {"Nome", "Nome", "Committente", FieldGroup::Persona},
        {"Qualifica", "Qualifica", "Committente", FieldGroup::Persona},
        {"Codice fiscale", "Codice_fiscale", "Committente", FieldGroup::Persona},
        {"Partita IVA", "Partita_iva", "Committente", FieldGroup::Persona},
        {"Note", "Note", "Committente", FieldGroup::Persona},
        {"CAP", "CAP", "Indirizzo", FieldGroup::Indirizzo},
        {"Città", "Città", "Indirizzo", FieldGroup::Indirizzo},
        {"Via", "Via", "Indirizzo", FieldGroup::Indirizzo},
        {"1° Telefono", "Numero_telefono1", "Recapiti", FieldGroup::Recapiti},
        {"2° Telefono", "Numero_telefono2", "Recapiti", FieldGroup::Recapiti},
        {"Fax", "Numero_fax", "Recapiti", FieldGroup::Recapiti},
        {"1° Cellulare", "Numero_cell1", "Recapiti", FieldGroup::Recapiti},
        {"2° Cellulare", "Numero_cell2", "Recapiti", FieldGroup::Recapiti},
        {"E-Mail", "E_mail", "Recapiti", FieldGroup::Recapiti},
        {"Sito internet", "Sito_internet", "Recapiti", FieldGroup::Recapiti},
        {"Cognome cliente", "Cognome_progettista", "Progetto", FieldGroup::Progetto},
        {"Nome cliente", "Nome_progettista", "Progetto", FieldGroup::Progetto},
        {"Descrizione", "Descrizione", "Progetto", FieldGroup::Progetto},
        {"Comune", "Comune", "Progetto", FieldGroup::Progetto},
        {"Stato", "Stato", "Progetto", FieldGroup::Progetto},
        {"Importo totale", "Importo_totale", "Progetto", FieldGroup::Progetto},
        {"Importo pagato", "Importo_pagato", "Progetto", FieldGroup::Progetto},
        {"Data di inizio", "Data_inizio", "Progetto", FieldGroup::Progetto},
        {"Data di fine", "Data_fine", "Progetto", FieldGroup::Progetto},
        {"Data di consegna", "Data_scadenza", "Progetto", FieldGroup::Progetto},
        {"Archivio", "Archivio", "Progetto", FieldGroup::Progetto},
        {"Nota", "Nota", "Progetto", FieldGroup::Progetto},
        {"Importo", "Importo", "Pagamenti", FieldGroup::Pagamenti},
        {"Data", "Data", "Pagamenti", FieldGroup::Pagamenti},
        {"Fattura", "Fattura", "Pagamenti", FieldGroup::Pagamenti},
    }};
    return table;
}

// Text columns that hold digits: a value starting with a digit is still text for them.
bool isDigitTextLabel(const QString &label)
{
    static const QStringList labels = {"Partita IVA", "CAP", "1° Telefono", "2° Telefono",
                                       "Fax", "1° Cellulare", "2° Cellulare"};
    return labels.contains(label);
}

QString quoted(const QString &value) { return QLatin1Char('\'') + value + QLatin1Char('\''); }

} // namespace

FieldCatalogue::FieldCatalogue()
{
    for (int i = 0; i < kCount; ++i)
        entries_.at(size_t(i)).label = rows().at(size_t(i)).label;
}

int FieldCatalogue::indexOfLabel(const QString &label) const
{
    for (int i = 0; i < kCount; ++i) {
        if (entries_.at(size_t(i)).label == label)
            return i;
    }
    return -1;
}

QString FieldCatalogue::column(int index) { return rows().at(size_t(index)).column; }
QString FieldCatalogue::table(int index) { return rows().at(size_t(index)).table; }
FieldGroup FieldCatalogue::group(int index) { return rows().at(size_t(index)).group; }

QString FieldCatalogue::groupCaption(FieldGroup group)
{
    switch (group) {
    case FieldGroup::Persona:
        return QStringLiteral("Campi persona");
    case FieldGroup::Indirizzo:
        return QStringLiteral("Campi indirizzo");
    case FieldGroup::Recapiti:
        return QStringLiteral("Campi recapiti");
    case FieldGroup::Progetto:
        return QStringLiteral("Campi progetto");
    case FieldGroup::Pagamenti:
        return QStringLiteral("Campi pagamenti");
    }
    return QString();
}

QString FieldCatalogue::labelToColumn(const QString &label)
{
    // The 15 labels equal to their column map to themselves, so one lookup covers all.
    for (const CatalogueRow &row : rows()) {
        if (row.label == label)
            return row.column;
    }
    return label;
}

QString FieldCatalogue::titleForColumn(const QString &fieldName)
{
    for (const CatalogueRow &row : rows()) {
        if (row.column == fieldName)
            return row.label;
    }
    return fieldName;
}

const QStringList &FieldCatalogue::keyColumnNames()
{
    // Both forms: a result qualifies a key by its table only where two joined tables share it.
    static const QStringList names = {
        "Committente.IdCommittente", "Indirizzo.IdCommittente", "Recapiti.IdCommittente",
        "Progetto.IdCommittente",    "Progetto.IdProgetto",     "Pagamenti.IdProgetto",
        "Pagamenti.IdFattura",       "IdCommittente",           "IdProgetto",
        "IdFattura",
    };
    return names;
}

bool FieldCatalogue::isKeyColumn(const QString &fieldName) { return keyColumnNames().contains(fieldName); }

QString FieldCatalogue::quoteConditionValue(const QString &label, const QString &value)
{
    // Nothing to decide on; the condition builder never passes an empty value anyway.
    if (value.isEmpty())
        return value;

    const QChar first = value.at(0);
    const bool digit = first >= QLatin1Char('0') && first <= QLatin1Char('9');
    if (digit)
        return isDigitTextLabel(label) ? quoted(value) : value;

    // A value the user quoted himself is kept as typed for every field, the digit-text ones
    // included: quoting it once more would give '' at both ends and an invalid condition.
    if (first == QLatin1Char('\''))
        return value;
    return quoted(value);
}

void FieldCatalogue::fillFieldCheckLists(FieldCheckLists &lists) const
{
    for (CheckList &list : lists) {
        list.items.clear();
        list.checked.clear();
    }
    for (int i = 0; i < kCount; ++i) {
        CheckList &list = lists.at(size_t(group(i)));
        list.items.append(entries_.at(size_t(i)).label);
        list.checked.append(false);
    }
}
