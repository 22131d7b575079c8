#include "views/resultmodel.h"

#include "core/errorhandler.h"
#include "data/query.h"

#include <QFont>

ResultModel::ResultModel(Query *query, QObject *parent) : QAbstractTableModel(parent), query_(query)
{
    connect(query_, &Query::resultAboutToChange, this, [this] { beginResetModel(); });
    connect(query_, &Query::resultChanged, this, [this] {
        // Sorting and filtering keep the columns; closing the result ends them.
        if (!query_->isActive())
            boldTitles_.clear();
        endResetModel();
    });
    connect(query_, &Query::rowsAboutToBeInserted, this,
            [this](int first, int last) { beginInsertRows(QModelIndex(), first, last); });
    connect(query_, &Query::rowsInserted, this, [this] { endInsertRows(); });
    connect(query_, &Query::rowsAboutToBeRemoved, this,
            [this](int first, int last) { beginRemoveRows(QModelIndex(), first, last); });
    connect(query_, &Query::rowsRemoved, this, [this] { endRemoveRows(); });
    connect(query_, &Query::rowChanged, this, [this](int row) {
        if (row >= 0 && row < rowCount() && columnCount() > 0)
            Q_EMIT dataChanged(index(row, 0), index(row, columnCount() - 1), {Qt::DisplayRole, Qt::EditRole});
    });
}

int ResultModel::rowCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : query_->recordCount(); }

int ResultModel::columnCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : query_->fieldCount(); }

QVariant ResultModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= columnCount())
        return {};
    if (role == Qt::DisplayRole || role == Qt::EditRole)
        return query_->text(index.row(), index.column());
    return {};
}

QVariant ResultModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role == Qt::FontRole && orientation == Qt::Horizontal && boldTitles_.contains(section)) {
        // Only the weight is set: the header's painter takes the rest from the grid's font.
        QFont bold;
        bold.setBold(true);
        return bold;
    }
    if (role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    if (orientation == Qt::Horizontal) {
        if (section >= 0 && section < columnCount())
            return query_->fieldInfo(section).displayName;
        return {};
    }
    return QAbstractTableModel::headerData(section, orientation, role);
}

Qt::ItemFlags ResultModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (editable_ && index.column() < columnCount() && !query_->fieldInfo(index.column()).readOnly)
        f |= Qt::ItemIsEditable;
    return f;
}

bool ResultModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (role != Qt::EditRole || !(flags(index) & Qt::ItemIsEditable))
        return false;
    if (query_->text(index.row(), index.column()) == value.toString())
        return false; // nothing typed: leave the row untouched
    // Called from inside the item view, which must not see an exception: a refused value
    // or a refused save of the row left is shown here and the cell keeps what it had.
    return ErrorHandler::guard([&] {
        query_->setCurrentRow(index.row());
        query_->field(index.column()).setValue(value);
    });
}

void ResultModel::setEditable(bool editable)
{
    if (editable_ == editable)
        return;
    editable_ = editable;
    if (rowCount() > 0 && columnCount() > 0)
        Q_EMIT dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
}

void ResultModel::refreshHeaders()
{
    if (columnCount() > 0)
        Q_EMIT headerDataChanged(Qt::Horizontal, 0, columnCount() - 1);
}

void ResultModel::setTitleBold(int section, bool bold)
{
    if (bold == boldTitles_.contains(section))
        return;
    if (bold)
        boldTitles_.insert(section);
    else
        boldTitles_.remove(section);
    Q_EMIT headerDataChanged(Qt::Horizontal, section, section);
}
