#include "exchange/fileexchange.h"

#include "core/errorhandler.h"
#include "core/programpaths.h"
#include "core/resultscreen.h"
#include "core/workspace.h"
#include "queries/querysequence.h"
#include "queries/standardqueries.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QProgressDialog>

#include <algorithm>
#include <utility>

const QString FileExchange::kAllFilter = QStringLiteral("All files (*)");

FileExchange::FileExchange(Workspace &workspace, ResultScreen &screen, QWidget *window,
                           std::function<void()> writePendingEdits, const QString &progressName) :
    workspace_(workspace), screen_(screen), writePendingEdits_(std::move(writePendingEdits))
{
    progress_ = new QProgressDialog(window);
    progress_->setObjectName(progressName);
    progress_->setWindowTitle(QStringLiteral("Pratilio+"));
    progress_->setCancelButtonText(QStringLiteral("Annulla"));
    // Nothing else may be used while the rows are written in one transaction; the
    // dialog only appears when the import is going to last.
    progress_->setWindowModality(Qt::ApplicationModal);
    progress_->setMinimumDuration(500);
    // A new progress dialog would show itself after a few seconds unless reset.
    progress_->reset();
}

FileExchange::~FileExchange() = default;

void FileExchange::connectFileAction(QAction *action, bool save, std::function<Dialogs::FileRequest()> before,
                                     std::function<void(const QString &path, const QString &filter)> accept)
{
    QObject::connect(action, &QAction::triggered, action,
                     [save, before = std::move(before), accept = std::move(accept)] {
                         ErrorHandler::guard([&] {
                             QString filter;
                             const Dialogs::FileRequest request = before();
                             const QString path = save ? Dialogs::instance().saveFileName(request, &filter)
                                                       : Dialogs::instance().openFileName(request, &filter);
                             if (!path.isEmpty())
                                 accept(path, filter);
                         });
                     });
}

Dialogs::FileRequest FileExchange::request(const QString &caption, const QStringList &filters,
                                           const QString &suffix) const
{
    const QString folder = workspace_.paths().path(ProgramPaths::Place::Output);
    // When the folder cannot be made the dialog starts in the folder above it instead.
    return {caption, QDir().mkpath(folder) ? folder : QFileInfo(folder).absolutePath(), filters, suffix};
}

void FileExchange::savePendingEdits()
{
    writePendingEdits_();
    workspace_.saveTypedChange();
}

QString FileExchange::confirmTarget(const QString &path)
{
    const QString shown = QDir::toNativeSeparators(path);
    const QFileInfo info(path);
    if (info.isDir()) {
        Dialogs::instance().message(QStringLiteral("\"%1\" è una cartella: scegliere un nome di file.").arg(shown));
        return {};
    }
    if (info.exists()
        && !Dialogs::instance().question(QStringLiteral("Il file \"%1\" esiste già. Sostituirlo?").arg(shown)))
        return {};
    return path;
}

ImportResult FileExchange::withProgress(const QString &fileName,
                                        const std::function<ImportResult(const SheetImport::Progress &)> &import)
{
    progress_->setLabelText(QStringLiteral("Importazione delle persone dal file \"%1\"...").arg(fileName));
    progressTotal_ = -1;
    ImportResult result = import([this](int done, int total) { return progress(done, total); });
    progress_->reset();
    return result;
}

bool FileExchange::progress(int done, int total)
{
    if (total != progressTotal_) {
        progressTotal_ = total;
        progress_->setRange(0, total);
        progress_->setValue(0); // starts the clock that decides whether to show the dialog
    }
    // Each update may repaint the dialog: a few hundred of them whatever the size.
    const int step = std::max(1, total / 200);
    if (done % step == 0 || done == total)
        progress_->setValue(done);
    return !progress_->wasCanceled();
}

void FileExchange::showPersons()
{
    QuerySequence::run(workspace_, screen_, StandardQueries::describe(StandardQuery::Committente));
}
