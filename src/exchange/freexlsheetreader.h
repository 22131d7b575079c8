#pragma once

#include "exchange/sheetreader.h"

// Reads a 97-2003 workbook (BIFF5 or BIFF8) through libfreexl, in this process. The library
// can crash or read out of bounds on a damaged file, so the program runs this reader only in
// the pratilio-xlsread child (see XlsSheetReader); the fuzzer runs it directly.
class FreexlSheetReader : public SheetReader
{
public:
    bool read(const QString &path, SheetContent *content) override;
};
