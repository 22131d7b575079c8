#include "data/dialect.h"

namespace Dialect {

namespace {

bool endsParameterName(QChar c)
{
    return c.isSpace() || c == QLatin1Char(',') || c == QLatin1Char(';') || c == QLatin1Char(')');
}

} // namespace

Translated translate(const QString &text)
{
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
