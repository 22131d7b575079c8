#include "exchange/sheetexchange.h"

#include "core/errorhandler.h"
#include "core/resultscreen.h"
#include "core/workspace.h"
#include "data/query.h"
#include "data/values.h"
#include "exchange/sheetexport.h"
#include "exchange/sheetimport.h"
#include "exchange/sheetwriter.h"
#include "queries/querysequence.h"
#include "queries/standardqueries.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QProgressDialog>

#include <algorithm>
#include <utility>

const QString SheetExchange::kXlsFilter = QStringLiteral("Excel file (*.xls)");
const QString SheetExchange::kXlsxFilter = QStringLiteral("Excel 2007+ (*.xlsx)");
const QString SheetExchange::kAllFilter = QStringLiteral("All files (*)");

namespace {

bool isXlsx(const QString &path) { return path.endsWith(QStringLiteral(".xlsx"), Qt::CaseInsensitive); }

QString native(const QString &path) { return QDir::toNativeSeparators(path); }

} // namespace

SheetExchange::SheetExchange(Workspace &workspace, ResultScreen &screen, QWidget *window,
                             std::function<void()> writePendingEdits) :
    workspace_(workspace), screen_(screen), window_(window), writePendingEdits_(std::move(writePendingEdits))
{
    progress_ = new QProgressDialog(window_);
    progress_->setObjectName(QStringLiteral("ImportProgress"));
    progress_->setWindowTitle(QStringLiteral("Pratilio+"));
    progress_->setCancelButtonText(QStringLiteral("Annulla"));
    // Nothing else may be used while the rows are written in one transaction; the
    // dialog only appears when the import is going to last.
    progress_->setWindowModality(Qt::ApplicationModal);
    progress_->setMinimumDuration(500);
    // A new progress dialog would show itself after a few seconds unless reset.
    progress_->reset();
}

SheetExchange::~SheetExchange() = default;

void SheetExchange::connectFileAction(QAction *action, bool save, std::function<Dialogs::FileRequest()> before,
                                      Accept accept)
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

QString SheetExchange::withExtension(const QString &path, const QString &filter)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("xls") || suffix == QLatin1String("xlsx"))
        return path;
    QString base = path;
    while (base.endsWith(QLatin1Char('.')))
        base.chop(1);
    return base + (filter == kXlsxFilter ? QStringLiteral(".xlsx") : QStringLiteral(".xls"));
}

QString SheetExchange::outputFolder() const
{
    const QString folder = workspace_.paths().path(ProgramPaths::Place::Output);
    // When the folder cannot be made the dialog starts in the folder above it instead.
    return QDir().mkpath(folder) ? folder : QFileInfo(folder).absolutePath();
}

Dialogs::FileRequest SheetExchange::fileRequest(const QString &caption) const
{
    Dialogs::FileRequest request;
    request.caption = caption;
    request.folder = outputFolder();
    request.filters = {kXlsFilter, kXlsxFilter, kAllFilter};
    // No default suffix: the extension follows the filter picked (withExtension).
    return request;
}

// ---------------------------------------------------------------------------------------
// Export

Dialogs::FileRequest SheetExchange::SalvaInXLSBeforeExecute() const
{
    return fileRequest(QStringLiteral("Esporta in Excel"));
}

void SheetExchange::SalvaInXLSAccept(const QString &path, const QString &filter)
{
    // The workbook holds what the grid shows, a change typed a moment ago included.
    writePendingEdits_();
    workspace_.saveTypedChange();
    if (!workspace_.query()->isActive()) {
        Dialogs::instance().message(QStringLiteral("Non c'è nessun risultato da esportare."));
        return;
    }
    const QString target = confirmTarget(withExtension(path, filter));
    if (target.isEmpty())
        return;
    const ExportResult result = SheetExport::run(*workspace_.query(), target);
    if (!result.ok) {
        Dialogs::instance().message(result.message);
        return;
    }
    if (!Dialogs::instance().openExternal(target)) {
        Dialogs::instance().message(
            QStringLiteral("%1\nNon è stato possibile aprirlo: sul computer non risulta un programma predefinito "
                           "per i fogli di calcolo. Aprire il file da un programma come LibreOffice Calc.")
                .arg(result.message));
    }
}

QString SheetExchange::confirmTarget(QString path) const
{
    if (!isXlsx(path)) {
        const int rows = SheetExport::exportedRowCount(*workspace_.query());
        const int most = SheetWriter::forFile(path)->maxDataRows();
        if (rows > most) {
            // Said before anything is written; the newer format holds the rows.
            const QString xlsx = (path.endsWith(QStringLiteral(".xls"), Qt::CaseInsensitive) ? path.chopped(4) : path)
                                 + QStringLiteral(".xlsx");
            if (!Dialogs::instance().question(
                    QStringLiteral("Il risultato ha %1 righe, ma un file .xls ne contiene al massimo %2.\n"
                                   "Salvarlo in formato Excel 2007+ nel file \"%3\"?")
                        .arg(Values::groupedCount(rows), Values::groupedCount(most), native(xlsx))))
                return {};
            path = xlsx;
        }
    }
    const QFileInfo info(path);
    if (info.isDir()) {
        Dialogs::instance().message(
            QStringLiteral("\"%1\" è una cartella: scegliere un nome di file.").arg(native(path)));
        return {};
    }
    if (info.exists()
        && !Dialogs::instance().question(QStringLiteral("Il file \"%1\" esiste già. Sostituirlo?").arg(native(path))))
        return {};
    return path;
}

// ---------------------------------------------------------------------------------------
// Import

Dialogs::FileRequest SheetExchange::ImportaDaExcelBeforeExecute() const
{
    return fileRequest(QStringLiteral("Importa da Excel"));
}

void SheetExchange::ImportaDaExcelAccept(const QString &path, const QString &)
{
    writePendingEdits_();
    workspace_.saveTypedChange();

    progress_->setLabelText(
        QStringLiteral("Importazione delle persone dal file \"%1\"...").arg(QFileInfo(path).fileName()));
    progressTotal_ = -1;
    SheetImport import(workspace_.connection());
    const ImportResult result = import.run(path, [this](int done, int total) { return importProgress(done, total); });
    progress_->reset();

    // The persons are shown when imported, and when they are why the import was refused.
    if (result.outcome == ImportResult::Outcome::Imported || result.outcome == ImportResult::Outcome::Empty
        || result.outcome == ImportResult::Outcome::Refused)
        QuerySequence::run(workspace_, screen_, StandardQueries::describe(StandardQuery::Committente));
    Dialogs::instance().message(result.message);
}

bool SheetExchange::importProgress(int done, int total)
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
