#include "data/pgconnection.h"

#include "data/pgerrors.h"
#include "data/pgstatement.h"
#include "data/serverdialect.h"
#include "data/serverschema.h"

#include <libpq-fe.h>

namespace {

// How many prepared statements a connection keeps before it drops those no one uses.
constexpr int kPreparedLimit = 200;

QString quoteIdentifier(const QString &name)
{
    QString quoted = name;
    quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

// The type a column would be declared with in the file, from the server's built-in type.
QByteArray declaredType(Oid type)
{
    switch (type) {
    case 20: // int8
    case 21: // int2
    case 23: // int4
    case 26: // oid
        return "INTEGER";
    case 700: // float4
    case 701: // float8
        return "REAL";
    case 1700:
        return "NUMERIC";
    case 1082:
        return "DATE";
    case 1083: // time
    case 1114: // timestamp
    case 1184: // timestamptz
        return "TIMESTAMP";
    case 16:
        return "BOOLEAN";
    default:
        return "TEXT"; // text, varchar, citext (whose number each database gives its own)
    }
}

} // namespace

bool PgSettings::fromConnectionString(const QString &text, PgSettings *settings, QString *error)
{
    char *message = nullptr;
    PQconninfoOption *options = PQconninfoParse(text.toUtf8().constData(), &message);
    if (!options) {
        *error = QStringLiteral("Il collegamento \"%1\" non è leggibile: %2")
                     .arg(text, message ? QString::fromUtf8(message).trimmed() : QStringLiteral("memoria esaurita"));
        PQfreemem(message);
        return false;
    }
    PgSettings read;
    QString unknown;
    for (PQconninfoOption *o = options; o->keyword; ++o) {
        if (!o->val)
            continue;
        const QByteArray key = o->keyword;
        const QString value = QString::fromUtf8(o->val);
        if (key == "host")
            read.host = value;
        else if (key == "port")
            read.port = value.toInt();
        else if (key == "dbname")
            read.database = value;
        else if (key == "user")
            read.user = value;
        else if (key == "sslmode")
            read.sslMode = value;
        else if (key == "password")
            read.password = value;
        else if (unknown.isEmpty())
            unknown = QString::fromUtf8(key);
    }
    PQconninfoFree(options);
    if (!unknown.isEmpty()) {
        *error = QStringLiteral("Nel collegamento \"%1\" la voce \"%2\" non è prevista: si possono indicare host, "
                                "port, dbname, user, sslmode e password.")
                     .arg(text, unknown);
        return false;
    }
    if (read.port <= 0 || read.port > 65535) {
        *error = QStringLiteral("Nel collegamento \"%1\" la porta non è valida.").arg(text);
        return false;
    }
    *settings = read;
    return true;
}

PgConnection::~PgConnection() { close(); }

void PgConnection::open(const PgSettings &settings, bool listenForChanges)
{
    close();
    settings_ = settings;
    listening_ = listenForChanges;
    const QByteArray host = settings.host.toUtf8(), port = QByteArray::number(settings.port),
                     database = settings.database.toUtf8(), user = settings.user.toUtf8(),
                     sslMode = settings.sslMode.toUtf8(), password = settings.password.toUtf8();
    std::vector<const char *> keys
        = {"host", "port", "dbname", "user", "sslmode", "connect_timeout", "application_name", "client_encoding"};
    std::vector<const char *> values = {host.constData(),     port.constData(),
                                        database.constData(), user.constData(),
                                        sslMode.constData(),  "10",
                                        "Pratilio+",          "UTF8"};
    if (!settings.password.isEmpty()) {
        keys.push_back("password");
        values.push_back(password.constData());
    }
    keys.push_back(nullptr);
    values.push_back(nullptr);
    conn_ = PQconnectdbParams(keys.data(), values.data(), 0);
    if (PQstatus(conn_) != CONNECTION_OK)
        raiseConnectionError(true);
    // The server's notices ("already exists, skipping") are for administrators, not users.
    PQsetNoticeProcessor(
        conn_, [](void *, const char *) {}, nullptr);
    startSession();
}

void PgConnection::startSession()
{
    // Dates travel as yyyy-MM-dd both ways, as the file stores them; a desk waiting for a row
    // another desk is saving gives up after a while with a message instead of hanging.
    QByteArray session = "SET DateStyle = 'ISO, YMD'; SET lock_timeout = '10s'";
    if (listening_)
        session += "; LISTEN " + ServerSchema::notificationChannel();
    run(session);
}

void PgConnection::raiseConnectionError(bool opening)
{
    const QString message = QString::fromUtf8(PQerrorMessage(conn_)).trimmed();
    const QByteArray state = PgErrors::connectionFailureState(message, PQconnectionNeedsPassword(conn_) != 0);
    const QString text = PgErrors::explain(state, message, where(), opening);
    if (opening) {
        PQfinish(conn_);
        conn_ = nullptr;
    }
    if (state == "28P01")
        throw DbPasswordError(text);
    throw DbError(text);
}

void PgConnection::close()
{
    if (streaming_)
        streaming_->bufferRest();
    if (conn_) {
        PQfinish(conn_);
        conn_ = nullptr;
    }
    prepared_.clear();
    tables_.clear();
    tableNames_.clear();
    columnNames_.clear();
    depth_ = 0;
    listening_ = false;
}

bool PgConnection::isBroken() const { return conn_ && PQstatus(conn_) != CONNECTION_OK; }

void PgConnection::reconnect()
{
    if (!conn_)
        throw DbError(QStringLiteral("Il database non è aperto."));
    if (streaming_)
        streaming_->bufferRest();
    PQreset(conn_);
    // What the lost session held is gone with it.
    prepared_.clear();
    depth_ = 0;
    if (PQstatus(conn_) != CONNECTION_OK)
        raiseConnectionError(false);
    startSession();
}

QString PgConnection::where() const
{
    return QStringLiteral("\"%1\" sul server %2").arg(settings_.database, settings_.host);
}

void PgConnection::raise(const pg_result *result, bool opening)
{
    QByteArray state = result ? QByteArray(PQresultErrorField(result, PG_DIAG_SQLSTATE)) : QByteArray();
    QString text = result ? QString::fromUtf8(PQresultErrorField(result, PG_DIAG_MESSAGE_PRIMARY)) : QString();
    if (text.isEmpty())
        text = QString::fromUtf8(PQerrorMessage(conn_)).trimmed();
    if (state.isEmpty())
        state = isBroken() ? QByteArray("08006") : QByteArray("XX000");
    PQclear(const_cast<pg_result *>(result));
    throw DbError(PgErrors::explain(state, text, where(), opening));
}

QString PgConnection::missingTableMessage(const QString &table) const
{
    return PgErrors::explain("42P01", QStringLiteral("relation \"%1\" does not exist").arg(table.toLower()), where(),
                             true);
}

void PgConnection::takeConnection()
{
    if (!conn_)
        throw DbError(QStringLiteral("Il database non è aperto."));
    if (streaming_)
        streaming_->bufferRest();
}

void PgConnection::setStreaming(PgStatement *statement)
{
    takeConnection();
    streaming_ = statement;
}

void PgConnection::finishStreaming(PgStatement *statement)
{
    if (streaming_ == statement)
        streaming_ = nullptr;
}

void PgConnection::run(const QByteArray &sql)
{
    takeConnection();
    // With several statements libpq gives the last result, or the first that failed.
    PGresult *result = PQexec(conn_, sql.constData());
    const ExecStatusType status = PQresultStatus(result);
    if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK)
        raise(result);
    changes_ = QByteArray(PQcmdTuples(result)).toInt();
    PQclear(result);
}

void PgConnection::exec(const QByteArray &sql)
{
    const ServerDialect::Translated translated = ServerDialect::translate(sql);
    if (!translated.refused.isEmpty())
        throw DbError(translated.refused);
    if (translated.parameterCount > 0 || translated.returnsKey) {
        PgStatement st(*this, sql);
        while (st.step()) {
        }
        return;
    }
    run(translated.sql);
}

void PgConnection::execNative(const QByteArray &sql) { run(sql); }

void PgConnection::startCopy(const QByteArray &copySql)
{
    takeConnection();
    PGresult *result = PQexec(conn_, copySql.constData());
    if (PQresultStatus(result) != PGRES_COPY_IN)
        raise(result);
    PQclear(result);
    copying_ = true;
}

void PgConnection::sendCopyData(const QByteArray &rows)
{
    Q_ASSERT(copying_);
    if (rows.isEmpty())
        return;
    if (PQputCopyData(conn_, rows.constData(), int(rows.size())) != 1) {
        copying_ = false;
        raise(nullptr);
    }
}

void PgConnection::endCopy()
{
    Q_ASSERT(copying_);
    copying_ = false;
    if (PQputCopyEnd(conn_, nullptr) != 1)
        raise(nullptr);
    // The server's verdict on the rows, then nothing more.
    PGresult *failed = nullptr;
    while (PGresult *result = PQgetResult(conn_)) {
        if (PQresultStatus(result) == PGRES_COMMAND_OK) {
            changes_ = QByteArray(PQcmdTuples(result)).toInt();
            PQclear(result);
        } else if (!failed) {
            failed = result;
        } else {
            PQclear(result);
        }
    }
    if (failed)
        raise(failed);
}

void PgConnection::abortCopy()
{
    if (!copying_)
        return;
    copying_ = false;
    if (PQputCopyEnd(conn_, "stopped by the program") == 1) {
        while (PGresult *result = PQgetResult(conn_))
            PQclear(result);
    }
}

QVariant PgConnection::scalar(const QByteArray &sql)
{
    PgStatement st(*this, sql);
    if (!st.step() || st.columnIsNull(0))
        return {};
    return st.columnValue(0);
}

QList<QByteArrayList> PgConnection::rowsNative(const QByteArray &sql)
{
    takeConnection();
    PGresult *result = PQexec(conn_, sql.constData());
    if (PQresultStatus(result) != PGRES_TUPLES_OK)
        raise(result);
    QList<QByteArrayList> rows;
    const int columns = PQnfields(result);
    for (int r = 0; r < PQntuples(result); ++r) {
        QByteArrayList row;
        for (int c = 0; c < columns; ++c)
            row << QByteArray(PQgetvalue(result, r, c), PQgetlength(result, r, c));
        rows << row;
    }
    PQclear(result);
    return rows;
}

qint64 PgConnection::nextKey(const QString &table, const QString &column)
{
    const QVariant largest = scalar(
        QStringLiteral("SELECT MAX(%1) FROM %2").arg(quoteIdentifier(column), quoteIdentifier(table)).toUtf8());
    return largest.isNull() ? -1 : largest.toLongLong();
}

const PgConnection::TableInfo &PgConnection::tableInfo(const QString &table)
{
    auto it = tables_.constFind(table);
    if (it != tables_.constEnd())
        return *it;
    TableInfo info;
    PgStatement st(*this, QStringLiteral("PRAGMA table_info(%1)").arg(quoteIdentifier(table)).toUtf8());
    QList<QPair<qint64, QString>> keys;
    while (st.step()) {
        const QString name = QString::fromUtf8(st.columnText(1));
        info.columns << name;
        if (const qint64 pk = st.columnInt(5); pk > 0)
            keys.append({pk, name});
    }
    std::sort(keys.begin(), keys.end());
    for (const auto &k : keys)
        info.keys << k.second;
    return *tables_.insert(table, info);
}

QStringList PgConnection::columnNames(const QString &table) { return tableInfo(table).columns; }

QStringList PgConnection::keyColumns(const QString &table) { return tableInfo(table).keys; }

bool PgConnection::hasColumn(const QString &table, const QString &column)
{
    return tableInfo(table).columns.contains(column, Qt::CaseInsensitive);
}

bool PgConnection::inTransaction() const { return conn_ && PQtransactionStatus(conn_) != PQTRANS_IDLE; }

void PgConnection::begin()
{
    run(depth_ == 0 ? QByteArray("BEGIN") : QByteArray("SAVEPOINT sp") + QByteArray::number(depth_ + 1));
    ++depth_;
}

void PgConnection::commit()
{
    Q_ASSERT(depth_ > 0);
    run(depth_ == 1 ? QByteArray("COMMIT") : QByteArray("RELEASE sp") + QByteArray::number(depth_));
    --depth_;
}

void PgConnection::rollback()
{
    Q_ASSERT(depth_ > 0);
    const int depth = depth_--;
    // A lost connection took its transaction with it: there is nothing to roll back.
    if (isBroken())
        return;
    if (depth == 1) {
        if (inTransaction())
            run("ROLLBACK");
        return;
    }
    const QByteArray name = QByteArray("sp") + QByteArray::number(depth);
    run("ROLLBACK TO " + name + "; RELEASE " + name);
}

int PgConnection::socket() const { return conn_ ? PQsocket(conn_) : -1; }

int PgConnection::backendPid() const { return conn_ ? PQbackendPID(conn_) : 0; }

void PgConnection::listen()
{
    run("LISTEN " + ServerSchema::notificationChannel());
    listening_ = true;
}

QList<PgNotification> PgConnection::takeNotifications()
{
    QList<PgNotification> out;
    if (!conn_)
        return out;
    if (!streaming_ && PQconsumeInput(conn_) == 0)
        return out; // the connection is gone: the next statement says so
    const int self = PQbackendPID(conn_);
    while (PGnotify *notice = PQnotifies(conn_)) {
        if (ServerSchema::notificationChannel() == notice->relname)
            out.append({ServerSchema::spelling(QString::fromUtf8(notice->extra)), notice->be_pid == self});
        PQfreemem(notice);
    }
    return out;
}

PgConnection::Prepared PgConnection::acquire(const QByteArray &sql)
{
    auto it = prepared_.find(sql);
    if (it != prepared_.end()) {
        ++it->users;
        return *it;
    }
    const ServerDialect::Translated translated = ServerDialect::translate(sql);
    if (!translated.refused.isEmpty())
        throw DbError(translated.refused);
    takeConnection();
    if (prepared_.size() >= kPreparedLimit)
        dropUnusedStatements();

    Prepared p;
    p.name = "pratilio_" + QByteArray::number(++preparedSerial_);
    p.returnsKey = translated.returnsKey;
    PGresult *result = PQprepare(conn_, p.name.constData(), translated.sql.constData(), 0, nullptr);
    if (PQresultStatus(result) != PGRES_COMMAND_OK)
        raise(result);
    PQclear(result);
    result = PQdescribePrepared(conn_, p.name.constData());
    if (PQresultStatus(result) != PGRES_COMMAND_OK)
        raise(result);
    p.parameterCount = PQnparams(result);
    const int columns = PQnfields(result);
    p.fields.resize(size_t(columns));
    for (int c = 0; c < columns; ++c) {
        PgField &f = p.fields[size_t(c)];
        const QString name = QString::fromUtf8(PQfname(result, c));
        f.name = ServerSchema::spelling(name);
        f.typeOid = PQftype(result, c);
        f.declaredType = declaredType(f.typeOid);
        f.respell = translated.respellValues.contains(name);
    }
    try {
        describeOrigins(p.fields, result);
    } catch (...) {
        PQclear(result);
        throw;
    }
    PQclear(result);
    p.users = 1;
    prepared_.insert(sql, p);
    return p;
}

void PgConnection::release(const QByteArray &sql)
{
    auto it = prepared_.find(sql);
    if (it != prepared_.end() && it->users > 0)
        --it->users;
}

void PgConnection::dropUnusedStatements()
{
    // Not inside a failed transaction, where the server takes no command but a rollback.
    if (PQtransactionStatus(conn_) == PQTRANS_INERROR)
        return;
    QByteArray sql;
    for (auto it = prepared_.begin(); it != prepared_.end();) {
        if (it->users == 0) {
            sql += "DEALLOCATE " + it->name + ";";
            it = prepared_.erase(it);
        } else {
            ++it;
        }
    }
    if (!sql.isEmpty())
        run(sql);
}

void PgConnection::describeOrigins(std::vector<PgField> &fields, const pg_result *description)
{
    // The names of the tables and columns the result reads, asked once per connection.
    QStringList unknown;
    for (int c = 0; c < int(fields.size()); ++c) {
        const Oid table = PQftable(description, c);
        if (table != InvalidOid && !tableNames_.contains(table) && !unknown.contains(QString::number(table)))
            unknown << QString::number(table);
    }
    if (!unknown.isEmpty()) {
        const QByteArray oids = "{" + unknown.join(QLatin1Char(',')).toUtf8() + "}";
        const char *values[] = {oids.constData()};
        PGresult *result = PQexecParams(conn_,
                                        "SELECT c.oid, c.relname, a.attnum, a.attname FROM pg_class c "
                                        "JOIN pg_attribute a ON a.attrelid = c.oid "
                                        "WHERE c.oid = ANY($1::oid[]) AND a.attnum > 0 AND NOT a.attisdropped",
                                        1, nullptr, values, nullptr, nullptr, 0);
        if (PQresultStatus(result) != PGRES_TUPLES_OK)
            raise(result);
        for (int r = 0; r < PQntuples(result); ++r) {
            const unsigned oid = QByteArray(PQgetvalue(result, r, 0)).toUInt();
            tableNames_.insert(oid, ServerSchema::spelling(QString::fromUtf8(PQgetvalue(result, r, 1))));
            columnNames_.insert({oid, QByteArray(PQgetvalue(result, r, 2)).toInt()},
                                ServerSchema::spelling(QString::fromUtf8(PQgetvalue(result, r, 3))));
        }
        PQclear(result);
    }
    for (int c = 0; c < int(fields.size()); ++c) {
        const Oid table = PQftable(description, c);
        if (table == InvalidOid)
            continue;
        fields[size_t(c)].table = tableNames_.value(table);
        fields[size_t(c)].column = columnNames_.value({table, PQftablecol(description, c)});
    }
}
