// pratilio-deskworker <program folder> <server socket folder or host> <database> <desk> <saves> [seconds]:
// one desk of an office working on a shared server through the program's own code paths (the
// workspace's query and its record hooks, as the main window drives them): payments added to,
// changed in and deleted from the same three projects, new persons, and edits of the same
// project and person rows. It stops after <saves> attempts (0: no limit) or [seconds].
//
// Every save it believes done is written on standard output, one line each, flushed before
// the next save begins, so that the test can check each against the database:
//   payment <IdFattura> <IdProgetto> <cents>     a new payment
//   amount <IdFattura> <cents>                   a payment's amount changed
//   deleted <IdFattura>                          a payment deleted
//   person <IdCommittente> <Cognome>             a new person (its three rows)
//   project <IdProgetto> <Descrizione>           a project's description changed
//   note <IdCommittente> <Note>                  a person's note changed
//   refused <what the user was told>             a save refused: nothing of it written
#include "consoledialogs.h"
#include "core/workspace.h"
#include "data/database.h"
#include "data/query.h"
#include "editing/recordhooks.h"
#include "queries/querysequence.h"
#include "queries/resultstep.h"
#include "queries/standardqueries.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QRandomGenerator>
#include <QThread>

#include <cstdio>

namespace {

void say(const QString &line)
{
    std::printf("%s\n", qPrintable(line));
    std::fflush(stdout);
}

class Desk
{
public:
    Desk(Workspace &workspace, int desk) : ws_(workspace), hooks_(workspace), desk_(desk), random_(quint32(desk) * 7919)
    {
        hooks_.install();
    }

    // One save attempt; what it did is said on standard output.
    void step(int n)
    {
        const QString mark = QStringLiteral("d%1n%2").arg(desk_).arg(n);
        const quint32 pick = random_.bounded(100);
        if (pick < 40)
            addPayment(mark);
        else if (pick < 55)
            changePayment();
        else if (pick < 62)
            deletePayment();
        else if (pick < 80)
            addPerson(mark);
        else if (pick < 90)
            editProject(mark);
        else
            editNote(mark);
    }

    // A refused save is taken back, as the user would cancel it, and the work goes on.
    void cancelPending()
    {
        Query &q = *ws_.query();
        if (q.state() != Query::State::Browse)
            q.cancel();
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

    QString cents() const
    {
        return QStringLiteral("%1,%2").arg(random_.bounded(5000)).arg(random_.bounded(100), 2, 10, QLatin1Char('0'));
    }

    Query &openPayments(int project)
    {
        ws_.globals().drillDown.projectKey = QString::number(project);
        open(StandardQueries::paymentsOfProject(QString::number(project)), InsertPayment, ViewPayments);
        return *ws_.query();
    }

    // A shared project, 1 to 3.
    int project() const { return 1 + int(random_.bounded(3)); }

    void addPayment(const QString &mark)
    {
        const int key = project();
        Query &q = openPayments(key);
        q.insert();
        q.fieldByName(QStringLiteral("Importo")).setValue(cents());
        q.fieldByName(QStringLiteral("Fattura")).setValue(mark);
        q.post();
        say(QStringLiteral("payment %1 %2 %3")
                .arg(q.fieldByName(QStringLiteral("IdFattura")).asString())
                .arg(key)
                .arg(q.fieldByName(QStringLiteral("Importo")).asCents()));
    }

    bool pickPayment(Query &q)
    {
        if (q.isEmpty())
            return false;
        q.setCurrentRow(int(random_.bounded(q.recordCount())));
        return true;
    }

    void changePayment()
    {
        Query &q = openPayments(project());
        if (!pickPayment(q))
            return;
        q.edit();
        q.fieldByName(QStringLiteral("Importo")).setValue(cents());
        q.post();
        say(QStringLiteral("amount %1 %2")
                .arg(q.fieldByName(QStringLiteral("IdFattura")).asString())
                .arg(q.fieldByName(QStringLiteral("Importo")).asCents()));
    }

    void deletePayment()
    {
        Query &q = openPayments(project());
        if (!pickPayment(q))
            return;
        const QString key = q.fieldByName(QStringLiteral("IdFattura")).asString();
        q.deleteRecord();
        say(QStringLiteral("deleted %1").arg(key));
    }

    void addPerson(const QString &mark)
    {
        open(StandardQueries::describe(StandardQuery::Committente).lines, InsertPerson, ViewPersons);
        Query &q = *ws_.query();
        q.insert();
        q.fieldByName(QStringLiteral("Cognome")).setValue(mark);
        q.fieldByName(QStringLiteral("Qualifica")).setValue(QStringLiteral("Ing."));
        q.post();
        say(QStringLiteral("person %1 %2")
                .arg(q.fieldByName(QStringLiteral("Committente.IdCommittente")).asString(), mark));
    }

    void editProject(const QString &mark)
    {
        const int key = project();
        open({QStringLiteral("SELECT IdProgetto, Descrizione, Importo_totale, Importo_pagato"),
              QStringLiteral("FROM Progetto"), QStringLiteral("WHERE IdProgetto = %1").arg(key)},
             InsertNone, ViewProjects);
        Query &q = *ws_.query();
        if (q.isEmpty())
            return;
        q.edit();
        q.fieldByName(QStringLiteral("Descrizione")).setValue(mark);
        q.post();
        say(QStringLiteral("project %1 %2").arg(key).arg(mark));
    }

    void editNote(const QString &mark)
    {
        open(StandardQueries::describe(StandardQuery::Committente).lines, InsertPerson, ViewPersons);
        Query &q = *ws_.query();
        // One of the first persons, the rows every desk edits.
        const QString wanted = QString::number(1 + random_.bounded(2));
        const int column = q.fieldIndex(QStringLiteral("Committente.IdCommittente"));
        int row = 0;
        while (row < q.recordCount() && q.text(row, column) != wanted)
            ++row;
        if (row == q.recordCount())
            return;
        q.setCurrentRow(row);
        q.edit();
        q.fieldByName(QStringLiteral("Note")).setValue(mark);
        q.post();
        say(QStringLiteral("note %1 %2")
                .arg(q.fieldByName(QStringLiteral("Committente.IdCommittente")).asString(), mark));
    }

    Workspace &ws_;
    RecordHooks hooks_;
    int desk_;
    mutable QRandomGenerator random_;
};

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 6) {
        std::fprintf(stderr, "uso: pratilio-deskworker <cartella del programma> <server> <database> <postazione> "
                             "<salvataggi> [secondi]\n");
        return 2;
    }
    ConsoleDialogs dialogs;
    Dialogs::install(&dialogs);
    Workspace workspace(QString::fromLocal8Bit(argv[1]));
    PgSettings server;
    server.host = QString::fromLocal8Bit(argv[2]);
    server.database = QString::fromLocal8Bit(argv[3]);
    server.user = QStringLiteral("pratilio");
    server.sslMode = QStringLiteral("disable");
    workspace.setServer(server);
    try {
        workspace.openConnection();
    } catch (const std::exception &e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    const int desk = QByteArray(argv[4]).toInt();
    const long saves = QByteArray(argv[5]).toLong();
    const QDeadlineTimer deadline = argc > 6 ? QDeadlineTimer(QByteArray(argv[6]).toLong() * 1000)
                                             : QDeadlineTimer(QDeadlineTimer::Forever);
    Desk worker(workspace, desk);
    for (long i = 0; (saves <= 0 || i < saves) && !deadline.hasExpired(); ++i) {
        try {
            worker.step(int(i));
        } catch (const std::exception &e) {
            // What the user would be told; the desk goes on with the next save.
            say(QStringLiteral("refused %1").arg(QString::fromUtf8(e.what()).simplified()));
            try {
                worker.cancelPending();
            } catch (const std::exception &e2) {
                std::fprintf(stderr, "%s\n", e2.what());
            }
            // As a user would, the desk reads the message before the next try.
            QThread::msleep(20);
        }
    }
    return 0;
}
