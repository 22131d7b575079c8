#include "data/fieldcatalogue.h"

namespace {

struct CatalogueRow
{
    QString label;
    QString column;
    QString table;
    FieldGroup group;
    FieldKind kind;
    CardWidth cardWidth;
    int dateSelector;        // 0 for a field that is no date
    Requirement requirement; // what a new record needs of it
    bool fixedOnceSaved;     // a saved payment's amount and invoice are never changed
    int importPosition;      // where a spreadsheet import writes it, from 1; 0: never
};

using Rows = std::array<CatalogueRow, FieldCatalogue::kCount>;

constexpr auto Wide = CardWidth::Wide;
constexpr auto Normal = CardWidth::Normal;
constexpr auto Free = Requirement::None;
constexpr auto Needed = Requirement::NotEmpty;
constexpr auto Asked = Requirement::AskWhenEmpty;
constexpr bool Fixed = true;
constexpr bool Editable = false;

const Rows &rows()
{
    using G = FieldGroup;
    using K = FieldKind;
    static const Rows table = {{
        {"Cognome", "Cognome", "Committente", G::Persona, K::Text, Wide, 0, Needed, Editable, 1},
        {"Nome", "Nome", "Committente", G::Persona, K::Text, Normal, 0, Free, Editable, 2},
        {"Qualifica", "Qualifica", "Committente", G::Persona, K::Text, Normal, 0, Needed, Editable, 3},
        {"Codice fiscale", "Codice_fiscale", "Committente", G::Persona, K::Text, Wide, 0, Free, Editable, 14},
        {"Partita IVA", "Partita_iva", "Committente", G::Persona, K::DigitText, Wide, 0, Free, Editable, 15},
        {"Note", "Note", "Committente", G::Persona, K::Text, Wide, 0, Free, Editable, 16},
        {"CAP", "CAP", "Indirizzo", G::Indirizzo, K::DigitText, Normal, 0, Free, Editable, 4},
        {"Città", "Città", "Indirizzo", G::Indirizzo, K::Text, Wide, 0, Free, Editable, 5},
        {"Via", "Via", "Indirizzo", G::Indirizzo, K::Text, Wide, 0, Free, Editable, 6},
        {"1° Telefono", "Numero_telefono1", "Recapiti", G::Recapiti, K::Phone, Normal, 0, Free, Editable, 7},
        {"2° Telefono", "Numero_telefono2", "Recapiti", G::Recapiti, K::Phone, Normal, 0, Free, Editable, 8},
        {"Fax", "Numero_fax", "Recapiti", G::Recapiti, K::Phone, Normal, 0, Free, Editable, 9},
        {"1° Cellulare", "Numero_cell1", "Recapiti", G::Recapiti, K::Phone, Normal, 0, Free, Editable, 10},
        {"2° Cellulare", "Numero_cell2", "Recapiti", G::Recapiti, K::Phone, Normal, 0, Free, Editable, 11},
        {"E-Mail", "E_mail", "Recapiti", G::Recapiti, K::EMail, Wide, 0, Free, Editable, 12},
        {"Sito internet", "Sito_internet", "Recapiti", G::Recapiti, K::Web, Wide, 0, Free, Editable, 13},
        {"Cognome cliente", "Cognome_progettista", "Progetto", G::Progetto, K::Text, Wide, 0, Free, Editable, 0},
        {"Nome cliente", "Nome_progettista", "Progetto", G::Progetto, K::Text, Normal, 0, Free, Editable, 0},
        {"Descrizione", "Descrizione", "Progetto", G::Progetto, K::Text, Wide, 0, Free, Editable, 0},
        {"Comune", "Comune", "Progetto", G::Progetto, K::Text, Wide, 0, Needed, Editable, 0},
        {"Stato", "Stato", "Progetto", G::Progetto, K::State, Normal, 0, Needed, Editable, 0},
        {"Importo totale", "Importo_totale", "Progetto", G::Progetto, K::Amount, Normal, 0, Needed, Editable, 0},
        {"Importo pagato", "Importo_pagato", "Progetto", G::Progetto, K::Amount, Normal, 0, Free, Editable, 0},
        {"Data di inizio", "Data_inizio", "Progetto", G::Progetto, K::Date, Normal, 2, Asked, Editable, 0},
        {"Data di fine", "Data_fine", "Progetto", G::Progetto, K::Date, Normal, 3, Asked, Editable, 0},
        {"Data di consegna", "Data_scadenza", "Progetto", G::Progetto, K::Date, Normal, 4, Asked, Editable, 0},
        {"Archivio", "Archivio", "Progetto", G::Progetto, K::Text, Wide, 0, Free, Editable, 0},
        {"Nota", "Nota", "Progetto", G::Progetto, K::Text, Wide, 0, Free, Editable, 0},
        {"Importo", "Importo", "Pagamenti", G::Pagamenti, K::Amount, Normal, 0, Needed, Fixed, 0},
        {"Data", "Data", "Pagamenti", G::Pagamenti, K::Date, Normal, 1, Asked, Editable, 0},
        {"Fattura", "Fattura", "Pagamenti", G::Pagamenti, K::Text, Normal, 0, Free, Fixed, 0},
    }};
    return table;
}

// The entry with this fixed label (settings never change the labels), -1 when none.
int indexOfFixedLabel(const QString &label)
{
    for (int i = 0; i < FieldCatalogue::kCount; ++i) {
        if (rows().at(size_t(i)).label == label)
            return i;
    }
    return -1;
}

// Text columns that hold digits: a value starting with a digit is still text for them.
bool isDigitTextKind(FieldKind kind) { return kind == FieldKind::DigitText || kind == FieldKind::Phone; }

FieldKind kindAt(int index) { return index < 0 ? FieldKind::Text : rows().at(size_t(index)).kind; }
CardWidth widthAt(int index) { return index < 0 ? CardWidth::Normal : rows().at(size_t(index)).cardWidth; }
std::optional<FieldGroup> groupAt(int index)
{
    if (index < 0)
        return std::nullopt;
    return rows().at(size_t(index)).group;
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
FieldKind FieldCatalogue::kind(int index) { return rows().at(size_t(index)).kind; }
CardWidth FieldCatalogue::cardWidth(int index) { return rows().at(size_t(index)).cardWidth; }

int FieldCatalogue::indexOfColumn(const QString &column)
{
    for (int i = 0; i < kCount; ++i) {
        if (rows().at(size_t(i)).column == column)
            return i;
    }
    return -1;
}

int FieldCatalogue::indexOfField(const QString &fieldName)
{
    // A result qualifies a column with its table only where its select list repeats the name.
    const qsizetype dot = fieldName.indexOf(QLatin1Char('.'));
    if (dot < 0)
        return indexOfColumn(fieldName);
    const int index = indexOfColumn(fieldName.mid(dot + 1));
    if (index < 0 || rows().at(size_t(index)).table != fieldName.left(dot))
        return -1;
    return index;
}

FieldKind FieldCatalogue::kindOfColumn(const QString &fieldName) { return kindAt(indexOfField(fieldName)); }
bool FieldCatalogue::isDateColumn(const QString &fieldName) { return kindOfColumn(fieldName) == FieldKind::Date; }
std::optional<FieldGroup> FieldCatalogue::groupOfColumn(const QString &fieldName)
{
    return groupAt(indexOfField(fieldName));
}
CardWidth FieldCatalogue::cardWidthOfColumn(const QString &fieldName) { return widthAt(indexOfField(fieldName)); }

FieldKind FieldCatalogue::kindOfLabel(const QString &label) { return kindAt(indexOfFixedLabel(label)); }
std::optional<FieldGroup> FieldCatalogue::groupOfLabel(const QString &label)
{
    return groupAt(indexOfFixedLabel(label));
}
CardWidth FieldCatalogue::cardWidthOfLabel(const QString &label) { return widthAt(indexOfFixedLabel(label)); }

int FieldCatalogue::dateSelectorOfColumn(const QString &fieldName)
{
    const int index = indexOfField(fieldName);
    return index < 0 ? 0 : rows().at(size_t(index)).dateSelector;
}

QString FieldCatalogue::columnOfDateSelector(int selector)
{
    if (selector <= 0)
        return {};
    for (const CatalogueRow &row : rows()) {
        if (row.dateSelector == selector)
            return row.column;
    }
    return {};
}

Requirement FieldCatalogue::requirementOfLabel(const QString &label)
{
    const int index = indexOfFixedLabel(label);
    return index < 0 ? Requirement::None : rows().at(size_t(index)).requirement;
}

const QStringList &FieldCatalogue::fixedOnceSavedColumns()
{
    static const QStringList columns = [] {
        QStringList list;
        for (const CatalogueRow &row : rows()) {
            if (row.fixedOnceSaved)
                list << row.column;
        }
        return list;
    }();
    return columns;
}

const QStringList &FieldCatalogue::importColumns()
{
    static const QStringList columns = [] {
        QStringList list;
        for (int position = 1; position <= kCount; ++position) {
            for (const CatalogueRow &row : rows()) {
                if (row.importPosition == position)
                    list << row.column;
            }
        }
        return list;
    }();
    return columns;
}

QStringList FieldCatalogue::columnsOfTable(const QString &table)
{
    QStringList columns;
    for (const CatalogueRow &row : rows()) {
        if (row.table == table)
            columns << row.column;
    }
    return columns;
}

QString FieldCatalogue::linkOfColumn(const QString &fieldName, const QString &text)
{
    if (text.isEmpty())
        return {};
    const FieldKind kind = kindOfColumn(fieldName);
    if (kind == FieldKind::EMail)
        return QStringLiteral("mailto:") + text;
    if (kind == FieldKind::Web)
        return text;
    return {};
}

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
    const int index = indexOfFixedLabel(label);
    return index < 0 ? label : rows().at(size_t(index)).column;
}

QString FieldCatalogue::titleForColumn(const QString &fieldName)
{
    // A qualified name keeps its name as title.
    const int index = indexOfColumn(fieldName);
    return index < 0 ? fieldName : rows().at(size_t(index)).label;
}

const QStringList &FieldCatalogue::keyColumnNames()
{
    // Both forms: a result qualifies a key by its table only where two joined tables share it.
    static const QStringList names = {
        "Committente.IdCommittente",
        "Indirizzo.IdCommittente",
        "Recapiti.IdCommittente",
        "Progetto.IdCommittente",
        "Progetto.IdProgetto",
        "Pagamenti.IdProgetto",
        "Pagamenti.IdFattura",
        "IdCommittente",
        "IdProgetto",
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
        return isDigitTextKind(kindOfLabel(label)) ? quoted(value) : value;

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
