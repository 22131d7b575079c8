#pragma once

#include "core/dialogs.h"

#include <QString>

#include <functional>

class QAction;
class QProgressDialog;
class QWidget;
class ResultScreen;
class Workspace;

// The main window's side of the spreadsheet exchange: "Esporta in Excel" writes the current
// result to a workbook and opens it with the desktop's spreadsheet program; "Importa da
// Excel" fills an empty address book from one and shows the persons. Each is a file action:
// the *BeforeExecute step prepares the file dialog, the *Accept step works on the file the
// user confirmed. The writing and reading are SheetExport's and SheetImport's; this class
// asks the questions, shows the progress and tells the user.
class SheetExchange
{
public:
    using Accept = std::function<void(const QString &path, const QString &filter)>;

    static const QString kXlsFilter;  // "Excel file (*.xls)"
    static const QString kXlsxFilter; // "Excel 2007+ (*.xlsx)"
    static const QString kAllFilter;  // "All files (*)"
    // `writePendingEdits` writes what is typed in the card's editors into the current row.
    SheetExchange(Workspace &workspace, ResultScreen &screen, QWidget *window, std::function<void()> writePendingEdits);
    ~SheetExchange();
    SheetExchange(const SheetExchange &) = delete;
    SheetExchange &operator=(const SheetExchange &) = delete;

    Dialogs::FileRequest SalvaInXLSBeforeExecute() const;
    void SalvaInXLSAccept(const QString &path, const QString &filter);
    Dialogs::FileRequest ImportaDaExcelBeforeExecute() const;
    void ImportaDaExcelAccept(const QString &path, const QString &filter);

    // Makes `action` a file action: when triggered, `before` prepares the dialog, which asks
    // for a file to write (`save`) or to read, and a confirmed file goes to `accept`;
    // cancelling the dialog does nothing. Runs under the global error handler.
    static void connectFileAction(QAction *action, bool save, std::function<Dialogs::FileRequest()> before,
                                  Accept accept);

    // The workbook's name as it is written: a name without a workbook extension gets the
    // one of the filter picked (.xls for any other filter).
    static QString withExtension(const QString &path, const QString &filter);

private:
    // The folder "Output" beside the program, made when missing.
    QString outputFolder() const;
    Dialogs::FileRequest fileRequest(const QString &caption) const;
    // Where the export goes once the format holds the rows and the user agreed to replace
    // an existing file; empty when the user stopped.
    QString confirmTarget(QString path) const;
    bool importProgress(int done, int total);

    Workspace &workspace_; // Not owned.
    ResultScreen &screen_; // Not owned.
    QWidget *window_;      // Not owned.
    std::function<void()> writePendingEdits_;
    QProgressDialog *progress_ = nullptr; // Owned by the window.
    int progressTotal_ = -1;
};
