#include "data/pgerrors.h"

#include "data/serverschema.h"

namespace PgErrors {

namespace {

// The first name in double quotes in the server's text ('relation "progetto" does not exist').
QString quotedName(const QString &text)
{
    const qsizetype open = text.indexOf(QLatin1Char('"'));
    const qsizetype close = open < 0 ? -1 : text.indexOf(QLatin1Char('"'), open + 1);
    if (close < 0)
        return {};
    QString name = text.mid(open + 1, close - open - 1);
    // "progetto.stato": the column alone.
    if (const qsizetype dot = name.lastIndexOf(QLatin1Char('.')); dot >= 0)
        name = name.mid(dot + 1);
    return ServerSchema::spelling(name);
}

} // namespace

bool isRetryable(const QByteArray &sqlState) { return sqlState == "40P01" || sqlState == "40001"; }

bool isConnectionLost(const QByteArray &sqlState)
{
    return sqlState.startsWith("08") || sqlState == "57P01" || sqlState == "57P02" || sqlState == "57P03";
}

QByteArray connectionFailureState(const QString &message, bool passwordNeeded)
{
    if (message.contains(QLatin1String("password authentication failed")))
        return "28P01";
    if (passwordNeeded || message.contains(QLatin1String("no password supplied")))
        return "28P01";
    if (message.contains(QLatin1String("database \"")) && message.contains(QLatin1String("does not exist")))
        return "3D000";
    if (message.contains(QLatin1String("no pg_hba.conf entry")) || message.contains(QLatin1String("role \"")))
        return "28000";
    if (message.contains(QLatin1String("the database system is shutting down")))
        return "57P01";
    if (message.contains(QLatin1String("the database system is starting up")))
        return "57P03";
    if (message.contains(QLatin1String("too many clients")) || message.contains(QLatin1String("remaining connection")))
        return "53300";
    return "08001";
}

QString explain(const QByteArray &sqlState, const QString &serverText, const QString &where, bool opening)
{
    const QString notSaved = opening ? QString() : QStringLiteral(" Le modifiche non sono state salvate.");
    QString engine = serverText.trimmed();
    QString text;
    if (sqlState.startsWith("08")) {
        text = opening ? QStringLiteral("Impossibile collegarsi al database %1: controllare che il server sia acceso e "
                                        "raggiungibile in rete, e il nome del server e la porta nelle opzioni.")
                       : QStringLiteral("Il collegamento con il database %1 si è interrotto.%2 Controllare la rete: "
                                        "il programma si ricollega alla prossima operazione.");
    } else if (sqlState == "28P01") {
        text = QStringLiteral("La password per il database %1 è errata o manca. Controllare la password (o il file "
                              ".pgpass) e riprovare.");
    } else if (sqlState.startsWith("28")) {
        text = QStringLiteral("Il server non accetta questo utente per il database %1 da questo computer. Controllare "
                              "il nome dell'utente nelle opzioni oppure chiedere all'amministratore del server.");
    } else if (sqlState == "3D000") {
        text = QStringLiteral("Il database %1 non esiste. Controllare il nome del database nelle opzioni.");
    } else if (sqlState == "23505") {
        text = QStringLiteral("Il database %1 ha rifiutato il record: la sua chiave esiste già (forse un'altra "
                              "postazione ha appena salvato lo stesso record).%2");
    } else if (sqlState.startsWith("23")) {
        text = QStringLiteral("Il database %1 ha rifiutato il record: una chiave esiste già o un valore non è "
                              "ammesso.%2");
    } else if (isRetryable(sqlState)) {
        text = QStringLiteral("Un'altra postazione stava salvando gli stessi dati nel database %1.%2 Riprovare.");
    } else if (sqlState == "55P03") {
        text = QStringLiteral("Il database %1 è bloccato da un'altra postazione che sta salvando.%2 Attendere "
                              "qualche istante e riprovare.");
    } else if (sqlState == "53100") {
        text = QStringLiteral("Il disco del server che contiene il database %1 è pieno.%2 Chiedere all'amministratore "
                              "di liberare spazio sul server e riprovare.");
    } else if (sqlState == "53200") {
        text = QStringLiteral("Memoria insufficiente sul server del database %1.%2 Riprovare più tardi.");
    } else if (sqlState == "53300") {
        text = QStringLiteral("Il server del database %1 ha raggiunto il numero massimo di collegamenti. Chiudere il "
                              "programma su una postazione che non lo usa e riprovare.");
    } else if (sqlState.startsWith("57P")) {
        text = QStringLiteral("Il server del database %1 si sta fermando o riavviando.%2 Attendere che torni "
                              "disponibile e riprovare: il programma si ricollega alla prossima operazione.");
    } else if (sqlState == "42501") {
        text = QStringLiteral("Non si hanno i permessi per questa operazione sul database %1.%2 Chiedere "
                              "all'amministratore del server.");
    } else if (sqlState == "25006") {
        text = QStringLiteral("Il database %1 è di sola lettura per questo utente.%2");
    } else if (sqlState == "42P01") {
        text = QStringLiteral("Nel database %1 manca la tabella \"%3\": non è un database di Pratilio+ completo.");
    } else if (sqlState == "42703") {
        text = QStringLiteral("Nel database %1 manca la colonna \"%3\" chiesta dalla query: non è un database di "
                              "Pratilio+ completo oppure la query nomina un campo che non esiste.");
    } else if (sqlState == "22007" || sqlState == "22008") {
        text = QStringLiteral("Il database %1 ha rifiutato una data non valida.%2");
    } else if (sqlState.startsWith("22")) {
        text = QStringLiteral("Il database %1 ha rifiutato un valore non ammesso.%2");
    } else if (opening) {
        text = QStringLiteral("Impossibile aprire il database %1: controllare le opzioni del database oppure chiedere "
                              "all'amministratore del server.");
    } else {
        return engine;
    }
    text.replace(QLatin1String("%1"), where);
    text.replace(QLatin1String("%2"), notSaved);
    text.replace(QLatin1String("%3"), quotedName(engine));
    return engine.isEmpty() ? text : QStringLiteral("%1 (%2)").arg(text, engine);
}

} // namespace PgErrors
