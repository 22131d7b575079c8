#pragma once

#include "exchange/sheetwriter.h"

#include <QByteArray>
#include <QTemporaryFile>

#include <memory>
#include <utility>
#include <vector>

// The 97-2003 workbook (BIFF8 records in an OLE2 container, which libgsf writes). Texts go
// to the shared string table, as spreadsheet programs expect; because that table precedes
// the sheet in the file, strings and cells are spooled to two temporary files while rows
// arrive and the workbook stream is assembled from them at the end. So memory holds one
// row and one string record, whatever the size of the result.
class XlsSheetWriter : public SheetWriter
{
public:
    XlsSheetWriter() = default;
    ~XlsSheetWriter() override;

    int maxDataRows() const override { return 65535; }
    static constexpr int kMaxColumns = 256;

protected:
    bool start(const QString &asidePath, const QStringList &headers) override;
    bool addRow(int row, const QVariantList &cells) override;
    bool close() override;
    void discard() override;

private:
    void addCells(int row, const QVariantList &cells, bool header);
    quint32 addString(const QString &text);
    void closeStringRecord();
    bool spool(QTemporaryFile &file, const QByteArray &bytes);
    void reset();

    QString path_;
    int columns_ = 0;
    std::unique_ptr<QTemporaryFile> cells_;
    std::unique_ptr<QTemporaryFile> strings_; // string records after the first, headers included
    QByteArray firstStrings_;                 // data of the first string record (after its counts)
    QByteArray record_;                       // the string record being filled
    bool inFirstRecord_ = true;
    qint64 closedBytes_ = 0; // bytes of the closed string records, headers included
    quint32 stringCount_ = 0;
    // Every eighth string: its offset from the start of the string table and from the
    // start of its record, for the table's index.
    std::vector<std::pair<quint32, quint16>> stringIndex_;
    bool failed_ = false;
};
