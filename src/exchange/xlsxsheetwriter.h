#pragma once

#include "exchange/sheetwriter.h"

#include <QByteArray>
#include <QStringEncoder>

struct lxw_workbook;
struct lxw_worksheet;
struct lxw_format;

// The Open XML workbook, written by libxlsxwriter in its constant-memory mode: each row
// goes to a temporary file as it arrives, never the whole sheet into memory.
class XlsxSheetWriter : public SheetWriter
{
public:
    XlsxSheetWriter() = default;
    ~XlsxSheetWriter() override;

    int maxDataRows() const override { return 1048575; }

protected:
    bool start(const QString &asidePath, const QStringList &headers) override;
    bool addRow(int row, const QVariantList &cells) override;
    bool close() override;
    void discard() override;

private:
    bool check(int result);
    // The text as a NUL-terminated UTF-8 string, valid until the next call.
    const char *utf8(const QString &text);

    lxw_workbook *workbook_ = nullptr; // Owned: closed by close() or discard().
    lxw_worksheet *sheet_ = nullptr;   // Not owned: belongs to the workbook.
    lxw_format *header_ = nullptr;     // Not owned: the formats belong to the workbook.
    lxw_format *text_ = nullptr;
    lxw_format *date_ = nullptr;
    lxw_format *number_ = nullptr;
    int columns_ = 0;
    // Stateless: a stray half of a surrogate pair in one cell never reaches the next.
    QStringEncoder encoder_{QStringEncoder::Utf8, QStringConverter::Flag::Stateless};
    QByteArray buffer_;
};
