#include "benchmark_server.h"

#include "app/principale.h"
#include "benchmark_exchange.h"
#include "benchserverbare.h"
#include "benchtiming.h"
#include "core/workspace.h"
#include "data/database.h"
#include "data/pgconnection.h"
#include "data/query.h"
#include "data/schema.h"
#include "data/servermove.h"
#include "data/serverschema.h"
#include "queries/changewatcher.h"
#include "queries/standardqueries.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTimer>

#include <cstdio>
#include <vector>

namespace BenchServer {

namespace {

using namespace BenchTiming;
using BenchExchange::statusKb;

// The database that holds the moved demo data for every figure of one run of the benchmark.
const QString kBenchDatabase = QStringLiteral("pratilio_bench");
// Rows go to the server in batches of this size, as the program's move sends them.
constexpr qsizetype kBatchBytes = 1 << 20;

QString statementText(const QStringList &lines) { return lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n"); }

// A throw-away PostgreSQL cluster listening on a socket in a folder of its own, stopped and
// removed when the object goes, whatever happened meanwhile.
class Cluster
{
public:
    explicit Cluster(const QString &script) :
        script_(script), dir_(QStringLiteral("/tmp/pratilio-bench-%1").arg(QCoreApplication::applicationPid()))
    {
        std::printf("Starting a PostgreSQL cluster in %s ...\n", qPrintable(dir_));
        std::fflush(stdout);
        const int code = QProcess::execute(QStringLiteral("bash"), {script_, QStringLiteral("start"), dir_});
        if (code != 0 || !QFileInfo::exists(dir_ + QStringLiteral("/.s.PGSQL.5432"))) {
            stop();
            throw DbError(QStringLiteral("The PostgreSQL cluster did not start (%1 start %2).").arg(script_, dir_));
        }
    }
    ~Cluster() { stop(); }
    Cluster(const Cluster &) = delete;
    Cluster &operator=(const Cluster &) = delete;

    PgSettings settings(const QString &database) const
    {
        PgSettings s;
        s.host = dir_;
        s.database = database;
        s.user = QStringLiteral("pratilio");
        s.sslMode = QStringLiteral("disable");
        return s;
    }
    // A new empty database (holding citext, as an office's would), dropped first if present.
    void createDatabase(const QString &name)
    {
        PgConnection admin;
        admin.open(settings(QStringLiteral("postgres")));
        admin.execNative("DROP DATABASE IF EXISTS " + name.toUtf8() + " WITH (FORCE)");
        admin.execNative("CREATE DATABASE " + name.toUtf8() + " TEMPLATE pratilio_template");
    }
    void dropDatabase(const QString &name)
    {
        PgConnection admin;
        admin.open(settings(QStringLiteral("postgres")));
        admin.execNative("DROP DATABASE IF EXISTS " + name.toUtf8() + " WITH (FORCE)");
    }

private:
    void stop() { QProcess::execute(QStringLiteral("bash"), {script_, QStringLiteral("stop"), dir_}); }

    QString script_;
    QString dir_;
};

// Each table's rows as the move sends them (COPY's text format), read from the file the same
// way: the floor sends this text, the program makes it as it goes.
QList<QByteArray> copyText(Database &file)
{
    QList<QByteArray> out;
    for (const ServerSchema::Table &table : ServerSchema::tables()) {
        QStringList names;
        for (const ServerSchema::Column &c : table.columns)
            names << Database::quoteIdentifier(c.name);
        Statement read(file, QStringLiteral("SELECT %1 FROM %2 ORDER BY rowid")
                                 .arg(names.join(QStringLiteral(", ")), table.name)
                                 .toUtf8());
        QByteArray text;
        while (read.step()) {
            for (int c = 0; c < int(table.columns.size()); ++c) {
                const ValueType vt = read.valueType(c);
                const MoveValue::Converted value = MoveValue::convert(table.columns[size_t(c)].type,
                                                                      vt == ValueType::Null, vt == ValueType::Integer,
                                                                      vt == ValueType::Float, read.columnText(c));
                if (c > 0)
                    text += '\t';
                if (value.isNull)
                    text += "\\N";
                else
                    MoveValue::appendEscaped(text, value.text);
            }
            text += '\n';
        }
        out << text;
    }
    return out;
}

QByteArray copyStatement(const ServerSchema::Table &table)
{
    QStringList names;
    for (const ServerSchema::Column &c : table.columns)
        names << c.name;
    return QStringLiteral("COPY %1 (%2) FROM STDIN").arg(table.name, names.join(QStringLiteral(", "))).toUtf8();
}

// The move into an empty database, against libpq alone making the same tables and sending the
// same rows by COPY in one transaction. The first move's database is kept for the other figures.
void benchMove(Database &file, Cluster &cluster, int persons)
{
    std::printf("S1. Moving the demo database onto the server, against COPY of the same rows\n");
    QElapsedTimer reading;
    reading.start();
    const QList<QByteArray> texts = copyText(file);
    const double readingMs = reading.nsecsElapsed() / 1e6;
    qsizetype bytes = 0;
    for (const QByteArray &t : texts)
        bytes += t.size();
    const qint64 largest = file.nextKey(QStringLiteral("Pagamenti"), QStringLiteral("IdFattura"));
    const int runs = std::min(gRuns, 3);
    std::vector<qint64> ours, floor;
    for (int i = 0; i < runs; ++i) {
        const QString name = i == 0 ? kBenchDatabase : QStringLiteral("pratilio_move");
        cluster.createDatabase(name);
        {
            PgConnection server;
            server.open(cluster.settings(name));
            QElapsedTimer t;
            t.start();
            ServerMove(file, server).run();
            ours.push_back(t.nsecsElapsed());
        }
        if (i > 0)
            cluster.dropDatabase(name);

        cluster.createDatabase(QStringLiteral("pratilio_copy"));
        {
            BareConnection bare(cluster.settings(QStringLiteral("pratilio_copy")));
            QElapsedTimer t;
            t.start();
            bare.exec("BEGIN");
            for (const QByteArray &statement : ServerSchema::creationStatements())
                bare.exec(statement);
            for (int k = 0; k < texts.size(); ++k)
                bare.copyIn(copyStatement(ServerSchema::tables()[size_t(k)]), texts[k], kBatchBytes);
            bare.exec(ServerMove::continueNumberingStatement(largest));
            bare.exec("COMMIT");
            floor.push_back(t.nsecsElapsed());
        }
        cluster.dropDatabase(QStringLiteral("pratilio_copy"));
    }
    std::printf("    %.1f MB of rows in COPY's text format, read from the file and converted in %.0f ms; median of %d "
                "moves\n",
                bytes / 1e6, readingMs, runs);
    row(qPrintable(QStringLiteral("move of %1 persons (ServerMove::run)").arg(persons)), medianMs(ours),
        medianMs(floor), 2.0);
}

void benchOpen(const QString &folder, const PgSettings &settings)
{
    std::printf("S2. Opening the database on the server\n");
    std::vector<qint64> connect, window;
    for (int i = 0; i < gRuns; ++i) {
        Workspace workspace(folder);
        workspace.setServer(settings);
        QElapsedTimer t;
        t.start();
        workspace.openConnection();
        connect.push_back(t.nsecsElapsed());
    }
    // The floor runs what the opening runs: the session's settings, the catalogue's query and
    // the reading of the application's row. The connection alone is shown beside it: a new
    // server process reads its catalogue's caches at its first query of the catalogue, some
    // milliseconds that no statement of the program can spare.
    const double connectFloor = timeMs([&] {
        BareConnection bare(settings);
        bare.exec("LISTEN " + ServerSchema::notificationChannel());
        bare.readAll(ServerSchema::catalogueStatement());
        bare.readAll("SELECT codice FROM applicazione");
    });
    const double connectAlone = timeMs([&] { BareConnection bare(settings); });
    row("connect, session and checks (openConnection)", medianMs(connect), connectFloor, 1.5);
    row("  the same against the connection alone", medianMs(connect), connectAlone, 0);

    for (int i = 0; i < gRuns; ++i) {
        Principale main(folder);
        main.workspace().setServer(settings);
        QElapsedTimer t;
        t.start();
        main.workspace().openConnection();
        main.workspace().fillFieldCheckLists();
        main.runInitialQuery(true);
        window.push_back(t.nsecsElapsed());
    }
    const QByteArray persons = serverStatement(
        statementText(StandardQueries::describe(StandardQuery::Committente).lines));
    const double windowFloor = timeMs([&] {
        BareConnection bare(settings);
        bare.readAll(persons);
    });
    row("open + persons query (main window)", medianMs(window), windowFloor, 1.5);
}

void benchQueries(Database &db, const PgSettings &settings)
{
    std::printf("S3. Queries of the \"Database\" menu and both drill-down statements (Query::open)\n");
    BareConnection bare(settings);
    // A statement the server cannot run in a reasonable time is cancelled and reported.
    const int timeoutS = 30;
    db.exec(QStringLiteral("SET statement_timeout = '%1s'").arg(timeoutS));
    bare.exec(QStringLiteral("SET statement_timeout = '%1s'").arg(timeoutS).toUtf8());
    const auto line = [&](const QString &name, const QStringList &lines, double target) {
        Query query(&db);
        query.setSql(lines);
        try {
            const double ours = shortMs([&] { query.open(); });
            const QByteArray sql = serverStatement(query.statementText());
            const double floor = shortMs([&] { bare.readAll(sql); });
            row(qPrintable(QStringLiteral("%1 (%2 rows)").arg(name).arg(query.recordCount())), ours, floor, target);
        } catch (const DbError &) {
            std::printf("  %-52s cancelled by the server after %d s  MISSED\n", qPrintable(name), timeoutS);
        }
    };
    const std::vector<std::pair<const char *, StandardQuery>> queries = {
        {"Rubrica", StandardQuery::Committente},
        {"Con progetti", StandardQuery::ConProgetti},
        {"Senza progetti", StandardQuery::SenzaProgetti},
        {"Progetti", StandardQuery::Progetto},
        {"In corso", StandardQuery::InCorso},
        {"Da iniziare", StandardQuery::DaIniziare},
        {"Sospesi", StandardQuery::Sospesi},
        {"Progetti non pagati", StandardQuery::NonPagati},
        {"Progetti pagati", StandardQuery::Pagati},
    };
    for (const auto &q : queries)
        line(QLatin1String(q.first), StandardQueries::describe(q.second).lines, 1.5);

    // The person with most projects, and that person's project with most payments.
    const qint64 person = db.scalar("SELECT IdCommittente FROM Progetto GROUP BY IdCommittente "
                                    "ORDER BY COUNT(*) DESC, IdCommittente LIMIT 1")
                              .toLongLong();
    const QString surname
        = db.scalar(QStringLiteral("SELECT Cognome FROM Committente WHERE IdCommittente=%1").arg(person).toUtf8())
              .toString();
    const qint64 project = db.scalar(QStringLiteral("SELECT IdProgetto FROM Pagamenti WHERE IdProgetto IN "
                                                    "(SELECT IdProgetto FROM Progetto WHERE IdCommittente=%1) "
                                                    "GROUP BY IdProgetto ORDER BY COUNT(*) DESC, IdProgetto LIMIT 1")
                                         .arg(person)
                                         .toUtf8())
                               .toLongLong();
    line(QStringLiteral("drill-down to a person's projects"), StandardQueries::projectsOfPerson(person, surname), 1.5);
    line(QStringLiteral("drill-down to a project's payments"),
         StandardQueries::paymentsOfProject(QString::number(project)), 1.5);
}

// A payment entered in a project's payments view, saved with the project's paid amount, against
// the same INSERT and UPDATE in one transaction with libpq alone.
void benchSave(const QString &folder, const PgSettings &settings)
{
    std::printf("S4. Saving one payment with its project's paid amount\n");
    Principale main(folder);
    main.workspace().setServer(settings);
    main.workspace().openConnection();
    main.workspace().fillFieldCheckLists();
    Database &db = main.connection();
    const qint64 project = db.scalar("SELECT IdProgetto FROM Progetto WHERE Importo_pagato < Importo_totale "
                                     "ORDER BY IdProgetto LIMIT 1")
                               .toLongLong();
    main.globals().drillDown.projectKey = QString::number(project);
    ResultStep payments = StandardQueries::projectsQuery({"SELECT IdProgetto, IdFattura, Importo, Data, Fattura",
                                                          "FROM Pagamenti",
                                                          QStringLiteral("WHERE IdProgetto =%1").arg(project)},
                                                         QStringLiteral("Query attuale: pagamenti"));
    payments.viewKind = ViewPayments;
    payments.insertKind = InsertPayment;
    main.runQuery(payments);
    Query *q = main.query();
    q->setFieldReadOnly(q->fieldIndex(QStringLiteral("Importo")), false);
    const auto save = [&] {
        q->insert(); // the program links the payment to its project
        q->fieldByName(QStringLiteral("Importo")).setValue(1);
        q->post(); // and adds it to the project's paid amount
    };
    BareConnection bare(settings);
    const QByteArray key = QByteArray::number(project);
    const auto bareSave = [&] {
        bare.exec("BEGIN");
        bare.readAll("INSERT INTO pagamenti (idprogetto, importo) VALUES ($1, 1)", {key});
        bare.readAll("UPDATE progetto SET importo_pagato = importo_pagato + 1 WHERE idprogetto = $1", {key});
        bare.exec("COMMIT");
    };
    // One save each first: a connection's first save reads the tables' and the trigger's
    // definitions, which neither side does again.
    const auto count = [&] {
        return db.scalar(QStringLiteral("SELECT COUNT(*) FROM Pagamenti WHERE IdProgetto=%1").arg(project).toUtf8())
            .toLongLong();
    };
    const qint64 before = count();
    save();
    bareSave();
    // A save takes well under a millisecond on both sides: both are timed by repetition, whose
    // median group leaves out a moment when the machine was busy elsewhere.
    const double ours = repeatedMs(save);
    const qint64 saved = count() - before - 1; // less the floor's first save
    const double floor = repeatedMs(bareSave);
    std::printf("    %lld payments saved by the program, the project's paid amount %s\n", (long long) saved,
                db.scalar(QStringLiteral("SELECT Importo_pagato - (SELECT SUM(Importo) FROM Pagamenti WHERE "
                                         "IdProgetto=%1) FROM Progetto WHERE IdProgetto=%1")
                              .arg(project)
                              .toUtf8())
                            .toDouble()
                        == 0
                    ? "is their sum"
                    : "IS NOT THEIR SUM");
    row(qPrintable(QStringLiteral("one payment through the program (%1 in the view)").arg(q->recordCount())), ours,
        floor, 2.0);
}

// A change committed at one desk, until another desk showing all persons has read them again;
// the floor is the notice reaching a connection of libpq alone that listens.
void benchNotice(const QString &folder, const PgSettings &settings)
{
    std::printf("S5. A change made at one desk, shown at another (all persons shown there)\n");
    Principale desk(folder);
    desk.workspace().setServer(settings);
    desk.workspace().openConnection();
    desk.workspace().fillFieldCheckLists();
    desk.runStandardQuery(StandardQuery::Committente);
    desk.findChild<ChangeWatcher *>()->watch();
    Query *shown = desk.query();
    Database other;
    other.openServer(settings);
    const qint64 person = other.scalar("SELECT MIN(IdCommittente) FROM Committente").toLongLong();
    int serial = 0;
    const auto change = [&] {
        Statement update(other, "UPDATE Committente SET Note = ? WHERE IdCommittente = ?");
        update.bind(1, QStringLiteral("Nota %1").arg(++serial));
        update.bind(2, person);
        update.step();
    };
    std::vector<qint64> ours, floor;
    bool allShown = true;
    for (int i = 0; i < gRuns; ++i) {
        QEventLoop loop;
        QObject::connect(shown, &Query::resultChanged, &loop, &QEventLoop::quit, Qt::QueuedConnection);
        QTimer::singleShot(5000, &loop, &QEventLoop::quit);
        QElapsedTimer t;
        t.start();
        change();
        loop.exec();
        ours.push_back(t.nsecsElapsed());
        const int row = shown->currentRow();
        shown->setCurrentRow(0);
        allShown = allShown
                   && shown->fieldByName(QStringLiteral("Note")).asString() == QStringLiteral("Nota %1").arg(serial);
        shown->setCurrentRow(row);
    }
    BareConnection listener(settings);
    listener.exec("LISTEN " + ServerSchema::notificationChannel());
    for (int i = 0; i < gRuns; ++i) {
        QElapsedTimer t;
        t.start();
        change();
        allShown = listener.waitForNotice(5000) && allShown;
        floor.push_back(t.nsecsElapsed());
    }
    std::printf("    %d persons read again after each change (a pause of %d ms gathers one save's changes)%s\n",
                shown->recordCount(), ChangeWatcher::kGatherMs, allShown ? "" : "; SOME CHANGE WAS NOT SHOWN");
    limitRow("change shown at the other desk", medianMs(ours), medianMs(floor), 1000);
}

} // namespace

int memoryChild(const QString &connection, const QString &folder)
{
    PgSettings settings;
    QString error;
    if (!PgSettings::fromConnectionString(connection, &settings, &error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    Principale main(folder);
    main.workspace().setServer(settings);
    main.workspace().openConnection();
    main.workspace().fillFieldCheckLists();
    // The peak is measured from here: writing 5 to clear_refs resets it to the resident size.
    if (QFile clear(QStringLiteral("/proc/self/clear_refs")); clear.open(QIODevice::WriteOnly))
        clear.write("5");
    const long before = statusKb("VmHWM:");
    main.runStandardQuery(StandardQuery::Committente);
    const long peak = statusKb("VmHWM:");
    const size_t held = main.query()->memoryUsed();
    const size_t text = BareConnection(settings).readAll(serverStatement(main.query()->statementText()));
    const double ratio = (peak - before) * 1024.0 / double(text);
    std::printf("  %d rows: result text %.1f MB, held in %.1f MB (%.2f x); the process grew by %.1f MB while it "
                "loaded: %.2f x the text  %s (within 2 x)\n",
                main.query()->recordCount(), text / 1e6, held / 1e6, double(held) / double(text),
                (peak - before) / 1024.0, ratio, ratio <= 2.0 ? "ok" : "MISSED");
    return 0;
}

int run(const QString &folder, int persons, const QString &clusterScript)
{
    std::printf("\n== %d persons on the office server (local socket); floor = libpq alone\n", persons);
    Cluster cluster(clusterScript);
    Database file;
    file.open(Schema::databasePath(folder), Schema::databasePassword());
    benchMove(file, cluster, persons);
    file.close();
    const PgSettings settings = cluster.settings(kBenchDatabase);
    benchOpen(folder, settings);

    std::printf("S6. Memory while the persons result loads (a process of its own)\n");
    std::fflush(stdout);
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedChannels);
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--server-memory-child"),
                                                          QStringLiteral("host=%1 dbname=%2 user=%3 sslmode=disable")
                                                              .arg(settings.host, settings.database, settings.user),
                                                          QStringLiteral("--server-folder"), folder});
    child.waitForFinished(-1);

    {
        Database db;
        db.openServer(settings);
        benchQueries(db, settings);
    }
    benchSave(folder, settings);
    benchNotice(folder, settings);
    return 0;
}

} // namespace BenchServer
