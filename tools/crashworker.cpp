// pratilio-crashworker <program folder> <seed>: adds and deletes persons, projects and
// payments through the program's own code paths (the workspace's query and its record
// hooks, as the main window drives them) until it is killed. The crash-safety test kills it
// at random moments and checks what it left in the database.
#include "consoledialogs.h"
#include "core/gridcolumns.h"
#include "core/workspace.h"
#include "data/database.h"
#include "data/query.h"
#include "editing/recordhooks.h"
#include "queries/querysequence.h"
#include "queries/standardqueries.h"

#include <QCoreApplication>
#include <QRandomGenerator>

#include <cstdio>

namespace {

class Worker
{
public:
    Worker(Workspace &workspace, quint32 seed) : ws_(workspace), hooks_(workspace), random_(seed) { hooks_.install(); }

    void step()
    {
        switch (random_.bounded(6)) {
        case 0:
            addPerson();
            break;
        case 1:
            deleteRow(StandardQueries::describe(StandardQuery::Committente).lines, InsertPerson);
            break;
        case 2:
            addProject();
            break;
        case 3:
        case 4:
            addPayment();
            break;
        default:
            deletePayment();
            break;
        }
    }

private:
    void open(const QStringList &lines, InsertKind insertKind, ViewKind viewKind)
    {
        ResultStep step;
        step.lines = lines;
        step.viewKind = viewKind;
        step.insertKind = insertKind;
        QuerySequence::apply(ws_, step);
    }

    void addPerson()
    {
        open(StandardQueries::describe(StandardQuery::Committente).lines, InsertPerson, ViewPersons);
        Query &q = *ws_.query();
        q.insert();
        q.fieldByName(QStringLiteral("Cognome")).setValue(QStringLiteral("Prova%1").arg(random_.bounded(1000)));
        q.fieldByName(QStringLiteral("Qualifica")).setValue(QStringLiteral("Ing."));
        q.fieldByName(QStringLiteral("Note")).setValue(QString(int(random_.bounded(2000)), QLatin1Char('n')));
        q.post();
    }

    bool pickPerson()
    {
        open(StandardQueries::describe(StandardQuery::Committente).lines, InsertPerson, ViewPersons);
        Query &q = *ws_.query();
        if (q.isEmpty())
            return false;
        q.setCurrentRow(int(random_.bounded(q.recordCount())));
        ws_.globals().drillDown.personId = q.fieldByName(QStringLiteral("Committente.IdCommittente")).asInteger();
        ws_.globals().drillDown.personSurname = q.fieldByName(QStringLiteral("Cognome")).asString();
        ws_.globals().drillDown.personName = q.fieldByName(QStringLiteral("Nome")).asString();
        return true;
    }

    void addProject()
    {
        if (!pickPerson())
            return;
        const Globals &g = ws_.globals();
        open(StandardQueries::projectsOfPerson(g.drillDown.personId, g.drillDown.personSurname), InsertProject,
             ViewProjects);
        Query &q = *ws_.query();
        q.insert();
        q.fieldByName(QStringLiteral("Comune")).setValue(QStringLiteral("Roma"));
        q.fieldByName(QStringLiteral("Stato")).setValue(QStringLiteral("In corso"));
        q.fieldByName(QStringLiteral("Importo_totale")).setValue(qint64(random_.bounded(100000)));
        q.post();
    }

    bool openPayments()
    {
        const QVariant project = ws_.connection().scalar("SELECT IdProgetto FROM Progetto ORDER BY random() LIMIT 1");
        if (project.isNull())
            return false;
        ws_.globals().drillDown.projectKey = project.toString();
        open(StandardQueries::paymentsOfProject(project.toString()), InsertPayment, ViewPayments);
        return true;
    }

    void addPayment()
    {
        if (!openPayments())
            return;
        Query &q = *ws_.query();
        q.insert();
        // Cents too, so that a lost or doubled update shows in the sum.
        q.fieldByName(QStringLiteral("Importo"))
            .setValue(
                QStringLiteral("%1,%2").arg(random_.bounded(5000)).arg(random_.bounded(100), 2, 10, QLatin1Char('0')));
        q.post();
    }

    void deletePayment()
    {
        if (!openPayments() || ws_.query()->isEmpty())
            return;
        Query &q = *ws_.query();
        q.setCurrentRow(int(random_.bounded(q.recordCount())));
        q.deleteRecord();
    }

    void deleteRow(const QStringList &lines, InsertKind insertKind)
    {
        open(lines, insertKind, ViewPersons);
        Query &q = *ws_.query();
        if (q.recordCount() < 5) // keep some persons to work on
            return;
        q.setCurrentRow(int(random_.bounded(q.recordCount())));
        q.deleteRecord();
    }

    Workspace &ws_;
    RecordHooks hooks_;
    QRandomGenerator random_;
};

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "uso: pratilio-crashworker <cartella del programma> <seme> [passi]\n");
        return 2;
    }
    ConsoleDialogs dialogs;
    Dialogs::install(&dialogs);
    Workspace workspace(QString::fromLocal8Bit(argv[1]));
    try {
        workspace.openConnection();
    } catch (const std::exception &e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    std::printf("ready\n");
    std::fflush(stdout);
    Worker worker(workspace, quint32(QByteArray(argv[2]).toUInt()));
    const long steps = argc > 3 ? QByteArray(argv[3]).toLong() : -1;
    for (long i = 0; steps < 0 || i < steps; ++i) {
        try {
            worker.step();
        } catch (const std::exception &e) {
            // A refused step (a busy file) is reported as the program would and the work goes on.
            std::fprintf(stderr, "%s\n", e.what());
        }
    }
    return 0;
}
