#pragma once

#include <QWidget>

#include <memory>

class Workspace;
class Table;

// The complex query window: up to five conditions combined into one query. Owns the
// shared look-up table that any window opens on a named table for one short task.
class QueryComplessa : public QWidget
{
    Q_OBJECT

public:
    explicit QueryComplessa(Workspace &workspace);
    ~QueryComplessa() override;

    Table *lookUpTable() const { return ADOTable1.get(); }

private:
    Workspace &workspace_;
    std::unique_ptr<Table> ADOTable1;
};
