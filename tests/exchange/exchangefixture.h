#pragma once

#include "data/database.h"
#include "data/query.h"
#include "queries/standardqueries.h"

#include <QStringList>
#include <QVariant>

// Helpers shared by the exchange tests: persons written and read the way the program does.
namespace ExchangeFixture {

inline QStringList personsStatement()
{
    return {StandardQueries::personsColumns(), StandardQueries::personsTables(), StandardQueries::personsJoin()};
}

// Adds one person with the given columns (names as in the database) through a persons
// result, keyed one more than the largest key.
inline void addPerson(Database &db, const QList<std::pair<QString, QString>> &values)
{
    Query q(&db);
    q.setSql(personsStatement());
    q.open();
    q.insert();
    const qint64 key = db.nextKey(QStringLiteral("Committente"), QStringLiteral("IdCommittente")) + 1;
    q.fieldByName(QStringLiteral("Committente.IdCommittente")).setValue(key);
    q.fieldByName(QStringLiteral("Indirizzo.IdCommittente")).setValue(key);
    q.fieldByName(QStringLiteral("Recapiti.IdCommittente")).setValue(key);
    for (const auto &[column, value] : values)
        q.fieldByName(column).setAsString(value);
    q.post();
}

// Every person as one line of its 16 data fields, ordered by key.
inline QStringList personLines(Database &db)
{
    static const QStringList columns = {
        "Cognome",          "Nome",       "Qualifica",    "CAP",          "Città",  "Via",           "Numero_telefono1",
        "Numero_telefono2", "Numero_fax", "Numero_cell1", "Numero_cell2", "E_mail", "Sito_internet", "Codice_fiscale",
        "Partita_iva",      "Note"};
    Query q(&db);
    q.setSql(personsStatement());
    q.open();
    q.setSort(QStringLiteral("Committente.IdCommittente"));
    QStringList lines;
    for (int r = 0; r < q.recordCount(); ++r) {
        QStringList cells;
        for (const QString &column : columns)
            cells << q.text(r, q.fieldIndex(column));
        lines << cells.join(QLatin1Char('|'));
    }
    return lines;
}

inline qint64 count(Database &db, const char *table)
{
    return db.scalar(QByteArray("SELECT COUNT(*) FROM ") + table).toLongLong();
}

} // namespace ExchangeFixture
