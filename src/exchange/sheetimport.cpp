#include "exchange/sheetimport.h"

#include "data/database.h"
#include "data/fieldcatalogue.h"
#include "data/query.h"
#include "data/values.h"
#include "queries/standardqueries.h"

#include <memory>
#include <utility>
#include <vector>

const QString SheetImport::kNotEmptyMessage = QStringLiteral(
    "Attenzione: Questa operazione non può essere effettuata se nel database sono presenti dati. "
    "Eliminare i dati e riprovare");

namespace {

bool isEmptyRow(const QStringList &row)
{
    for (const QString &cell : row) {
        if (!cell.trimmed().isEmpty())
            return false;
    }
    return true;
}

} // namespace

const QStringList &SheetImport::personColumns() { return FieldCatalogue::importColumns(); }

QString SheetImport::columnForHeader(const QString &header)
{
    // The export heads columns with their labels, so both names of a column are taken:
    // an exported address book imports back whole.
    const QString h = header.trimmed();
    for (const QString &column : personColumns()) {
        if (h.compare(column, Qt::CaseInsensitive) == 0
            || h.compare(FieldCatalogue::titleForColumn(column), Qt::CaseInsensitive) == 0)
            return column;
    }
    return QString();
}

ImportResult SheetImport::run(const QString &path, const Progress &progress)
{
    ImportResult result;
    QString error;
    const std::unique_ptr<SheetReader> reader = SheetReader::forFile(path, &error);
    SheetContent sheet;
    if (!reader) {
        result.message = error;
        return result;
    }
    // Only the columns written are read: a sheet with a value far to the right of them
    // costs no memory for the empty cells between.
    reader->setColumnChoice([](const QStringList &header) {
        QList<int> columns;
        QStringList taken;
        for (int c = 0; c < header.size(); ++c) {
            const QString column = columnForHeader(header.at(c));
            if (!column.isEmpty() && !taken.contains(column)) {
                taken << column;
                columns << c;
            }
        }
        return columns;
    });
    if (!reader->read(path, &sheet)) {
        result.message = reader->errorString();
        return result;
    }
    return run(sheet, progress);
}

ImportResult SheetImport::run(const SheetContent &sheet, const Progress &progress)
{
    try {
        return write(sheet, progress);
    } catch (const DbError &e) {
        // Reading the persons or committing failed: the transaction has rolled back.
        ImportResult result;
        result.message = e.text() + QStringLiteral("\nNon è stato importato nessun dato.");
        return result;
    }
}

ImportResult SheetImport::write(const SheetContent &sheet, const Progress &progress)
{
    ImportResult result;
    Query persons(&db_);
    persons.setSql(
        {StandardQueries::personsColumns(), StandardQueries::personsTables(), StandardQueries::personsJoin()});
    persons.open();
    if (!persons.isEmpty()) {
        result.outcome = ImportResult::Outcome::Refused;
        result.message = kNotEmptyMessage;
        return result;
    }

    // A person is one row in each of the tables behind the persons result, all keyed alike.
    // The rows are written by one prepared statement per table rather than row by row
    // through the result: each save of a result row opens a savepoint of its own, whose
    // journal the engine encrypts page by page, which made a large import several times
    // slower than the inserts themselves. What lands in the tables is the same: the keys,
    // and each mapped text as typed, an empty one as null (every person column is text).
    struct TableRows
    {
        QString table;
        QStringList columns;         // the key first
        std::vector<int> sheetIndex; // per column after the key: the sheet column
        std::unique_ptr<Statement> insert;
    };
    std::vector<TableRows> tables;
    for (const char *key : {"Committente.IdCommittente", "Indirizzo.IdCommittente", "Recapiti.IdCommittente"}) {
        const FieldInfo &info = persons.fieldInfo(persons.fieldIndex(QLatin1String(key)));
        tables.push_back({info.table, {info.column}, {}, nullptr});
    }
    QStringList taken; // the first of two sheet columns for the same field wins
    for (int c = 0; c < sheet.header.size(); ++c) {
        const QString column = columnForHeader(sheet.header.at(c));
        if (column.isEmpty() || taken.contains(column))
            continue;
        taken << column;
        const FieldInfo &info = persons.fieldInfo(persons.fieldIndex(column));
        for (TableRows &t : tables) {
            if (t.table.compare(info.table, Qt::CaseInsensitive) == 0) {
                t.columns << info.column;
                t.sheetIndex.push_back(c);
            }
        }
    }

    std::vector<int> rows;
    for (int r = 0; r < sheet.rows.size(); ++r) {
        if (!isEmptyRow(sheet.rows.at(r)))
            rows.push_back(r);
    }
    const int total = int(rows.size());
    if (total == 0) {
        result.outcome = ImportResult::Outcome::Empty;
        result.message = QStringLiteral("Il foglio \"%1\" non contiene nessuna persona da importare: non è stato "
                                        "importato nessun dato.")
                             .arg(SheetReader::kSheetName);
        return result;
    }

    Transaction tx(db_);
    for (TableRows &t : tables) {
        t.insert = std::make_unique<Statement>(db_, Database::insertStatement(t.table, t.columns));
    }
    for (int i = 0; i < total; ++i) {
        const QStringList &row = sheet.rows.at(rows[size_t(i)]);
        try {
            for (TableRows &t : tables) {
                Statement &st = *t.insert;
                st.reset();
                st.bind(1, qint64(i));
                for (size_t k = 0; k < t.sheetIndex.size(); ++k) {
                    const int sheetColumn = t.sheetIndex[k];
                    const QString text = sheetColumn < row.size() ? row.at(sheetColumn) : QString();
                    if (text.isEmpty())
                        st.bindNull(int(k) + 2);
                    else
                        st.bindText(int(k) + 2, text.toUtf8());
                }
                st.step();
            }
        } catch (const DbError &e) {
            const int r = rows[size_t(i)];
            result.sheetRow = r < sheet.rowNumbers.size() ? sheet.rowNumbers.at(r) : r + 2; // the header is row 1
            result.message = QStringLiteral("La riga %1 del foglio \"%2\" non può essere importata: %3\n"
                                            "Non è stato importato nessun dato.")
                                 .arg(Values::groupedCount(result.sheetRow), SheetReader::kSheetName, e.text());
            return result;
        }
        if (progress && !progress(i + 1, total)) {
            result.outcome = ImportResult::Outcome::Cancelled;
            result.message = QStringLiteral("Importazione annullata: non è stato importato nessun dato.");
            return result;
        }
    }
    tx.commit();
    result.outcome = ImportResult::Outcome::Imported;
    result.persons = total;
    result.message = total == 1 ? QStringLiteral("È stata importata 1 persona.")
                                : QStringLiteral("Sono state importate %1 persone.").arg(Values::groupedCount(total));
    return result;
}
