#include "data/pgstatement.h"

#include "data/serverschema.h"
#include "data/values.h"

#include <QDate>
#include <QDateTime>
#include <QLocale>

#include <libpq-fe.h>

PgStatement::PgStatement(PgConnection &db, const QByteArray &sql) : db_(db), sql_(sql)
{
    if (!db.isOpen())
        throw DbError(QStringLiteral("Il database non è aperto."));
    prepared_ = db.acquire(sql);
    values_.resize(size_t(prepared_.parameterCount));
    isNull_.assign(size_t(prepared_.parameterCount), true);
}

PgStatement::~PgStatement()
{
    discard();
    db_.release(sql_);
}

void PgStatement::bind(int index, const QVariant &value)
{
    if (value.isNull() || !value.isValid()) {
        bindNull(index);
        return;
    }
    // Every value travels as text, in the form the server reads for the column's type.
    switch (value.typeId()) {
    case QMetaType::Bool:
        bindText(index, value.toBool() ? "1" : "0");
        return;
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
        bindText(index, value.toString().toUtf8());
        return;
    case QMetaType::Double:
        bindText(index, QByteArray::number(value.toDouble(), 'g', QLocale::FloatingPointShortest));
        return;
    default:
        bindText(index, Values::boundText(value));
    }
}

void PgStatement::bindText(int index, const QByteArray &utf8)
{
    if (index < 1 || index > prepared_.parameterCount)
        throw DbError(QStringLiteral("Il parametro %1 non esiste nell'istruzione.").arg(index));
    values_[size_t(index - 1)] = utf8;
    isNull_[size_t(index - 1)] = false;
}

void PgStatement::bindNull(int index)
{
    if (index < 1 || index > prepared_.parameterCount)
        throw DbError(QStringLiteral("Il parametro %1 non esiste nell'istruzione.").arg(index));
    values_[size_t(index - 1)].clear();
    isNull_[size_t(index - 1)] = true;
}

void PgStatement::start()
{
    db_.setStreaming(this);
    const int n = prepared_.parameterCount;
    std::vector<const char *> values(static_cast<size_t>(n));
    std::vector<int> lengths(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) {
        values[size_t(i)] = isNull_[size_t(i)] ? nullptr : values_[size_t(i)].constData();
        lengths[size_t(i)] = int(values_[size_t(i)].size());
    }
    pg_conn *conn = db_.handle();
    if (!PQsendQueryPrepared(conn, prepared_.name.constData(), n, values.data(), lengths.data(), nullptr, 0)) {
        db_.finishStreaming(this);
        phase_ = Phase::Done;
        db_.raise(nullptr);
    }
    PQsetSingleRowMode(conn);
    phase_ = Phase::Streaming;
}

pg_result *PgStatement::nextResult()
{
    if (phase_ == Phase::Buffered) {
        if (buffered_.empty())
            return nullptr;
        pg_result *r = buffered_.front();
        buffered_.pop_front();
        return r;
    }
    if (phase_ != Phase::Streaming)
        return nullptr;
    pg_result *r = PQgetResult(db_.handle());
    if (!r) {
        db_.finishStreaming(this);
        phase_ = Phase::Done;
    }
    return r;
}

void PgStatement::bufferRest()
{
    if (phase_ != Phase::Streaming)
        return;
    while (pg_result *r = PQgetResult(db_.handle()))
        buffered_.push_back(r);
    db_.finishStreaming(this);
    phase_ = Phase::Buffered;
}

bool PgStatement::step()
{
    if (phase_ == Phase::Ready)
        start();
    PQclear(row_);
    row_ = nullptr;
    while (pg_result *r = nextResult()) {
        switch (PQresultStatus(r)) {
        case PGRES_SINGLE_TUPLE:
            if (prepared_.returnsKey) {
                // The key the server gave the new row, kept as the file keeps its last rowid.
                db_.setLastInsertId(QByteArray(PQgetvalue(r, 0, 0)).toLongLong());
                PQclear(r);
                continue;
            }
            row_ = r;
            return true;
        case PGRES_TUPLES_OK:
        case PGRES_COMMAND_OK:
            db_.setLastCommand(QByteArray(PQcmdTuples(r)).toInt());
            PQclear(r);
            continue;
        default:
            // Read what is left of this run, so that the connection can take the next command.
            discard();
            db_.raise(r);
        }
    }
    phase_ = Phase::Done;
    return false;
}

void PgStatement::discard()
{
    PQclear(row_);
    row_ = nullptr;
    if (phase_ == Phase::Streaming) {
        while (pg_result *r = PQgetResult(db_.handle()))
            PQclear(r);
        db_.finishStreaming(this);
    }
    for (pg_result *r : buffered_)
        PQclear(r);
    buffered_.clear();
    phase_ = Phase::Done;
}

void PgStatement::reset()
{
    discard();
    phase_ = Phase::Ready;
    for (size_t i = 0; i < values_.size(); ++i) {
        values_[i].clear();
        isNull_[i] = true;
    }
}

QByteArray PgStatement::columnText(int column) const
{
    if (!row_ || PQgetisnull(row_, 0, column))
        return {};
    QByteArray text(PQgetvalue(row_, 0, column), PQgetlength(row_, 0, column));
    if (field(column).respell)
        return ServerSchema::spelling(QString::fromUtf8(text)).toUtf8();
    return text;
}

const char *PgStatement::cellData(int column, std::size_t *size) const
{
    if (!row_ || PQgetisnull(row_, 0, column)) {
        *size = 0;
        return nullptr;
    }
    if (field(column).respell) {
        spelled_.resize(std::size_t(columnCount()));
        QByteArray &spelled = spelled_[std::size_t(column)];
        spelled = columnText(column);
        *size = std::size_t(spelled.size());
        return spelled.constData();
    }
    *size = std::size_t(PQgetlength(row_, 0, column));
    return PQgetvalue(row_, 0, column);
}

qint64 PgStatement::columnInt(int column) const { return columnText(column).toLongLong(); }

bool PgStatement::columnIsNull(int column) const { return !row_ || PQgetisnull(row_, 0, column); }

QVariant PgStatement::columnValue(int column) const
{
    if (columnIsNull(column))
        return {};
    const QByteArray type = field(column).declaredType;
    if (type == "INTEGER")
        return columnInt(column);
    if (type == "REAL" || type == "NUMERIC")
        return columnText(column).toDouble();
    return QString::fromUtf8(columnText(column));
}
