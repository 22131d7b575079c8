#include "core/workspace.h"

#include "data/database.h"
#include "data/query.h"
#include "data/schema.h"
#include "data/table.h"

Workspace::Workspace(const QString &programDir)
    : programDir_(programDir),
      connection_(std::make_unique<Database>()),
      query_(std::make_unique<Query>(connection_.get())),
      protezione_(std::make_unique<Table>(connection_.get()))
{
    query_->setObjectName(QStringLiteral("ADOQuery1"));
    protezione_->setObjectName(QStringLiteral("Protezione"));
    protezione_->setTableName(QStringLiteral("Applicazione"));
}

Workspace::~Workspace() = default;

void Workspace::openConnection()
{
    connection_->open(Schema::databasePath(programDir_), Schema::databasePassword());
    protezione_->open();
}

void Workspace::fillFieldCheckLists()
{
    globals_.catalogue.fillFieldCheckLists(globals_.checkLists);
    // The lists come unticked; an item is ticked when its field is shown.
    for (CheckList &list : globals_.checkLists) {
        for (int item = 0; item < list.items.size(); ++item) {
            const int entry = globals_.catalogue.indexOfLabel(list.items.at(item));
            list.checked[item] = entry >= 0 && globals_.catalogue.entry(entry).visible;
        }
    }
}

void Workspace::saveTypedChange()
{
    // A change typed into the grid or the card is saved before the result is replaced,
    // rather than dropped with it; a refused save stops the query, keeping the change.
    if (query_->state() == Query::State::Edit && query_->isModified())
        query_->post();
}
