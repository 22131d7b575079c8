#include "queries/querystandard.h"

QueryStandard::QueryStandard(Workspace &workspace) : QDialog(nullptr, Qt::Tool), workspace_(workspace)
{
    setObjectName(QStringLiteral("QueryStandard"));
    setWindowTitle(QStringLiteral("Condizione query"));
}
