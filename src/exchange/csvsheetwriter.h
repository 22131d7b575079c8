#pragma once

#include "data/values.h"
#include "exchange/sheetwriter.h"

#include <QFile>

#include <string_view>
#include <vector>

// Writes the rows as text separated by semicolons, as an Italian spreadsheet reads it:
// UTF-8 with a byte order mark, lines ended by CR LF, a decimal comma in numbers with
// decimals, dates as dd/mm/yyyy. A cell holding the separator, a double quote, a line
// break or blanks at its ends is quoted, its quotes doubled. A text that a spreadsheet
// would take for a formula (beginning with = + - @, a tab or a carriage return) is written
// after an apostrophe, so that it stays text; CsvReader takes the apostrophe off again.
class CsvSheetWriter : public SheetWriter
{
public:
    ~CsvSheetWriter() override;

    int maxDataRows() const override { return 0x7FFFFFFE; }

    // One cell as written, quoted where needed.
    static QByteArray cell(const QVariant &value, CellType type);
    // A stored cell of a result column of `kind` appended to `out` as cell() writes its value
    // (Query::typedValue()), straight from its bytes; false, with nothing appended, where the
    // bytes may give other text: invalid UTF-8, a text past a cell's length, a number or a
    // date not in its plain stored form.
    static bool appendStored(std::string_view stored, Values::Kind kind, QByteArray *out);

protected:
    bool start(const QString &asidePath, const QStringList &headers) override;
    bool addRow(int row, const QVariantList &cells) override;
    bool addResultRow(int row, const Query &query, int shownRow, const QList<int> &columns) override;
    bool close() override;
    void discard() override;

private:
    // Writes out what is gathered once it is `atLeast` bytes.
    bool put(qsizetype atLeast);

    QFile file_;
    QByteArray out_; // lines gathered to be written in large pieces
    // Of each exported column of the result: its kind, and whether its cells are written
    // from their stored bytes (the type the export gives it is its kind's).
    std::vector<Values::Kind> kinds_;
    std::vector<bool> fromBytes_;
};
