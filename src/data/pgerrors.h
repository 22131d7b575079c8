#pragma once

#include <QByteArray>
#include <QString>

// The Italian explanation of an error of the office's database server, of the same kind as
// the file's: what happened, whether the change was saved, what to do, and the server's own
// text in brackets. `sqlState` is the five-character code the server gives (empty when the
// connection itself failed); `where` names the database and the server
// ("\"studio\" sul server ufficio"); `opening` when the connection was being made.
namespace PgErrors {

QString explain(const QByteArray &sqlState, const QString &serverText, const QString &where, bool opening);

// The code a failed connection stands for, read from libpq's message (which carries no code):
// "28P01" for a wrong password, "3D000" for a database that does not exist, "28000" for a
// user the server does not take, "08001" otherwise.
QByteArray connectionFailureState(const QString &message, bool passwordNeeded);

// Whether the code means the work must be tried again (a deadlock or a serialisation failure).
bool isRetryable(const QByteArray &sqlState);
// Whether the code means the connection is gone (lost, or the server stopping).
bool isConnectionLost(const QByteArray &sqlState);

} // namespace PgErrors
