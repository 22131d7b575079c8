#pragma once

#include <QString>

class Database;

// Keeps a project's paid amount in step with its payments: a saved payment's amount is
// added, a deleted one's subtracted, in whole cents so that the total stays exact. Runs
// inside the transaction of the save or delete it belongs to, which a failure rolls back.
namespace PaymentTotals {

// Adds `cents` (negative to subtract) to Importo_pagato of the project whose IdProgetto is
// `projectKey`. Throws DbError, changing nothing, when no project has that key, when its paid
// amount is not a number or when the sum would leave the range of amounts. The sum is made
// by the engine in one statement on the project row, so that no other writer's is lost.
void addToProject(Database &db, const QString &projectKey, qint64 cents);

} // namespace PaymentTotals
