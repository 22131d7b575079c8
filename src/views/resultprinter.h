#pragma once

#include <QDate>
#include <QFont>
#include <QString>

#include <vector>

class GridDelegate;
class QPagedPaintDevice;
class QPainter;
class QTableView;

// Lays the current result out on pages as the grid shows it: the grid's visible columns in
// their order and at their widths (scaled down together when they are wider than the page),
// the rows as the grid lists them (quick-search filter and sort applied) with the grid's own
// cell colours, and on every page a heading (what the result is, and the date), the column
// titles and "Pagina N di M" at the foot. Draws on any paged device (a printer, a PDF file,
// the print preview) one page at a time, so a long result is never laid out all at once.
class ResultPrinter
{
public:
    // The grid whose columns and rows are printed and the delegate that colours its cells
    // (both Not owned).
    ResultPrinter(const QTableView *grid, const GridDelegate *delegate);

    // The heading's text, shown on the left of every page, and its date, on the right.
    void setHeading(const QString &description, const QDate &date);

    // The pages the result takes on `device` with its page set-up.
    int pageCount(const QPagedPaintDevice *device) const;
    // Draws every page on `device`; false when the device cannot be painted on.
    bool print(QPagedPaintDevice *device) const;

private:
    struct Column
    {
        int logical = 0;
        int width = 0;
    };
    // One page's geometry in the grid's own pixels, and the scale to the device.
    struct Layout
    {
        std::vector<Column> columns;
        double scale = 1;
        double pageWidth = 0;
        int rowHeight = 0;
        int headingHeight = 0;
        int rowsPerPage = 1;
        int pages = 1;
    };
    Layout layOut(const QPagedPaintDevice *device) const;
    void drawPage(QPainter &painter, const Layout &layout, int page) const;
    void drawTitles(QPainter &painter, const Layout &layout, double top) const;
    void drawRow(QPainter &painter, const Layout &layout, int row, double top) const;

    const QTableView *grid_;       // Not owned.
    const GridDelegate *delegate_; // Not owned.
    QFont font_;
    QString description_;
    QDate date_;
};
