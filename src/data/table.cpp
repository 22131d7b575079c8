#include "data/table.h"

#include "data/database.h"

void Table::open()
{
    if (tableName_.isEmpty())
        throw DbError(QStringLiteral("Nessuna tabella indicata."));
    setSql({QStringLiteral("SELECT * FROM %1").arg(Database::quoteIdentifier(tableName_))});
    Query::open();
}
