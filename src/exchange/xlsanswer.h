#pragma once

#include <cstdint>
#include <cstdio>

// The answer of the pratilio-xlsread child about one .xls workbook: written by
// XlsAnswer::write (plain C++ over libfreexl, without Qt, so that the child starts at once),
// read and turned into texts by XlsSheetReader in the program. Numbers are in the byte order
// of the machine: the child and the program always run on the same one.
//
//   magic u32, version u16, outcome u8
//   outcome kSheet:  rows u32, columns u16, then rows x columns cells, row by row
//   other outcomes:  detail i32 (the library's code for kOpenFailed, else 0)
//   end marker u32
//
// A cell is a type byte and its payload: kInt an i64, kDouble the 8 bytes of a double, kText
// and kDate a u32 length and that many bytes of UTF-8 as the library gives them (a date as
// yyyy-mm-dd, with the time after it for a date and time). A kDamaged cell ends the cells: the
// library could not read it, and the sheet is refused.
namespace XlsAnswer {

constexpr std::uint32_t kMagic = 0x50584c53; // "PXLS"
constexpr std::uint16_t kVersion = 3;
constexpr std::uint32_t kEnd = 0x454e4421; // "END!"

// The sheet the program imports, compared without regard to case (SheetReader::kSheetName).
constexpr char kSheetName[] = "Elenco";

enum Outcome : std::uint8_t {
    kSheet = 0,
    kOpenFailed,   // freexl_open failed; the detail is its code
    kNoHandle,     // freexl_open succeeded without a handle
    kTooOld,       // older than BIFF5
    kNoSheet,      // no worksheet named kSheetName
    kSheetDamaged, // the sheet cannot be selected or measured
    kFileDamaged,  // a record of the workbook, or its container, is damaged (XlsIntegrity)
};

enum CellType : std::uint8_t {
    kEmpty = 0,
    kInt,
    kDouble,
    kText, // also a time, which the program takes as the library writes it
    kDate, // a date or a date and time
    kDamaged,
};

// Reads the workbook at `path` (a name in the file system's own encoding) and writes the
// whole answer to `out`. False only when writing failed. A process that ends right after
// may leave the library's memory to the system (`freeMemory` false): freeing the cells one
// by one costs a tenth of the reading.
bool write(const char *path, std::FILE *out, bool freeMemory = true);

} // namespace XlsAnswer
