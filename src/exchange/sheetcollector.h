#pragma once

#include "exchange/sheetreader.h"

#include <QString>
#include <QStringList>

#include <vector>

// Gathers the cells of a sheet as a reader finds them, row by row from the top, into a
// SheetContent without ever holding the empty part of the sheet: a row is kept only when it
// holds a value, and once the header (row 1) is known only the columns the reader's choice
// keeps are read. A sheet that runs past the format's last row, whose rows go backwards, or
// that would hold more than SheetReader::kMaxCells cells is refused, with its reason in
// refusal().
class SheetCollector
{
public:
    SheetCollector(const SheetReader::ColumnChoice &choice, int maxRows);

    // Starts sheet row `number` (the header is row 1). False when the sheet is refused.
    bool startRow(int number);
    // Whether a value at `column` (from 0) of the current row would be kept: a reader may
    // pass over the others without reading them.
    bool wants(int column) const;
    // Gives the value at `column` of the current row; an empty text is no value.
    // False when the sheet is refused.
    bool setCell(int column, QString text);
    // Ends the sheet. False when it is refused.
    bool finish(SheetContent *content);

    QString refusal() const { return refusal_; }

private:
    bool endRow();
    void chooseColumns();
    bool refuse(const QString &reason);

    const SheetReader::ColumnChoice &choice_;
    const int maxRows_;
    int row_ = 0;              // the current sheet row, 0 before the first
    bool chosen_ = false;      // the columns are chosen (the header row is over)
    bool all_ = true;          // every column is kept, at its own place
    std::vector<int> slots_;   // per sheet column: its place in a kept row, -1 if left out
    QStringList header_;       // the header row as read, every column
    QStringList cells_;        // the current data row
    bool rowHasValue_ = false; //
    int width_ = 0;            // the widest row kept (all columns kept)
    qint64 cellCount_ = 0;     // the cells held so far
    SheetContent content_;
    QString refusal_;
};
