#include "exchange/sheetexchange.h"

#include "core/workspace.h"
#include "data/query.h"
#include "data/values.h"
#include "exchange/sheetexport.h"
#include "exchange/sheetimport.h"
#include "exchange/sheetwriter.h"

#include <QDir>
#include <QFileInfo>

#include <utility>

const QString SheetExchange::kXlsFilter = QStringLiteral("Excel file (*.xls)");
const QString SheetExchange::kXlsxFilter = QStringLiteral("Excel 2007+ (*.xlsx)");

namespace {

bool isXlsx(const QString &path) { return path.endsWith(QStringLiteral(".xlsx"), Qt::CaseInsensitive); }

} // namespace

SheetExchange::SheetExchange(Workspace &workspace, ResultScreen &screen, QWidget *window,
                             std::function<void()> writePendingEdits) :
    files_(workspace, screen, window, std::move(writePendingEdits), QStringLiteral("ImportProgress"))
{}

SheetExchange::~SheetExchange() = default;

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

Dialogs::FileRequest SheetExchange::fileRequest(const QString &caption) const
{
    // No default suffix: the extension follows the filter picked (withExtension).
    return files_.request(caption, {kXlsFilter, kXlsxFilter, FileExchange::kAllFilter});
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
    files_.savePendingEdits();
    Workspace &workspace = files_.workspace();
    if (!workspace.query()->isActive()) {
        Dialogs::instance().message(QStringLiteral("Non c'è nessun risultato da esportare."));
        return;
    }
    const QString target = confirmTarget(withExtension(path, filter));
    if (target.isEmpty())
        return;
    const ExportResult result = SheetExport::run(*workspace.query(), target);
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
        const int rows = SheetExport::exportedRowCount(*files_.workspace().query());
        const int most = SheetWriter::forFile(path)->maxDataRows();
        if (rows > most) {
            // Said before anything is written; the newer format holds the rows.
            const QString xlsx = (path.endsWith(QStringLiteral(".xls"), Qt::CaseInsensitive) ? path.chopped(4) : path)
                                 + QStringLiteral(".xlsx");
            if (!Dialogs::instance().question(
                    QStringLiteral("Il risultato ha %1 righe, ma un file .xls ne contiene al massimo %2.\n"
                                   "Salvarlo in formato Excel 2007+ nel file \"%3\"?")
                        .arg(Values::groupedCount(rows), Values::groupedCount(most), QDir::toNativeSeparators(xlsx))))
                return {};
            path = xlsx;
        }
    }
    return FileExchange::confirmTarget(path);
}

// ---------------------------------------------------------------------------------------
// Import

Dialogs::FileRequest SheetExchange::ImportaDaExcelBeforeExecute() const
{
    return fileRequest(QStringLiteral("Importa da Excel"));
}

void SheetExchange::ImportaDaExcelAccept(const QString &path, const QString &)
{
    files_.savePendingEdits();
    SheetImport import(files_.workspace().connection());
    const ImportResult result = files_.withProgress(QFileInfo(path).fileName(),
                                                    [&](const SheetImport::Progress &progress) {
                                                        return import.run(path, progress);
                                                    });

    // The persons are shown when imported, and when they are why the import was refused.
    if (result.outcome == ImportResult::Outcome::Imported || result.outcome == ImportResult::Outcome::Empty
        || result.outcome == ImportResult::Outcome::Refused)
        files_.showPersons();
    Dialogs::instance().message(result.message);
}
