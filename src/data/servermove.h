#pragma once

#include "data/serverschema.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

class Database;
class PgConnection;

// One value of the file that the server would refuse: where it is (table, the row's key,
// column), what it holds and why.
struct MoveProblem
{
    enum class Kind {
        NotADate,         // not a date the server reads (yyyy-MM-dd of a real day)
        NotAnAmount,      // text, or no number at all, in an amount column
        AmountOutOfRange, // beyond NUMERIC(14,2): 999.999.999.999,99 either sign
        InvalidText,      // not UTF-8, or holding a null character
        NotAnInteger,     // a key or a reference that is not a whole number
        MissingKey,       // an empty key
    };
    QString table;
    QString key; // "IdProgetto 12"; "riga 3" for a table without a key
    QString column;
    QByteArray value; // the stored bytes, as the file holds them
    Kind kind;

    // A row that cannot go to the server at all: nothing is moved while one is there.
    bool blocksMove() const { return kind == Kind::NotAnInteger || kind == Kind::MissingKey; }
    // "Progetto, IdProgetto 12, Data_inizio: "2020-02-30" non è una data".
    QString text() const;
};

// What a move put on the server, table by table (in the order of ServerSchema::tables()).
struct MoveCounts
{
    QList<qint64> rows;
    qint64 rowsOf(const QString &table) const;
};

// Moves the rows of a database file into an empty database on the office's server, keys
// included, in one transaction of the server: the tables are made when the database has none,
// the rows travel by COPY in batches, new payment numbers continue after the largest one the
// file ever gave, and the counts of rows and the sums of amounts (to the cent) are compared
// between file and server before the commit, which happens only when they match. A value the
// server would refuse is listed by scan() first; the move then carries a value it could not
// read as empty (dates, amounts) or with its unreadable bytes replaced (text).
//
// Every failure is raised as DbError with an Italian text; the server is left as it was.
class ServerMove
{
public:
    ServerMove(Database &file, PgConnection &server);

    // Why the server's database cannot take the move (it holds persons, projects or payments,
    // or only some of the program's tables); empty when it can. The project states and the
    // application row a new server database holds are replaced by the file's.
    QString targetProblem();

    // Which of the program's tables the server's database holds already.
    QStringList serverTables();

    // Every value of the file the server would refuse, in the order of the tables and rows.
    QList<MoveProblem> scan();
    // The problems as one text, one line each; `limit` lines at most, then how many more.
    static QString report(const QList<MoveProblem> &problems, int limit = -1);

    // Copies and commits; raises DbError (nothing written) on any refusal or mismatch, and
    // when scan() would find a problem that blocks the move.
    MoveCounts run();

    // The statement that sets the server's next payment number after `largest`.
    static QByteArray continueNumberingStatement(qint64 largest);

private:
    void prepareTables();
    void copyTable(const ServerSchema::Table &table, MoveCounts &counts);
    void continueNumbering();
    void compare(const MoveCounts &counts);
    qint64 fileAmountCents(const QString &table, const QString &column);
    qint64 serverAmountCents(const QString &table, const QString &column);
    qint64 serverCount(const QString &table);

    Database &file_;
    PgConnection &server_;
};

// The reading of one stored value for the server, as COPY's text format carries it.
namespace MoveValue {

struct Converted
{
    bool isNull = false;
    QByteArray text;                          // the value for the server (not yet escaped)
    std::optional<MoveProblem::Kind> problem; // then `text`/`isNull` hold what is sent instead
};

// `data` as the file gives it (`isNull`, whether the engine stores it as a whole number or as
// a floating-point number) for a column of `type`.
Converted convert(ServerSchema::ColumnType type, bool isNull, bool isInteger, bool isFloat, const QByteArray &data);
// Appends `value` to a row of COPY's text format (backslash, tab, line ends escaped).
void appendEscaped(QByteArray &row, const QByteArray &value);
// "-1234.05" for -123405 cents.
QByteArray centsText(qint64 cents);

} // namespace MoveValue
