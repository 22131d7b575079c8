#include "exchange/xlsxsheetwriter.h"

#include <QDate>
#include <QFile>

#include <xlsxwriter.h>

#include <cerrno>

XlsxSheetWriter::~XlsxSheetWriter() { abort(); }

bool XlsxSheetWriter::check(int result)
{
    if (result == LXW_NO_ERROR)
        return true;
    switch (result) {
    case LXW_ERROR_MEMORY_MALLOC_FAILED:
        fail(QStringLiteral("memoria insufficiente."));
        break;
    case LXW_ERROR_CREATING_XLSX_FILE:
    case LXW_ERROR_CREATING_TMPFILE:
    case LXW_ERROR_READING_TMPFILE:
    case LXW_ERROR_ZIP_FILE_OPERATION:
    case LXW_ERROR_ZIP_PARAMETER_ERROR:
    case LXW_ERROR_ZIP_BAD_ZIP_FILE:
    case LXW_ERROR_ZIP_INTERNAL_ERROR:
    case LXW_ERROR_ZIP_FILE_ADD:
    case LXW_ERROR_ZIP_CLOSE:
        // The library's own text names its zip layer, not what went wrong for the user.
        fail(errno == ENOSPC ? QStringLiteral("il disco è pieno: liberare spazio o scegliere un'altra cartella.")
                             : QStringLiteral("errore di scrittura (disco pieno o cartella non scrivibile)."));
        break;
    default:
        fail(QStringLiteral("errore nella scrittura del foglio (%1).")
                 .arg(QString::fromUtf8(lxw_strerror(lxw_error(result)))));
    }
    return false;
}

bool XlsxSheetWriter::start(const QString &asidePath, const QStringList &headers)
{
    columns_ = int(headers.size());
    if (columns_ > LXW_COL_MAX) {
        fail(QStringLiteral("un foglio contiene al massimo %1 colonne.").arg(LXW_COL_MAX));
        return false;
    }
    lxw_workbook_options options = {};
    options.constant_memory = LXW_TRUE;
    workbook_ = workbook_new_opt(QFile::encodeName(asidePath).constData(), &options);
    if (!workbook_) {
        fail(QStringLiteral("impossibile preparare la cartella di lavoro."));
        return false;
    }
    const QByteArray name = kSheetName.toUtf8();
    sheet_ = workbook_add_worksheet(workbook_, name.constData());

    auto bordered = [this](const char *numberFormat) {
        lxw_format *f = workbook_add_format(workbook_);
        format_set_border(f, LXW_BORDER_THIN);
        format_set_border_color(f, LXW_COLOR_BLACK);
        format_set_num_format(f, numberFormat);
        return f;
    };
    header_ = bordered("@");
    format_set_bold(header_);
    text_ = bordered("@");
    date_ = bordered("dd/mm/yyyy");
    number_ = bordered("#,##0.00");

    if (columns_ > 0 && !check(worksheet_set_column(sheet_, 0, lxw_col_t(columns_ - 1), 20, nullptr)))
        return false;
    worksheet_set_landscape(sheet_);
    for (int c = 0; c < columns_; ++c) {
        const QByteArray h = headers.at(c).toUtf8();
        const int result = h.isEmpty() ? worksheet_write_blank(sheet_, 0, lxw_col_t(c), header_)
                                       : worksheet_write_string(sheet_, 0, lxw_col_t(c), h.constData(), header_);
        if (!check(result))
            return false;
    }
    return true;
}

const char *XlsxSheetWriter::utf8(const QString &text)
{
    // Encoded into one buffer kept from cell to cell: the library copies the text at once.
    const qsizetype room = encoder_.requiredSpace(text.size()) + 1;
    if (buffer_.size() < room)
        buffer_.resize(room);
    char *end = encoder_.appendToBuffer(buffer_.data(), text);
    *end = '\0';
    return buffer_.constData();
}

bool XlsxSheetWriter::addRow(int row, const QVariantList &cells)
{
    static const QVariant none;
    const auto r = lxw_row_t(row);
    for (int c = 0; c < columns_; ++c) {
        const QVariant &v = c < cells.size() ? cells.at(c) : none;
        const CellType type = types().at(c);
        const auto col = lxw_col_t(c);
        lxw_format *empty = type == CellType::Date ? date_ : type == CellType::Number ? number_ : text_;
        int result = LXW_NO_ERROR;
        if (v.isNull()) {
            result = worksheet_write_blank(sheet_, r, col, empty);
        } else if (type == CellType::Date && v.typeId() == QMetaType::QDate) {
            result = worksheet_write_number(sheet_, r, col, dateSerial(v.toDate()), date_);
        } else if (type == CellType::Number && v.typeId() != QMetaType::QString && v.canConvert<double>()) {
            result = worksheet_write_number(sheet_, r, col, v.toDouble(), number_);
        } else {
            const QString text = v.typeId() == QMetaType::QDate ? v.toDate().toString(QStringLiteral("dd/MM/yyyy"))
                                                                : v.toString();
            result = text.isEmpty() ? worksheet_write_blank(sheet_, r, col, empty)
                                    : worksheet_write_string(sheet_, r, col, utf8(text), text_);
        }
        if (!check(result))
            return false;
    }
    return true;
}

bool XlsxSheetWriter::close()
{
    const lxw_error result = workbook_close(workbook_);
    workbook_ = nullptr;
    return check(result);
}

void XlsxSheetWriter::discard()
{
    if (!workbook_)
        return;
    // The library has no way to drop a workbook: it is completed into the aside file,
    // which the caller then removes.
    workbook_close(workbook_);
    workbook_ = nullptr;
}
