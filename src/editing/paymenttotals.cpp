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
    Values::parseAmount(QString::fromUtf8(paidText), &paid);
    const qint64 total = paid + Values::amountToCents(amount);

    Statement write(db, "UPDATE Progetto SET Importo_pagato = ? WHERE IdProgetto = ?");
    write.bind(1, Values::storedAmount(total));
    write.bind(2, projectKey.trimmed());
    write.step();
    return db.changes() == 1;
}

} // namespace PaymentTotals
