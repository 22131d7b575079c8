// pratilio-bench: speed and memory of the program's data paths on large demo databases,
// each figure next to its floor (the raw engine doing the same work) measured in the same
// run, as a ratio, because absolute times on a shared machine drift.
#include "app/principale.h"
#include "benchmark_contacts.h"
#include "benchmark_exchange.h"
#include "benchmark_jet.h"
#include "benchmark_office.h"
#include "benchmark_server.h"
#include "benchtiming.h"
#include "data/database.h"
#include "data/query.h"
#include "data/schema.h"
#include "data/sqlite.h"
#include "demodata/demodata.h"
#include "exchange/jetreader.h"
#include "exchange/xlssheetreader.h"
#include "queries/querycomplessa.h"
#include "queries/querystandard.h"
#include "queries/standardqueries.h"
#include "views/resultmodel.h"

#include <QApplication>
#include <QComboBox>
#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QLineEdit>
#include <QProcess>
#include <QTableView>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

using namespace BenchTiming;
using BenchExchange::statusKb;

// The statements the program itself runs for all persons and all projects.
const QStringList kPersons = StandardQueries::describe(StandardQuery::Committente).lines;
const QStringList kProjects = StandardQueries::describe(StandardQuery::Progetto).lines;

// A program folder holding a demo database of `persons` persons, made once and kept.
QString ensureProgramFolder(const QString &dir, int persons)
{
    QString folder = QDir(dir).absoluteFilePath(QStringLiteral("demo-%1").arg(persons));
    const QString path = Schema::databasePath(folder);
    if (!QFile::exists(path)) {
        std::printf("Creating %s ...\n", qPrintable(path));
        std::fflush(stdout);
        QDir().mkpath(QFileInfo(path).absolutePath());
        QDir().mkpath(QDir(folder).filePath(QStringLiteral("Output")));
        Database db;
        db.create(path, Schema::databasePassword());
        Schema::createTables(db);
        DemoData::fill(db, persons);
    }
    return folder;
}

void benchOpen(const QString &folder)
{
    std::printf("1. Opening the database and running the start-up persons query, ready to show\n");
    std::vector<qint64> ours;
    for (int i = 0; i < gRuns; ++i) {
        Principale main(folder);
        QElapsedTimer t;
        t.start();
        main.workspace().openConnection();
        main.workspace().fillFieldCheckLists();
        main.runInitialQuery(true);
        ours.push_back(t.nsecsElapsed());
    }
    const double floor = timeMs([&] {
        Database db;
        db.open(Schema::databasePath(folder), Schema::databasePassword());
        stepAll(db, joined(kPersons));
    });
    row("open + persons query (main window)", medianMs(ours), floor, 1.5);
}

void benchQueries(Principale &main)
{
    std::printf("2. Queries of the \"Database\" menu and the tool bars, and both drill-down steps\n");
    Database &db = main.connection();
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
    for (const auto &query : queries) {
        const char *name = query.first;
        const StandardQuery which = query.second;
        const QStringList lines = StandardQueries::describe(which).lines;
        const double ours = timeMs([&] { main.runStandardQuery(which); });
        const double floor = timeMs([&] { stepAll(db, joined(lines)); });
        row(name, ours, floor, 1.5);
    }

    // Drill into the person with most projects, then into the project with most payments.
    const qint64 person = db.scalar("SELECT IdCommittente FROM Progetto GROUP BY IdCommittente "
                                    "ORDER BY COUNT(*) DESC LIMIT 1")
                              .toLongLong();
    auto selectRow = [&](const QString &field, qint64 key) {
        Query *q = main.query();
        const int c = q->fieldIndex(field);
        for (int r = 0; r < q->recordCount(); ++r)
            if (q->text(r, c) == QString::number(key)) {
                q->setCurrentRow(r);
                return;
            }
    };
    const qint64 project = db.scalar(QStringLiteral("SELECT IdProgetto FROM Pagamenti WHERE IdProgetto IN "
                                                    "(SELECT IdProgetto FROM Progetto WHERE IdCommittente=%1) "
                                                    "GROUP BY IdProgetto ORDER BY COUNT(*) DESC LIMIT 1")
                                         .arg(person)
                                         .toUtf8())
                               .toLongLong();
    // Each step starts from the result the user takes it from, made again before every run:
    // all persons, then the person's projects (reached from that person alone, which leaves
    // the same result and takes a fraction of the time). A step takes about a millisecond,
    // so it is repeated until the runs add up to 50 ms.
    QStringList projectsSql, paymentsSql;
    const double projects = repeatedMs(
        [&] {
            main.drillDownToProjects();
            projectsSql = main.query()->sql();
        },
        [&] {
            main.runStandardQuery(StandardQuery::Committente);
            selectRow(QStringLiteral("Committente.IdCommittente"), person);
        });
    ResultStep onePerson = StandardQueries::describe(StandardQuery::Committente);
    onePerson.lines[2] += QStringLiteral(" AND Committente.IdCommittente=%1").arg(person);
    const double payments = repeatedMs(
        [&] {
            main.drillDownToPayments();
            paymentsSql = main.query()->sql();
        },
        [&] {
            main.runQuery(onePerson);
            main.drillDownToProjects();
            selectRow(QStringLiteral("IdProgetto"), project);
        });
    // The floor reads the same select list over Progetto alone: the statement as written pairs
    // each project with every person, which the program does not have to do.
    const QStringList projectsAlone = {projectsSql.value(0), QStringLiteral("FROM Progetto"), projectsSql.value(2)};
    const double projectsFloor = shortMs([&] { stepAll(db, joined(projectsAlone)); });
    const double paymentsFloor = shortMs([&] { stepAll(db, joined(paymentsSql)); });
    // Each step's statement as the program runs it (translated, run, its rows stored), against
    // the engine alone; then the whole step, with the grid, the card and the bars made over,
    // which adds a fixed fraction of a millisecond whatever the statement.
    Query result(&db);
    const auto openResult = [&](const QStringList &sql) {
        result.setSql(sql);
        result.open();
    };
    row("drill-down to a person's projects: its statement", shortMs([&] { openResult(projectsSql); }), projectsFloor,
        2.0);
    row("  the whole step, grid and card shown", projects, projectsFloor, 0);
    row("drill-down to a project's payments: its statement", shortMs([&] { openResult(paymentsSql); }), paymentsFloor,
        1.5);
    row("  the whole step, grid and card shown", payments, paymentsFloor, 0);
}

// The four queries of the condition dialog and a complex query of five conditions over the
// five tables, each driven through its window as the user confirms it.
void benchConditionWindows(Principale &main)
{
    std::printf("2b. The condition dialog's four queries and a complex query, confirmed in their windows\n");
    Database &db = main.connection();
    QueryStandard dialog(main.workspace(), main, &main);
    const QString city = db.scalar("SELECT \"Città\" FROM Indirizzo GROUP BY \"Città\" ORDER BY COUNT(*) DESC LIMIT 1")
                             .toString();
    const struct
    {
        const char *name;
        ConditionMode mode;
        const char *widget;
        QString value;
    } cases[] = {
        {"Persona (Cognome='Rossi')", ConditionMode::NameSurname, "Edit2", QStringLiteral("Rossi")},
        {"Qualifica='Ing.'", ConditionMode::Qualification, "ComboBox1", QStringLiteral("Ing.")},
        {"Citta (most frequent)", ConditionMode::City, "ComboBox1", city},
        {"Stato progetto='In corso'", ConditionMode::ProjectState, "ComboBox1", QStringLiteral("In corso")},
    };
    for (const auto &c : cases) {
        // From "Esegui" until the result is shown and the dialog closed; the dialog is opened
        // and filled before each run, untimed.
        const auto fill = [&] {
            dialog.openFor(c.mode);
            if (auto *edit = dialog.findChild<QLineEdit *>(QLatin1String(c.widget)))
                edit->setText(c.value);
            else
                dialog.findChild<QComboBox *>(QLatin1String(c.widget))->setEditText(c.value);
        };
        std::vector<qint64> ns;
        for (int i = 0; i < gRuns; ++i) {
            fill();
            QElapsedTimer t;
            t.start();
            dialog.Button1Click();
            ns.push_back(t.nsecsElapsed());
        }
        const QStringList lines = main.query()->sql();
        const auto floorRun = [&] { stepAll(db, joined(lines)); };
        double ours = medianMs(ns);
        double floor = timeMs(floorRun);
        // A result of a few milliseconds is timed by repetition on both sides, as the other
        // short lines are.
        if (ours < 5.0) {
            ours = repeatedMs([&] { dialog.Button1Click(); }, fill);
            floor = repeatedMs(floorRun);
        }
        const QString name = QStringLiteral("%1 (%2 rows)").arg(QLatin1String(c.name)).arg(main.query()->recordCount());
        row(qPrintable(name), ours, floor, 1.5);
    }

    QueryComplessa complex(main.workspace(), main);
    const QStringList conditions[] = {
        {"", "Cognome", ">=", "M"},          {" AND ", "Città", "<>", "Nessuna"}, {" AND ", "Sito internet", "<>", "x"},
        {" AND ", "Stato", "=", "In corso"}, {" AND ", "Importo", ">", "100"},
    };
    const auto box = [&](int n) { return complex.findChild<QComboBox *>(QStringLiteral("ComboBox%1").arg(n)); };
    for (int k = 0; k < 5; ++k) {
        if (k > 0) {
            complex.speedButtonClick(k);
            box(4 * k)->setEditText(conditions[k][0]);
        }
        box(4 * k + 1)->setEditText(conditions[k][1]);
        box(4 * k + 2)->setEditText(conditions[k][2]);
        box(4 * k + 3)->setEditText(conditions[k][3]);
    }
    const double ours = timeMs([&] { complex.Button1Click(); });
    const QStringList lines = main.query()->sql();
    const QByteArray floorSql = joined(lines);
    const double floor = timeMs([&] { stepAll(db, floorSql); });
    const QString name = QStringLiteral("complex, 5 conditions, 5 tables (%1 rows)").arg(main.query()->recordCount());
    row(qPrintable(name), ours, floor, 1.5);
}

// One keystroke in the main window's search box, until the grid has its new row count.
void benchSearchBox(Principale &main)
{
    std::printf("3b. Quick search: one keystroke in the search box, until the grid shows the rows\n");
    main.runStandardQuery(StandardQuery::Committente);
    auto *field = main.findChild<QComboBox *>(QStringLiteral("ComboBox1"));
    auto *search = main.findChild<QLineEdit *>(QStringLiteral("Edit1"));
    field->setEditText(QStringLiteral("Cognome"));
    int shown = 0;
    const double ours = repeatedMs(
        [&] {
            search->setText(QStringLiteral("Ros"));
            shown = main.model()->rowCount();
        },
        [&] { search->clear(); });
    search->clear();
    const double floor = shortMs([&] {
        stepAll(main.connection(), joined({kPersons[0], kPersons[1], kPersons[2] + " AND Cognome LIKE 'Ros%'"}));
    });
    row(qPrintable(QStringLiteral("keystroke in the search box (%1 rows)").arg(shown)), ours, floor, 0.3);
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
        {"prefix   Cognome LIKE 'Ros*'",
         &persons,
         "Cognome LIKE 'Ros*'",
         {kPersons[0], kPersons[1], kPersons[2] + " AND Cognome LIKE 'Ros%'"}},
        {"contains Note LIKE '*tetto*'",
         &persons,
         "Note LIKE '*tetto*'",
         {kPersons[0], kPersons[1], kPersons[2] + " AND Note LIKE '%tetto%'"}},
        {"numeric  Importo_totale=1500 (projects)",
         &projects,
         "Importo_totale=1500",
         {kProjects[0], kProjects[1], kProjects[2] + " AND Importo_totale=1500"}},
    };
    for (const Case &c : cases) {
        const double ours = shortMs([&] {
            c.query->setFiltered(false);
            c.query->setFilter(c.filter);
            c.query->setFiltered(true);
        });
        const double floor = shortMs([&] { stepAll(db, joined(c.floorSql)); });
        row(c.name, ours, floor, 0.3);
    }
    persons.setFiltered(false);
    projects.setFiltered(false);

    std::printf("4. Title-click sort of the open result\n");
    const double text = timeMs([&] { persons.setSort("Cognome ASC"); });
    const double textFloor = timeMs([&] {
        stepAll(db, joined({kPersons[0], kPersons[1], kPersons[2], "ORDER BY Cognome ASC"}));
    });
    row("persons by Cognome", text, textFloor, 1.0);
    const double amount = timeMs([&] { projects.setSort("Importo_totale DESC"); });
    const double amountFloor = timeMs([&] {
        stepAll(db, joined({kProjects[0], kProjects[1], kProjects[2], "ORDER BY Importo_totale DESC"}));
    });
    row("projects by Importo_totale", amount, amountFloor, 1.0);
}

void benchRendering(Principale &main, int persons)
{
    main.runStandardQuery(StandardQuery::Committente);
    main.resize(1280, 800);
    main.show();
    QTableView *grid = main.grid();
    const double paint = timeMs([&] { grid->grab(); }, gRuns * 2);
    QAbstractItemModel *model = grid->model();
    const int first = grid->rowAt(0);
    const int last = std::max(first, grid->rowAt(grid->viewport()->height() - 1));
    const double cells = timeMs(
        [&] {
            size_t chars = 0;
            for (int r = first; r <= last; ++r)
                for (int c = 0; c < model->columnCount(); ++c)
                    chars += size_t(model->data(model->index(r, c)).toString().size());
            Q_UNUSED(chars);
        },
        gRuns * 4);
    std::printf("  %-10d rows: paint one screen of the grid %7.2f ms; data() over the %d visible rows %7.3f ms\n",
                persons, paint, last - first + 1, cells);
    main.hide();
}

void benchAdding(Principale &main)
{
    std::printf("7. Adding one person and one payment (keys and the project's total)\n");
    Database &db = main.connection();
    main.runStandardQuery(StandardQuery::Committente);
    Query *q = main.query();
    int added = 0;
    const double person = timeMs([&] {
        q->insert(); // the program's after-insert step assigns the three keys
        q->fieldByName(QStringLiteral("Cognome")).setValue(QStringLiteral("Prova %1").arg(++added));
        q->fieldByName(QStringLiteral("Qualifica")).setValue(QStringLiteral("Ing."));
        q->post();
    });
    const double personFloor = timeMs([&] {
        Transaction tx(db);
        const qint64 key = db.nextKey(QStringLiteral("Committente"), QStringLiteral("IdCommittente")) + 1;
        for (const char *sql :
             {"INSERT INTO Committente (IdCommittente, Cognome, Qualifica) VALUES (?, 'Prova', 'Ing.')",
              "INSERT INTO Indirizzo (IdCommittente) VALUES (?)", "INSERT INTO Recapiti (IdCommittente) VALUES (?)"}) {
            Statement st(db, sql);
            st.bind(1, key);
            st.step();
        }
        tx.commit();
    });
    row("one person through the program", person, personFloor, 1.5);

    // A payment of a project that is not paid in full, entered in its payments view.
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
    q->setFieldReadOnly(q->fieldIndex(QStringLiteral("Importo")), false);
    const double payment = timeMs([&] {
        q->insert(); // the program links the payment to its project
        q->fieldByName(QStringLiteral("Importo")).setValue(1);
        q->post(); // and adds it to the project's paid amount
    });
    const double paymentFloor = timeMs([&] {
        Transaction tx(db);
        Statement insert(db, "INSERT INTO Pagamenti (IdProgetto, Importo) VALUES (?, 1)");
        insert.bind(1, project);
        insert.step();
        Statement update(db, "UPDATE Progetto SET Importo_pagato = Importo_pagato + 1 WHERE IdProgetto = ?");
        update.bind(1, project);
        update.step();
        tx.commit();
    });
    row("one payment through the program", payment, paymentFloor, 1.5);
}

int memoryChild(const QString &folder)
{
    const long before = statusKb("VmRSS:");
    Principale main(folder);
    main.workspace().openConnection();
    main.workspace().fillFieldCheckLists();
    main.runInitialQuery(true);
    const size_t text = stepAll(main.connection(), joined(kPersons));
    const long peak = statusKb("VmHWM:");
    const size_t held = main.query()->memoryUsed();
    std::printf("  result text %.1f MB, held in %.1f MB (%.2f x); process peak %.1f MB, of which %.1f MB "
                "above the process before the main window (%.2f x the text)\n",
                text / 1e6, held / 1e6, double(held) / double(text), peak / 1024.0, (peak - before) / 1024.0,
                (peak - before) * 1024.0 / double(text));
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    XlsSheetReader::setFallbackHelper(QStringLiteral(PRATILIO_XLSREAD));
    JetReader::setFallbackHelper(QStringLiteral(PRATILIO_MDBREAD));
    std::setvbuf(stdout, nullptr, _IOLBF, 0); // lines as they come, also into a file
    QCommandLineParser parser;
    parser.setApplicationDescription("Speed and memory of Pratilio+ on large demo databases.");
    parser.addHelpOption();
    parser.addOption({"persons", "Sizes of the demo databases, comma separated.", "list", "10000,100000"});
    parser.addOption({"runs", "Runs per figure (the median is shown).", "n", "5"});
    parser.addOption({"dir", "Folder that keeps the demo databases between runs.", "dir", "bench"});
    parser.addOption({"memory-child", "Internal: measure memory on one program folder.", "folder"});
    parser.addOption({"exchange-only", "Only the figures of the export and import (workbooks, cards, CSV)."});
    parser.addOption({"contacts-only", "Only the figures of the address cards' and CSV's export and import."});
    parser.addOption({"imports-only", "Only the figures of the imports from workbooks and address cards."});
    parser.addOption({"queries-only", "Only the figures of the queries, the drill-down and the quick search."});
    parser.addOption({"export-memory-child", "Internal: measure an export's memory on one program folder.", "folder"});
    parser.addOption({"jet", "The old Jet archive whose conversion is timed (skipped when absent).", "file",
                      QStringLiteral(PRATILIO_OLD_ARCHIVE)});
    parser.addOption({"jet-only", "Only the old archive's conversion."});
    parser.addOption({"server", "Only the office server's figures, on a throw-away PostgreSQL cluster."});
    parser.addOption({"server-memory-child", "Internal: measure memory on a server.", "connection"});
    parser.addOption({"server-folder", "Internal: the program folder of --server-memory-child.", "folder"});
    parser.process(app);
    gRuns = std::max(1, parser.value("runs").toInt());

    try {
        if (parser.isSet("memory-child"))
            return memoryChild(parser.value("memory-child"));
        if (parser.isSet("export-memory-child"))
            return BenchExchange::exportMemoryChild(parser.value("export-memory-child"));
        if (parser.isSet("server-memory-child"))
            return BenchServer::memoryChild(parser.value("server-memory-child"), parser.value("server-folder"));

        std::vector<int> sizes;
        for (const QString &s : parser.value("persons").split(',', Qt::SkipEmptyParts))
            sizes.push_back(s.toInt());
        std::printf("Median of %d runs; floor = the raw engine doing the same work in the same run.\n", gRuns);
        std::printf("  %-52s %12s %12s %7s\n", "", "ours", "floor", "ratio");
        if (parser.isSet("server")) {
            for (int persons : sizes)
                BenchServer::run(ensureProgramFolder(parser.value("dir"), persons), persons,
                                 QStringLiteral(PRATILIO_PGCLUSTER_SCRIPT));
            return 0;
        }
        BenchJet::conversion(parser.value("jet"), QDir(parser.value("dir")).filePath("jet"));
        if (parser.isSet("jet-only"))
            return 0;
        const bool contactsOnly = parser.isSet("contacts-only");
        const bool importsOnly = parser.isSet("imports-only");
        const auto exchange = [&](Database &db, const QString &folder, int persons) {
            const QString work = QDir(parser.value("dir")).filePath("exchange");
            if (!contactsOnly && !importsOnly) {
                BenchExchange::exportSpeed(db, persons, gRuns);
                std::printf("9. Memory while exporting (the process's peak, from the result open)\n");
                std::fflush(stdout);
                QProcess child;
                child.setProcessChannelMode(QProcess::ForwardedChannels);
                child.start(QCoreApplication::applicationFilePath(), {"--export-memory-child", folder});
                child.waitForFinished(-1);
            }
            if (!contactsOnly)
                BenchExchange::importSpeed(db, work, persons, gRuns);
            if (!importsOnly)
                BenchContacts::exportSpeed(db, gRuns);
            BenchContacts::importSpeed(db, work, persons, gRuns);
        };
        for (int persons : sizes) {
            const QString folder = ensureProgramFolder(parser.value("dir"), persons);
            std::printf("\n== %d persons (%s)\n", persons, qPrintable(folder));
            if (parser.isSet("exchange-only") || contactsOnly || importsOnly) {
                Database db;
                db.open(Schema::databasePath(folder), Schema::databasePassword());
                exchange(db, folder, persons);
                continue;
            }
            benchOpen(folder);
            // Measured first, in a process of its own: the program below holds the database's
            // one-writer lock, which a second copy is refused.
            std::printf("6. Memory with the persons result open\n");
            std::fflush(stdout);
            QProcess child;
            child.setProcessChannelMode(QProcess::ForwardedChannels);
            child.start(QCoreApplication::applicationFilePath(), {"--memory-child", folder});
            child.waitForFinished(-1);
            Principale main(folder);
            main.workspace().openConnection();
            main.workspace().fillFieldCheckLists();
            benchQueries(main);
            benchConditionWindows(main);
            benchFilterAndSort(main.connection());
            benchSearchBox(main);
            if (parser.isSet("queries-only"))
                continue;
            std::printf("5. Rendering (must not grow with the row count)\n");
            benchRendering(main, persons);
            benchAdding(main);
            exchange(main.connection(), folder, persons);
            BenchOffice::totals(main.connection());
            BenchOffice::backup(main.connection(), folder);
            BenchOffice::printing(main, folder);
        }
    } catch (const DbError &e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
