#include "data/servermove.h"

#include "data/database.h"
#include "data/dberror.h"
#include "data/pgconnection.h"
#include "data/pgstatement.h"
#include "data/values.h"

#include <QDate>

#include <cmath>
#include <limits>

namespace {

using ColumnType = ServerSchema::ColumnType;
using Kind = MoveProblem::Kind;

// NUMERIC(14,2): twelve digits before the point.
constexpr qint64 kLargestCents = 99'999'999'999'999;
constexpr qint64 kLargestUnits = kLargestCents / 100;
// Rows are sent to the server in batches of about this many bytes.
constexpr int kBatchBytes = 1 << 20;

// The file's columns of a table, quoted, in the schema's order.
QString columnList(const ServerSchema::Table &table)
{
    QStringList names;
    for (const ServerSchema::Column &c : table.columns)
        names << Database::quoteIdentifier(c.name);
    return names.join(QStringLiteral(", "));
}

// The same for the server, unquoted as the server's tables were made.
QString serverColumnList(const ServerSchema::Table &table)
{
    QStringList names;
    for (const ServerSchema::Column &c : table.columns)
        names << c.name;
    return names.join(QStringLiteral(", "));
}

bool isAmountColumn(const ServerSchema::Column &c) { return c.type == ColumnType::Amount; }

QString kindText(Kind kind)
{
    switch (kind) {
    case Kind::NotADate:
        return QStringLiteral("non è una data");
    case Kind::NotAnAmount:
        return QStringLiteral("non è un importo");
    case Kind::AmountOutOfRange:
        return QStringLiteral("è un importo oltre 999.999.999.999,99");
    case Kind::InvalidText:
        return QStringLiteral("contiene caratteri non validi");
    case Kind::NotAnInteger:
        return QStringLiteral("non è un numero intero");
    case Kind::MissingKey:
        return QStringLiteral("è vuoto, ma è la chiave della riga");
    }
    return {};
}

// The value as a line of the report shows it: readable, and short.
QString shownValue(const QByteArray &value)
{
    QString text = QString::fromUtf8(value);
    text.replace(QChar(0), QChar(0xFFFD));
    if (text.size() > 40)
        text = text.left(40) + QStringLiteral("…");
    return QLatin1Char('"') + text + QLatin1Char('"');
}

QString fileName(Database &db) { return db.description(); }

// The positions of the key's columns among the table's.
QList<int> keyColumns(const ServerSchema::Table &table)
{
    QList<int> keys;
    for (int c = 0; c < int(table.columns.size()); ++c) {
        if (table.key.contains(table.columns[size_t(c)].name))
            keys << c;
    }
    return keys;
}

// "IdProgetto 12", or "riga 3" (counted from 1) in a table without a key.
QString rowKey(const Statement &read, const ServerSchema::Table &table, const QList<int> &keys, qint64 row)
{
    if (keys.isEmpty())
        return QStringLiteral("riga %1").arg(row);
    QStringList parts;
    for (const int c : keys)
        parts << table.columns[size_t(c)].name + QLatin1Char(' ') + QString::fromUtf8(read.columnText(c));
    return parts.join(QStringLiteral(", "));
}

// Four, two and two digits between dashes making a real day: the form the program stores,
// read without the general date parser (a move reads every date of the file).
bool isPlainDate(const QByteArray &data)
{
    const auto digits = [&data](int from, int count) {
        int value = 0;
        for (int i = from; i < from + count; ++i) {
            if (data.at(i) < '0' || data.at(i) > '9')
                return -1;
            value = value * 10 + (data.at(i) - '0');
        }
        return value;
    };
    if (data.size() < 10 || data.at(4) != '-' || data.at(7) != '-')
        return false;
    const int year = digits(0, 4), month = digits(5, 2), day = digits(8, 2);
    return year > 0 && month > 0 && day > 0 && QDate(year, month, day).isValid();
}

} // namespace

QString MoveProblem::text() const
{
    return QStringLiteral("%1, %2, %3: %4 %5").arg(table, key, column, shownValue(value), kindText(kind));
}

qint64 MoveCounts::rowsOf(const QString &table) const
{
    const auto &tables = ServerSchema::tables();
    for (int i = 0; i < int(tables.size()) && i < rows.size(); ++i) {
        if (tables[size_t(i)].name == table)
            return rows.at(i);
    }
    return 0;
}

namespace MoveValue {

QByteArray centsText(qint64 cents)
{
    const bool negative = cents < 0;
    const quint64 magnitude = negative ? quint64(0) - quint64(cents) : quint64(cents);
    QByteArray text = negative ? QByteArray("-") : QByteArray();
    text += QByteArray::number(magnitude / 100) + '.' + QByteArray::number(magnitude % 100).rightJustified(2, '0');
    return text;
}

Converted convert(ColumnType type, bool isNull, bool isInteger, bool isFloat, const QByteArray &data)
{
    Converted out;
    if (isNull) {
        out.isNull = true;
        return out;
    }
    const auto refused = [&out](Kind kind) {
        out.isNull = true;
        out.text.clear();
        out.problem = kind;
        return out;
    };
    switch (type) {
    case ColumnType::Integer:
        if (!isInteger)
            return refused(Kind::NotAnInteger);
        out.text = data;
        return out;
    case ColumnType::Amount: {
        qint64 cents = 0;
        if (isInteger) {
            bool ok = false;
            const qint64 units = data.toLongLong(&ok);
            if (!ok)
                return refused(Kind::NotAnAmount);
            if (units > kLargestUnits || units < -kLargestUnits)
                return refused(Kind::AmountOutOfRange);
            cents = units * 100;
        } else if (isFloat) {
            bool ok = false;
            const double value = data.toDouble(&ok);
            if (!ok && data.toLower().endsWith("inf")) // the engine's text for an infinite number
                return refused(Kind::AmountOutOfRange);
            if (!ok || std::isnan(value))
                return refused(Kind::NotAnAmount);
            const double scaled = value * 100.0;
            if (!std::isfinite(scaled) || std::fabs(scaled) > 1e18)
                return refused(Kind::AmountOutOfRange);
            cents = std::llround(scaled);
            if (cents > kLargestCents || cents < -kLargestCents)
                return refused(Kind::AmountOutOfRange);
        } else {
            return refused(Kind::NotAnAmount); // the file keeps a number as a number
        }
        out.text = centsText(cents);
        return out;
    }
    case ColumnType::Date: {
        if (isInteger || isFloat || data.size() < 10)
            return refused(Kind::NotADate);
        // yyyy-MM-dd, possibly followed by a time the program does not show.
        if (data.size() > 10 && data.at(10) != ' ' && data.at(10) != 'T')
            return refused(Kind::NotADate);
        if (!isPlainDate(data)
            && !QDate::fromString(QString::fromLatin1(data.left(10)), QStringLiteral("yyyy-MM-dd")).isValid())
            return refused(Kind::NotADate);
        out.text = data.left(10);
        return out;
    }
    case ColumnType::Text:
    case ColumnType::ExactText: {
        if (QByteArrayView(data).isValidUtf8() && !data.contains('\0')) {
            out.text = data;
            return out;
        }
        // The text is kept, its unreadable bytes replaced and its null characters dropped.
        out.text = QString::fromUtf8(data).toUtf8();
        out.text.replace(QByteArray(1, '\0'), QByteArray());
        out.problem = Kind::InvalidText;
        return out;
    }
    }
    return out;
}

void appendEscaped(QByteArray &row, const QByteArray &value)
{
    for (const char ch : value) {
        switch (ch) {
        case '\\':
            row += "\\\\";
            break;
        case '\t':
            row += "\\t";
            break;
        case '\n':
            row += "\\n";
            break;
        case '\r':
            row += "\\r";
            break;
        default:
            row += ch;
        }
    }
}

} // namespace MoveValue

ServerMove::ServerMove(Database &file, PgConnection &server) : file_(file), server_(server) {}

QStringList ServerMove::serverTables()
{
    PgStatement st(server_, "SELECT name FROM sqlite_master WHERE type = 'table'");
    QStringList present;
    while (st.step()) {
        const QString name = QString::fromUtf8(st.columnText(0));
        if (ServerSchema::table(name))
            present << ServerSchema::table(name)->name;
    }
    return present;
}

qint64 ServerMove::serverCount(const QString &table)
{
    return server_.scalar(QStringLiteral("SELECT COUNT(*) FROM %1").arg(table).toUtf8()).toLongLong();
}

QString ServerMove::targetProblem()
{
    const QStringList present = serverTables();
    if (present.isEmpty())
        return {};
    for (const ServerSchema::Table &t : ServerSchema::tables()) {
        if (!present.contains(t.name))
            return server_.missingTableMessage(t.name);
    }
    QStringList held;
    for (const ServerSchema::Table &t : ServerSchema::tables()) {
        if (!t.notifies) // Stato and Applicazione: replaced by the file's
            continue;
        if (const qint64 rows = serverCount(t.name); rows > 0)
            held << QStringLiteral("%1 righe in %2").arg(Values::groupedCount(rows), t.name);
    }
    if (held.isEmpty())
        return {};
    return QStringLiteral("Il database %1 contiene già dei dati (%2): i dati del file si spostano solo in un database "
                          "vuoto, per non mescolarli con altri. Il server non è stato modificato.")
        .arg(server_.where(), held.join(QStringLiteral(", ")));
}

QList<MoveProblem> ServerMove::scan()
{
    QList<MoveProblem> problems;
    for (const ServerSchema::Table &table : ServerSchema::tables()) {
        Statement read(file_,
                       QStringLiteral("SELECT %1 FROM %2 ORDER BY rowid").arg(columnList(table), table.name).toUtf8());
        const QList<int> keys = keyColumns(table);
        qint64 row = 0;
        while (read.step()) {
            ++row;
            const QString key = rowKey(read, table, keys, row);
            for (int c = 0; c < int(table.columns.size()); ++c) {
                const ServerSchema::Column &column = table.columns[size_t(c)];
                const ValueType vt = read.valueType(c);
                const QByteArray data = read.columnText(c);
                const MoveValue::Converted value = MoveValue::convert(column.type, vt == ValueType::Null,
                                                                      vt == ValueType::Integer, vt == ValueType::Float,
                                                                      data);
                std::optional<Kind> problem = value.problem;
                if (!problem && value.isNull && keys.contains(c))
                    problem = Kind::MissingKey;
                if (problem)
                    problems.append({table.name, key, column.name, data, *problem});
            }
        }
    }
    return problems;
}

QString ServerMove::report(const QList<MoveProblem> &problems, int limit)
{
    QStringList lines;
    for (const MoveProblem &p : problems) {
        if (limit >= 0 && lines.size() >= limit) {
            lines << QStringLiteral("… e altri %1 valori.").arg(Values::groupedCount(problems.size() - limit));
            break;
        }
        lines << p.text();
    }
    return lines.join(QLatin1Char('\n'));
}

QByteArray ServerMove::continueNumberingStatement(qint64 largest)
{
    return "SELECT setval(pg_get_serial_sequence('pagamenti', 'idfattura'), "
           + QByteArray::number(std::max<qint64>(largest, 0) + 1) + ", false)";
}

void ServerMove::prepareTables()
{
    if (const QString problem = targetProblem(); !problem.isEmpty())
        throw DbError(problem);
    if (serverTables().isEmpty()) {
        for (const QByteArray &statement : ServerSchema::creationStatements())
            server_.execNative(statement);
    }
    // A new database's own states and application row give way to the file's.
    server_.execNative("DELETE FROM Stato; DELETE FROM Applicazione");
}

void ServerMove::copyTable(const ServerSchema::Table &table, MoveCounts &counts)
{
    Statement read(file_,
                   QStringLiteral("SELECT %1 FROM %2 ORDER BY rowid").arg(columnList(table), table.name).toUtf8());
    server_.startCopy(QStringLiteral("COPY %1 (%2) FROM STDIN").arg(table.name, serverColumnList(table)).toUtf8());
    qint64 rows = 0;
    try {
        QByteArray batch;
        batch.reserve(kBatchBytes + 4096);
        const int columns = int(table.columns.size());
        const QList<int> keys = keyColumns(table);
        while (read.step()) {
            for (int c = 0; c < columns; ++c) {
                const ServerSchema::Column &column = table.columns[size_t(c)];
                const ValueType vt = read.valueType(c);
                std::size_t size = 0;
                const char *cell = read.cell(c, &size);
                const MoveValue::Converted value = MoveValue::convert(column.type, vt == ValueType::Null,
                                                                      vt == ValueType::Integer, vt == ValueType::Float,
                                                                      QByteArray::fromRawData(cell ? cell : "",
                                                                                              qsizetype(size)));
                if (c > 0)
                    batch += '\t';
                if (value.isNull) {
                    // A row without its key or its reference cannot go at all.
                    const bool blocks = value.problem ? *value.problem == Kind::NotAnInteger : keys.contains(c);
                    if (blocks) {
                        const MoveProblem problem{table.name, rowKey(read, table, keys, rows + 1), column.name,
                                                  read.columnText(c), value.problem.value_or(Kind::MissingKey)};
                        throw DbError(QStringLiteral("Il file %1 ha una riga che il server non può accogliere: "
                                                     "%2. Il server non è stato modificato.")
                                          .arg(fileName(file_), problem.text()));
                    }
                    batch += "\\N";
                } else {
                    MoveValue::appendEscaped(batch, value.text);
                }
            }
            batch += '\n';
            ++rows;
            if (batch.size() >= kBatchBytes) {
                server_.sendCopyData(batch);
                batch.clear();
            }
        }
        server_.sendCopyData(batch);
        server_.endCopy();
    } catch (...) {
        server_.abortCopy();
        throw;
    }
    counts.rows << rows;
}

void ServerMove::continueNumbering()
{
    // The file's counter keeps the largest number ever given, also of payments since deleted:
    // a number is never given twice.
    qint64 largest = file_.nextKey(QStringLiteral("Pagamenti"), QStringLiteral("IdFattura"));
    try {
        const QVariant given = file_.scalar("SELECT seq FROM sqlite_sequence WHERE name = 'Pagamenti'");
        if (!given.isNull())
            largest = std::max(largest, given.toLongLong());
    } catch (const DbError &) {
        // no payment was ever numbered
    }
    server_.execNative(continueNumberingStatement(largest));
}

qint64 ServerMove::fileAmountCents(const QString &table, const QString &column)
{
    // The same amounts the move carries: numbers within NUMERIC(14,2), to the cent.
    const QString c = Database::quoteIdentifier(column);
    const QString sql = QStringLiteral("SELECT SUM(CAST(ROUND(%1 * 100) AS INTEGER)) FROM %2 "
                                       "WHERE typeof(%1) IN ('integer', 'real') AND abs(ROUND(%1 * 100)) <= %3")
                            .arg(c, table)
                            .arg(kLargestCents);
    return file_.scalar(sql.toUtf8()).toLongLong();
}

qint64 ServerMove::serverAmountCents(const QString &table, const QString &column)
{
    return server_
        .scalar(QStringLiteral("SELECT CAST(COALESCE(SUM(%1), 0) * 100 AS BIGINT) FROM %2").arg(column, table).toUtf8())
        .toLongLong();
}

void ServerMove::compare(const MoveCounts &counts)
{
    const auto mismatch = [this](const QString &what) {
        return DbError(QStringLiteral("I dati copiati sul server non corrispondono a quelli del file (%1): lo "
                                      "spostamento è stato annullato e il database %2 non è stato modificato.")
                           .arg(what, server_.where()));
    };
    const auto &tables = ServerSchema::tables();
    for (int i = 0; i < int(tables.size()); ++i) {
        const QString &name = tables[size_t(i)].name;
        const qint64 inFile = file_.scalar(QStringLiteral("SELECT COUNT(*) FROM %1").arg(name).toUtf8()).toLongLong();
        const qint64 onServer = serverCount(name);
        if (inFile != onServer || counts.rows.value(i) != inFile)
            throw mismatch(QStringLiteral("%1: %2 righe nel file, %3 sul server").arg(name).arg(inFile).arg(onServer));
        for (const ServerSchema::Column &column : tables[size_t(i)].columns) {
            if (!isAmountColumn(column))
                continue;
            const qint64 fileCents = fileAmountCents(name, column.name);
            const qint64 serverCents = serverAmountCents(name, column.name);
            if (fileCents != serverCents)
                throw mismatch(QStringLiteral("%1 di %2: %3 nel file, %4 sul server")
                                   .arg(column.name, name, QString::fromLatin1(MoveValue::centsText(fileCents)),
                                        QString::fromLatin1(MoveValue::centsText(serverCents))));
        }
    }
}

MoveCounts ServerMove::run()
{
    if (!file_.isOpen() || file_.isServer())
        throw DbError(QStringLiteral("Lo spostamento sul server parte da un file del database aperto."));
    MoveCounts counts;
    PgTransaction tx(server_);
    prepareTables();
    for (const ServerSchema::Table &table : ServerSchema::tables())
        copyTable(table, counts);
    continueNumbering();
    compare(counts);
    tx.commit();
    return counts;
}
