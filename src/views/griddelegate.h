#pragma once

#include "core/globals.h"
#include "views/cellstyle.h"

#include <QHash>
#include <QStringList>
#include <QStyledItemDelegate>

class Query;
class QTableView;

// Draws every data cell of the result grid with the colours of CellStyle: group colours,
// amount and state colours, links, and the mark of the row last picked. Also offers the
// per-column pick lists as a drop-down editor.
class GridDelegate : public QStyledItemDelegate
{
    Q_OBJECT

public:
    // `viewKind` and `selectedKey` are read at every paint: they belong to the main window.
    GridDelegate(QTableView *view, Query *query, const ViewKind *viewKind, const QString *selectedKey);

    // What a cell looks like now: selected means it is the grid's current cell.
    CellStyle::Style styleFor(const QModelIndex &index) const;
    // Public so that the look of a cell can be checked without painting it.
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override;

    // Pick lists by column; they belong to the open result and go with it.
    void setPickList(int column, const QStringList &values);
    QStringList pickList(int column) const { return pickLists_.value(column); }
    bool hasPickList(int column) const { return pickLists_.contains(column); }

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    void setEditorData(QWidget *editor, const QModelIndex &index) const override;
    void setModelData(QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const override;

private:
    // Column positions of the fields the drawing looks at, found once per result.
    struct Columns
    {
        int total = -1;
        int paid = -1;
        int state = -1;
        int key = -1;
        int keyViewKind = -1; // the view the key column was found for
    };
    const Columns &columns() const;
    void forgetResult();

    QTableView *view_;           // Not owned.
    Query *query_;               // Not owned.
    const ViewKind *viewKind_;   // Not owned.
    const QString *selectedKey_; // Not owned.
    mutable Columns columns_;
    mutable bool columnsKnown_ = false;
    QHash<int, QStringList> pickLists_;
};
