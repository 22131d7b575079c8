#include "benchserverbare.h"

#include "data/dberror.h"
#include "data/dialect.h"
#include "data/serverdialect.h"

#include <libpq-fe.h>

#include <poll.h>

#include <vector>

namespace {

[[noreturn]] void fail(pg_conn *conn, const char *what)
{
    throw DbError(QStringLiteral("libpq (%1): %2").arg(QLatin1String(what), QString::fromUtf8(PQerrorMessage(conn))));
}

void check(pg_conn *conn, PGresult *result, const char *what)
{
    const ExecStatusType status = PQresultStatus(result);
    const bool ok = status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK;
    PQclear(result);
    if (!ok)
        fail(conn, what);
}

} // namespace

BareConnection::BareConnection(const PgSettings &settings)
{
    const QByteArray host = settings.host.toUtf8(), port = QByteArray::number(settings.port),
                     database = settings.database.toUtf8(), user = settings.user.toUtf8(),
                     sslMode = settings.sslMode.toUtf8();
    const char *keys[]
        = {"host", "port", "dbname", "user", "sslmode", "connect_timeout", "application_name", "client_encoding",
           nullptr};
    const char *values[] = {host.constData(),
                            port.constData(),
                            database.constData(),
                            user.constData(),
                            sslMode.constData(),
                            "10",
                            "bench",
                            "UTF8",
                            nullptr};
    conn_ = PQconnectdbParams(keys, values, 0);
    if (PQstatus(conn_) != CONNECTION_OK)
        fail(conn_, "connect");
    PQsetNoticeProcessor(
        conn_, [](void *, const char *) {}, nullptr); // "extension exists, skipping"
    exec("SET DateStyle = 'ISO, YMD'; SET lock_timeout = '10s'");
}

BareConnection::~BareConnection() { PQfinish(conn_); }

void BareConnection::exec(const QByteArray &sql) { check(conn_, PQexec(conn_, sql.constData()), "exec"); }

size_t BareConnection::readAll(const QByteArray &sql, const QList<QByteArray> &values)
{
    std::vector<const char *> params;
    for (const QByteArray &v : values)
        params.push_back(v.constData());
    PGresult *result = PQexecParams(conn_, sql.constData(), int(params.size()), nullptr, params.data(), nullptr,
                                    nullptr, 0);
    if (PQresultStatus(result) != PGRES_TUPLES_OK && PQresultStatus(result) != PGRES_COMMAND_OK) {
        PQclear(result);
        fail(conn_, "query");
    }
    size_t bytes = 0;
    const int rows = PQntuples(result), columns = PQnfields(result);
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < columns; ++c) {
            const char *cell = PQgetvalue(result, r, c);
            bytes += cell ? size_t(PQgetlength(result, r, c)) : 0;
        }
    }
    PQclear(result);
    return bytes;
}

void BareConnection::copyIn(const QByteArray &copySql, const QByteArray &rows, qsizetype batchBytes)
{
    PGresult *start = PQexec(conn_, copySql.constData());
    if (PQresultStatus(start) != PGRES_COPY_IN) {
        PQclear(start);
        fail(conn_, "COPY");
    }
    PQclear(start);
    for (qsizetype at = 0; at < rows.size();) {
        // Batches end at a row's end, as the program sends them.
        qsizetype end = std::min(rows.size(), at + batchBytes);
        if (end < rows.size()) {
            const qsizetype lineEnd = rows.indexOf('\n', end);
            end = lineEnd < 0 ? rows.size() : lineEnd + 1;
        }
        if (PQputCopyData(conn_, rows.constData() + at, int(end - at)) != 1)
            fail(conn_, "COPY data");
        at = end;
    }
    if (PQputCopyEnd(conn_, nullptr) != 1)
        fail(conn_, "COPY end");
    check(conn_, PQgetResult(conn_), "COPY");
    while (PGresult *rest = PQgetResult(conn_))
        PQclear(rest);
}

bool BareConnection::waitForNotice(int ms)
{
    for (;;) {
        PQconsumeInput(conn_);
        if (PGnotify *notice = PQnotifies(conn_)) {
            PQfreemem(notice);
            return true;
        }
        pollfd fd{PQsocket(conn_), POLLIN, 0};
        if (::poll(&fd, 1, ms) <= 0)
            return false;
    }
}

QByteArray serverStatement(const QString &statementText)
{
    return ServerDialect::translate(Dialect::translate(statementText).sql).sql;
}
