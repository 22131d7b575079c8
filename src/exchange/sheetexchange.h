#pragma once

#include "core/dialogs.h"
#include "exchange/fileexchange.h"

#include <QString>

#include <functional>

class QWidget;
class ResultScreen;
class Workspace;

// The main window's side of the spreadsheet exchange: "Esporta in Excel" writes the current
// result to a workbook and opens it with the desktop's spreadsheet program; "Importa da
// Excel" fills an empty address book from one and shows the persons. Each is a file action:
// the *BeforeExecute step prepares the file dialog, the *Accept step works on the file the
// user confirmed (FileExchange::connectFileAction). The writing and reading are SheetExport's
// and SheetImport's; this class asks the questions, shows the progress and tells the user.
class SheetExchange
{
public:
    static const QString kXlsFilter;  // "Excel file (*.xls)"
    static const QString kXlsxFilter; // "Excel 2007+ (*.xlsx)"
    // `writePendingEdits` writes what is typed in the card's editors into the current row.
    SheetExchange(Workspace &workspace, ResultScreen &screen, QWidget *window, std::function<void()> writePendingEdits);
    ~SheetExchange();
    SheetExchange(const SheetExchange &) = delete;
    SheetExchange &operator=(const SheetExchange &) = delete;

    Dialogs::FileRequest SalvaInXLSBeforeExecute() const;
    void SalvaInXLSAccept(const QString &path, const QString &filter);
    Dialogs::FileRequest ImportaDaExcelBeforeExecute() const;
    void ImportaDaExcelAccept(const QString &path, const QString &filter);

    // The workbook's name as it is written: a name without a workbook extension gets the
    // one of the filter picked (.xls for any other filter).
    static QString withExtension(const QString &path, const QString &filter);

private:
    Dialogs::FileRequest fileRequest(const QString &caption) const;
    // Where the export goes once the format holds the rows and the user agreed to replace
    // an existing file; empty when the user stopped.
    QString confirmTarget(QString path) const;

    FileExchange files_;
};
