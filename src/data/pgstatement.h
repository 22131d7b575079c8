#pragma once

#include "data/pgconnection.h"

#include <deque>

// One statement on the server, prepared once per connection and run with its values bound as
// text. Rows stream one at a time (libpq's single-row mode), so that a large result is never
// held twice; when another statement needs the connection meanwhile, the rest of the rows is
// read into memory first and stepping goes on from there.
class PgStatement
{
public:
    PgStatement(PgConnection &db, const QByteArray &sql);
    ~PgStatement();
    PgStatement(const PgStatement &) = delete;
    PgStatement &operator=(const PgStatement &) = delete;

    void bind(int index, const QVariant &value); // 1-based
    void bindText(int index, const QByteArray &utf8);
    void bindNull(int index);
    bool step();  // true while a row is available; throws DbError on error
    void reset(); // ends a run and clears the values

    int parameterCount() const { return prepared_.parameterCount; }
    int columnCount() const { return int(prepared_.fields.size()); }
    const PgField &field(int column) const { return prepared_.fields.at(size_t(column)); }
    QByteArray columnText(int column) const;
    // The cell's text without a copy, valid until the next step; nullptr for a null cell.
    const char *cellData(int column, std::size_t *size) const;
    qint64 columnInt(int column) const;
    bool columnIsNull(int column) const;
    QVariant columnValue(int column) const; // typed by the column's type; null QVariant for null

    // For the connection: read the rest of the rows so that the connection is free.
    void bufferRest();

private:
    enum class Phase { Ready, Streaming, Buffered, Done };
    void start();
    pg_result *nextResult();
    void discard();

    PgConnection &db_;
    QByteArray sql_;
    PgConnection::Prepared prepared_;
    std::vector<QByteArray> values_;
    std::vector<bool> isNull_;
    Phase phase_ = Phase::Ready;
    pg_result *row_ = nullptr;
    std::deque<pg_result *> buffered_;
    mutable std::vector<QByteArray> spelled_; // names given back in the program's spelling
};
