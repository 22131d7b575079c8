#include "data/serverdialect.h"

#include "data/serverschema.h"

#include <vector>

namespace ServerDialect {

namespace {

enum class Kind { Space, Word, Quoted, Literal, Parameter, Comment, Symbol };

struct Token
{
    Kind kind;
    QString text;
};

bool isWordChar(QChar c) { return c.isLetterOrNumber() || c == QLatin1Char('_') || c == QLatin1Char('$'); }

std::vector<Token> tokenize(const QString &text)
{
    std::vector<Token> out;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n;) {
        const QChar c = text.at(i);
        const qsizetype start = i;
        if (c.isSpace()) {
            while (i < n && text.at(i).isSpace())
                ++i;
            out.push_back({Kind::Space, text.mid(start, i - start)});
        } else if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
            // A literal or a quoted name; its own quote doubled stays inside it.
            for (++i; i < n; ++i) {
                if (text.at(i) != c)
                    continue;
                if (i + 1 < n && text.at(i + 1) == c)
                    ++i;
                else
                    break;
            }
            i = qMin(i + 1, n);
            out.push_back({c == QLatin1Char('"') ? Kind::Quoted : Kind::Literal, text.mid(start, i - start)});
        } else if (c == QLatin1Char('[')) {
            const qsizetype close = text.indexOf(QLatin1Char(']'), i);
            i = close < 0 ? n : close + 1;
            QString name = text.mid(start + 1, i - start - 1);
            if (name.endsWith(QLatin1Char(']')))
                name.chop(1);
            name.replace(QLatin1Char('"'), QStringLiteral("\"\""));
            out.push_back({Kind::Quoted, QLatin1Char('"') + name + QLatin1Char('"')});
        } else if (c == QLatin1Char('-') && i + 1 < n && text.at(i + 1) == QLatin1Char('-')) {
            while (i < n && text.at(i) != QLatin1Char('\n'))
                ++i;
            out.push_back({Kind::Comment, text.mid(start, i - start)});
        } else if (c == QLatin1Char('?')) {
            ++i;
            out.push_back({Kind::Parameter, QStringLiteral("?")});
        } else if (isWordChar(c)) {
            while (i < n && isWordChar(text.at(i)))
                ++i;
            out.push_back({Kind::Word, text.mid(start, i - start)});
        } else {
            ++i;
            out.push_back({Kind::Symbol, QString(c)});
        }
    }
    return out;
}

bool isWord(const Token &t, const char *word)
{
    return t.kind == Kind::Word && t.text.compare(QLatin1String(word), Qt::CaseInsensitive) == 0;
}

// The name a word or quoted token stands for.
QString nameOf(const Token &t)
{
    if (t.kind == Kind::Quoted)
        return t.text.mid(1, t.text.size() - 2).replace(QStringLiteral("\"\""), QStringLiteral("\""));
    return t.text;
}

// The significant tokens (no blanks, no comments) by index into the full list.
std::vector<size_t> significant(const std::vector<Token> &tokens)
{
    std::vector<size_t> out;
    for (size_t i = 0; i < tokens.size(); ++i) {
        if (tokens[i].kind != Kind::Space && tokens[i].kind != Kind::Comment)
            out.push_back(i);
    }
    return out;
}

QString quotedLiteral(const QString &text)
{
    QString inner = text;
    inner.replace(QLatin1Char('\''), QStringLiteral("''"));
    return QLatin1Char('\'') + inner + QLatin1Char('\'');
}

// The name as the server keeps it when written without quotes: ASCII letters in lower case.
QString serverName(const QString &name)
{
    QString out = name;
    for (QChar &c : out) {
        if (c.unicode() < 128)
            c = c.toLower();
    }
    return out;
}

QString quotedServerName(const QString &name)
{
    QString inner = serverName(name);
    inner.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + inner + QLatin1Char('"');
}

// The catalogue's answer to PRAGMA table_info: cid, name, type, notnull, dflt_value, pk.
QString tableInfoQuery(const QString &table)
{
    QStringList hidden;
    for (const QString &column : ServerSchema::serverOnlyColumns(table))
        hidden << quotedLiteral(serverName(column));
    return QStringLiteral(
               "SELECT a.attnum - 1 AS cid, a.attname AS name, format_type(a.atttypid, a.atttypmod) AS type, "
               "a.attnotnull::int AS notnull, pg_get_expr(d.adbin, d.adrelid) AS dflt_value, "
               "COALESCE(array_position(i.indkey::int2[], a.attnum) - array_lower(i.indkey::int2[], 1) + 1, 0) AS pk "
               "FROM pg_attribute a "
               "LEFT JOIN pg_attrdef d ON d.adrelid = a.attrelid AND d.adnum = a.attnum "
               "LEFT JOIN pg_index i ON i.indrelid = a.attrelid AND i.indisprimary "
               "WHERE a.attrelid = to_regclass(%1) AND a.attnum > 0 AND NOT a.attisdropped%2 "
               "ORDER BY a.attnum")
        .arg(quotedLiteral(quotedServerName(table)),
             hidden.isEmpty() ? QString()
                              : QStringLiteral(" AND a.attname NOT IN (%1)").arg(hidden.join(QStringLiteral(", "))));
}

// What the file's catalogue table offers, over the server's catalogue of the current schema.
QString catalogueTable()
{
    return QStringLiteral(
        "(SELECT CASE c.relkind WHEN 'i' THEN 'index' WHEN 'v' THEN 'view' ELSE 'table' END AS type, "
        "c.relname::text AS name, COALESCE(t.relname, c.relname)::text AS tbl_name "
        "FROM pg_class c LEFT JOIN pg_index x ON x.indexrelid = c.oid "
        "LEFT JOIN pg_class t ON t.oid = x.indrelid "
        "WHERE c.relnamespace = current_schema()::regnamespace AND c.relkind IN ('r', 'p', 'v', 'i')) "
        "AS sqlite_master");
}

// A PRAGMA: table_info becomes a catalogue query, anything else is refused.
Translated pragma(const std::vector<Token> &tokens, const std::vector<size_t> &sig)
{
    Translated out;
    if (sig.size() >= 5 && isWord(tokens[sig[1]], "table_info") && tokens[sig[2]].text == QLatin1String("(")
        && (tokens[sig[3]].kind == Kind::Word || tokens[sig[3]].kind == Kind::Quoted
            || tokens[sig[3]].kind == Kind::Literal)
        && tokens[sig[4]].text == QLatin1String(")")) {
        const Token &t = tokens[sig[3]];
        const QString name = t.kind == Kind::Literal ? t.text.mid(1, t.text.size() - 2) : nameOf(t);
        out.sql = tableInfoQuery(name).toUtf8();
        out.respellValues << QStringLiteral("name");
        return out;
    }
    QString text;
    for (const Token &t : tokens)
        text += t.text;
    out.refused = QStringLiteral("L'istruzione \"%1\" vale solo per il file del database, non per il server.")
                      .arg(text.trimmed());
    return out;
}

// "SELECT * FROM T" alone: the whole table, in the file's row order.
bool wholeTableRead(const std::vector<Token> &tokens, const std::vector<size_t> &sig, QString *sql)
{
    size_t n = sig.size();
    if (n > 0 && tokens[sig[n - 1]].text == QLatin1String(";"))
        --n;
    if (n != 4 || !isWord(tokens[sig[0]], "SELECT") || tokens[sig[1]].text != QLatin1String("*")
        || !isWord(tokens[sig[2]], "FROM"))
        return false;
    const ServerSchema::Table *table = ServerSchema::table(nameOf(tokens[sig[3]]));
    if (!table)
        return false;
    QStringList columns;
    for (const ServerSchema::Column &c : table->columns)
        columns << quotedServerName(c.name);
    *sql = QStringLiteral("SELECT %1 FROM %2").arg(columns.join(QStringLiteral(", ")), quotedServerName(table->name));
    const QString order = ServerSchema::rowOrder(table->name);
    if (!order.isEmpty())
        *sql += QStringLiteral(" ORDER BY ") + serverName(order);
    return true;
}

// The one table a statement reads ("... FROM T" not followed by another table), or empty.
QString singleTable(const std::vector<Token> &tokens, const std::vector<size_t> &sig)
{
    for (size_t k = 0; k + 1 < sig.size(); ++k) {
        if (!isWord(tokens[sig[k]], "FROM"))
            continue;
        const Token &name = tokens[sig[k + 1]];
        if (name.kind != Kind::Word && name.kind != Kind::Quoted)
            return {};
        if (k + 2 < sig.size()) {
            const Token &after = tokens[sig[k + 2]];
            if (after.kind == Kind::Symbol && after.text != QLatin1String(";"))
                return {};
            if (after.kind == Kind::Word
                && !(isWord(after, "WHERE") || isWord(after, "ORDER") || isWord(after, "GROUP")
                     || isWord(after, "LIMIT")))
                return {};
        }
        return nameOf(name);
    }
    return {};
}

// `operand IS $n` at sig[k]: true when both are equal or both null. Over a column it is
// written as an equality the server can answer from the column's index (IS NOT DISTINCT FROM
// is never answered from an index: every save by key would read the whole table); over
// anything else it stays IS NOT DISTINCT FROM.
void nullSafeEquality(std::vector<Token> &tokens, const std::vector<size_t> &sig, size_t k)
{
    const auto isName = [&](size_t s) {
        return tokens[sig[s]].kind == Kind::Word || tokens[sig[s]].kind == Kind::Quoted;
    };
    size_t start = k - 2; // the operand's first token
    bool column = k >= 3 && isName(k - 2);
    if (column && k >= 5 && tokens[sig[k - 3]].text == QLatin1String(".") && isName(k - 4))
        start = k - 4;
    if (column && start > 0) {
        const Token &before = tokens[sig[start - 1]];
        column = before.text == QLatin1String("(") || isWord(before, "WHERE") || isWord(before, "AND")
                 || isWord(before, "OR") || isWord(before, "ON") || isWord(before, "NOT");
    }
    if (!column) {
        tokens[sig[k - 1]].text = QStringLiteral("IS NOT DISTINCT FROM");
        return;
    }
    QString operand;
    for (size_t s = start; s <= k - 2; ++s)
        operand += tokens[sig[s]].text;
    const QString parameter = tokens[sig[k]].text;
    for (size_t i = sig[start]; i <= sig[k]; ++i)
        tokens[i].text.clear();
    tokens[sig[start]].text = QStringLiteral("(%1 = %2 OR %1 IS NULL AND %2 IS NULL)").arg(operand, parameter);
}

bool isAnyWord(const Token &t, std::initializer_list<const char *> words)
{
    for (const char *word : words) {
        if (isWord(t, word))
            return true;
    }
    return false;
}

// Words that end a WHERE clause, or a subquery's, at its own depth.
bool endsClause(const Token &t)
{
    return isAnyWord(t, {"GROUP", "ORDER", "LIMIT", "OFFSET", "UNION", "EXCEPT", "INTERSECT", "HAVING", "WINDOW",
                         "FETCH", "RETURNING", "FOR"});
}

// Words that make a clause more than a chain of conditions joined by AND.
bool breaksConjunction(const Token &t) { return isAnyWord(t, {"OR", "CASE", "WHEN", "THEN", "ELSE", "END"}); }

bool isName(const Token &t) { return t.kind == Kind::Word || t.kind == Kind::Quoted; }

// The text of the tokens sig[from]..sig[to] on one line: blanks and comments between them
// become one space; literals stay as they are.
QString textOf(const std::vector<Token> &tokens, const std::vector<size_t> &sig, size_t from, size_t to)
{
    QString out;
    for (size_t i = sig[from]; i <= sig[to]; ++i) {
        const bool blank = tokens[i].kind == Kind::Space || tokens[i].kind == Kind::Comment;
        if (!blank)
            out += tokens[i].text;
        else if (!out.endsWith(QLatin1Char(' ')))
            out += QLatin1Char(' ');
    }
    return out.trimmed();
}

// Whether the condition starting at sig[start] is one of the conditions joined by AND that make
// a WHERE clause, at the clause's own depth: such a condition only has to be true or not.
bool startsWhereCondition(const std::vector<Token> &tokens, const std::vector<size_t> &sig, size_t start)
{
    if (start == 0 || !(isWord(tokens[sig[start - 1]], "WHERE") || isWord(tokens[sig[start - 1]], "AND")))
        return false;
    int depth = 0;
    for (size_t s = start; s-- > 0;) {
        const Token &t = tokens[sig[s]];
        if (t.text == QLatin1String(")")) {
            ++depth;
        } else if (t.text == QLatin1String("(")) {
            if (depth-- == 0)
                return false;
        } else if (depth == 0) {
            if (isWord(t, "WHERE"))
                return true;
            if (breaksConjunction(t) || endsClause(t) || isAnyWord(t, {"BETWEEN", "SELECT", "FROM", "ON", "SET"}))
                return false;
        }
    }
    return false;
}

// Whether the rest of the clause after sig[after] adds only conditions joined by AND.
bool endsWhereCondition(const std::vector<Token> &tokens, const std::vector<size_t> &sig, size_t after)
{
    int depth = 0;
    for (size_t s = after + 1; s < sig.size(); ++s) {
        const Token &t = tokens[sig[s]];
        if (depth == 0 && (t.text == QLatin1String(";") || t.text == QLatin1String(")") || endsClause(t)))
            return true;
        if (s == after + 1 && !isWord(t, "AND"))
            return false;
        if (t.text == QLatin1String("("))
            ++depth;
        else if (t.text == QLatin1String(")"))
            --depth;
        else if (depth == 0 && breaksConjunction(t))
            return false;
    }
    return true;
}

// `T.c NOT IN (SELECT e FROM U [WHERE w])` among a WHERE clause's conditions joined by AND, at
// sig[k] (the NOT), is written as NOT EXISTS, which the server answers with an anti-join: for
// NOT IN it has no plan but a hash of the whole subquery's result, and when that does not fit
// in its working memory it reads the subquery again for every row. The rows kept are the same:
// NOT IN is true when the subquery gives no row; or when T.c is not null, equals no value and
// no value is null. Returns the last token rewritten, or k when the statement is left as it is.
size_t notInAsNotExists(std::vector<Token> &tokens, const std::vector<size_t> &sig, size_t k)
{
    const auto text = [&](size_t s) -> QString { return tokens[sig[s]].text; }; // a copy: tokens are cleared below
    if (k < 3 || k + 7 >= sig.size() || !isWord(tokens[sig[k + 1]], "IN") || text(k + 2) != QLatin1String("(")
        || !isWord(tokens[sig[k + 3]], "SELECT"))
        return k;
    // The operand: a column named with its table, which the subquery's table does not hide.
    const size_t start = k - 3;
    if (!isName(tokens[sig[k - 1]]) || text(k - 2) != QLatin1String(".") || !isName(tokens[sig[start]])
        || !startsWhereCondition(tokens, sig, start))
        return k;
    // The subquery: one column of one table, and possibly a condition.
    size_t from = k + 5;
    if (!isName(tokens[sig[k + 4]]))
        return k;
    if (text(from) == QLatin1String(".") && from + 1 < sig.size() && isName(tokens[sig[from + 1]]))
        from += 2;
    if (from + 2 >= sig.size() || !isWord(tokens[sig[from]], "FROM") || !isName(tokens[sig[from + 1]])
        || nameOf(tokens[sig[from + 1]]).compare(nameOf(tokens[sig[start]]), Qt::CaseInsensitive) == 0)
        return k;
    size_t close = from + 2;
    const bool filtered = isWord(tokens[sig[close]], "WHERE");
    if (!filtered && text(close) != QLatin1String(")"))
        return k;
    for (int depth = 0; close < sig.size(); ++close) {
        const Token &t = tokens[sig[close]];
        if (t.text == QLatin1String("("))
            ++depth;
        else if (t.text == QLatin1String(")") && depth-- == 0)
            break;
        else if (depth == 0 && (endsClause(t) || t.text == QLatin1String(";")))
            return k;
    }
    if (close >= sig.size() || !endsWhereCondition(tokens, sig, close))
        return k;

    const QString operand = textOf(tokens, sig, start, k - 1);
    const QString value = textOf(tokens, sig, k + 4, from - 1);
    const QString table = text(from + 1);
    const QString condition = filtered ? textOf(tokens, sig, from + 3, close - 1) : QString();
    const auto rows = [&](const QString &also) {
        QString where = condition.isEmpty() ? also
                        : also.isEmpty()    ? condition
                                            : QStringLiteral("(%1) AND %2").arg(condition, also);
        return QStringLiteral("NOT EXISTS (SELECT 1 FROM %1%2)")
            .arg(table, where.isEmpty() ? QString() : QStringLiteral(" WHERE ") + where);
    };
    for (size_t i = sig[start]; i <= sig[close]; ++i)
        tokens[i].text.clear();
    tokens[sig[start]].text = QStringLiteral("%1 AND %2 AND (%3 IS NOT NULL OR %4)")
                                  .arg(rows(QStringLiteral("%1 = %2").arg(value, operand)),
                                       rows(value + QStringLiteral(" IS NULL")), operand, rows(QString()));
    return close;
}

} // namespace

Translated translate(const QByteArray &statement)
{
    std::vector<Token> tokens = tokenize(QString::fromUtf8(statement));
    const std::vector<size_t> sig = significant(tokens);
    if (sig.empty())
        return {statement, 0, false, {}, {}};
    if (isWord(tokens[sig[0]], "PRAGMA"))
        return pragma(tokens, sig);

    Translated out;
    QString whole;
    if (wholeTableRead(tokens, sig, &whole)) {
        out.sql = whole.toUtf8();
        return out;
    }

    const QString table = singleTable(tokens, sig);
    bool usesCatalogue = false;
    for (size_t k = 0; k < sig.size(); ++k) {
        Token &t = tokens[sig[k]];
        const Token *previous = k > 0 ? &tokens[sig[k - 1]] : nullptr;
        if (t.kind == Kind::Parameter) {
            t.text = QLatin1Char('$') + QString::number(++out.parameterCount);
            if (previous && isWord(*previous, "IS"))
                nullSafeEquality(tokens, sig, k);
            else if (previous && isWord(*previous, "NOT") && k > 1 && isWord(tokens[sig[k - 2]], "IS")) {
                tokens[sig[k - 2]].text = QStringLiteral("IS");
                tokens[sig[k - 1]].text = QStringLiteral("DISTINCT FROM");
            }
        } else if (t.kind == Kind::Quoted) {
            if (ServerSchema::knowsName(nameOf(t)))
                t.text = quotedServerName(nameOf(t));
        } else if (t.kind == Kind::Word) {
            if (k == 1 && isWord(tokens[sig[0]], "BEGIN")
                && (isWord(t, "IMMEDIATE") || isWord(t, "DEFERRED") || isWord(t, "EXCLUSIVE"))) {
                t.text.clear();
            } else if (isWord(t, "rowid")) {
                const bool ordering = k > 1 && isWord(*previous, "BY") && isWord(tokens[sig[k - 2]], "ORDER");
                const QString order = ordering ? ServerSchema::rowOrder(table) : QString();
                t.text = order.isEmpty() ? QStringLiteral("ctid") : serverName(order);
            } else if (isWord(t, "sqlite_master")) {
                t.text = catalogueTable();
                usesCatalogue = true;
            } else if (isWord(t, "IFNULL") && k + 1 < sig.size() && tokens[sig[k + 1]].text == QLatin1String("(")) {
                t.text = QStringLiteral("COALESCE");
            }
        }
    }

    for (size_t k = 0; k < sig.size(); ++k) {
        if (isWord(tokens[sig[k]], "NOT"))
            k = notInAsNotExists(tokens, sig, k);
    }

    QString sql;
    for (const Token &t : tokens)
        sql += t.text;
    if (usesCatalogue)
        out.respellValues << QStringLiteral("name") << QStringLiteral("tbl_name");

    // An INSERT into a table whose key the server numbers hands that key back.
    if (sig.size() > 2 && isWord(tokens[sig[0]], "INSERT") && isWord(tokens[sig[1]], "INTO")) {
        const ServerSchema::Table *target = ServerSchema::table(nameOf(tokens[sig[2]]));
        bool single = true, returning = false;
        for (size_t k = 3; k < sig.size(); ++k) {
            if (tokens[sig[k]].text == QLatin1String(";") && k + 1 < sig.size())
                single = false;
            if (isWord(tokens[sig[k]], "RETURNING"))
                returning = true;
        }
        if (target && !target->identity.isEmpty() && single && !returning) {
            while (sql.endsWith(QLatin1Char(';')) || (!sql.isEmpty() && sql.back().isSpace()))
                sql.chop(1);
            sql += QStringLiteral(" RETURNING ") + serverName(target->identity);
            out.returnsKey = true;
        }
    }
    out.sql = sql.toUtf8();
    return out;
}

} // namespace ServerDialect
