#include "exchange/freexlsheetreader.h"

#include <QDate>
#include <QFile>

#include <freexl.h>

namespace {

// Closes the handle however reading ends; the library asks for a close even after a
// failed open.
class Handle
{
public:
    ~Handle()
    {
        if (handle)
            freexl_close(handle);
    }
    const void *handle = nullptr;
};

QString cellText(const FreeXL_CellValue &cell)
{
    switch (cell.type) {
    case FREEXL_CELL_INT:
        return QString::number(cell.value.int_value);
    case FREEXL_CELL_DOUBLE:
        return SheetReader::numberText(cell.value.double_value);
    case FREEXL_CELL_TEXT:
    case FREEXL_CELL_SST_TEXT:
    case FREEXL_CELL_TIME:
        return QString::fromUtf8(cell.value.text_value);
    case FREEXL_CELL_DATE:
    case FREEXL_CELL_DATETIME: {
        const QString text = QString::fromUtf8(cell.value.text_value);
        const QDate date = QDate::fromString(text.left(10), Qt::ISODate);
        return date.isValid() ? date.toString(QStringLiteral("dd/MM/yyyy")) : text;
    }
    default:
        return QString();
    }
}

} // namespace

bool FreexlSheetReader::read(const QString &path, SheetContent *content)
{
    Handle h;
    const int opened = freexl_open(QFile::encodeName(path).constData(), &h.handle);
    if (opened != FREEXL_OK) {
        setError(path, QStringLiteral("il file è danneggiato o non è una cartella di lavoro Excel 97-2003 "
                                      "(codice %1).")
                           .arg(opened));
        return false;
    }
    // Some workbooks (a text running over more than two records of the string table, some
    // files of other programs) the library answers with success and no handle.
    if (!h.handle) {
        setError(path, QStringLiteral("il contenuto del file non può essere letto (file danneggiato o con testi "
                                      "troppo lunghi per una cella)."));
        return false;
    }
    unsigned int version = 0;
    if (freexl_get_info(h.handle, FREEXL_BIFF_VERSION, &version) != FREEXL_OK || version < FREEXL_BIFF_VER_5) {
        setError(path, QStringLiteral("il formato Excel del file è troppo vecchio: salvarlo come cartella di lavoro "
                                      "Excel 97-2003 (.xls) o Excel (.xlsx) e riprovare."));
        return false;
    }
    unsigned int sheets = 0;
    freexl_get_info(h.handle, FREEXL_BIFF_SHEET_COUNT, &sheets);
    int found = -1;
    for (unsigned int i = 0; i < sheets && found < 0; ++i) {
        const char *name = nullptr;
        if (freexl_get_worksheet_name(h.handle, quint16(i), &name) == FREEXL_OK && name
            && QString::fromUtf8(name).compare(kSheetName, Qt::CaseInsensitive) == 0)
            found = int(i);
    }
    if (found < 0) {
        setError(path, noSheetReason());
        return false;
    }
    unsigned int rows = 0;
    unsigned short columns = 0;
    if (freexl_select_active_worksheet(h.handle, quint16(found)) != FREEXL_OK
        || freexl_worksheet_dimensions(h.handle, &rows, &columns) != FREEXL_OK) {
        setError(path, QStringLiteral("il foglio \"%1\" è danneggiato.").arg(kSheetName));
        return false;
    }

    *content = SheetContent();
    for (unsigned int r = 0; r < rows; ++r) {
        QStringList row;
        row.reserve(columns);
        for (unsigned short c = 0; c < columns; ++c) {
            FreeXL_CellValue cell;
            if (freexl_get_cell_value(h.handle, r, c, &cell) != FREEXL_OK) {
                setError(path, QStringLiteral("il foglio \"%1\" è danneggiato.").arg(kSheetName));
                return false;
            }
            row << cellText(cell);
        }
        if (r == 0)
            content->header = row;
        else
            content->rows << row;
    }
    return true;
}
