#pragma once

#include "exchange/sheetwriter.h"

#include <QList>
#include <QString>

class Query;

// What an export did, for the window to show.
struct ExportResult
{
    bool ok = false;
    int rows = 0;    // data rows written
    QString message; // Italian; the reason when not ok
};

// Writes the current result of a query to the sheet `Elenco` of a workbook, as the grid
// shows it: the rows that pass the record filter, in the sorted order; the columns in
// result order without the key columns, headed by their display labels; each column's
// cells typed by the column's kind (text, number for integers and amounts, date).
class SheetExport
{
public:
    // Result columns that are exported, in order.
    static QList<int> exportedColumns(const Query &query);
    // The header written for a result column: its label where the label differs.
    static QString headerFor(const QString &fieldName);
    // The rows an export of the query would write (an unsaved new row is not one of them).
    static int exportedRowCount(const Query &query);

    // Exports to `path`, as .xlsx or .xls by its extension. A result larger than the
    // format holds is refused before anything is written.
    static ExportResult run(const Query &query, const QString &path);
    static ExportResult run(const Query &query, SheetWriter &writer, const QString &path);
};
