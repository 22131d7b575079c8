#include "exchange/vcardfile.h"

#include "data/query.h"
#include "exchange/sheetimport.h"
#include "exchange/vcardreader.h"

#include <QDir>
#include <QSaveFile>

#include <utility>

namespace VCardFile {

ExportResult write(const Query &query, const QString &path, VCardMapping::Version version)
{
    ExportResult result;
    const QString native = QDir::toNativeSeparators(path);
    QList<std::pair<QString, int>> columns; // the person columns the result holds
    for (const QString &column : SheetImport::personColumns()) {
        const int index = query.fieldIndex(column);
        if (index >= 0)
            columns.append({column, index});
    }
    // The rows as the grid shows them: the quick search applied, in its order.
    const int rows = SheetExport::exportedRowCount(query);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        result.message = QStringLiteral("Impossibile scrivere il file \"%1\": %2").arg(native, file.errorString());
        return result;
    }
    PersonValues person;
    for (int row = 0; row < rows; ++row) {
        person.clear();
        for (const auto &[column, index] : std::as_const(columns))
            person.insert(column, query.text(row, index));
        file.write(VCardMapping::toCard(person, version));
    }
    if (!file.commit()) {
        result.message = QStringLiteral("Impossibile scrivere il file \"%1\": %2").arg(native, file.errorString());
        return result;
    }
    result.ok = true;
    result.rows = rows;
    result.message = rows == 1 ? QStringLiteral("Esportata 1 persona nel file \"%1\".").arg(native)
                               : QStringLiteral("Esportate %L1 persone nel file \"%2\".").arg(rows).arg(native);
    return result;
}

QList<ImportedPerson> people(const QByteArray &bytes)
{
    QList<ImportedPerson> people;
    int number = 0;
    for (const VCard &card : VCardReader::read(bytes)) {
        ImportedPerson person = VCardMapping::fromCard(card);
        person.origin = ++number;
        people << person;
    }
    return people;
}

} // namespace VCardFile
