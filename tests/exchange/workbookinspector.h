#pragma once

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QStringList>

// Runs inspect_workbook.py, which reads a workbook with the system's Python readers (xlrd,
// openpyxl), and gives back what it saw. The system interpreter is preferred: those are
// Debian packages, not whatever a user's own Python has installed.
namespace WorkbookInspector {

inline QString python()
{
    if (QFile::exists(QStringLiteral("/usr/bin/python3")))
        return QStringLiteral("/usr/bin/python3");
    return QStandardPaths::findExecutable(QStringLiteral("python3"));
}

// Null object when the script could not run; `error` then says why.
inline QJsonObject inspect(const QString &path, QString *error)
{
    QProcess process;
    process.start(python(), {QStringLiteral(PRATILIO_TESTS_DIR "/exchange/inspect_workbook.py"), path});
    if (!process.waitForFinished(120000) || process.exitCode() != 0) {
        *error = QString::fromUtf8(process.readAllStandardError()) + process.errorString();
        return {};
    }
    return QJsonDocument::fromJson(process.readAllStandardOutput()).object();
}

// A row of the inspected sheet as "type:value|type:value", numbers without a needless ".0".
inline QString rowText(const QJsonObject &sheet, int row)
{
    QStringList cells;
    for (const QJsonValue &cell : sheet.value(QStringLiteral("rows")).toArray().at(row).toArray()) {
        const QJsonArray pair = cell.toArray();
        const QJsonValue value = pair.at(1);
        const QString text = value.isDouble() ? QString::number(value.toDouble(), 'g', 15) : value.toString();
        cells << pair.at(0).toString() + QLatin1Char(':') + text;
    }
    return cells.join(QLatin1Char('|'));
}

} // namespace WorkbookInspector
