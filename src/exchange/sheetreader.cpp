#include "exchange/sheetreader.h"

#include "exchange/xlssheetreader.h"
#include "exchange/xlsxsheetreader.h"

#include <QDir>
#include <QFile>

#include <cmath>

const QString SheetReader::kSheetName = QStringLiteral("Elenco");

SheetReader::~SheetReader() = default;

std::unique_ptr<SheetReader> SheetReader::forFile(const QString &path, QString *error)
{
    QFile file(path);
    const QString shown = QDir::toNativeSeparators(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("Impossibile aprire il file \"%1\": %2").arg(shown, file.errorString());
        return nullptr;
    }
    const QByteArray magic = file.read(8);
    if (magic == QByteArray::fromHex("D0CF11E0A1B11AE1"))
        return std::make_unique<XlsSheetReader>();
    if (magic.startsWith("PK\x03\x04"))
        return std::make_unique<XlsxSheetReader>();
    // The oldest workbooks are bare record streams, beginning with a BOF record.
    const quint8 b0 = magic.size() >= 2 ? quint8(magic.at(0)) : 0;
    const quint8 b1 = magic.size() >= 2 ? quint8(magic.at(1)) : 0;
    if ((b0 == 0x09 || b0 == 0x08) && (b1 == 0x00 || b1 == 0x02 || b1 == 0x04 || b1 == 0x08)) {
        *error = QStringLiteral("Il file \"%1\" è in un formato Excel troppo vecchio per essere letto: aprirlo con il "
                                "foglio di calcolo, salvarlo come cartella di lavoro Excel 97-2003 (.xls) o Excel "
                                "(.xlsx) e riprovare.")
                     .arg(shown);
        return nullptr;
    }
    *error = QStringLiteral("Il file \"%1\" non è una cartella di lavoro Excel (.xls o .xlsx).").arg(shown);
    return nullptr;
}

QString SheetReader::numberText(double value)
{
    if (std::isfinite(value) && value == std::floor(value) && std::fabs(value) < 1e15)
        return QString::number(qint64(value));
    return QString::number(value, 'g', 15);
}

void SheetReader::setError(const QString &path, const QString &reason)
{
    error_ = QStringLiteral("Impossibile leggere il file \"%1\": %2").arg(QDir::toNativeSeparators(path), reason);
}

QString SheetReader::noSheetReason()
{
    return QStringLiteral("non contiene un foglio di nome \"%1\".").arg(kSheetName);
}
