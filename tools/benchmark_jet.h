#pragma once

#include <QString>

// The old archive's conversion for pratilio-bench: a whole conversion of a Jet file against
// its floor, measured in the same run: mdbtools' own reading of the same tables (every
// column bound as text, as its export tool does) plus the engine inserting the same rows in
// one transaction.
namespace BenchJet {

// Skips with a line saying so when `jetFile` does not exist.
void conversion(const QString &jetFile, const QString &workFolder);

} // namespace BenchJet
