#pragma once

#include <QString>
#include <QStringList>

#include <array>
#include <optional>

// The fixed list of the 31 data fields a user can see: display label, database column,
// table, group, kind and card editor width, with the two user settings (grid width and
// visibility). Labels, not column names, are what the user sees everywhere; this is the
// only place that translates between the two, and the one place that knows what each
// field is.
enum class FieldGroup { Persona = 0, Indirizzo = 1, Recapiti = 2, Progetto = 3, Pagamenti = 4 };

// What a field holds, as far as drawing, key filters and conditions care.
enum class FieldKind {
    Text,      // free text
    Date,      // a date, edited with a date picker
    Amount,    // money, typed as digits
    Phone,     // a phone or fax number: digits and blanks
    DigitText, // text made of digits only (postal code, VAT number), never a number
    EMail,     // an e-mail address, opened with "mailto:"
    Web,       // a web address, opened in the browser
    State,     // a project state, picked from table Stato
};

// The width of a field's editor on the card and the input sheet.
enum class CardWidth { Normal, Wide };

// What a new record needs of a field before it is saved.
enum class Requirement {
    None,
    NotEmpty,     // a value, or the record is not saved
    AskWhenEmpty, // a date that may stay empty once the user confirms it
};

struct FieldEntry
{
    QString label;
    int width = 100;
    bool visible = true;
};

// One check list of the options dialog, as plain data: its items and their ticks.
struct CheckList
{
    QStringList items;
    QList<bool> checked;

    int indexOf(const QString &text) const { return items.indexOf(text); }
    bool isChecked(int item) const { return item >= 0 && item < checked.size() && checked.at(item); }
};

// The five check lists, one per group, in group order.
using FieldCheckLists = std::array<CheckList, 5>;

class FieldCatalogue
{
public:
    static constexpr int kCount = 31;

    FieldCatalogue(); // assigns the 31 labels; widths 100, all visible

    FieldEntry &entry(int index) { return entries_.at(size_t(index)); }
    const FieldEntry &entry(int index) const { return entries_.at(size_t(index)); }
    // Index of the first entry with this label (exact, case-sensitive), -1 when none.
    int indexOfLabel(const QString &label) const;

    static QString column(int index);
    static QString table(int index);
    static FieldGroup group(int index);
    static QString groupCaption(FieldGroup group); // "Campi persona", ...
    static FieldKind kind(int index);
    static CardWidth cardWidth(int index);

    // Index of the entry with this column, compared exactly: a qualified name is none. -1
    // when none.
    static int indexOfColumn(const QString &column);
    // Index of the entry with this field name as a result carries it: the bare column, or
    // Table.Column with the entry's own table (exact comparison). -1 when none.
    static int indexOfField(const QString &fieldName);

    // Facts by a result's field name (bare or Table.Column); a name outside the catalogue
    // is Text, Normal and of no group.
    static FieldKind kindOfColumn(const QString &fieldName);
    static bool isDateColumn(const QString &fieldName);
    static std::optional<FieldGroup> groupOfColumn(const QString &fieldName);
    static CardWidth cardWidthOfColumn(const QString &fieldName);

    // The same facts by the catalogue's own labels (exact comparison), for the places that
    // only know a field by its title: the card pairs and the complex query.
    static FieldKind kindOfLabel(const QString &label);
    static std::optional<FieldGroup> groupOfLabel(const QString &label);
    static CardWidth cardWidthOfLabel(const QString &label);

    // What a new record needs of the field with this label (exact comparison).
    static Requirement requirementOfLabel(const QString &label);
    // The columns a saved payment keeps read-only (its amount and invoice): a wrong payment
    // is deleted and entered again, never changed.
    static const QStringList &fixedOnceSavedColumns();
    // The person columns a spreadsheet import fills, in the order it writes them.
    static const QStringList &importColumns();
    // The catalogue columns of `table`, in catalogue order; keys are not catalogue columns.
    static QStringList columnsOfTable(const QString &table);
    // What a click on a field's `text` opens: "mailto:" and the address for an e-mail field,
    // the address itself for a web field; empty for any other field or an empty text.
    static QString linkOfColumn(const QString &fieldName, const QString &text);

    // The number by which the floating date editors name the date they write: 1 Data,
    // 2 Data_inizio, 3 Data_fine, 4 Data_scadenza; 0 for any other field name.
    static int dateSelectorOfColumn(const QString &fieldName);
    // The bare date column of a selector; empty for any number but 1 to 4.
    static QString columnOfDateSelector(int selector);

    // The 16 labels that differ from their column map to it; any other text is returned as is.
    static QString labelToColumn(const QString &label);
    // The title a result column gets: the label for the 16 differing columns, else the name.
    static QString titleForColumn(const QString &fieldName);

    // The ten result-column names of keys, never shown as data.
    static const QStringList &keyColumnNames();
    static bool isKeyColumn(const QString &fieldName);

    // Prepares a typed value for a condition of the complex query (see its rules).
    static QString quoteConditionValue(const QString &label, const QString &value);

    // Empties the five lists and adds each label, in catalogue order, to its group's list, unticked.
    void fillFieldCheckLists(FieldCheckLists &lists) const;

private:
    std::array<FieldEntry, kCount> entries_;
};
