#include "views/gridcontroller.h"

#include "core/errorhandler.h"
#include "core/eventfilter.h"
#include "core/workspace.h"
#include "data/query.h"
#include "views/cellstyle.h"
#include "views/griddelegate.h"
#include "views/gridheaders.h"
#include "views/resultmodel.h"

#include <QDateEdit>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QTableView>
#include <QWheelEvent>

namespace {

constexpr int kWheelNotch = 120;

} // namespace

QTableView *GridController::createGrid(QWidget *parent, ResultModel *model)
{
    auto *grid = new QTableView(parent);
    grid->setObjectName(QStringLiteral("DBGrid1"));
    grid->setHorizontalHeader(new TitleHeader(grid));
    grid->setVerticalHeader(new RowNumberHeader(grid));
    grid->setModel(model);
    grid->horizontalHeader()->setDefaultSectionSize(GridColumns::kDefaultWidth);
    grid->horizontalHeader()->setHighlightSections(false);
    grid->verticalHeader()->setDefaultSectionSize(20);
    return grid;
}

QDateEdit *GridController::createDatePicker(QWidget *parent)
{
    auto *picker = new QDateEdit(parent);
    picker->setObjectName(QStringLiteral("DateTimePicker1"));
    picker->setDisplayFormat(QStringLiteral("dd/MM/yyyy"));
    picker->setCalendarPopup(true);
    picker->hide();
    return picker;
}

GridController::GridController(Workspace &workspace, QTableView *grid, ResultModel *model, QDateEdit *datePicker,
                               QWidget *pickerParent, std::function<void()> markCurrentRow, QObject *parent) :
    QObject(parent),
    workspace_(workspace),
    grid_(grid),
    model_(model),
    datePicker_(datePicker),
    pickerParent_(pickerParent),
    markCurrentRow_(std::move(markCurrentRow))
{
    QHeaderView *titles = grid_->horizontalHeader();
    connect(titles, &QHeaderView::sectionResized, this,
            [this](int logical, int, int newSize) { sectionResized(logical, newSize); });
    connect(grid_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex &current) { currentChanged(current.row()); });
    const auto mouseUp = [this](QEvent *) {
        ErrorHandler::guard([this] { DBGrid1MouseUp(); });
        return false;
    };
    EventFilter::on(grid_->viewport(), QEvent::MouseButtonRelease, mouseUp);
    EventFilter::on(titles->viewport(), QEvent::MouseButtonRelease, mouseUp);

    Globals &globals = workspace_.globals();
    delegate_ = new GridDelegate(grid_, workspace_.query(), &globals.viewKind, &globals.selectedKey);
    grid_->setItemDelegate(delegate_);
    // The current cell is the one selected cell, as the row mark and the colours expect.
    grid_->setSelectionMode(QAbstractItemView::SingleSelection);
    grid_->setSelectionBehavior(QAbstractItemView::SelectItems);
    // The date editor lies over the current cell while it is a date and the grid has the focus;
    // it follows the cell when the grid scrolls or a column changes its width.
    connect(grid_->selectionModel(), &QItemSelectionModel::currentChanged, this, [this] { placeDatePicker(); });
    EventFilter::on(grid_, QEvent::FocusIn, [this](QEvent *) {
        placeDatePicker();
        return false;
    });
    const auto follow = [this] {
        if (datePicker_->isVisible())
            placeDatePicker();
    };
    connect(titles, &QHeaderView::sectionResized, this, follow);
    connect(titles, &QHeaderView::sectionMoved, this, follow);
    connect(grid_->horizontalScrollBar(), &QScrollBar::valueChanged, this, follow);
    connect(grid_->verticalScrollBar(), &QScrollBar::valueChanged, this, follow);

    // A title click sorts; it must not also select the column and so move the current row.
    titles->setSectionsClickable(true);
    QObject::disconnect(titles, &QHeaderView::sectionPressed, grid_, nullptr);
    QObject::disconnect(titles, &QHeaderView::sectionEntered, grid_, nullptr);
    connect(titles, &QHeaderView::sectionClicked, this,
            [this](int column) { ErrorHandler::guard([this, column] { DBGrid1TitleClick(column); }); });

    connect(grid_->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex &current, const QModelIndex &previous) {
                if (previous.isValid() && current.column() != previous.column())
                    ErrorHandler::guard([this, previous] { DBGrid1ColExit(previous.column()); });
            });
    EventFilter::on(grid_, QEvent::KeyRelease, [this](QEvent *event) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        ErrorHandler::guard([this, key] { DBGrid1KeyUp(key); });
        return false;
    });
    EventFilter::on(grid_->viewport(), QEvent::Wheel, [this](QEvent *event) {
        wheel(static_cast<QWheelEvent *>(event));
        return true; // the grid must not scroll by itself
    });
}

void GridController::mirrorColumns()
{
    const GridColumns &grid = workspace_.gridColumns();
    const int count = std::min(int(grid.columns.size()), model_->columnCount());
    for (int i = 0; i < count; ++i) {
        const GridColumn &column = grid.columns[size_t(i)];
        grid_->setColumnHidden(i, false);
        grid_->setColumnWidth(i, column.width);
        grid_->setColumnHidden(i, !column.visible);
    }
    model_->refreshHeaders();
}

void GridController::sectionResized(int logical, int newSize)
{
    GridColumns &grid = workspace_.gridColumns();
    // Hiding a column reports a width of 0, which is not the column's width.
    if (logical < 0 || logical >= int(grid.columns.size()) || grid_->isColumnHidden(logical) || newSize <= 0)
        return;
    grid.columns[size_t(logical)].width = newSize;
}

void GridController::DBGrid1MouseUp()
{
    ColumnSetup::captureWidths(workspace_.gridColumns(), workspace_.globals().catalogue);
}

void GridController::currentChanged(int row)
{
    Query *query = workspace_.query();
    if (row < 0 || row == query->currentRow())
        return;
    // While a row is being inserted the main window is disabled: a move of the grid's cursor
    // then comes from the grid following a dropped row, and must not save that row.
    if (query->state() == Query::State::Insert)
        return;
    // Leaving a changed row saves it; when the database refuses, the cursor goes back to the
    // row that still holds the change, so that what follows acts on the row shown.
    if (!ErrorHandler::guard([query, row] { query->setCurrentRow(row); }))
        showCurrentRow();
}

void GridController::showCurrentRow()
{
    const int row = workspace_.query()->currentRow();
    if (row < 0 || row >= model_->rowCount())
        return;
    const QModelIndex current = grid_->currentIndex();
    if (current.isValid() && current.row() == row)
        return;
    int column = current.isValid() ? current.column() : 0;
    while (column < model_->columnCount() && grid_->isColumnHidden(column))
        ++column;
    if (column >= model_->columnCount())
        column = 0;
    grid_->setCurrentIndex(model_->index(row, column));
}

void GridController::placeDatePicker()
{
    const QModelIndex index = grid_->currentIndex();
    const Query &query = *workspace_.query();
    const int row = index.row();
    const int column = index.column();
    if (!index.isValid() || !grid_->hasFocus() || row >= query.recordCount() || column >= query.fieldCount()
        || !CellStyle::isDateField(query.fieldInfo(column).name))
        return;
    const QRect cellRect = grid_->visualRect(index);
    if (cellRect.isEmpty())
        return;
    // One pixel in from the cell's corner and two wider and higher, over the grid lines.
    const QPoint topLeft = grid_->viewport()->mapTo(pickerParent_, cellRect.topLeft()) + QPoint(1, 1);
    datePicker_->setGeometry(QRect(topLeft, cellRect.size() + QSize(2, 2)));
    const QDate date = query.text(row, column).isEmpty() ? QDate::currentDate() : query.value(row, column).toDate();
    {
        // Laying the picker over a cell is no choice of the user's: nothing may write it back.
        const QSignalBlocker quiet(datePicker_);
        datePicker_->setDate(date);
    }
    datePicker_->show();
    datePicker_->raise();
}

void GridController::DBGrid1ColExit(int column)
{
    const Query &query = *workspace_.query();
    if (column >= 0 && column < query.fieldCount() && CellStyle::isDateField(query.fieldInfo(column).name))
        datePicker_->hide();
}

void GridController::DBGrid1TitleClick(int column)
{
    Query &query = *workspace_.query();
    if (!query.isActive() || column < 0 || column >= query.fieldCount())
        return;
    model_->setTitleBold(column, !model_->isTitleBold(column));
    const QString field = query.fieldInfo(column).name;
    const int currentColumn = grid_->currentIndex().column();
    query.setSort(CellStyle::nextSort(query.sort(), field));
    // The re-ordered rows keep the current row and the current cell's column.
    const int row = query.currentRow();
    if (row >= 0 && currentColumn >= 0 && currentColumn < model_->columnCount())
        grid_->setCurrentIndex(model_->index(row, currentColumn));
    else
        showCurrentRow();
}

void GridController::DBGrid1KeyUp(int key)
{
    if (key == Qt::Key_Up || key == Qt::Key_Down)
        markCurrentRow_();
    grid_->viewport()->update();
}

void GridController::GridWheelDown()
{
    if (workspace_.query()->isActive())
        workspace_.query()->next();
    markCurrentRow_();
    grid_->viewport()->update();
}

void GridController::GridWheelUp()
{
    if (workspace_.query()->isActive())
        workspace_.query()->prior();
    markCurrentRow_();
    grid_->viewport()->update();
}

void GridController::wheel(QWheelEvent *event)
{
    event->accept();
    const int delta = event->angleDelta().y();
    // A change of direction drops what was left of a notch the other way.
    if ((delta > 0) != (wheelRemainder_ > 0))
        wheelRemainder_ = 0;
    wheelRemainder_ += delta;
    while (wheelRemainder_ <= -kWheelNotch) {
        wheelRemainder_ += kWheelNotch;
        ErrorHandler::guard([this] { GridWheelDown(); });
    }
    while (wheelRemainder_ >= kWheelNotch) {
        wheelRemainder_ -= kWheelNotch;
        ErrorHandler::guard([this] { GridWheelUp(); });
    }
}
