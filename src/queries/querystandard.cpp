#include "queries/querystandard.h"

#include "app/principale.h"

#include <QCloseEvent>

QueryStandard::QueryStandard(Principale *main) : QDialog(nullptr, Qt::Tool), main_(main)
{
    setObjectName(QStringLiteral("QueryStandard"));
    setWindowTitle(QStringLiteral("Condizione query"));
    main_->setConditionDialog(this);
    // Escape hides a dialog without a close event.
    connect(this, &QDialog::finished, this, [this] { main_->setEnabled(true); });
}

void QueryStandard::closeEvent(QCloseEvent *event)
{
    main_->setEnabled(true);
    QDialog::closeEvent(event);
}
