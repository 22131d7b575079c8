#pragma once

#include "exchange/sheetreader.h"
#include "exchange/workbookarchive.h"

// Reads an Open XML workbook from its zip (WorkbookArchive, which also sets the limits of a
// part's size): the small parts (the workbook for the sheet's part, its relationships, the
// styles for date cells) with QXmlStreamReader, the large ones (the shared strings and the
// sheet itself, with shared and inline strings and numbers) with XmlScanner. The sheet is
// read while a thread of its own inflates it (InflatingPart).
class XlsxSheetReader : public SheetReader
{
public:
    static constexpr int kMaxRows = 1048576;
    static constexpr qint64 kMaxPartBytes = WorkbookArchive::kMaxPartBytes;
    static constexpr qint64 kMaxPartRatio = WorkbookArchive::kMaxPartRatio;
    static constexpr qint64 kRatioFreeBytes = WorkbookArchive::kRatioFreeBytes;

    bool read(const QString &path, SheetContent *content) override;
    // The same from the workbook's bytes; `path` only names the file in a refusal.
    bool readBytes(const QByteArray &bytes, const QString &path, SheetContent *content);

private:
    using Part = WorkbookArchive::Part;
};
