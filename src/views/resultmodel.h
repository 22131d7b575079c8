#pragma once

#include <QAbstractTableModel>
#include <QSet>

class Query;

// The grid's model over the current result: one row per shown row of the query (filter and
// sort applied, the row being inserted included), one column per field, read straight from
// the query's compact rows. Follows the query's changes through its signals; edits write the
// current row's fields (the query saves them when the user moves to another row).
class ResultModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    explicit ResultModel(Query *query, QObject *parent = nullptr);

    Query *query() const { return query_; }

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;

    // Whether cells may be edited at all (the grid's read-only flag is the opposite).
    void setEditable(bool editable);
    bool isEditable() const { return editable_; }

    // Column titles come from the query's field display names; call after they change.
    void refreshHeaders();

    // A bold title marks a column the user sorted by; it lasts as long as the open result.
    void setTitleBold(int section, bool bold);
    bool isTitleBold(int section) const { return boldTitles_.contains(section); }

private:
    Query *query_; // Not owned.
    bool editable_ = true;
    QSet<int> boldTitles_;
};
