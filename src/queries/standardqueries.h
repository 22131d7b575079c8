#pragma once

#include "queries/resultstep.h"

#include <QString>
#include <QStringList>

#include <optional>

// The ready-made queries of the "Database" menu and the tool bars.
enum class StandardQuery {
    Committente,   // all persons
    ConProgetti,   // persons with projects
    SenzaProgetti, // persons without projects
    Progetto,      // all projects
    InCorso,
    DaIniziare,
    Sospesi,
    NonPagati,
    Pagati,
};

namespace StandardQueries {

// The statement pieces the queries are built from; the parameterised queries reuse them.
QString personsColumns();
QString distinctPersonsColumns();
QString personsTables();
QString personsJoin();
QString projectsColumns();
QString projectsTables();
QString projectsJoin();

// A persons or projects query with the settings every query of its kind shares.
ResultStep personsQuery(const QStringList &lines, const QString &status, bool addEnabled = false);
ResultStep projectsQuery(const QStringList &lines, const QString &status);

ResultStep describe(StandardQuery query);

// A text as a single-quoted literal, inner quotes doubled.
QString quoted(const QString &text);

// The drill-down's statements: a person's projects (by key and surname), a project's
// payments, and the payments reopened after a new one is saved (without its invoice key).
QStringList projectsOfPerson(qint64 personId, const QString &surname);
QStringList paymentsOfProject(const QString &projectKey);
QStringList paymentsAfterSave(const QString &projectKey);

// The query run at start-up (and when the options are confirmed) for a start-up choice;
// nothing for a value that names no query. -1 means "all persons", but only at start-up.
std::optional<StandardQuery> forInitialKind(int kind, bool atStartup);

} // namespace StandardQueries
