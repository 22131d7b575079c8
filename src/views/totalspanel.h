#pragma once

#include "views/resulttotals.h"

#include <QLabel>

class Query;

// The status bar's second panel: what the shown projects add up to and what is still owed,
// or the total of the shown payments; empty for other results. Follows the query's changes
// (a new result, the quick search's filter, a row added, changed or deleted) and only
// rewrites its own text.
class TotalsPanel : public QLabel
{
    Q_OBJECT

public:
    explicit TotalsPanel(Query *query, QWidget *parent = nullptr);

private:
    void refresh();

    ResultTotals totals_;
};
