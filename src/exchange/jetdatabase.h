#pragma once

#include "exchange/jetconversion.h"

#include <QString>

#include <memory>

class Database;
class JetReport;
class Statement;
class Transaction;

// Writes a converted archive as a new database of the program, and checks it.
namespace JetDatabase {

// Creates the database at a path (which must not exist) with the program's key and schema and
// writes the converted rows into it as they come, in one transaction. finish() commits and
// then checks it: the rows of every table counted, every amount column summed to the cent
// against what was converted, and the engine's integrity check. Every step raises DbError
// saying what failed or did not match; the file is removed unless finish() succeeded.
class Writer : public ConvertedRows
{
public:
    explicit Writer(const QString &path);
    ~Writer() override;

    void beginTable(const ConvertedTable &table) override;
    void addRow(const QList<QVariant> &row) override;

    // Commits, checks against `written` and closes; the report gets the rows written.
    void finish(const QList<WrittenTable> &written, JetReport *report);

private:
    QString path_;
    std::unique_ptr<Database> db_;
    std::unique_ptr<Transaction> transaction_;
    std::unique_ptr<Statement> insert_;
    QList<Values::Kind> kinds_;
    bool finished_ = false;
};

// Sets every project's Importo_pagato to the sum of its payments, in one transaction;
// returns how many projects changed.
int recalculatePaidAmounts(Database &db);

} // namespace JetDatabase
