#pragma once

#include "exchange/sheetreader.h"

// Reads a 97-2003 workbook (BIFF5 or BIFF8) through libfreexl.
class XlsSheetReader : public SheetReader
{
public:
    bool read(const QString &path, SheetContent *content) override;
};
