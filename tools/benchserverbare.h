#pragma once

#include "data/pgconnection.h"

#include <QByteArray>
#include <QList>
#include <QString>

struct pg_conn;

// The floors of the server's figures: libpq alone, with nothing of the program between, over
// the same socket and with the same session settings as the program's connection.
class BareConnection
{
public:
    // Connects with the keys the program's connection uses, and sets the same session.
    explicit BareConnection(const PgSettings &settings);
    ~BareConnection();
    BareConnection(const BareConnection &) = delete;
    BareConnection &operator=(const BareConnection &) = delete;

    // Runs statements without values; throws DbError on an error.
    void exec(const QByteArray &sql);
    // Runs `sql` with `values` as text ($1, $2, ...), reading every cell; the bytes read.
    size_t readAll(const QByteArray &sql, const QList<QByteArray> &values = {});
    // COPY ... FROM STDIN of `rows` (COPY's text format), sent in batches of `batchBytes`.
    void copyIn(const QByteArray &copySql, const QByteArray &rows, qsizetype batchBytes);
    // Waits until a notice arrives on a channel this connection listens on (at most `ms`).
    bool waitForNotice(int ms);

private:
    pg_conn *conn_ = nullptr;
};

// The program's statement as the server runs it: the file's dialect, then the server's.
QByteArray serverStatement(const QString &statementText);
