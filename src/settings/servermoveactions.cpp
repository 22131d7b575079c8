#include "settings/servermoveactions.h"

#include "core/dialogs.h"
#include "core/workspace.h"
#include "data/database.h"
#include "data/dberror.h"
#include "data/pgconnection.h"
#include "data/servermove.h"
#include "data/values.h"
#include "settings/databasechoice.h"

#include <QDateTime>
#include <QDir>
#include <QFile>

#include <algorithm>

#include <optional>

namespace ServerMoveActions {

namespace {

// Lines of the report shown in the question; a longer report is written to a file in full.
constexpr int kShownProblems = 30;

// The server Default.ini names, or one the user types; nullopt when the user cancelled.
std::optional<PgSettings> chooseServer(const ProgramPaths &paths)
{
    if (std::optional<PgSettings> named = DatabaseChoice::namedServer(paths))
        return named;
    QString text;
    if (!Dialogs::instance().askText(QStringLiteral("Collegamento al database del server dell'ufficio, per esempio:\n"
                                                    "host=ufficio dbname=studio user=mario"),
                                     false, &text)
        || text.trimmed().isEmpty())
        return std::nullopt;
    PgSettings settings;
    QString error;
    if (!PgSettings::fromConnectionString(text.trimmed(), &settings, &error))
        throw DbError(error);
    return settings;
}

// Opens `server`, asking for the password while the server refuses it; false when cancelled.
bool connect(PgConnection &connection, PgSettings settings)
{
    for (;;) {
        try {
            connection.open(settings);
            return true;
        } catch (const DbPasswordError &e) {
            QString typed;
            if (!Dialogs::instance().password(QStringLiteral("%1\n\nPassword per il database \"%2\" sul server %3:")
                                                  .arg(e.text(), settings.database, settings.host),
                                              &typed))
                return false;
            settings.password = typed;
        }
    }
}

// The report as the question shows it: in full, or its beginning and where the rest is.
QString shownReport(const QList<MoveProblem> &problems, const ProgramPaths &paths)
{
    if (problems.size() <= kShownProblems)
        return ServerMove::report(problems);
    const QString folder = paths.path(ProgramPaths::Place::Output);
    const QString path = QDir(folder).filePath(
        QStringLiteral("Spostamento-sul-server-%1.txt")
            .arg(QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd-HH.mm.ss"))));
    QFile file(path);
    QString where;
    if (QDir().mkpath(folder) && file.open(QIODevice::WriteOnly | QIODevice::Text)
        && file.write(ServerMove::report(problems).toUtf8() + '\n') >= 0 && file.flush())
        where = QStringLiteral("\n\nL'elenco completo è nel file %1.").arg(QDir::toNativeSeparators(path));
    return ServerMove::report(problems, kShownProblems) + where;
}

} // namespace

void moveToServer(Workspace &workspace)
{
    Database &file = workspace.connection();
    if (!file.isOpen())
        throw DbError(QStringLiteral("Il database non è aperto: non c'è nulla da spostare."));
    if (file.isServer())
        throw DbError(QStringLiteral("I dati sono già sul server: %1.").arg(file.description()));
    // A change typed and not saved yet belongs in what moves.
    workspace.saveTypedChange();

    const std::optional<PgSettings> chosen = chooseServer(workspace.paths());
    if (!chosen)
        return;
    PgConnection server;
    if (!connect(server, *chosen))
        return;
    ServerMove move(file, server);
    if (const QString problem = move.targetProblem(); !problem.isEmpty()) {
        Dialogs::instance().message(problem);
        return;
    }

    // Nothing is written before the user has seen every value the server would refuse.
    const QList<MoveProblem> problems = move.scan();
    const bool blocked = std::any_of(problems.begin(), problems.end(),
                                     [](const MoveProblem &p) { return p.blocksMove(); });
    if (blocked) {
        Dialogs::instance().message(QStringLiteral("Alcune righe del file non possono andare sul server: correggerle "
                                                   "prima dello spostamento. Sul server non è stato scritto nulla.\n\n")
                                    + shownReport(problems, workspace.paths()));
        return;
    }
    QString question = QStringLiteral("I dati del file %1 saranno copiati nel database %2. Il file resta com'è.")
                           .arg(file.description(), server.where());
    if (!problems.isEmpty())
        question += QStringLiteral("\n\nQuesti valori non possono andare sul server così come sono: le date e gli "
                                   "importi resteranno vuoti, i testi perderanno i caratteri non validi.\n\n")
                    + shownReport(problems, workspace.paths());
    if (!Dialogs::instance().question(question + QStringLiteral("\n\nContinuare lo spostamento?")))
        return;

    const MoveCounts counts = move.run();
    Dialogs::instance().message(QStringLiteral("I dati sono stati spostati nel database %1: %2 persone, %3 progetti, "
                                               "%4 pagamenti, con i totali controllati al centesimo.")
                                    .arg(server.where(),
                                         Values::groupedCount(counts.rowsOf(QStringLiteral("Committente"))),
                                         Values::groupedCount(counts.rowsOf(QStringLiteral("Progetto"))),
                                         Values::groupedCount(counts.rowsOf(QStringLiteral("Pagamenti")))));

    if (!Dialogs::instance().askYesNo(QStringLiteral("Usare d'ora in poi il database sul server? Sarà indicato nel "
                                                     "file Default.ini e aperto dal prossimo avvio del programma.")))
        return;
    PgSettings named = *chosen;
    named.password.clear(); // never written: ~/.pgpass or the start-up's question
    QString error;
    if (!DatabaseChoice::nameServer(workspace.paths(), named, &error))
        Dialogs::instance().message(error);
}

} // namespace ServerMoveActions
