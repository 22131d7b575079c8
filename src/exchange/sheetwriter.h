#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>

#include <memory>

class Query;
class QTemporaryFile;

// Writes one worksheet `Elenco` of a workbook, row by row: a bold header row, then data
// rows; every cell bordered, columns 20 characters wide, landscape page. The file is
// written aside and put in place of the target only when complete, so a failed write
// leaves no half file and an existing file unchanged. Failures are reported in Italian
// through errorString(); nothing is shown to the user from here.
class SheetWriter
{
public:
    // How the values of a column are stored.
    enum class CellType { Text, Number, Date };

    static const QString kSheetName;             // "Elenco"
    static constexpr int kMaxTextLength = 32767; // what a spreadsheet cell holds

    virtual ~SheetWriter();

    // The writer for a file name: .xlsx gives the Open XML workbook, anything else the
    // 97-2003 workbook.
    static std::unique_ptr<SheetWriter> forFile(const QString &path);

    // The most data rows (header excluded) one sheet of this format holds.
    virtual int maxDataRows() const = 0;

    // Starts the workbook and writes the header row; false when the file cannot be made.
    bool begin(const QString &path, const QStringList &headers, const QList<CellType> &types);
    // One data row, one value per column: text, a number, a QDate, or null for an empty cell.
    bool writeRow(const QVariantList &cells);
    // One data row: the cells of the shown row `row` of `query` in its result columns
    // `columns`, the same as writeRow() of their values.
    bool writeResultRow(const Query &query, int row, const QList<int> &columns);
    // Completes the workbook and puts it in place of the target.
    bool finish();
    // Drops the workbook being written; the target is left as it was.
    void abort();

    QString errorString() const { return error_; }
    int dataRows() const { return rows_; }

protected:
    SheetWriter();

    // The format's own steps, writing to `asidePath`. Each returns false with error_ set.
    virtual bool start(const QString &asidePath, const QStringList &headers) = 0;
    virtual bool addRow(int row, const QVariantList &cells) = 0; // row 1 is the first data row
    virtual bool close() = 0;
    virtual void discard() = 0;
    // A row of a result; by default its values given to addRow(). A format may read the
    // stored cells instead where that writes the same.
    virtual bool addResultRow(int row, const Query &query, int shownRow, const QList<int> &columns);

    // False, with the error set, when `value` is a text longer than a cell holds; `column`
    // counts from 0 in the row being written.
    bool fitsInCell(int column, const QVariant &value);

    const QList<CellType> &types() const { return types_; }
    void fail(const QString &reason);

    // Days since 30/12/1899, the date serial both formats store.
    static double dateSerial(const QDate &date);

private:
    std::unique_ptr<QTemporaryFile> aside_;
    QString target_;
    QList<CellType> types_;
    QString error_;
    QVariantList cells_; // the values of a result row, kept to reuse their room
    int rows_ = 0;
    bool open_ = false;
};
