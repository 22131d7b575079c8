#pragma once

#include "data/query.h"

// A whole table read for one short task (the role of the shared look-up table and of the
// program's protection row): set the table name, open, walk, edit, post.
class Table : public Query
{
    Q_OBJECT

public:
    explicit Table(Database *db, QObject *parent = nullptr) : Query(db, parent) {}

    void setTableName(const QString &name) { tableName_ = name; }
    const QString &tableName() const { return tableName_; }
    void open();

private:
    QString tableName_;
};
