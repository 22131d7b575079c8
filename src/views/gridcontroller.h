#pragma once

#include <QObject>

#include <functional>

class GridDelegate;
class QDateEdit;
class QTableView;
class QWheelEvent;
class QWidget;
class ResultModel;
class Workspace;

// The main window's grid behaviour: it mirrors the column set-up, follows and sets the current
// row, sorts by a title click, lays the date editor over a focused date cell, moves the row
// mark with the arrow keys and the wheel, and keeps the widths the user drags.
class GridController : public QObject
{
    Q_OBJECT

public:
    // The widgets are the main window's (Not owned); `datePicker` lies in `pickerParent`.
    // `markCurrentRow` moves the row mark to the current row.
    GridController(Workspace &workspace, QTableView *grid, ResultModel *model, QDateEdit *datePicker,
                   QWidget *pickerParent, std::function<void()> markCurrentRow, QObject *parent = nullptr);

    // The main window's grid `DBGrid1` over `model`, with its two headers, and the date editor
    // `DateTimePicker1` laid over a date cell, hidden until then; both children of `parent`.
    static QTableView *createGrid(QWidget *parent, ResultModel *model);
    static QDateEdit *createDatePicker(QWidget *parent);

    GridDelegate *delegate() const { return delegate_; }

    // The grid takes over hidden columns and widths from the workspace's column set-up.
    void mirrorColumns();
    // The grid's current cell moves to the query's current row.
    void showCurrentRow();

    void DBGrid1TitleClick(int column);
    void DBGrid1ColExit(int column);
    void DBGrid1KeyUp(int key); // a Qt::Key
    void DBGrid1MouseUp();
    void GridWheelDown();
    void GridWheelUp();

private:
    // Lays the date editor over the current cell when it is a date and the grid has the focus.
    void placeDatePicker();
    void wheel(QWheelEvent *event);
    void currentChanged(int row);
    void sectionResized(int logical, int newSize);

    Workspace &workspace_;
    QTableView *grid_;      // Not owned.
    ResultModel *model_;    // Not owned.
    QDateEdit *datePicker_; // Not owned.
    QWidget *pickerParent_; // Not owned.
    GridDelegate *delegate_ = nullptr;
    std::function<void()> markCurrentRow_;
    int wheelRemainder_ = 0; // a wheel turned by less than a notch moves no row yet
};
