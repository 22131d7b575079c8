#pragma once

#include <QString>

class Database;

// Keeps a project's paid amount in step with its payments: a saved payment's amount is
// added, a deleted one's subtracted, in whole cents so that the total stays exact. Runs
// inside the transaction of the save or delete it belongs to.
namespace PaymentTotals {

// Adds `amount` (negative to subtract) to Importo_pagato of the project whose IdProgetto is
// `projectKey`. False when no project has that key: then nothing is changed. Throws when the
// paid amount would leave the range of amounts.
bool addToProject(Database &db, const QString &projectKey, double amount);

} // namespace PaymentTotals
