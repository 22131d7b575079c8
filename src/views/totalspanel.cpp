#include "views/totalspanel.h"

#include "data/query.h"

TotalsPanel::TotalsPanel(Query *query, QWidget *parent) : QLabel(parent), totals_(query)
{
    setObjectName(QStringLiteral("StatusBar1Panel1"));
    connect(query, &Query::resultChanged, this, &TotalsPanel::refresh);
    connect(query, &Query::rowsInserted, this, &TotalsPanel::refresh);
    connect(query, &Query::rowsRemoved, this, &TotalsPanel::refresh);
    connect(query, &Query::rowChanged, this, [this](int row) {
        totals_.rowChanged(row);
        refresh();
    });
}

void TotalsPanel::refresh()
{
    const QString text = ResultTotals::text(totals_.compute());
    if (text != QLabel::text())
        setText(text);
}
