#pragma once

#include "exchange/sheetreader.h"

// Reads a 97-2003 workbook (BIFF5 or BIFF8) through libfreexl in this process: the child's
// reading (xlsanswer.h) into memory, then the program's side of the answer (XlsSheetReader).
// The library can crash or read out of bounds on a damaged file, so the program never runs
// this reader; the fuzzer and the tests do, over the very code the child and the program run.
class FreexlSheetReader : public SheetReader
{
public:
    bool read(const QString &path, SheetContent *content) override;
};
