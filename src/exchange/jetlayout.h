#pragma once

#include "data/values.h"

#include <QString>

#include <array>
#include <initializer_list>

// The seven tables an old Jet archive of the program's data model holds, with the columns
// the conversion reads from each and what each column must hold; and which of Jet's column
// types can hold it.
namespace JetLayout {

struct ColumnSpec
{
    const char *name;
    Values::Kind kind;
};

struct TableSpec
{
    const char *name;
    const char *key; // the column whose values must be present and distinct; null for none
    std::initializer_list<ColumnSpec> columns;
};

// The tables in the order of tables().
enum TableIndex { kPersons, kAddresses, kContacts, kProjects, kPayments, kStates, kApplication };

const std::array<TableSpec, 7> &tables();
// A table's index by its name (case aside); -1 for none of the seven.
int tableIndex(const QString &name);

// A column type of libmdb as Access names it ("Valuta").
QString typeName(quint8 type);
// Whether a column of that type can hold values of `kind`.
bool canHold(Values::Kind kind, quint8 type);
// What a column of `kind` must hold, in words ("un importo").
QString kindName(Values::Kind kind);

} // namespace JetLayout
