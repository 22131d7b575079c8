#pragma once

#include <cstddef>
#include <cstdint>

// Whether a 97-2003 workbook can be read whole, checked before libfreexl reads it: the
// library stops quietly at a damaged record and gives the cells before it as the whole sheet.
// The workbook stream (BIFF5 or BIFF8 records in a compound file) is walked record by record
// through the workbook's globals and the sheet read, from its start to its end record. Plain C++ without Qt, for the pratilio-xlsread child; bounded on any input.
namespace XlsIntegrity {

enum class Verdict {
    Whole,      // every record walked is sound
    Damaged,    // a record, the stream or its container is damaged
    NotChecked, // not a workbook this check knows (older formats, other files): the library judges
};

// `isSheet` tells the sheet read by its name in the workbook: 8-bit characters (Latin-1) or
// UTF-16 code units as stored, `length` of them, `wide` for the latter.
using SheetNamePredicate = bool (*)(const std::uint8_t *name, std::size_t length, bool wide);

// Checks the file at `path` (a name in the file system's own encoding). A file that cannot be
// opened is NotChecked: the library says why.
Verdict checkFile(const char *path, SheetNamePredicate isSheet);

// Checks a file's bytes.
Verdict checkBytes(const std::uint8_t *data, std::size_t size, SheetNamePredicate isSheet);

} // namespace XlsIntegrity
