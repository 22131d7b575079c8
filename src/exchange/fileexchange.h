#pragma once

#include "core/dialogs.h"
#include "exchange/sheetimport.h"

#include <QString>
#include <QStringList>

#include <functional>

class QAction;
class QProgressDialog;
class QWidget;
class ResultScreen;
class Workspace;

// What the main window's file exchanges (workbooks, address cards, CSV) share: the file
// dialog of an action, which starts in the folder "Output"; the change typed in the card or
// the grid, written before a file is read or written; the check of the file about to be
// written; the progress of an import; the persons shown once imported.
class FileExchange
{
public:
    static const QString kAllFilter; // "All files (*)"

    // `writePendingEdits` writes what is typed in the card's editors into the current row;
    // `progressName` is the object name of the import's progress dialog.
    FileExchange(Workspace &workspace, ResultScreen &screen, QWidget *window, std::function<void()> writePendingEdits,
                 const QString &progressName);
    ~FileExchange();
    FileExchange(const FileExchange &) = delete;
    FileExchange &operator=(const FileExchange &) = delete;

    Workspace &workspace() const { return workspace_; }
    ResultScreen &screen() const { return screen_; }

    // Makes `action` a file action: when triggered, `before` prepares the dialog, which asks
    // for a file to write (`save`) or to read, and a confirmed file goes to `accept`;
    // cancelling the dialog does nothing. Runs under the global error handler.
    static void connectFileAction(QAction *action, bool save, std::function<Dialogs::FileRequest()> before,
                                  std::function<void(const QString &path, const QString &filter)> accept);

    // A file dialog with `caption` and `filters` that starts in the folder "Output" beside the
    // program, made when missing; `suffix` is the one a name typed without one gets.
    Dialogs::FileRequest request(const QString &caption, const QStringList &filters,
                                 const QString &suffix = QString()) const;

    // Writes into the database what is typed in the card or the grid and not saved yet, so
    // that the file work sees it; throws when the database refuses it.
    void savePendingEdits();

    // `path`, or empty when it names a folder (the user is told) or an existing file that the
    // user does not want to replace.
    static QString confirmTarget(const QString &path);

    // Runs `import` under a progress dialog labelled with `fileName`, which only appears when
    // the import is going to last; the callback `import` gets says false once the user
    // cancelled.
    ImportResult withProgress(const QString &fileName,
                              const std::function<ImportResult(const SheetImport::Progress &)> &import);

    // Shows the whole address book ("Rubrica").
    void showPersons();

private:
    bool progress(int done, int total);

    Workspace &workspace_; // Not owned.
    ResultScreen &screen_; // Not owned.
    std::function<void()> writePendingEdits_;
    QProgressDialog *progress_ = nullptr; // Owned by the window.
    int progressTotal_ = -1;
};
