#pragma once

#include <QString>
#include <QStringList>

#include <array>

// The fixed list of the 31 data fields a user can see: display label, database column,
// table and group, with the two user settings (grid width and visibility). Labels, not
// column names, are what the user sees everywhere; this is the only place that translates
// between the two.
enum class FieldGroup { Persona = 0, Indirizzo = 1, Recapiti = 2, Progetto = 3, Pagamenti = 4 };

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
