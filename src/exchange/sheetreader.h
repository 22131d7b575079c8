#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

// The worksheet `Elenco` of a workbook as text: its first row and the rows below it that
// hold a value.
struct SheetContent
{
    QStringList header;
    QList<QStringList> rows; // each as long as the widest row (or the header) read
    // Each row's number in the sheet, the header being row 1; when empty, the rows are
    // rows 2, 3, 4... in order.
    QList<int> rowNumbers;
};

// Reads the worksheet `Elenco` of a workbook as text. A number comes back as it reads
// (20121, not 20121.0), a date as dd/MM/yyyy. A file without that sheet, damaged or in a
// format not read here gives false and an Italian text in errorString(), never a crash.
class SheetReader
{
public:
    static const QString kSheetName; // "Elenco"
    // The most cells a sheet read may hold (rows times columns read): a million rows of the
    // sixteen columns an import reads. A sheet beyond is refused, never half read.
    static constexpr qint64 kMaxCells = qint64(1) << 24;
    // The most columns of any format read (an Open XML sheet's, A to XFD).
    static constexpr int kMaxColumns = 16384;

    // Chooses, from the header row (each of its columns, an empty text for an empty cell),
    // the columns read: their indexes from 0, in the order the rows then hold them. Without
    // a choice every column up to the rightmost value is read.
    using ColumnChoice = std::function<QList<int>(const QStringList &header)>;

    virtual ~SheetReader();

    // The reader for what the file holds (not its name): a 97-2003 workbook or an Open
    // XML one; null with `error` set for anything else.
    static std::unique_ptr<SheetReader> forFile(const QString &path, QString *error);

    virtual bool read(const QString &path, SheetContent *content) = 0;
    QString errorString() const { return error_; }

    void setColumnChoice(ColumnChoice choice) { choice_ = std::move(choice); }

    // The text of a number cell: whole numbers without decimals, others as short as exact.
    static QString numberText(double value);

protected:
    void setError(const QString &path, const QString &reason);
    // A whole message, as another reader gave it (the .xls reader's child process).
    void setErrorString(const QString &text) { error_ = text; }
    static QString noSheetReason();
    const ColumnChoice &columnChoice() const { return choice_; }

private:
    QString error_;
    ColumnChoice choice_;
};
