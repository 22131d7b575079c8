// pratilio-bench: speed and memory of the program's data paths on large demo databases,
// each figure next to its floor (the raw engine doing the same work) measured in the same
// run, as a ratio, because absolute times on a shared machine drift.
#include "data/database.h"
#include "data/demodata.h"
#include "data/query.h"
#include "data/schema.h"
#include "data/sqlite.h"
#include "views/resultmodel.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QHeaderView>
#include <QProcess>
#include <QTableView>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

const QStringList kPersons = {
    "SELECT Committente.IdCommittente, Cognome, Nome, Qualifica, Indirizzo.IdCommittente, CAP, Città, Via, "
    "Recapiti.*, Codice_fiscale, Partita_iva, Note",
    "FROM Committente, Indirizzo, Recapiti",
    "WHERE Committente.IdCommittente=Indirizzo.IdCommittente AND Indirizzo.IdCommittente=Recapiti.IdCommittente"};
const QStringList kProjects = {
    "SELECT IdProgetto, Progetto.IdCommittente, Cognome_progettista, Nome_progettista, Descrizione, Comune, Stato, "
    "Importo_totale, Importo_pagato, Data_inizio, Data_fine, Data_scadenza, Archivio, Nota",
    "FROM Committente, Progetto", "WHERE Committente.IdCommittente=Progetto.IdCommittente"};

int gRuns = 5;

double medianMs(std::vector<qint64> ns)
{
    std::sort(ns.begin(), ns.end());
    return ns.empty() ? 0 : double(ns[ns.size() / 2]) / 1e6;
}

double timeMs(const std::function<void()> &work, int runs = gRuns)
{
    std::vector<qint64> ns;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        work();
        ns.push_back(t.nsecsElapsed());
    }
    return medianMs(ns);
}

// The floor: the raw engine stepping through a statement and reading every column as text.
size_t stepAll(Database &db, const QByteArray &sql)
{
    Statement st(db, sql);
    const int columns = st.columnCount();
    size_t bytes = 0;
    while (st.step()) {
        for (int c = 0; c < columns; ++c) {
            sqlite3_column_text(st.handle(), c);
            bytes += size_t(sqlite3_column_bytes(st.handle(), c));
        }
    }
    return bytes;
}

QByteArray joined(const QStringList &lines)
{
    return lines.join(QStringLiteral("\r\n")).toUtf8();
}

void row(const char *what, double ours, double floor, double target)
{
    const double ratio = floor > 0 ? ours / floor : 0;
    if (floor < 1.0) {
        // Below a millisecond the ratio is noise; both are instant for the user.
        std::printf("  %-52s %9.3f ms %9.3f ms %7s  ok (instant)\n", what, ours, floor, "-");
        return;
    }
    std::printf("  %-52s %9.1f ms %9.1f ms %7.2f  %s\n", what, ours, floor, ratio,
                target <= 0 ? "" : (ratio <= target ? "ok" : "MISSED"));
}

QString ensureDatabase(const QString &dir, int persons)
{
    QDir().mkpath(dir);
    const QString path = QDir(dir).filePath(QStringLiteral("demo-%1.mdb").arg(persons));
    if (!QFile::exists(path)) {
        std::printf("Creating %s ...\n", qPrintable(path));
        std::fflush(stdout);
        Database db;
        db.create(path, Schema::databasePassword());
        Schema::createTables(db);
        DemoData::fill(db, persons);
    }
    return path;
}

long statusKb(const char *key)
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : f.readAll().split('\n'))
        if (line.startsWith(key))
            return line.mid(int(qstrlen(key))).trimmed().split(' ').first().toLong();
    return 0;
}

void benchOpen(const QString &path)
{
    std::printf("1. Opening the database and the start-up persons query\n");
    const double ours = timeMs([&] {
        Database db;
        db.open(path, Schema::databasePassword());
        Query q(&db);
        q.setSql(kPersons);
        q.open();
    });
    const double floor = timeMs([&] {
        Database db;
        db.open(path, Schema::databasePassword());
        stepAll(db, joined(kPersons));
    });
    row("open + persons query", ours, floor, 1.5);
}

void benchQueries(Database &db)
{
    std::printf("2. Queries (the persons and projects catalogue statements)\n");
    struct Named
    {
        const char *name;
        QStringList sql;
    };
    const QString distinct = QString(kPersons[0]).replace("SELECT ", "SELECT DISTINCT ");
    // Drill into the person with most projects and the project with most payments.
    const QString person = db.scalar("SELECT IdCommittente FROM Progetto GROUP BY IdCommittente "
                                     "ORDER BY COUNT(*) DESC LIMIT 1").toString();
    const QString surname = db.scalar(("SELECT Cognome FROM Committente WHERE IdCommittente=" + person).toUtf8())
                                .toString()
                                .replace("'", "''");
    const QString project = db.scalar("SELECT IdProgetto FROM Pagamenti GROUP BY IdProgetto "
                                      "ORDER BY COUNT(*) DESC LIMIT 1").toString();
    const std::vector<Named> queries = {
        {"Rubrica", kPersons},
        {"Con progetti", {distinct, "FROM Committente, Progetto, Indirizzo, Recapiti",
                          "WHERE Committente.IdCommittente=Progetto.IdCommittente AND Committente.IdCommittente=Indirizzo.IdCommittente AND Indirizzo.IdCommittente=Recapiti.IdCommittente"}},
        {"Senza progetti", {distinct, kPersons[1],
                            "WHERE Committente.IdCommittente NOT IN (SELECT Progetto.IdCommittente FROM Progetto)AND Committente.IdCommittente=Indirizzo.IdCommittente AND Indirizzo.IdCommittente=Recapiti.IdCommittente"}},
        {"Progetti", kProjects},
        {"Progetti in corso", {kProjects[0], kProjects[1], "WHERE Committente.IdCommittente=Progetto.IdCommittente AND Stato = \"In corso\""}},
        {"Progetti non pagati", {kProjects[0], kProjects[1], "WHERE Committente.IdCommittente=Progetto.IdCommittente AND Importo_pagato < Importo_totale"}},
        {"Progetti pagati", {kProjects[0], kProjects[1], "WHERE Committente.IdCommittente=Progetto.IdCommittente AND Importo_pagato = Importo_totale"}},
        {"Drill-down: projects of a person", {QString(kProjects[0]).replace("SELECT ", "SELECT DISTINCT "), kProjects[1],
                                              "WHERE Progetto.IdCommittente=" + person + " AND Cognome_progettista='" + surname + "'"}},
        {"Drill-down: payments of a project", {"SELECT IdProgetto, IdFattura, Importo, Data, Fattura", "FROM Pagamenti", "WHERE IdProgetto =" + project}},
    };
    for (const Named &n : queries) {
        Query q(&db);
        q.setSql(n.sql);
        const double ours = timeMs([&] { q.open(); });
        const double floor = timeMs([&] { stepAll(db, joined(n.sql)); });
        row(n.name, ours, floor, 1.5);
    }
}

void benchFilterAndSort(Database &db)
{
    std::printf("3. Quick search: one keystroke's re-filter of the open result\n");
    Query persons(&db);
    persons.setSql(kPersons);
    persons.open();
    struct Case
    {
        const char *name;
        Query *query;
        QString filter;
        QStringList floorSql;
    };
    Query projects(&db);
    projects.setSql(kProjects);
    projects.open();
    const std::vector<Case> cases = {
        {"prefix   Cognome LIKE 'Ros*'", &persons, "Cognome LIKE 'Ros*'", {kPersons[0], kPersons[1], kPersons[2] + " AND Cognome LIKE 'Ros%'"}},
        {"contains Note LIKE '*tetto*'", &persons, "Note LIKE '*tetto*'", {kPersons[0], kPersons[1], kPersons[2] + " AND Note LIKE '%tetto%'"}},
        {"numeric  Importo_totale=1500 (projects)", &projects, "Importo_totale=1500", {kProjects[0], kProjects[1], kProjects[2] + " AND Importo_totale=1500"}},
    };
    for (const Case &c : cases) {
        const double ours = timeMs([&] {
            c.query->setFiltered(false);
            c.query->setFilter(c.filter);
            c.query->setFiltered(true);
        });
        const double floor = timeMs([&] { stepAll(db, joined(c.floorSql)); });
        row(c.name, ours, floor, 0.3);
    }
    persons.setFiltered(false);
    projects.setFiltered(false);

    std::printf("4. Title-click sort of the open result\n");
    const double text = timeMs([&] { persons.setSort("Cognome ASC"); });
    const double textFloor = timeMs([&] { stepAll(db, joined({kPersons[0], kPersons[1], kPersons[2], "ORDER BY Cognome ASC"})); });
    row("persons by Cognome", text, textFloor, 1.0);
    const double amount = timeMs([&] { projects.setSort("Importo_totale DESC"); });
    const double amountFloor = timeMs([&] { stepAll(db, joined({kProjects[0], kProjects[1], kProjects[2], "ORDER BY Importo_totale DESC"})); });
    row("projects by Importo_totale", amount, amountFloor, 1.0);
}

void benchRendering(Database &db, int persons)
{
    Query q(&db);
    q.setSql(kPersons);
    q.open();
    ResultModel model(&q);
    QTableView view;
    view.setModel(&model);
    view.resize(1280, 800);
    view.show();
    const double paint = timeMs([&] { view.grab(); }, gRuns * 2);
    const int visible = std::min(q.recordCount(), view.height() / std::max(1, view.verticalHeader()->defaultSectionSize()));
    const double cells = timeMs([&] {
        size_t chars = 0;
        for (int r = 0; r < visible; ++r)
            for (int c = 0; c < model.columnCount(); ++c)
                chars += size_t(model.data(model.index(r, c)).toString().size());
        Q_UNUSED(chars);
    }, gRuns * 4);
    std::printf("  %-10d rows: paint one screen %7.2f ms, data() over %d visible rows %7.3f ms\n", persons, paint,
                visible, cells);
}

int memoryChild(const QString &path)
{
    const long before = statusKb("VmRSS:");
    Database db;
    db.open(path, Schema::databasePassword());
    Query q(&db);
    q.setSql(kPersons);
    q.open();
    const size_t text = stepAll(db, joined(kPersons));
    const long peak = statusKb("VmHWM:");
    std::printf("  result text %.1f MB, result held in %.1f MB (%.2f x); process peak %.1f MB, "
                "of which %.1f MB above the process before opening (%.2f x the text)\n",
                text / 1e6, q.memoryUsed() / 1e6, double(q.memoryUsed()) / double(text), peak / 1024.0,
                (peak - before) / 1024.0, (peak - before) * 1024.0 / double(text));
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription("Speed and memory of Pratilio+ on large demo databases.");
    parser.addHelpOption();
    parser.addOption({"persons", "Sizes of the demo databases, comma separated.", "list", "10000,100000"});
    parser.addOption({"runs", "Runs per figure (the median is shown).", "n", "5"});
    parser.addOption({"dir", "Folder that keeps the demo databases between runs.", "dir", "bench"});
    parser.addOption({"memory-child", "Internal: measure memory on one database.", "path"});
    parser.process(app);
    gRuns = std::max(1, parser.value("runs").toInt());

    try {
        if (parser.isSet("memory-child"))
            return memoryChild(parser.value("memory-child"));

        std::vector<int> sizes;
        for (const QString &s : parser.value("persons").split(',', Qt::SkipEmptyParts))
            sizes.push_back(s.toInt());
        std::printf("Median of %d runs; floor = the raw engine doing the same work in the same run.\n", gRuns);
        std::printf("  %-52s %12s %12s %7s\n", "", "ours", "floor", "ratio");
        for (int persons : sizes) {
            const QString path = ensureDatabase(parser.value("dir"), persons);
            std::printf("\n== %d persons (%s)\n", persons, qPrintable(path));
            benchOpen(path);
            Database db;
            db.open(path, Schema::databasePassword());
            benchQueries(db);
            benchFilterAndSort(db);
            std::printf("5. Rendering (must not grow with the row count)\n");
            benchRendering(db, persons);
            std::printf("6. Memory with the persons result open\n");
            std::fflush(stdout);
            QProcess child;
            child.setProcessChannelMode(QProcess::ForwardedChannels);
            child.start(QCoreApplication::applicationFilePath(), {"--memory-child", path});
            child.waitForFinished(-1);
        }
    } catch (const DbError &e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
