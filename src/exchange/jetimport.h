#pragma once

#include <QString>

class JetReport;

// Bringing an old office's Jet archive along, as the user meets it: the format and the
// password checked first, the tables read by the child process, converted, written aside and
// checked. Questions and messages go through the program's dialogs. A refusal leaves nothing
// behind; the Jet file itself is only ever read.
namespace JetImport {

// Converts the Jet file `source` into a new database at `target` (which must not exist).
// A file with another password than the program's asks for it, and is converted only with
// the right one. False with `*error` set (an Italian sentence naming what is wrong, or that
// the user cancelled); `target` does not exist then.
bool convert(const QString &source, const QString &target, JetReport *report, QString *error);

// The name the original keeps beside the new database: "DatiCliente-jet.mdb", or with a
// number when that name is taken ("DatiCliente-jet-2.mdb").
QString asideName(const QString &databasePath);

enum class StartupOutcome {
    NotJet,    // the database is no Jet file: start-up goes on as usual
    Converted, // converted and in place; the report is filled
    Ended,     // declined, refused or failed (said to the user): the program ends
};

// At start-up: when the database file `databasePath` is a Jet file, explains it and offers to
// convert it. On "Sì" the original is kept untouched beside it (asideName) and the new
// database takes its name; on "No", or when the conversion is refused, nothing is touched.
StartupOutcome offerAtStartup(const QString &databasePath, JetReport *report);

} // namespace JetImport
