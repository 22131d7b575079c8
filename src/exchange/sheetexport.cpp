#include "exchange/sheetexport.h"

#include "data/fieldcatalogue.h"
#include "data/query.h"
#include "data/values.h"

#include <QDir>

QList<int> SheetExport::exportedColumns(const Query &query)
{
    QList<int> columns;
    for (int c = 0; c < query.fieldCount(); ++c) {
        if (!FieldCatalogue::isKeyColumn(query.fieldInfo(c).name))
            columns << c;
    }
    return columns;
}

QString SheetExport::headerFor(const QString &fieldName)
{
    // A result qualifies a column by its table only where two tables share it; the label
    // belongs to the column itself.
    return FieldCatalogue::titleForColumn(fieldName.section(QLatin1Char('.'), -1));
}

int SheetExport::exportedRowCount(const Query &query)
{
    return query.recordCount() - (query.state() == Query::State::Insert ? 1 : 0);
}

ExportResult SheetExport::run(const Query &query, const QString &path)
{
    const std::unique_ptr<SheetWriter> writer = SheetWriter::forFile(path);
    return run(query, *writer, path);
}

ExportResult SheetExport::run(const Query &query, SheetWriter &writer, const QString &path)
{
    ExportResult result;
    if (!query.isActive()) {
        result.message = QStringLiteral("Non c'è nessun risultato da esportare.");
        return result;
    }
    const int rows = exportedRowCount(query);
    if (rows > writer.maxDataRows()) {
        result.message = QStringLiteral("Il risultato ha %1 righe, ma un foglio di questo formato ne contiene al "
                                        "massimo %2: salvare in formato .xlsx oppure restringere la ricerca. "
                                        "Il file \"%3\" non è stato scritto.")
                             .arg(Values::groupedCount(rows), Values::groupedCount(writer.maxDataRows()),
                                  QDir::toNativeSeparators(path));
        return result;
    }

    const QList<int> columns = exportedColumns(query);
    QStringList headers;
    QList<SheetWriter::CellType> types;
    for (int c : columns) {
        const FieldInfo &info = query.fieldInfo(c);
        headers << headerFor(info.name);
        switch (info.kind) {
        case Values::Kind::Integer:
        case Values::Kind::Amount:
            types << SheetWriter::CellType::Number;
            break;
        case Values::Kind::Date:
            types << SheetWriter::CellType::Date;
            break;
        case Values::Kind::Text:
            types << SheetWriter::CellType::Text;
            break;
        }
    }

    if (!writer.begin(path, headers, types)) {
        result.message = writer.errorString();
        return result;
    }
    for (int row = 0; row < rows; ++row) {
        if (!writer.writeResultRow(query, row, columns)) {
            result.message = writer.errorString();
            return result;
        }
    }
    if (!writer.finish()) {
        result.message = writer.errorString();
        return result;
    }
    result.ok = true;
    result.rows = rows;
    result.message = QStringLiteral("Esportate %1 righe nel file \"%2\".")
                         .arg(Values::groupedCount(rows), QDir::toNativeSeparators(path));
    return result;
}
