#include "editing/paymenttotals.h"

#include "data/database.h"
#include "data/values.h"

namespace PaymentTotals {

namespace {

// The one statement that moves a paid amount: parameter 1, in whole cents (negative to
// subtract), is added to Importo_pagato of the project whose IdProgetto is parameter 2. The
// file keeps an amount as an integer when whole and otherwise as the double nearest to its
// two decimals; the sum is made in integer cents inside the engine and stored back in the
// same form. Being one statement on the row, it never loses another writer's update.
QByteArray addStatement()
{
    const QByteArray cents = "(CAST(ROUND(COALESCE(Importo_pagato, 0) * 100) AS INTEGER) + ?1)";
    return "UPDATE Progetto SET Importo_pagato = CASE WHEN " + cents + " % 100 = 0 THEN " + cents + " / 100 ELSE "
           + cents + " / 100.0 END WHERE IdProgetto = ?2 "
           + "AND (Importo_pagato IS NULL OR typeof(Importo_pagato) IN ('integer', 'real'))";
}

// The same on the office server, where an amount is an exact NUMERIC(14,2).
QByteArray addStatementOnServer()
{
    return "UPDATE Progetto SET Importo_pagato = COALESCE(Importo_pagato, 0) + CAST(? AS NUMERIC) / 100 "
           "WHERE IdProgetto = ?";
}

[[noreturn]] void refuse(Database &db, const QString &projectKey)
{
    Statement read(db, "SELECT Importo_pagato FROM Progetto WHERE IdProgetto = ?");
    read.bind(1, projectKey.trimmed());
    if (!read.step())
        throw DbError(QStringLiteral("L'importo pagato non può essere aggiornato: nessun progetto ha la chiave "
                                     "\"%1\". L'operazione è stata annullata.")
                          .arg(projectKey));
    throw DbError(QStringLiteral("L'importo pagato '%1' del progetto %2 non è un numero: l'operazione è stata "
                                 "annullata.")
                      .arg(QString::fromUtf8(read.columnText(0)), projectKey));
}

} // namespace

void addToProject(Database &db, const QString &projectKey, qint64 cents)
{
    // A savepoint of its own, so that a refused sum is never left in the file, even by a
    // caller without a transaction.
    Transaction tx(db);
    Statement add(db, db.isServer() ? addStatementOnServer() : addStatement());
    add.bind(1, cents);
    add.bind(2, projectKey.trimmed());
    add.step();
    if (db.changes() != 1)
        refuse(db, projectKey);

    // The paid amount as it now stands, read under the same write lock.
    Statement read(db, "SELECT Importo_pagato FROM Progetto WHERE IdProgetto = ?");
    read.bind(1, projectKey.trimmed());
    read.step();
    qint64 paid = 0;
    if (Values::readAmount(QString::fromUtf8(read.columnText(0)), &paid) != Values::AmountReading::Amount)
        throw DbError(QStringLiteral("L'importo pagato del progetto %1 supererebbe %2: l'operazione è stata "
                                     "annullata.")
                          .arg(projectKey, Values::maxAmountText()));
    tx.commit();
}

} // namespace PaymentTotals
