#pragma once

#include <QWidget>

#include <memory>

class Principale;
class Table;

// The complex query window: up to five conditions combined into one query. Owns the
// shared look-up table that any window opens on a named table for one short task.
class QueryComplessa : public QWidget
{
    Q_OBJECT

public:
    explicit QueryComplessa(Principale *main);
    ~QueryComplessa() override;

    Table *lookUpTable() const { return ADOTable1.get(); }

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    Principale *main_; // Not owned.
    std::unique_ptr<Table> ADOTable1;
};
