#pragma once

#include <QtGlobal>

class Database;

// A made-up but plausible client archive, for trying the program out and for the tests.
// The same seed always gives the same data, so that results can be compared between runs.
namespace DemoData {

struct Counts
{
    qint64 persons = 0;
    qint64 projects = 0;
    qint64 payments = 0;
};

// Writes `persons` persons with their address, contacts, projects and payments into a
// database that has the tables but no persons yet; throws DbError on a database that
// already holds persons, so that real data is never mixed with invented data.
Counts fill(Database &db, int persons, quint32 seed = 1);

} // namespace DemoData
