#include "views/griddelegate.h"

#include "data/query.h"
#include "views/rowkey.h"

#include <QComboBox>
#include <QPainter>
#include <QTableView>

GridDelegate::GridDelegate(QTableView *view, Query *query, const ViewKind *viewKind, const QString *selectedKey) :
    QStyledItemDelegate(view), view_(view), query_(query), viewKind_(viewKind), selectedKey_(selectedKey)
{
    connect(query_, &Query::resultChanged, this, [this] {
        columnsKnown_ = false;
        // A closed result takes its columns, and so their pick lists, with it; a sort or a
        // filter keeps them.
        if (!query_->isActive())
            forgetResult();
    });
}

void GridDelegate::forgetResult() { pickLists_.clear(); }

const GridDelegate::Columns &GridDelegate::columns() const
{
    if (!columnsKnown_) {
        columns_.total = query_->fieldIndex(QStringLiteral("Importo_totale"));
        columns_.paid = query_->fieldIndex(QStringLiteral("Importo_pagato"));
        columns_.state = query_->fieldIndex(QStringLiteral("Stato"));
        columns_.keyViewKind = -1;
        columnsKnown_ = true;
    }
    // The drill-down changes the view kind after its result is open.
    if (columns_.keyViewKind != *viewKind_) {
        columns_.key = RowKey::keyColumn(*query_, *viewKind_);
        columns_.keyViewKind = *viewKind_;
    }
    return columns_;
}

CellStyle::Style GridDelegate::styleFor(const QModelIndex &index) const
{
    const int row = index.row();
    const int column = index.column();
    if (!index.isValid() || row >= query_->recordCount() || column >= query_->fieldCount())
        return {};
    const Columns &c = columns();
    CellStyle::RowFacts facts;
    facts.hasTotal = c.total >= 0 && c.paid >= 0;
    if (facts.hasTotal) {
        facts.total = query_->text(row, c.total);
        facts.paid = query_->text(row, c.paid);
    }
    facts.hasState = c.state >= 0;
    if (facts.hasState)
        facts.state = query_->text(row, c.state);
    facts.marked = c.key >= 0 && query_->text(row, c.key) == *selectedKey_;
    const bool selected = index == view_->currentIndex();
    return CellStyle::forGridCell(query_->fieldInfo(column).name, selected, facts);
}

void GridDelegate::initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const
{
    QStyledItemDelegate::initStyleOption(option, index);
    const CellStyle::Style style = styleFor(index);
    // The current cell is the selected one; other cells are drawn plain whatever the
    // selection model holds.
    const bool current = index == view_->currentIndex();
    // A cell colour replaces the selection colour, as the grid's own background would.
    option->state.setFlag(QStyle::State_Selected, current && !style.background.isValid());
    if (style.background.isValid())
        option->backgroundBrush = style.background;
    if (style.foreground.isValid()) {
        option->palette.setColor(QPalette::Text, style.foreground);
        option->palette.setColor(QPalette::HighlightedText, style.foreground);
    }
    // Each of the two styles replaces the font's whole style; otherwise the grid's font stays.
    if (style.underline || style.bold) {
        option->font.setItalic(false);
        option->font.setStrikeOut(false);
        option->font.setUnderline(style.underline);
        option->font.setBold(style.bold);
    }
}

void GridDelegate::setPickList(int column, const QStringList &values) { pickLists_.insert(column, values); }

QWidget *GridDelegate::createEditor(QWidget *parent, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    if (!hasPickList(index.column()))
        return QStyledItemDelegate::createEditor(parent, option, index);
    auto *box = new QComboBox(parent);
    box->setEditable(true); // a state may be typed as well as picked
    box->addItems(pickLists_.value(index.column()));
    return box;
}

void GridDelegate::setEditorData(QWidget *editor, const QModelIndex &index) const
{
    if (auto *box = qobject_cast<QComboBox *>(editor); box && hasPickList(index.column())) {
        const QString text = index.data(Qt::EditRole).toString();
        const int item = box->findText(text);
        if (item < 0 && !text.isEmpty()) {
            // A stored state missing from the list stays what it was until one is picked.
            box->addItem(text);
            box->setCurrentIndex(box->count() - 1);
        } else {
            box->setCurrentIndex(item);
        }
        return;
    }
    QStyledItemDelegate::setEditorData(editor, index);
}

void GridDelegate::setModelData(QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const
{
    if (auto *box = qobject_cast<QComboBox *>(editor); box && hasPickList(index.column())) {
        model->setData(index, box->currentText(), Qt::EditRole);
        return;
    }
    QStyledItemDelegate::setModelData(editor, model, index);
}
