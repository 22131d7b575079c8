#pragma once

#include <QString>

class GridDelegate;
class QTableView;
class QWidget;

// The "File" menu's printing of the current result as the user meets it: the print dialog,
// the print preview and the export to a PDF file in the Output folder. The pages themselves
// are ResultPrinter's; they are landscape, headed by the status line's description.
namespace ResultPrinting {

// "Stampa...": the print dialog, then the pages on the printer chosen.
void print(const QTableView *grid, const GridDelegate *delegate, const QString &statusText, QWidget *parent);
// "Anteprima di stampa...": the pages in the print preview, from which they can be printed.
void preview(const QTableView *grid, const GridDelegate *delegate, const QString &statusText, QWidget *parent);
// "Esporta in PDF...": the pages into a PDF file the user names, offered in `folder` (the
// data's Output/). False when nothing was written (cancelled, or a failure already told).
bool exportPdf(const QTableView *grid, const GridDelegate *delegate, const QString &statusText, const QString &folder);

// What the heading says: the status line without its "Query attuale: ".
QString headingOf(const QString &statusText);

} // namespace ResultPrinting
