#include "data/serverbackup.h"

#include "data/database.h"
#include "data/dberror.h"
#include "data/schema.h"
#include "data/serverschema.h"
#include "data/values.h"

#include <QFile>

namespace {

using ColumnType = ServerSchema::ColumnType;

QString columnList(const ServerSchema::Table &table)
{
    QStringList names;
    for (const ServerSchema::Column &c : table.columns)
        names << Database::quoteIdentifier(c.name);
    return names.join(QStringLiteral(", "));
}

// The largest payment number the server ever gave (its identity's counter), or -1 when it
// cannot tell (none given yet, or a role that may not read the counter).
qint64 largestNumberGiven(Database &server)
{
    try {
        const QVariant last = server.scalar("SELECT last_value FROM pg_sequences WHERE schemaname = current_schema() "
                                            "AND sequencename = 'pagamenti_idfattura_seq'");
        return last.isNull() ? -1 : last.toLongLong();
    } catch (const DbError &) {
        return -1;
    }
}

// An amount as the server gives NUMERIC(14,2): "-1234.50", in whole cents.
bool readServerAmount(const QByteArray &text, qint64 *cents)
{
    const int point = text.indexOf('.');
    bool ok = false;
    const qint64 units = (point < 0 ? text : text.left(point)).toLongLong(&ok);
    if (!ok)
        return false;
    qint64 fraction = 0;
    if (point >= 0) {
        const QByteArray digits = text.mid(point + 1);
        if (digits.size() != 2)
            return false;
        fraction = digits.toLongLong(&ok);
        if (!ok || fraction < 0)
            return false;
    }
    const bool negative = text.startsWith('-');
    *cents = units * 100 + (negative ? -fraction : fraction);
    return true;
}

// Copies one table's rows, in the server's order, into the file.
void copyTable(Database &server, Database &file, const ServerSchema::Table &table)
{
    const QString columns = columnList(table);
    const QString order = ServerSchema::rowOrder(table.name);
    QString select = QStringLiteral("SELECT %1 FROM %2").arg(columns, table.name);
    if (!order.isEmpty())
        select += QStringLiteral(" ORDER BY ") + order;
    Statement read(server, select.toUtf8());
    QStringList marks;
    for (std::size_t i = 0; i < table.columns.size(); ++i)
        marks << QStringLiteral("?");
    Statement write(file, QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                              .arg(table.name, columns, marks.join(QStringLiteral(", ")))
                              .toUtf8());
    while (read.step()) {
        for (int c = 0; c < int(table.columns.size()); ++c) {
            const ColumnType type = table.columns[std::size_t(c)].type;
            if (read.columnIsNull(c)) {
                write.bindNull(c + 1);
            } else if (type == ColumnType::Integer) {
                write.bind(c + 1, read.columnInt(c));
            } else if (type == ColumnType::Amount) {
                // Stored as the program stores an amount: exact to the cent.
                qint64 cents = 0;
                if (!readServerAmount(read.columnText(c), &cents))
                    throw DbError(QStringLiteral("l'importo \"%1\" di %2 non è leggibile")
                                      .arg(QString::fromLatin1(read.columnText(c)), table.name));
                write.bind(c + 1, Values::storedAmount(cents));
            } else {
                write.bindText(c + 1, read.columnText(c));
            }
        }
        write.step();
        write.reset();
    }
}

} // namespace

namespace ServerBackup {

void writeFile(Database &server, const QString &target, const QByteArray &key)
{
    if (!server.isServer())
        throw DbError(QStringLiteral("il database non è sul server"));
    const qint64 largest = largestNumberGiven(server);
    Database file;
    file.create(target, key);
    try {
        Schema::createTables(file);
        Transaction fileTx(file);
        // The server's own states and application row take the place of a new file's.
        file.exec("DELETE FROM Stato");
        file.exec("DELETE FROM Applicazione");
        {
            // One snapshot of the server: what other desks save meanwhile is not half in it.
            Transaction serverTx(server);
            server.exec("SET TRANSACTION ISOLATION LEVEL REPEATABLE READ, READ ONLY");
            for (const ServerSchema::Table &table : ServerSchema::tables())
                copyTable(server, file, table);
            serverTx.commit();
        }
        // The file goes on numbering payments after the largest number the server gave.
        if (largest > 0) {
            Statement counter(file, "UPDATE sqlite_sequence SET seq = MAX(seq, ?) WHERE name = 'Pagamenti'");
            counter.bind(1, largest);
            counter.step();
            if (file.changes() == 0) {
                Statement first(file, "INSERT INTO sqlite_sequence (name, seq) VALUES ('Pagamenti', ?)");
                first.bind(1, largest);
                first.step();
            }
        }
        fileTx.commit();
        file.close();
    } catch (...) {
        file.close();
        for (const char *suffix : {"", "-journal", "-wal"})
            QFile::remove(target + QLatin1String(suffix));
        throw;
    }
}

} // namespace ServerBackup
