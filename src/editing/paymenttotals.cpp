#include "editing/paymenttotals.h"

#include "data/database.h"
#include "data/values.h"

namespace PaymentTotals {

bool addToProject(Database &db, const QString &projectKey, double amount)
{
    Statement read(db, "SELECT Importo_pagato FROM Progetto WHERE IdProgetto = ?");
    read.bind(1, projectKey.trimmed());
    if (!read.step())
        return false;
    const QByteArray paidText = read.columnIsNull(0) ? QByteArray("0") : read.columnText(0);
    qint64 paid = 0;
    if (Values::readAmount(QString::fromUtf8(paidText), &paid) == Values::AmountReading::NotAnAmount)
        throw DbError(QStringLiteral("L'importo pagato '%1' del progetto %2 non è un numero: il totale non è "
                                     "stato aggiornato.")
                          .arg(QString::fromUtf8(paidText), projectKey));
    // A paid amount beyond the largest amount is refused, and with it the payment's change.
    const qint64 total = Values::addCents(paid, Values::amountToCents(amount));
    if (!Values::isAmountInRange(total))
        throw DbError(QStringLiteral("L'importo pagato del progetto %1 supererebbe %2: l'operazione è stata "
                                     "annullata.")
                          .arg(projectKey, Values::maxAmountText()));

    Statement write(db, "UPDATE Progetto SET Importo_pagato = ? WHERE IdProgetto = ?");
    write.bind(1, Values::storedAmount(total));
    write.bind(2, projectKey.trimmed());
    write.step();
    return db.changes() == 1;
}

} // namespace PaymentTotals
