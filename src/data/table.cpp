#include "data/table.h"

#include "data/database.h"

void Table::open()
{
    if (tableName_.isEmpty())
        throw DbError(QStringLiteral("Nessuna tabella indicata."));
    // A [bracketed] name passes the statements' translation as a name on every engine (a
    // "quoted" one would become a text literal, which only the file takes for a table).
    QString name = tableName_;
    name.replace(QLatin1Char(']'), QLatin1Char(' '));
    setSql({QStringLiteral("SELECT * FROM [%1]").arg(name)});
    Query::open();
}
