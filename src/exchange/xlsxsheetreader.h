#pragma once

#include "exchange/sheetreader.h"

// Reads an Open XML workbook: the zip through minizip's unzip, from the file's bytes in
// memory; the small parts (the workbook for the sheet's part, its relationships, the styles
// for date cells) with QXmlStreamReader, the large ones (the shared strings and the sheet
// itself, with shared and inline strings and numbers) with XmlScanner.
// Not QuaZip: it exports its own copy of minizip's functions, which then take the place of
// the ones libxlsxwriter calls in the same program and crash the .xlsx export.
// Every part is inflated into memory: one larger than kMaxPartBytes, or inflating to more
// than kMaxPartRatio times its stored bytes (past the first kRatioFreeBytes), is refused as a
// damaged or hostile file before it can take the machine's memory.
class XlsxSheetReader : public SheetReader
{
public:
    static constexpr int kMaxRows = 1048576;
    static constexpr qint64 kMaxPartBytes = qint64(128) << 20;
    static constexpr qint64 kMaxPartRatio = 200;
    static constexpr qint64 kRatioFreeBytes = qint64(1) << 20;

    bool read(const QString &path, SheetContent *content) override;
    // The same from the workbook's bytes; `path` only names the file in a refusal.
    bool readBytes(const QByteArray &bytes, const QString &path, SheetContent *content);

private:
    enum class Part { Read, Missing, Damaged, TooLarge };
    static Part readPart(void *zip, const QString &name, QByteArray *data);
};
