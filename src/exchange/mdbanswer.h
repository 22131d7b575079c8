#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

// The answer of the pratilio-mdbread child about one Jet database (.mdb): written by
// MdbAnswer::write (plain C++ over mdbtools' libmdb, without Qt), read by JetReader in the
// program. Numbers are in the byte order of the machine: the child and the program always
// run on the same one.
//
//   magic u32, version u16, outcome u8
//   outcome kTables: for each table of the program found in the file, in kTableNames' order:
//                      u8 kTableFollows, name, columns u16, per column: name, type u8 (libmdb's),
//                      then its rows: u8 1 and one cell per column, ..., u8 0;
//                    or u8 kTableUnreadable and the name of a table whose definition is damaged;
//                    then u8 0
//   other outcomes:  nothing more
//   end marker u32
//
// A text is a u32 length and that many bytes of UTF-8. A cell is a type byte and its payload:
// kNull nothing, kInt an i64, kMoney an i64 in ten-thousandths, kDouble and kDate the 8 bytes
// of a double (a date as Jet keeps it: days since 30/12/1899, the time as the fraction), kText
// a text. kDamaged ends the answer's cells: the row could not be read.
namespace MdbAnswer {

constexpr std::uint32_t kMagic = 0x424d4450; // "PDMB"
constexpr std::uint16_t kVersion = 1;
constexpr std::uint32_t kEnd = 0x454e4421; // "END!"

enum Outcome : std::uint8_t {
    kTables = 0,
    kOpenFailed, // libmdb could not open the file
    kNoCatalog,  // the list of the file's objects cannot be read
};

enum TableMark : std::uint8_t {
    kNoMoreTables = 0,
    kTableFollows,
    kTableUnreadable,
};

enum CellType : std::uint8_t {
    kNull = 0,
    kInt,
    kMoney,
    kDouble,
    kDate,
    kText,
    kOther,   // a type the program does not read: its column is refused
    kDamaged, // the row cannot be read
};

// The tables the program reads, in the order they are sent (found without regard to case).
constexpr const char *kTableNames[] = {"Committente", "Indirizzo", "Recapiti",    "Progetto",
                                       "Pagamenti",   "Stato",     "Applicazione"};

// The longest text a cell may hold, in bytes of UTF-8: a memo field of a million characters
// and more. A longer one is sent as kDamaged.
constexpr std::size_t kMaxTextBytes = std::size_t(4) << 20;

// Reads the database at `path` and writes the whole answer to `out`. False only when writing
// failed.
bool write(const char *path, std::FILE *out, std::size_t maxTextBytes = kMaxTextBytes);

} // namespace MdbAnswer
