#include "views/resultprinting.h"

#include "core/dialogs.h"
#include "views/resultprinter.h"

#include <QDir>
#include <QFileInfo>
#include <QPdfWriter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QSaveFile>

namespace ResultPrinting {

namespace {

ResultPrinter printerFor(const QTableView *grid, const GridDelegate *delegate, const QString &statusText)
{
    ResultPrinter pages(grid, delegate);
    pages.setHeading(headingOf(statusText), QDate::currentDate());
    return pages;
}

void setUp(QPrinter &printer)
{
    printer.setPageOrientation(QPageLayout::Landscape);
    printer.setDocName(QStringLiteral("Pratilio+"));
}

} // namespace

QString headingOf(const QString &statusText)
{
    static const QString prefix = QStringLiteral("Query attuale: ");
    return statusText.startsWith(prefix) ? statusText.mid(prefix.size()) : statusText;
}

void print(const QTableView *grid, const GridDelegate *delegate, const QString &statusText, QWidget *parent)
{
    QPrinter printer(QPrinter::HighResolution);
    setUp(printer);
    QPrintDialog dialog(&printer, parent);
    dialog.setWindowTitle(QStringLiteral("Stampa"));
    if (dialog.exec() != QDialog::Accepted)
        return;
    if (!printerFor(grid, delegate, statusText).print(&printer))
        Dialogs::instance().error(QStringLiteral("La stampa non è riuscita: la stampante non è disponibile."));
}

void preview(const QTableView *grid, const GridDelegate *delegate, const QString &statusText, QWidget *parent)
{
    QPrinter printer(QPrinter::HighResolution);
    setUp(printer);
    const ResultPrinter pages = printerFor(grid, delegate, statusText);
    QPrintPreviewDialog dialog(&printer, parent);
    dialog.setWindowTitle(QStringLiteral("Anteprima di stampa"));
    QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog,
                     [&pages](QPrinter *target) { pages.print(target); });
    dialog.exec();
}

bool exportPdf(const QTableView *grid, const GridDelegate *delegate, const QString &statusText, const QString &folder)
{
    QDir().mkpath(folder);
    Dialogs::FileRequest request;
    request.caption = QStringLiteral("Esporta in PDF");
    request.folder = folder;
    request.filters = {QStringLiteral("Documento PDF (*.pdf)")};
    request.defaultSuffix = QStringLiteral("pdf");
    const QString path = Dialogs::instance().saveFileName(request);
    if (path.isEmpty())
        return false;
    const QString shown = QDir::toNativeSeparators(path);
    if (QFileInfo::exists(path)
        && !Dialogs::instance().question(QStringLiteral("Il file %1 esiste già. Sostituirlo?").arg(shown)))
        return false;

    // Written aside and put in place whole: a failure leaves any earlier file as it was.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        Dialogs::instance().error(QStringLiteral("Impossibile scrivere il file %1: %2").arg(shown, file.errorString()));
        return false;
    }
    bool drawn = false;
    {
        QPdfWriter pdf(&file);
        pdf.setTitle(headingOf(statusText));
        pdf.setCreator(QStringLiteral("Pratilio+"));
        pdf.setResolution(300);
        pdf.setPageSize(QPageSize(QPageSize::A4));
        pdf.setPageOrientation(QPageLayout::Landscape);
        pdf.setPageMargins(QMarginsF(10, 10, 10, 10), QPageLayout::Millimeter);
        drawn = printerFor(grid, delegate, statusText).print(&pdf);
    }
    if (!drawn)
        file.cancelWriting();
    if (!drawn || !file.commit()) {
        const QString reason = drawn ? file.errorString() : QStringLiteral("le pagine non si possono disegnare.");
        Dialogs::instance().error(QStringLiteral("Impossibile scrivere il file %1: %2").arg(shown, reason));
        return false;
    }
    return true;
}

} // namespace ResultPrinting
