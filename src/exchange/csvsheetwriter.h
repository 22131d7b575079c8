#pragma once

#include "exchange/sheetwriter.h"

#include <QFile>

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

protected:
    bool start(const QString &asidePath, const QStringList &headers) override;
    bool addRow(int row, const QVariantList &cells) override;
    bool close() override;
    void discard() override;

private:
    bool put(const QByteArray &bytes);

    QFile file_;
    QByteArray line_;
};
