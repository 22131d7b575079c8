#include "queries/querycomplessa.h"

#include "core/workspace.h"
#include "data/table.h"

#include <QCloseEvent>
#include <QLabel>

QueryComplessa::QueryComplessa(Workspace &workspace)
    : QWidget(nullptr, Qt::Window), workspace_(workspace), ADOTable1(std::make_unique<Table>(&workspace.connection()))
{
    setObjectName(QStringLiteral("QueryComplessa"));
    setWindowTitle(QStringLiteral("Query complessa"));
    resize(545, 437);
    ADOTable1->setObjectName(QStringLiteral("ADOTable1"));
    auto *heading = new QLabel(QStringLiteral("Inserire la condizione della query:"), this);
    heading->setObjectName(QStringLiteral("Label1"));
    heading->move(16, 8);

}

QueryComplessa::~QueryComplessa() = default;
