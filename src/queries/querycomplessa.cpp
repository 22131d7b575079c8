#include "queries/querycomplessa.h"

#include "app/principale.h"
#include "data/table.h"

#include <QCloseEvent>
#include <QLabel>

QueryComplessa::QueryComplessa(Principale *main)
    : QWidget(nullptr, Qt::Window), main_(main), ADOTable1(std::make_unique<Table>(&main->connection()))
{
    setObjectName(QStringLiteral("QueryComplessa"));
    setWindowTitle(QStringLiteral("Query complessa"));
    resize(545, 437);
    ADOTable1->setObjectName(QStringLiteral("ADOTable1"));
    auto *heading = new QLabel(QStringLiteral("Inserire la condizione della query:"), this);
    heading->setObjectName(QStringLiteral("Label1"));
    heading->move(16, 8);

    main_->setComplexQuery(this); // once complete
}

QueryComplessa::~QueryComplessa() = default;

void QueryComplessa::closeEvent(QCloseEvent *event)
{
    main_->setEnabled(true);
    event->accept();
}
