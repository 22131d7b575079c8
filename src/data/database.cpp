#include "data/database.h"

#include "data/pgengine.h"
#include "data/sqliteengine.h"
#include "data/values.h"

#include <QDate>
#include <QDateTime>

namespace {

[[noreturn]] void notOpen() { throw DbError(QStringLiteral("Il database non è aperto.")); }

} // namespace

// ---------------------------------------------------------------------------------------
// Statement

Statement::Statement(Database &db, const QByteArray &sql)
{
    if (!db.isOpen())
        notOpen();
    stmt_ = db.engine()->prepare(sql);
}

Statement::~Statement() = default;

void Statement::bind(int index, const QVariant &value)
{
    if (value.isNull() || !value.isValid()) {
        stmt_->bindNull(index);
        return;
    }
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::Bool:
        stmt_->bindInt(index, value.toLongLong());
        return;
    case QMetaType::Double:
        stmt_->bindDouble(index, value.toDouble());
        return;
    default:
        bindText(index, Values::boundText(value));
        return;
    }
}

void Statement::bindText(int index, const QByteArray &utf8) { stmt_->bindText(index, utf8); }

void Statement::bindNull(int index) { stmt_->bindNull(index); }

bool Statement::step() { return stmt_->step(); }

void Statement::reset() { stmt_->reset(); }

int Statement::columnCount() const { return stmt_->columnCount(); }

QByteArray Statement::columnText(int column) const
{
    std::size_t size = 0;
    const char *text = stmt_->cell(column, &size);
    return QByteArray(text, qsizetype(size));
}

qint64 Statement::columnInt(int column) const { return stmt_->intValue(column); }

double Statement::columnDouble(int column) const { return stmt_->doubleValue(column); }

bool Statement::columnIsNull(int column) const { return stmt_->isNull(column); }

const char *Statement::cell(int column, std::size_t *size) const { return stmt_->cell(column, size); }

ValueType Statement::valueType(int column) const { return stmt_->valueType(column); }

ColumnOrigin Statement::origin(int column) const { return stmt_->origin(column); }

// ---------------------------------------------------------------------------------------
// Database

Database::~Database() { close(); }

void Database::open(const QString &path, const QByteArray &key)
{
    close();
    take(SqliteEngine::open(path, key), false);
}

void Database::create(const QString &path, const QByteArray &key)
{
    // A path that exists is refused before the open database is closed.
    std::unique_ptr<SqliteEngine> engine = SqliteEngine::create(path, key);
    close();
    take(std::move(engine), false);
}

void Database::openServer(const PgSettings &settings)
{
    close();
    take(PgEngine::open(settings), true);
}

void Database::take(std::unique_ptr<DatabaseEngine> engine, bool server)
{
    engine_ = std::move(engine);
    server_ = server;
    tables_.clear();
    knownPresence_.clear();
    const QHash<QString, KnownTable> known = engine_->knownTables();
    for (auto it = known.begin(); it != known.end(); ++it) {
        knownPresence_.insert(it.key(), it->present);
        tables_.insert(it.key(), {it->columns, it->keys});
    }
}

void Database::close()
{
    engine_.reset();
    server_ = false;
    tables_.clear();
}

DatabaseEngine &Database::open_() const
{
    if (!engine_)
        notOpen();
    return *engine_;
}

QString Database::path() const { return engine_ ? engine_->path() : QString(); }

QString Database::description() const { return engine_ ? engine_->description() : QString(); }

bool Database::isReadOnly() const { return engine_ && engine_->isReadOnly(); }

QString Database::readOnlyMessage() const { return engine_ ? engine_->readOnlyMessage() : QString(); }

int Database::transactionDepth() const { return engine_ ? engine_->transactionDepth() : 0; }

sqlite3 *Database::handle() const
{
    const auto *file = dynamic_cast<const SqliteEngine *>(engine_.get());
    return file ? file->handle() : nullptr;
}

void Database::exec(const QString &sql) { exec(sql.toUtf8()); }

void Database::exec(const QByteArray &sql) { open_().exec(sql); }

QVariant Database::scalar(const QByteArray &sql)
{
    Statement st(*this, sql);
    if (!st.step() || st.columnIsNull(0))
        return {};
    switch (st.valueType(0)) {
    case ValueType::Integer:
        return st.columnInt(0);
    case ValueType::Float:
        return st.columnDouble(0);
    default:
        return QString::fromUtf8(st.columnText(0));
    }
}

qint64 Database::nextKey(const QString &table, const QString &column)
{
    // Inside a save, the other desks wait to take a key of this table until it ends, so that
    // no two take the same one (on the file the save is the only writer already).
    if (transactionDepth() > 0)
        open_().lockKeys(table);
    // MAX over an indexed key is one look-up, not a walk of the whole table (a CAST around
    // the column would hide the index and read every row).
    const QByteArray sql
        = QStringLiteral("SELECT MAX(%1) FROM %2").arg(quoteIdentifier(column), quoteIdentifier(table)).toUtf8();
    const QVariant largest = scalar(sql);
    return largest.isNull() ? -1 : largest.toLongLong();
}

const Database::TableInfo &Database::tableInfo(const QString &table)
{
    auto it = tables_.constFind(table);
    if (it != tables_.constEnd())
        return *it;
    TableInfo info;
    Statement st(*this, QStringLiteral("PRAGMA table_info(%1)").arg(quoteIdentifier(table)).toUtf8());
    QList<QPair<int, QString>> keys;
    while (st.step()) {
        const QString name = QString::fromUtf8(st.columnText(1));
        info.columns << name;
        if (const int pk = int(st.columnInt(5)); pk > 0)
            keys.append({pk, name});
    }
    std::sort(keys.begin(), keys.end());
    for (const auto &k : keys)
        info.keys << k.second;
    return *tables_.insert(table, info);
}

bool Database::hasTable(const QString &table)
{
    const auto known = knownPresence_.constFind(table);
    if (known != knownPresence_.constEnd())
        return *known;
    Statement st(*this, "SELECT name FROM sqlite_master WHERE type = 'table'");
    while (st.step()) {
        if (QString::fromUtf8(st.columnText(0)).compare(table, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

QStringList Database::columnNames(const QString &table) { return tableInfo(table).columns; }

QStringList Database::keyColumns(const QString &table) { return tableInfo(table).keys; }

bool Database::hasColumn(const QString &table, const QString &column)
{
    return tableInfo(table).columns.contains(column);
}

qint64 Database::lastInsertRowId() const { return engine_ ? engine_->lastInsertRowId() : 0; }

int Database::changes() const { return engine_ ? engine_->changes() : 0; }

void Database::begin()
{
    DatabaseEngine &engine = open_();
    const int depth = engine.transactionDepth();
    engine.exec(depth == 0 ? engine.beginStatement() : QByteArray("SAVEPOINT sp") + QByteArray::number(depth + 1));
    engine.setTransactionDepth(depth + 1);
}

void Database::commit()
{
    DatabaseEngine &engine = open_();
    const int depth = engine.transactionDepth();
    Q_ASSERT(depth > 0);
    engine.exec(depth == 1 ? QByteArray("COMMIT") : QByteArray("RELEASE sp") + QByteArray::number(depth));
    engine.setTransactionDepth(depth - 1);
}

void Database::rollback()
{
    DatabaseEngine &engine = open_();
    const int depth = engine.transactionDepth();
    Q_ASSERT(depth > 0);
    engine.setTransactionDepth(depth - 1);
    // A failed write (or a lost connection) may have ended the transaction already.
    if (!engine.inTransaction())
        return;
    if (depth == 1) {
        engine.exec("ROLLBACK");
        return;
    }
    const QByteArray name = QByteArray("sp") + QByteArray::number(depth);
    engine.exec("ROLLBACK TO " + name + "; RELEASE " + name);
}

void Database::lockKeys(const QString &table) { open_().lockKeys(table); }

QString Database::quoteIdentifier(const QString &name)
{
    QString quoted = name;
    quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

QByteArray Database::insertStatement(const QString &table, const QStringList &columns)
{
    QStringList names, marks;
    for (const QString &column : columns) {
        names << quoteIdentifier(column);
        marks << QStringLiteral("?");
    }
    return QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
        .arg(quoteIdentifier(table), names.join(QLatin1Char(',')), marks.join(QLatin1Char(',')))
        .toUtf8();
}
