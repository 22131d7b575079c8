#include "exchange/jetdatabase.h"

#include "data/database.h"
#include "data/schema.h"
#include "exchange/jetconversion.h"
#include "exchange/jetreport.h"
#include "exchange/jetvalues.h"

#include <QFile>

namespace JetDatabase {
namespace {

void insertRows(Database &db, const ConvertedTable &table)
{
    QStringList names;
    QStringList marks;
    for (const QString &column : table.columns) {
        names << Database::quoteIdentifier(column);
        marks << QStringLiteral("?");
    }
    Statement insert(db, QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                             .arg(Database::quoteIdentifier(table.name), names.join(QStringLiteral(", ")),
                                  marks.join(QStringLiteral(", ")))
                             .toUtf8());
    for (const QList<QVariant> &row : table.rows) {
        for (int c = 0; c < row.size(); ++c) {
            const QVariant &value = row.at(c);
            if (!value.isValid()) {
                insert.bindNull(c + 1);
                continue;
            }
            switch (table.kinds.at(c)) {
            case Values::Kind::Text:
                insert.bindText(c + 1, value.toByteArray());
                break;
            case Values::Kind::Integer:
                insert.bind(c + 1, value.toLongLong());
                break;
            case Values::Kind::Amount:
                insert.bind(c + 1, Values::storedAmount(value.toLongLong()));
                break;
            case Values::Kind::Date:
                insert.bindText(c + 1, Values::dateToStored(value.toDate()));
                break;
            }
        }
        insert.step();
        insert.reset();
    }
}

[[noreturn]] void mismatch(const QString &what)
{
    throw DbError(
        QStringLiteral("La verifica del nuovo database non è riuscita: %1 Non è stato scritto nulla.").arg(what));
}

void check(Database &db, const JetConversion &conversion, JetReport *report)
{
    for (const ConvertedTable &table : conversion.tables()) {
        const qint64 rows
            = db.scalar(QStringLiteral("SELECT COUNT(*) FROM %1").arg(Database::quoteIdentifier(table.name)).toUtf8())
                  .toLongLong();
        if (rows != table.rows.size())
            mismatch(QStringLiteral("la tabella %1 ha %2 righe invece di %3.")
                         .arg(table.name)
                         .arg(rows)
                         .arg(table.rows.size()));
        report->count(table.name).written = rows;
        for (int c = 0; c < table.columns.size(); ++c) {
            if (table.kinds.at(c) != Values::Kind::Amount)
                continue;
            // Each stored amount back to whole cents, summed as integers: exact.
            const QString column = Database::quoteIdentifier(table.columns.at(c));
            const qint64 sum = db.scalar(QStringLiteral("SELECT SUM(CAST(ROUND(%1 * 100) AS INTEGER)) FROM %2")
                                             .arg(column, Database::quoteIdentifier(table.name))
                                             .toUtf8())
                                   .toLongLong();
            const qint64 expected = conversion.sumOfCents(table.name, table.columns.at(c));
            if (sum != expected)
                mismatch(QStringLiteral("la somma di %1.%2 è %3 invece di %4.")
                             .arg(table.name, table.columns.at(c), JetValues::centsText(sum),
                                  JetValues::centsText(expected)));
        }
    }
    const QString integrity = db.scalar("PRAGMA integrity_check").toString();
    if (integrity != QStringLiteral("ok"))
        mismatch(QStringLiteral("il controllo d'integrità risponde \"%1\".").arg(integrity));
}

} // namespace

void write(const JetConversion &conversion, const QString &path, JetReport *report)
{
    bool created = false;
    try {
        Database db;
        db.create(path, Schema::databasePassword());
        created = true;
        Schema::createTables(db);
        {
            Transaction tx(db);
            // The archive brings its own states and its own password row.
            db.exec("DELETE FROM Stato");
            db.exec("DELETE FROM Applicazione");
            for (const ConvertedTable &table : conversion.tables())
                insertRows(db, table);
            tx.commit();
        }
        check(db, conversion, report);
        db.close();
    } catch (const DbError &) {
        if (created)
            QFile::remove(path);
        throw;
    }
}

int recalculatePaidAmounts(Database &db)
{
    Transaction tx(db);
    // In whole cents on both sides, so that 0,10 + 0,20 is 0,30.
    Statement differing(db, "SELECT p.IdProgetto, COALESCE(s.cents, 0) FROM Progetto p "
                            "LEFT JOIN (SELECT IdProgetto, SUM(CAST(ROUND(Importo * 100) AS INTEGER)) AS cents "
                            "FROM Pagamenti GROUP BY IdProgetto) s ON s.IdProgetto = p.IdProgetto "
                            "WHERE p.Importo_pagato IS NULL "
                            "OR CAST(ROUND(p.Importo_pagato * 100) AS INTEGER) <> COALESCE(s.cents, 0)");
    QList<QPair<qint64, qint64>> changes;
    while (differing.step())
        changes << qMakePair(differing.columnInt(0), differing.columnInt(1));
    Statement update(db, "UPDATE Progetto SET Importo_pagato = ? WHERE IdProgetto = ?");
    for (const auto &change : std::as_const(changes)) {
        update.bind(1, Values::storedAmount(change.second));
        update.bind(2, change.first);
        update.step();
        update.reset();
    }
    tx.commit();
    return int(changes.size());
}

} // namespace JetDatabase
