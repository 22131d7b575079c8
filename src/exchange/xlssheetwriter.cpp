#include "exchange/xlssheetwriter.h"

#include <QDate>
#include <QFile>
#include <QtEndian>

#include <gsf/gsf-outfile-msole.h>
#include <gsf/gsf-outfile.h>
#include <gsf/gsf-output-stdio.h>
#include <gsf/gsf-utils.h>

#include <algorithm>
#include <cstring>

namespace {

// Record types of the workbook stream.
enum : quint16 {
    kBof = 0x0809,
    kEof = 0x000A,
    kCodePage = 0x0042,
    kDateMode = 0x0022,
    kWindow1 = 0x003D,
    kFont = 0x0031,
    kFormat = 0x041E,
    kXf = 0x00E0,
    kStyle = 0x0293,
    kBoundSheet = 0x0085,
    kSst = 0x00FC,
    kContinue = 0x003C,
    kExtSst = 0x00FF,
    kSetup = 0x00A1,
    kColInfo = 0x007D,
    kDimensions = 0x0200,
    kLabelSst = 0x00FD,
    kNumber = 0x0203,
    kBlank = 0x0201,
    kWindow2 = 0x023E,
};

constexpr int kMaxRecordData = 8224; // the most data one record carries

// Cell formats: 0-14 the style formats every workbook has, 15 the default cell format,
// then ours, all bordered.
constexpr quint16 kXfText = 16, kXfHeader = 17, kXfDate = 18, kXfNumber = 19;
constexpr quint16 kDateFormat = 164; // the first number format a workbook may define
constexpr quint16 kAmountFormat = 4; // built in: #,##0.00
constexpr quint16 kTextFormat = 49;  // built in: @
constexpr quint16 kBoldFont = 5;     // font index 4 does not exist in this format

class Bytes
{
public:
    Bytes &u8(quint8 v)
    {
        data.append(char(v));
        return *this;
    }
    Bytes &u16(quint16 v) { return raw(qToLittleEndian(v)); }
    Bytes &u32(quint32 v) { return raw(qToLittleEndian(v)); }
    Bytes &f64(double v)
    {
        quint64 bits = 0;
        std::memcpy(&bits, &v, sizeof bits);
        return raw(qToLittleEndian(bits));
    }
    Bytes &bytes(const QByteArray &b)
    {
        data.append(b);
        return *this;
    }
    QByteArray data;

private:
    template<typename T>
    Bytes &raw(T v)
    {
        data.append(reinterpret_cast<const char *>(&v), sizeof v);
        return *this;
    }
};

QByteArray record(quint16 type, const QByteArray &body)
{
    Bytes b;
    b.u16(type).u16(quint16(body.size())).bytes(body);
    return b.data;
}

QByteArray bof(quint16 kind)
{
    Bytes b;
    b.u16(0x0600).u16(kind).u16(0x0DBB).u16(0x07CC).u32(0).u32(0x06);
    return record(kBof, b.data);
}

QByteArray font(bool bold)
{
    Bytes b;
    b.u16(200).u16(bold ? 1 : 0).u16(0x7FFF).u16(bold ? 700 : 400).u16(0).u8(0).u8(0).u8(0).u8(0);
    b.u8(5).u8(0).bytes("Arial");
    return record(kFont, b.data);
}

QByteArray format(quint16 index, const QString &code)
{
    Bytes b;
    b.u16(index).u16(quint16(code.size())).u8(0).bytes(code.toLatin1());
    return record(kFormat, b.data);
}

QByteArray xf(quint16 font, quint16 numberFormat, bool style, bool bordered)
{
    Bytes b;
    b.u16(font).u16(numberFormat);
    b.u16(style ? 0xFFF5 : 0x0001); // locked; a style has no parent, a cell the Normal style
    b.u8(0x20).u8(0).u8(0);         // bottom-aligned, no rotation, no indent
    b.u8(style ? 0x00 : 0xFC);      // a cell format states all its attributes
    if (bordered) {
        constexpr quint32 thin = 1, black = 8;
        b.u32(thin | thin << 4 | thin << 8 | thin << 12 | black << 16 | black << 23);
        b.u32(black | black << 7);
    } else {
        b.u32(0).u32(0);
    }
    b.u16(0x20C0); // no fill: the window colours
    return record(kXf, b.data);
}

// A short string with an 8-bit length, as the sheet name is stored.
QByteArray shortString(const QString &text)
{
    Bytes b;
    b.u8(quint8(text.size())).u8(0).bytes(text.toLatin1());
    return b.data;
}

bool writeAll(GsfOutput *out, const QByteArray &bytes)
{
    return bytes.isEmpty()
           || gsf_output_write(out, size_t(bytes.size()), reinterpret_cast<const guint8 *>(bytes.constData()));
}

bool copyFile(GsfOutput *out, QTemporaryFile &file)
{
    if (!file.flush() || !file.seek(0))
        return false;
    while (!file.atEnd()) {
        const QByteArray chunk = file.read(1 << 16);
        if (chunk.isEmpty() || !writeAll(out, chunk))
            return false;
    }
    return true;
}

} // namespace

XlsSheetWriter::~XlsSheetWriter() { abort(); }

void XlsSheetWriter::reset()
{
    cells_.reset();
    strings_.reset();
    firstStrings_.clear();
    record_.clear();
    inFirstRecord_ = true;
    closedBytes_ = 0;
    stringCount_ = 0;
    stringIndex_.clear();
    failed_ = false;
}

bool XlsSheetWriter::start(const QString &asidePath, const QStringList &headers)
{
    reset();
    path_ = asidePath;
    columns_ = int(headers.size());
    if (columns_ > kMaxColumns) {
        fail(QStringLiteral("un foglio di questo formato contiene al massimo %1 colonne.").arg(kMaxColumns));
        return false;
    }
    cells_ = std::make_unique<QTemporaryFile>();
    strings_ = std::make_unique<QTemporaryFile>();
    if (!cells_->open() || !strings_->open()) {
        fail(QStringLiteral("impossibile creare i file temporanei."));
        return false;
    }
    QVariantList cells;
    for (const QString &h : headers)
        cells << h;
    addCells(0, cells, true);
    if (failed_)
        fail(QStringLiteral("impossibile scrivere i file temporanei (disco pieno?)."));
    return !failed_;
}

bool XlsSheetWriter::addRow(int row, const QVariantList &cells)
{
    addCells(row, cells, false);
    if (failed_)
        fail(QStringLiteral("impossibile scrivere i file temporanei (disco pieno?)."));
    return !failed_;
}

void XlsSheetWriter::addCells(int row, const QVariantList &cells, bool header)
{
    Bytes out;
    for (int c = 0; c < columns_; ++c) {
        const QVariant v = c < cells.size() ? cells.at(c) : QVariant();
        const CellType type = header ? CellType::Text : types().at(c);
        const quint16 textXf = header ? kXfHeader : kXfText;
        const quint16 emptyXf = type == CellType::Date ? kXfDate : type == CellType::Number ? kXfNumber : textXf;
        Bytes cell;
        cell.u16(quint16(row)).u16(quint16(c));
        if (v.isNull() || (v.typeId() == QMetaType::QString && v.toString().isEmpty())) {
            cell.u16(emptyXf);
            out.bytes(record(kBlank, cell.data));
            continue;
        }
        if (type == CellType::Date && v.typeId() == QMetaType::QDate) {
            cell.u16(kXfDate).f64(dateSerial(v.toDate()));
            out.bytes(record(kNumber, cell.data));
            continue;
        }
        if (type == CellType::Number && v.typeId() != QMetaType::QString) {
            bool ok = false;
            const double d = v.toDouble(&ok);
            if (ok) {
                cell.u16(kXfNumber).f64(d);
                out.bytes(record(kNumber, cell.data));
                continue;
            }
        }
        const QString text = v.typeId() == QMetaType::QDate ? v.toDate().toString(QStringLiteral("dd/MM/yyyy"))
                                                            : v.toString();
        cell.u16(type == CellType::Text ? textXf : kXfText).u32(addString(text));
        out.bytes(record(kLabelSst, cell.data));
    }
    spool(*cells_, out.data);
}

bool XlsSheetWriter::spool(QTemporaryFile &file, const QByteArray &bytes)
{
    if (file.write(bytes) != bytes.size())
        failed_ = true;
    return !failed_;
}

quint32 XlsSheetWriter::addString(const QString &text)
{
    // A string may run on into continuation records; each continued piece starts again
    // with the byte that says whether its characters take one byte or two.
    const int n = int(text.size());
    const bool compressed = std::all_of(text.begin(), text.end(), [](QChar ch) { return ch.unicode() < 256; });
    const int charSize = compressed ? 1 : 2;
    const quint8 flags = compressed ? 0 : 1;
    auto capacity = [this] { return kMaxRecordData - (inFirstRecord_ ? 8 : 0); };

    if (capacity() - record_.size() < 3 + (n > 0 ? charSize : 0))
        closeStringRecord();
    if (stringCount_ % 8 == 0) {
        const int inRecord = 4 + (inFirstRecord_ ? 8 : 0) + int(record_.size());
        stringIndex_.emplace_back(quint32(closedBytes_ + inRecord), quint16(inRecord));
    }
    Bytes head;
    head.u16(quint16(n)).u8(flags);
    record_.append(head.data);
    int i = 0;
    while (i < n) {
        int space = int(capacity() - record_.size()) / charSize;
        if (space == 0) {
            closeStringRecord();
            record_.append(char(flags));
            space = int(capacity() - record_.size()) / charSize;
        }
        const int k = std::min(space, n - i);
        if (compressed) {
            for (int j = i; j < i + k; ++j)
                record_.append(char(text.at(j).unicode()));
        } else {
            for (int j = i; j < i + k; ++j) {
                const quint16 u = qToLittleEndian(text.at(j).unicode());
                record_.append(reinterpret_cast<const char *>(&u), 2);
            }
        }
        i += k;
    }
    return stringCount_++;
}

void XlsSheetWriter::closeStringRecord()
{
    if (inFirstRecord_) {
        firstStrings_ = record_;
        closedBytes_ = 4 + 8 + record_.size();
        inFirstRecord_ = false;
    } else {
        spool(*strings_, record(kContinue, record_));
        closedBytes_ += 4 + record_.size();
    }
    record_.clear();
}

bool XlsSheetWriter::close()
{
    if (inFirstRecord_)
        firstStrings_ = record_;
    else if (!record_.isEmpty())
        spool(*strings_, record(kContinue, record_));
    record_.clear();
    if (failed_) {
        fail(QStringLiteral("impossibile scrivere i file temporanei (disco pieno?)."));
        return false;
    }

    // Globals: everything up to the sheet's position, which the sheet entry states.
    Bytes head;
    head.bytes(bof(0x0005));
    head.bytes(record(kCodePage, Bytes().u16(1200).data)); // texts are Unicode
    head.bytes(record(kWindow1,
                      Bytes().u16(0).u16(0).u16(0x25BC).u16(0x1572).u16(0x38).u16(0).u16(0).u16(1).u16(0x0258).data));
    head.bytes(record(kDateMode, Bytes().u16(0).data));
    for (int i = 0; i < 4; ++i)
        head.bytes(font(false));
    head.bytes(font(true));
    head.bytes(format(kDateFormat, QStringLiteral("dd/mm/yyyy")));
    for (int i = 0; i < 15; ++i)
        head.bytes(xf(0, 0, true, false));
    head.bytes(xf(0, 0, false, false));
    head.bytes(xf(0, kTextFormat, false, true));
    head.bytes(xf(kBoldFont, kTextFormat, false, true));
    head.bytes(xf(0, kDateFormat, false, true));
    head.bytes(xf(0, kAmountFormat, false, true));
    head.bytes(record(kStyle, Bytes().u16(0x8000).u8(0).u8(0xFF).data)); // the Normal style

    const QByteArray sheetEntryName = shortString(kSheetName);
    const qint64 sstOffset = head.data.size() + 4 + 4 + 2 + sheetEntryName.size();
    const qint64 sstSize = 12 + firstStrings_.size() + strings_->size();

    // The string table's index: a bucket every dsst strings, at most 128 of them.
    const size_t stride = std::max<size_t>(1, (stringIndex_.size() + 127) / 128);
    Bytes ext;
    ext.u16(quint16(8 * stride));
    for (size_t i = 0; i < stringIndex_.size(); i += stride)
        ext.u32(quint32(sstOffset + stringIndex_[i].first)).u16(stringIndex_[i].second).u16(0);
    const QByteArray extSst = record(kExtSst, ext.data);
    const QByteArray globalsEof = record(kEof, {});
    const qint64 sheetOffset = sstOffset + sstSize + extSst.size() + globalsEof.size();

    head.bytes(record(kBoundSheet, Bytes().u32(quint32(sheetOffset)).u8(0).u8(0).bytes(sheetEntryName).data));
    Bytes sstHead;
    sstHead.u16(kSst).u16(quint16(8 + firstStrings_.size())).u32(stringCount_).u32(stringCount_).bytes(firstStrings_);

    Bytes sheetHead;
    sheetHead.bytes(bof(0x0010));
    // Landscape: the orientation bit clear, with the "settings not given" bits clear too.
    sheetHead.bytes(
        record(kSetup,
               Bytes().u16(9).u16(100).u16(1).u16(1).u16(1).u16(0).u16(600).u16(600).f64(0.5).f64(0.5).u16(1).data));
    if (columns_ > 0)
        sheetHead.bytes(
            record(kColInfo, Bytes().u16(0).u16(quint16(columns_ - 1)).u16(20 * 256).u16(15).u16(0).u16(0).data));
    sheetHead.bytes(
        record(kDimensions, Bytes().u32(0).u32(quint32(dataRows() + 1)).u16(0).u16(quint16(columns_)).u16(0).data));
    Bytes sheetTail;
    sheetTail.bytes(record(kWindow2, Bytes().u16(0x06B6).u16(0).u16(0).u16(64).u16(0).u16(0).u16(0).u32(0).data));
    sheetTail.bytes(record(kEof, {}));

    static const bool ready = [] {
        gsf_init();
        return true;
    }();
    Q_UNUSED(ready);
    GError *error = nullptr;
    GsfOutput *sink = gsf_output_stdio_new(QFile::encodeName(path_).constData(), &error);
    if (!sink) {
        fail(QString::fromUtf8(error ? error->message : "errore sconosciuto"));
        if (error)
            g_error_free(error);
        return false;
    }
    GsfOutfile *container = gsf_outfile_msole_new(sink);
    g_object_unref(sink);
    GsfOutput *stream = gsf_outfile_new_child(container, "Workbook", FALSE);
    const bool written = writeAll(stream, head.data) && writeAll(stream, sstHead.data) && copyFile(stream, *strings_)
                         && writeAll(stream, extSst) && writeAll(stream, globalsEof) && writeAll(stream, sheetHead.data)
                         && copyFile(stream, *cells_) && writeAll(stream, sheetTail.data);
    const bool streamClosed = gsf_output_close(stream);
    g_object_unref(stream);
    const bool containerClosed = gsf_output_close(GSF_OUTPUT(container));
    g_object_unref(container);
    reset();
    if (!written || !streamClosed || !containerClosed) {
        fail(QStringLiteral("errore di scrittura (disco pieno o cartella non scrivibile)."));
        return false;
    }
    return true;
}

void XlsSheetWriter::discard() { reset(); }
