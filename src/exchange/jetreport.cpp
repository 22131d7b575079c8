#include "exchange/jetreport.h"

#include "data/values.h"

#include <QDir>

void JetReport::add(const QString &table, const QString &key, const QString &column, const QString &text)
{
    findings_ << Finding{table, key, column, text};
}

JetReport::TableCount &JetReport::count(const QString &table)
{
    for (TableCount &c : counts_) {
        if (c.table == table)
            return c;
    }
    counts_ << TableCount{table, 0, 0};
    return counts_.last();
}

QList<JetReport::Finding> JetReport::findingsOf(const QString &table) const
{
    QList<Finding> found;
    for (const Finding &f : findings_) {
        if (f.table == table)
            found << f;
    }
    return found;
}

QString JetReport::text() const
{
    QString out;
    out += QStringLiteral("Conversione dell'archivio precedente\n\n");
    if (!source.isEmpty())
        out += QStringLiteral("Archivio letto: %1\n").arg(QDir::toNativeSeparators(source));
    if (!target.isEmpty())
        out += QStringLiteral("Database scritto: %1\n").arg(QDir::toNativeSeparators(target));
    if (!originalKept.isEmpty())
        out += QStringLiteral("Archivio originale conservato, intatto, in: %1\n")
                   .arg(QDir::toNativeSeparators(originalKept));
    if (!previousKept.isEmpty())
        out += QStringLiteral("Copia del database sostituito: %1\n").arg(QDir::toNativeSeparators(previousKept));
    out += QStringLiteral("\nRighe lette e scritte per tabella:\n");
    for (const TableCount &c : counts_) {
        out += QStringLiteral("  %1: %2 lette, %3 scritte\n")
                   .arg(c.table.leftJustified(14), Values::groupedCount(c.read), Values::groupedCount(c.written));
    }
    if (findings_.isEmpty()) {
        out += QStringLiteral("\nNessuna osservazione: ogni riga è stata convertita così com'era.\n");
        return out;
    }
    out += QStringLiteral("\nOsservazioni (%1):\n").arg(Values::groupedCount(findings_.size()));
    for (const TableCount &c : counts_) {
        const QList<Finding> found = findingsOf(c.table);
        if (found.isEmpty())
            continue;
        out += QStringLiteral("\n%1\n").arg(c.table);
        for (const Finding &f : found) {
            QString where = f.key;
            if (!f.column.isEmpty())
                where += QStringLiteral(", colonna %1").arg(f.column);
            out += QStringLiteral("  - %1: %2\n").arg(where, f.text);
        }
    }
    return out;
}
