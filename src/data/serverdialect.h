#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// Turns a statement as the file's engine takes it (after Dialect::translate for the program's
// own statements) into one for the office's PostgreSQL server:
// - each `?` outside quotes becomes `$1`, `$2`, ... in order; `IS ?` and `IS NOT ?` (a
//   comparison that is true for two nulls) become `IS NOT DISTINCT FROM $n` and
//   `IS DISTINCT FROM $n`;
// - a "quoted" or [bracketed] name the schema knows is written as the server keeps it, in
//   lower case ("Città" -> "città"); other quoted names (aliases) pass unchanged;
// - `rowid` becomes `ctid`, except in `ORDER BY rowid` over one table, which orders by the
//   table's key or order column, the order the file gives;
// - a whole table read (`SELECT * FROM T`) lists the table's columns without those only the
//   server has, in the file's row order;
// - `BEGIN IMMEDIATE` (or DEFERRED, EXCLUSIVE) becomes `BEGIN`: the server locks rows, not
//   the database;
// - `PRAGMA table_info(T)` and `sqlite_master` become queries of the server's catalogue with
//   the same columns; other PRAGMAs have no meaning on the server and are refused;
// - an INSERT into a table whose key the server numbers gets `RETURNING` that key, which the
//   engine keeps as the last inserted key instead of returning it as a row;
// - `IFNULL(` becomes `COALESCE(`;
// - `T.c NOT IN (SELECT e FROM U [WHERE w])` among the conditions a WHERE clause joins by AND
//   becomes NOT EXISTS conditions that keep the same rows, which the server answers with an
//   anti-join instead of reading U again for each row once U's values outgrow its memory.
// Values are never spliced: they stay parameters.
namespace ServerDialect {

struct Translated
{
    QByteArray sql;            // UTF-8, for the server; empty when the statement is refused
    int parameterCount = 0;    // placeholders $1..$n
    bool returnsKey = false;   // the statement ends in a RETURNING added here
    QStringList respellValues; // result columns whose values are names to give back spelled
    QString refused;           // why the statement cannot run on the server
};

Translated translate(const QByteArray &statement);

} // namespace ServerDialect
