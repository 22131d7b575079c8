#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// Turns the program's statements, written for the office's original database engine, into
// statements our engine accepts:
// - a literal in double quotes ("In corso") becomes a literal in single quotes;
// - a named parameter, a colon and a name running to the next blank, comma, semicolon,
//   closing parenthesis or line break (":01/01/2007"), becomes a placeholder, and its name
//   is listed in order of appearance so that the caller can bind it.
// - a statement of three lines that selects DISTINCT columns of Progetto "FROM Committente,
//   Progetto" under a condition on Progetto alone (the projects of one person) reads
//   Progetto alone, with the condition that some person exists: the same rows, without
//   pairing each project with every person.
// Single-quoted literals and [bracketed] names pass unchanged.
namespace Dialect {

struct Translated
{
    QByteArray sql;             // UTF-8, for the engine
    QStringList parameterNames; // one entry per placeholder, in order
};

Translated translate(const QString &statement);

} // namespace Dialect
