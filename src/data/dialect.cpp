#include "data/dialect.h"

#include "data/fieldcatalogue.h"

namespace Dialect {

namespace {

bool endsParameterName(QChar c)
{
    return c.isSpace() || c == QLatin1Char(',') || c == QLatin1Char(';') || c == QLatin1Char(')');
}

bool isNamePart(QChar c) { return c.isLetterOrNumber() || c == QLatin1Char('_') || c == QLatin1Char('.'); }

// Whether `text` (a select list or a condition) names only columns of Progetto: bare
// project columns (not IdCommittente, which Committente shares), "Progetto." columns,
// literals, numbers, parameters and comparisons. Anything else, a subquery or a function
// included, answers no.
bool namesOnlyProjectColumns(const QString &text)
{
    static const QStringList columns = QStringList{QStringLiteral("IdProgetto")}
                                       + FieldCatalogue::columnsOfTable(QStringLiteral("Progetto"));
    static const QStringList words = {QStringLiteral("AND"), QStringLiteral("OR"),   QStringLiteral("NOT"),
                                      QStringLiteral("IS"),  QStringLiteral("NULL"), QStringLiteral("LIKE")};
    static const QString operators = QStringLiteral(" \t\r\n,=<>!+-");
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n;) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
            // A literal; a quote of its own kind doubled stays inside it.
            for (++i; i < n; ++i) {
                if (text.at(i) != c)
                    continue;
                if (i + 1 < n && text.at(i + 1) == c)
                    ++i;
                else
                    break;
            }
            if (i >= n)
                return false;
            ++i;
        } else if (c == QLatin1Char(':')) {
            for (++i; i < n && !endsParameterName(text.at(i));)
                ++i;
        } else if (isNamePart(c)) {
            const qsizetype start = i;
            while (i < n && isNamePart(text.at(i)))
                ++i;
            QString name = text.mid(start, i - start);
            if (name.at(0).isDigit()) {
                bool number = false;
                name.toDouble(&number);
                if (!number)
                    return false;
                continue;
            }
            if (words.contains(name, Qt::CaseInsensitive))
                continue;
            if (name.startsWith(QLatin1String("Progetto."), Qt::CaseInsensitive)) {
                name = name.mid(9);
                if (name.compare(QLatin1String("IdCommittente"), Qt::CaseInsensitive) == 0)
                    continue;
            }
            if (!columns.contains(name, Qt::CaseInsensitive))
                return false;
        } else if (operators.contains(c)) {
            ++i;
        } else {
            return false;
        }
    }
    return true;
}

// The projects of one person are read with "FROM Committente, Progetto" and a condition on
// Progetto alone: Committente is there only to require that the address book is not empty,
// yet the engine pairs every project found with every person before DISTINCT removes the
// copies. Reading Progetto alone, once some person is known to exist, gives the same rows
// without visiting the persons.
QString withoutIdlePersonsTable(const QString &text)
{
    static const QString lineEnd = QStringLiteral("\r\n");
    if (!text.endsWith(lineEnd))
        return text;
    const QStringList lines = text.chopped(2).split(lineEnd);
    static const QString select = QStringLiteral("SELECT DISTINCT ");
    static const QString where = QStringLiteral("WHERE ");
    if (lines.size() != 3 || !lines.at(0).startsWith(select)
        || lines.at(1) != QLatin1String("FROM Committente, Progetto") || !lines.at(2).startsWith(where))
        return text;
    const QString list = lines.at(0).mid(select.size());
    const QString condition = lines.at(2).mid(where.size());
    if (!namesOnlyProjectColumns(list) || !namesOnlyProjectColumns(condition))
        return text;
    return lines.at(0) + lineEnd + QStringLiteral("FROM Progetto") + lineEnd
           + QStringLiteral("WHERE EXISTS (SELECT 1 FROM Committente) AND (") + condition + QLatin1Char(')') + lineEnd;
}

} // namespace

Translated translate(const QString &statement)
{
    const QString text = withoutIdlePersonsTable(statement);
    Translated out;
    QString sql;
    sql.reserve(text.size() + 16);
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('\'')) {
            // Copy a single-quoted literal as it is, doubled quotes included.
            const qsizetype start = i++;
            while (i < n) {
                if (text.at(i) == QLatin1Char('\'')) {
                    if (i + 1 < n && text.at(i + 1) == QLatin1Char('\''))
                        i += 2;
                    else
                        break;
                } else {
                    ++i;
                }
            }
            sql += QStringView(text).mid(start, qMin(i, n - 1) - start + 1);
            if (i >= n)
                break;
        } else if (c == QLatin1Char('"')) {
            QString value;
            ++i;
            while (i < n) {
                if (text.at(i) == QLatin1Char('"')) {
                    if (i + 1 < n && text.at(i + 1) == QLatin1Char('"')) {
                        value += QLatin1Char('"');
                        i += 2;
                        continue;
                    }
                    break;
                }
                value += text.at(i++);
            }
            value.replace(QLatin1Char('\''), QStringLiteral("''"));
            sql += QLatin1Char('\'') + value + QLatin1Char('\'');
        } else if (c == QLatin1Char('[')) {
            const qsizetype close = text.indexOf(QLatin1Char(']'), i);
            const qsizetype end = close < 0 ? n - 1 : close;
            sql += QStringView(text).mid(i, end - i + 1);
            i = end;
        } else if (c == QLatin1Char(':') && i + 1 < n && !endsParameterName(text.at(i + 1))
                   && text.at(i + 1) != QLatin1Char(':')) {
            qsizetype j = i + 1;
            while (j < n && !endsParameterName(text.at(j)))
                ++j;
            out.parameterNames << text.mid(i + 1, j - i - 1);
            sql += QLatin1Char('?');
            i = j - 1;
        } else {
            sql += c;
        }
    }
    out.sql = sql.toUtf8();
    return out;
}

} // namespace Dialect
