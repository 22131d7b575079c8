#pragma once

#include "core/globals.h"

#include <QString>
#include <QStringList>

class Query;

// The key of a row, by the kind of rows the result holds: the text of the first of the
// view's key fields that the result has. The grid marks the rows whose key equals the key
// last picked, and the drill-down reads the same key.
namespace RowKey {

QStringList fieldsForView(ViewKind viewKind);
// The column holding the row key of this result, -1 when it has none of the view's fields.
int keyColumn(const Query &query, ViewKind viewKind);
// The key of a shown row, empty when the result has no key field.
QString keyOf(const Query &query, ViewKind viewKind, int row);

} // namespace RowKey
