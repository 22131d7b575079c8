#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <memory>

// The worksheet `Elenco` of a workbook as text: its first row and the rows below it.
struct SheetContent
{
    QStringList header;
    QList<QStringList> rows; // each as long as the widest row of the sheet
};

// Reads the worksheet `Elenco` of a workbook as text. A number comes back as it reads
// (20121, not 20121.0), a date as dd/MM/yyyy. A file without that sheet, damaged or in a
// format not read here gives false and an Italian text in errorString(), never a crash.
class SheetReader
{
public:
    static const QString kSheetName; // "Elenco"

    virtual ~SheetReader();

    // The reader for what the file holds (not its name): a 97-2003 workbook or an Open
    // XML one; null with `error` set for anything else.
    static std::unique_ptr<SheetReader> forFile(const QString &path, QString *error);

    virtual bool read(const QString &path, SheetContent *content) = 0;
    QString errorString() const { return error_; }

    // The text of a number cell: whole numbers without decimals, others as short as exact.
    static QString numberText(double value);

protected:
    void setError(const QString &path, const QString &reason);
    // A whole message, as another reader gave it (the .xls reader's child process).
    void setErrorString(const QString &text) { error_ = text; }
    static QString noSheetReason();

private:
    QString error_;
};
