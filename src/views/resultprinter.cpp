#include "views/resultprinter.h"

#include "views/griddelegate.h"

#include <QFontInfo>
#include <QHeaderView>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QTableView>

#include <algorithm>
#include <cmath>

namespace {

// The grid's widths are screen pixels; a screen is taken as 96 dots per inch.
constexpr double kScreenDpi = 96.0;
constexpr int kPadding = 3;
const QColor kLines(0xA0, 0xA0, 0xA0);
const QColor kTitleBackground(0xE6, 0xE6, 0xE6);

QString footer(int page, int pages) { return QStringLiteral("Pagina %1 di %2").arg(page + 1).arg(pages); }

} // namespace

ResultPrinter::ResultPrinter(const QTableView *grid, const GridDelegate *delegate) :
    grid_(grid), delegate_(delegate), font_(grid->font())
{
    // Sizes in pixels scale with the page as everything else does; point sizes would be
    // taken at the device's own resolution instead.
    font_.setPixelSize(std::max(6, QFontInfo(grid->font()).pixelSize()));
}

void ResultPrinter::setHeading(const QString &description, const QDate &date)
{
    description_ = description;
    date_ = date;
}

ResultPrinter::Layout ResultPrinter::layOut(const QPagedPaintDevice *device) const
{
    Layout layout;
    const QHeaderView *header = grid_->horizontalHeader();
    int width = 0;
    for (int visual = 0; visual < header->count(); ++visual) {
        const int logical = header->logicalIndex(visual);
        if (header->isSectionHidden(logical) || header->sectionSize(logical) <= 0)
            continue;
        layout.columns.push_back({logical, header->sectionSize(logical)});
        width += header->sectionSize(logical);
    }
    layout.rowHeight = std::max(grid_->verticalHeader()->defaultSectionSize(), font_.pixelSize() + 4);
    layout.headingHeight = layout.rowHeight * 3 / 2;

    // The grid's size on paper, made smaller when its columns are wider than the page.
    layout.scale = device->logicalDpiX() / kScreenDpi;
    if (width * layout.scale > device->width())
        layout.scale = double(device->width()) / width;
    layout.pageWidth = device->width() / layout.scale;
    const double pageHeight = device->height() / layout.scale;
    // Heading, titles and foot take four rows' room between them.
    const double forRows = pageHeight - layout.headingHeight - 2.5 * layout.rowHeight;
    layout.rowsPerPage = std::max(1, int(std::floor(forRows / layout.rowHeight)));
    const int rows = grid_->model() ? grid_->model()->rowCount() : 0;
    layout.pages = std::max(1, (rows + layout.rowsPerPage - 1) / layout.rowsPerPage);
    return layout;
}

int ResultPrinter::pageCount(const QPagedPaintDevice *device) const { return layOut(device).pages; }

bool ResultPrinter::print(QPagedPaintDevice *device) const
{
    const Layout layout = layOut(device);
    QPainter painter;
    if (!painter.begin(device))
        return false;
    for (int page = 0; page < layout.pages; ++page) {
        if (page > 0 && !device->newPage())
            return false;
        drawPage(painter, layout, page);
    }
    return painter.end();
}

void ResultPrinter::drawPage(QPainter &painter, const Layout &layout, int page) const
{
    painter.save();
    painter.scale(layout.scale, layout.scale);
    const double pageHeight = painter.device()->height() / layout.scale;

    QFont heading = font_;
    heading.setBold(true);
    heading.setPixelSize(font_.pixelSize() * 5 / 4);
    painter.setFont(heading);
    painter.setPen(Qt::black);
    const QRectF headingRect(0, 0, layout.pageWidth, layout.headingHeight);
    const QString date = date_.toString(QStringLiteral("dd/MM/yyyy"));
    const double dateWidth = painter.fontMetrics().horizontalAdvance(date) + 4 * kPadding;
    painter.drawText(headingRect, Qt::AlignRight | Qt::AlignVCenter, date);
    painter.drawText(headingRect.adjusted(0, 0, -dateWidth, 0), Qt::AlignLeft | Qt::AlignVCenter,
                     painter.fontMetrics().elidedText(description_, Qt::ElideRight, int(layout.pageWidth - dateWidth)));

    double top = layout.headingHeight;
    drawTitles(painter, layout, top);
    top += layout.rowHeight;
    const int rows = grid_->model() ? grid_->model()->rowCount() : 0;
    const int last = std::min(rows, (page + 1) * layout.rowsPerPage);
    for (int row = page * layout.rowsPerPage; row < last; ++row, top += layout.rowHeight)
        drawRow(painter, layout, row, top);

    painter.setFont(font_);
    painter.setPen(Qt::black);
    painter.drawText(QRectF(0, pageHeight - layout.rowHeight, layout.pageWidth, layout.rowHeight),
                     Qt::AlignHCenter | Qt::AlignVCenter, footer(page, layout.pages));
    painter.restore();
}

void ResultPrinter::drawTitles(QPainter &painter, const Layout &layout, double top) const
{
    const QAbstractItemModel *model = grid_->model();
    double left = 0;
    for (const Column &column : layout.columns) {
        const QRectF cell(left, top, column.width, layout.rowHeight);
        painter.fillRect(cell, kTitleBackground);
        painter.setPen(kLines);
        painter.drawRect(cell);
        QFont font = font_;
        // A sorted column's title is bold in the grid, and so on paper.
        const QVariant titleFont = model->headerData(column.logical, Qt::Horizontal, Qt::FontRole);
        font.setBold(titleFont.isValid() && titleFont.value<QFont>().bold());
        painter.setFont(font);
        painter.setPen(Qt::black);
        const QString title = model->headerData(column.logical, Qt::Horizontal).toString();
        const QRectF text = cell.adjusted(kPadding, 0, -kPadding, 0);
        painter.drawText(text, Qt::AlignLeft | Qt::AlignVCenter,
                         painter.fontMetrics().elidedText(title, Qt::ElideRight, int(text.width())));
        left += column.width;
    }
}

void ResultPrinter::drawRow(QPainter &painter, const Layout &layout, int row, double top) const
{
    const QAbstractItemModel *model = grid_->model();
    double left = 0;
    for (const Column &column : layout.columns) {
        const QModelIndex index = model->index(row, column.logical);
        const CellStyle::Style style = delegate_->styleFor(index);
        const QRectF cell(left, top, column.width, layout.rowHeight);
        painter.fillRect(cell, style.background.isValid() ? style.background : QColor(Qt::white));
        painter.setPen(kLines);
        painter.drawRect(cell);
        QFont font = font_;
        font.setUnderline(style.underline);
        font.setBold(style.bold);
        painter.setFont(font);
        painter.setPen(style.foreground.isValid() ? style.foreground : QColor(Qt::black));
        const QVariant alignment = index.data(Qt::TextAlignmentRole);
        const Qt::Alignment align = alignment.isValid() ? Qt::Alignment(alignment.toInt())
                                                        : Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter);
        const QRectF text = cell.adjusted(kPadding, 0, -kPadding, 0);
        painter.drawText(text, align,
                         painter.fontMetrics().elidedText(index.data().toString(), Qt::ElideRight, int(text.width())));
        left += column.width;
    }
}
