// What each step that replaces the result decides before it runs (the drill-down's two steps,
// the payments reopened after a save, the complex query), and how the sequence carries a
// step out: in which order the screen hears of it, what a rejected statement leaves, what a
// step that names nothing leaves alone.
#include "core/lookups.h"
#include "core/resultscreen.h"
#include "core/workspace.h"
#include "data/database.h"
#include "data/dberror.h"
#include "data/query.h"
#include "data/table.h"
#include "queries/complexquery.h"
#include "queries/querysequence.h"
#include "queries/resultstep.h"
#include "queries/standardqueries.h"
#include "support/scripteddialogs.h"
#include "support/testdatabase.h"

#include <QTest>

Q_DECLARE_METATYPE(ResultStep)
Q_DECLARE_METATYPE(DrillDownContext)

namespace {

// Records what the sequence tells the main window, one line a call.
class RecordingScreen : public ResultScreen
{
public:
    explicit RecordingScreen(const Query &query) : query_(query) {}
    QStringList calls;

    void setSearchField(const QString &label) override { calls << "search " + label; }
    void clearSearchText() override { calls << "clearSearch"; }
    void setAddEnabled(bool enabled) override { calls << QStringLiteral("add %1").arg(enabled); }
    void setDeleteEnabled(bool enabled) override { calls << QStringLiteral("delete %1").arg(enabled); }
    void resetDrillDown(const QString &caption) override { calls << "resetToggle " + caption; }
    void setDrillDownCaption(const QString &caption) override { calls << "toggleCaption " + caption; }
    void setDrillDownEnabled(bool enabled) override { calls << QStringLiteral("toggleEnabled %1").arg(enabled); }
    bool isDrillDownPressed() const override { return true; }
    void setGridEditable(bool editable) override { calls << QStringLiteral("editable %1").arg(editable); }
    bool isGridEditable() const override { return true; }
    void unbindEditors() override { calls << "unbind"; }
    void showColumns() override { calls << QStringLiteral("showColumns active=%1").arg(query_.isActive()); }
    void setUpCard() override { calls << "setUpCard"; }
    void bindCard() override { calls << "bindCard"; }
    void colourCard() override { calls << "colourCard"; }
    void hideGridDatePicker() override { calls << "hidePicker"; }
    void setStatusText(const QString &text) override
    {
        calls << QStringLiteral("status %1 active=%2").arg(text).arg(query_.isActive());
    }

private:
    const Query &query_;
};

struct Fixture
{
    TestDatabase db{4};
    ScriptedDialogs dialogs;
    Workspace workspace{db.programDir()};
    RecordingScreen screen{*workspace.query()};
    Fixture()
    {
        db.useIn(workspace);
        workspace.openConnection();
        workspace.fillFieldCheckLists();
    }
    QString projectKey() { return db.db().scalar("SELECT MIN(IdProgetto) FROM Progetto").toString(); }
};

const DrillDownContext kEarlier{7, QStringLiteral("Rossi"), QStringLiteral("Mario"), QStringLiteral("12")};

} // namespace

class TestResultStep : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void drillDownSteps_data();
    void drillDownSteps();
    void paidProjectTakesNoPayment_data();
    void paidProjectTakesNoPayment();
    void complexQuerySteps_data();
    void complexQuerySteps();
    void queriesHoldNoPayments();
    void sequenceOrder_data();
    void sequenceOrder();
    void rejectedStatementLeavesCardEmptyAndStateTaken();
    void unnamedStateStays();
    void applyMarksFieldsAndBindsParameters();
    void projectStatesInTableOrder();
};

void TestResultStep::drillDownSteps_data()
{
    QTest::addColumn<ResultStep>("step");
    QTest::addColumn<int>("viewKind");
    QTest::addColumn<int>("insertKind"); // -1: unchanged
    QTest::addColumn<DrillDownContext>("context");
    QTest::addColumn<bool>("keepsScreen");
    QTest::addColumn<bool>("colourCard");
    QTest::addColumn<QStringList>("readOnly");
    QTest::addColumn<QString>("status");

    const ProjectRow project{"31", "D'Angelo", "Anna", "Sant'Anna", "1000", "300"};
    QTest::newRow("to projects") << ResultSteps::projectsOfPerson(kEarlier, 5, "D'Angelo", "Anna") << 2 << 2
                                 << DrillDownContext{5, "D'Angelo", "Anna", "12"} << false << true << QStringList()
                                 << "Query attuale: Progetti di D'Angelo ";
    QTest::newRow("to payments") << ResultSteps::paymentsOfProject(kEarlier, project) << 3 << 3
                                 << DrillDownContext{7, "Rossi", "Mario", "31"} << false << false
                                 << QStringList{"Importo", "Fattura"}
                                 << "Query attuale: Pagamenti effettuati da D'Angelo Anna per il progetto di Sant'Anna";
    QTest::newRow("after a save") << ResultSteps::paymentsAfterSave(kEarlier) << 3 << -1 << kEarlier << true << false
                                  << QStringList{"Importo", "Fattura"} << QString();
}

void TestResultStep::drillDownSteps()
{
    QFETCH(ResultStep, step);
    QTEST(int(step.viewKind), "viewKind");
    QTEST(step.insertKind ? int(*step.insertKind) : -1, "insertKind");
    QFETCH(DrillDownContext, context);
    QVERIFY(step.drillDown == context);
    QTEST(step.keepsScreen, "keepsScreen");
    QTEST(step.colourCard, "colourCard");
    QTEST(step.readOnlyFields, "readOnly");
    QTEST(step.status, "status");
    QVERIFY(!step.keepsViewKind);
    QCOMPARE(step.holdsPayments(), step.viewKind == ViewPayments);
    QVERIFY(step.gridEditable);
    QCOMPARE(step.lines.size(), 3);
}

void TestResultStep::paidProjectTakesNoPayment_data()
{
    QTest::addColumn<QString>("total");
    QTest::addColumn<QString>("paid");
    QTest::addColumn<bool>("open");
    QTest::newRow("nothing paid") << "1000"
                                  << "0" << true;
    QTest::newRow("paid in full") << "1000"
                                  << "1000" << false;
    QTest::newRow("paid one cent short") << "1000"
                                         << "999.99" << true;
    QTest::newRow("paid more") << "1000"
                               << "1000.01" << true;
    // The texts as the grid shows them are compared, not their values.
    QTest::newRow("same amount written otherwise") << "1000"
                                                   << "1000.00" << true;
    QTest::newRow("both empty") << ""
                                << "" << false;
}

void TestResultStep::paidProjectTakesNoPayment()
{
    QFETCH(QString, total);
    QFETCH(QString, paid);
    QFETCH(bool, open);
    const ResultStep step = ResultSteps::paymentsOfProject({}, {"4", "Costa", "Anna", "Roma", total, paid});
    QVERIFY(step.addEnabled == open);
    QVERIFY(step.deleteEnabled == open);
    QCOMPARE(step.lines.last(), QStringLiteral("WHERE IdProgetto =4"));
    QCOMPARE(step.toggle, DrillDownToggle::Disabled);
    QVERIFY(step.statusFirst); // it names the project row that the payments replace
}

void TestResultStep::complexQuerySteps_data()
{
    QTest::addColumn<QStringList>("tables");
    QTest::addColumn<bool>("canRun");
    QTest::addColumn<bool>("payments");
    QTest::newRow("payments alone") << QStringList{"Pagamenti"} << true << true;
    QTest::newRow("persons") << QStringList{"Committente"} << true << false;
    QTest::newRow("projects and payments") << QStringList{"Progetto", "Pagamenti"} << true << false;
    QTest::newRow("no table") << QStringList() << true << false;
    QTest::newRow("refused rows") << QStringList{"Pagamenti"} << false << false;
}

void TestResultStep::complexQuerySteps()
{
    QFETCH(QStringList, tables);
    QFETCH(bool, canRun);
    QFETCH(bool, payments);
    ComplexQueryStatement statement;
    statement.error = canRun ? QString() : QStringLiteral("Riga 1: manca il valore.");
    statement.lines = QStringList{"SELECT DISTINCT *", "FROM x", "WHERE Data<:01/02/2003"};
    statement.parameters = {{"01/02/2003", QDate(2003, 2, 1)}};
    statement.tables = tables;
    statement.status = QStringLiteral("Query attuale: Data<01/02/2003");
    const ResultStep step = ComplexQuery::resultStep(statement);

    // The screen is reset whether or not the statement runs.
    QVERIFY(step.keepsViewKind);
    QVERIFY(!step.insertKind);
    QVERIFY(!step.drillDown);
    QVERIFY(step.addEnabled == false);
    QVERIFY(step.deleteEnabled == false);
    QCOMPARE(step.toggle, DrillDownToggle::ResetDisabled);
    QCOMPARE(step.searchField, QString());
    QCOMPARE(step.holdsPayments(), payments);
    QCOMPARE(step.lines.isEmpty(), !canRun);
    if (!canRun)
        return;
    QVERIFY(!step.gridEditable);
    QCOMPARE(step.parameters.size(), 1);
    QCOMPARE(step.parameters.first().first, QStringLiteral("01/02/2003"));
    QCOMPARE(step.parameters.first().second.toDate(), QDate(2003, 2, 1));
    QCOMPARE(step.status, statement.status);
}

void TestResultStep::queriesHoldNoPayments()
{
    for (const StandardQuery q : {StandardQuery::Committente, StandardQuery::ConProgetti, StandardQuery::SenzaProgetti,
                                  StandardQuery::Progetto, StandardQuery::InCorso, StandardQuery::DaIniziare,
                                  StandardQuery::Sospesi, StandardQuery::NonPagati, StandardQuery::Pagati}) {
        const ResultStep step = StandardQueries::describe(q);
        QVERIFY(!step.holdsPayments());
        QVERIFY(!step.keepsScreen);
        QVERIFY(!step.keepsViewKind);
        QVERIFY(!step.drillDown);
        QCOMPARE(step.toggle, DrillDownToggle::Reset);
        QVERIFY(step.colourCard);
    }
}

void TestResultStep::sequenceOrder_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QStringList>("calls");
    QTest::newRow("query") << "query"
                           << QStringList{"search Cognome", "add 1",
                                          "delete 1",       "resetToggle Visualizza progetti",
                                          "editable 1",     "clearSearch",
                                          "unbind",         "showColumns active=1",
                                          "bindCard",       "status Query attuale: Tutte le persone active=1",
                                          "hidePicker",     "colourCard"};
    // The payments' status names the project row, so it is written before that row goes.
    QTest::newRow("to payments") << "payments"
                                 << QStringList{"search ",
                                                "add 1",
                                                "delete 1",
                                                "editable 1",
                                                "clearSearch",
                                                "status Query attuale: Pagamenti effettuati da Costa Anna per il "
                                                "progetto di Roma active=1",
                                                "unbind",
                                                "toggleEnabled 0",
                                                "showColumns active=1",
                                                "bindCard",
                                                "hidePicker"};
    QTest::newRow("after a save") << "after save"
                                  << QStringList{"toggleEnabled 0", "showColumns active=1", "bindCard", "hidePicker"};
}

void TestResultStep::sequenceOrder()
{
    QFETCH(QString, kind);
    QFETCH(QStringList, calls);
    Fixture f;
    QuerySequence::run(f.workspace, f.screen, StandardQueries::describe(StandardQuery::Committente));
    f.screen.calls.clear();
    const ProjectRow project{f.projectKey(), "Costa", "Anna", "Roma", "1000", "10"};
    const ResultStep step = kind == "query"      ? StandardQueries::describe(StandardQuery::Committente)
                            : kind == "payments" ? ResultSteps::paymentsOfProject({}, project)
                                                 : ResultSteps::paymentsAfterSave({0, {}, {}, project.key});
    QuerySequence::run(f.workspace, f.screen, step);
    QCOMPARE(f.screen.calls, calls);
}

void TestResultStep::rejectedStatementLeavesCardEmptyAndStateTaken()
{
    Fixture f;
    QuerySequence::run(f.workspace, f.screen, StandardQueries::describe(StandardQuery::Committente));
    f.db.db().exec("DROP TABLE Progetto");
    f.screen.calls.clear();
    const ResultStep step = ResultSteps::projectsOfPerson({}, 1, "Rossi", "Mario");
    QVERIFY_THROWS_EXCEPTION(DbError, QuerySequence::run(f.workspace, f.screen, step));
    QVERIFY(!f.workspace.query()->isActive());
    QCOMPARE(f.screen.calls.last(), QStringLiteral("setUpCard"));
    QVERIFY(!f.screen.calls.contains(QStringLiteral("colourCard")));
    QVERIFY(!f.screen.calls.join('|').contains(QStringLiteral("status")));
    // The step's state is taken before the statement runs.
    QCOMPARE(f.workspace.globals().viewKind, ViewProjects);
    QCOMPARE(f.workspace.globals().insertKind, InsertProject);
    QCOMPARE(f.workspace.globals().drillDown.personSurname, QStringLiteral("Rossi"));
}

void TestResultStep::unnamedStateStays()
{
    Fixture f;
    Globals &g = f.workspace.globals();
    g.viewKind = ViewProjects;
    g.insertKind = InsertProject;
    g.drillDown = kEarlier;
    g.paymentsShown = true;

    // A step without a statement resets the screen and changes nothing else.
    ComplexQueryStatement refused;
    refused.noCondition = true;
    QuerySequence::run(f.workspace, f.screen, ComplexQuery::resultStep(refused));
    QCOMPARE(g.viewKind, ViewProjects);
    QVERIFY(g.paymentsShown);
    QVERIFY(!f.screen.calls.contains(QStringLiteral("unbind")));
    QVERIFY(f.screen.calls.contains(QStringLiteral("toggleEnabled 0")));

    // A complex query keeps the view and insert kinds and the context; it answers for itself
    // whether payments are shown.
    ComplexQueryStatement persons;
    persons.lines = QStringList{"SELECT DISTINCT *", "FROM Committente", "WHERE Cognome<>''"};
    persons.tables = QStringList{"Committente"};
    persons.status = QStringLiteral("Query attuale: Cognome<>''");
    QuerySequence::run(f.workspace, f.screen, ComplexQuery::resultStep(persons));
    QCOMPARE(g.viewKind, ViewProjects);
    QCOMPARE(g.insertKind, InsertProject);
    QVERIFY(g.drillDown == kEarlier);
    QVERIFY(!g.paymentsShown);
    QCOMPARE(f.screen.calls.mid(f.screen.calls.size() - 2),
             (QStringList{"editable 0", "colourCard"})); // read-only, coloured last

    // A project query leaves the insert kind and the context.
    QuerySequence::run(f.workspace, f.screen, StandardQueries::describe(StandardQuery::Progetto));
    QCOMPARE(g.viewKind, ViewProjects);
    QCOMPARE(g.insertKind, InsertProject);
    QVERIFY(g.drillDown == kEarlier);
}

void TestResultStep::applyMarksFieldsAndBindsParameters()
{
    Fixture f;
    const QString key = f.projectKey();
    QuerySequence::apply(f.workspace, ResultSteps::paymentsAfterSave({0, {}, {}, key}));
    Query &q = *f.workspace.query();
    QVERIFY(f.workspace.globals().paymentsShown);
    QCOMPARE(f.workspace.globals().viewKind, ViewPayments);
    QVERIFY(q.fieldInfo(q.fieldIndex("Importo")).readOnly);
    QVERIFY(q.fieldInfo(q.fieldIndex("Fattura")).readOnly);
    QVERIFY(!q.fieldInfo(q.fieldIndex("Data")).readOnly);

    ResultStep dated;
    dated.lines = QStringList{"SELECT IdProgetto FROM Progetto", "WHERE Data_inizio>=:01/01/1900"};
    dated.parameters = {{"01/01/1900", QDate(1900, 1, 1)}};
    dated.viewKind = ViewProjects;
    QuerySequence::apply(f.workspace, dated);
    QVERIFY(q.recordCount() > 0); // an unbound date would match no row
    QVERIFY(!f.workspace.globals().paymentsShown);
}

void TestResultStep::projectStatesInTableOrder()
{
    Fixture f;
    f.db.db().exec("DELETE FROM Stato");
    f.db.db().exec("INSERT INTO Stato VALUES ('Sospeso'), ('Archiviato'), ('In corso')");
    QCOMPARE(Lookups::projectStates(f.workspace), (QStringList{"Sospeso", "Archiviato", "In corso"}));
    QVERIFY(!f.workspace.lookUpTable()->isActive());
    QCOMPARE(Lookups::columnTexts(f.workspace, "Stato", "Stato_progetto").size(), 3);
    QVERIFY(Lookups::hasColumn(f.workspace, "Pagamenti", "Importo"));
    QVERIFY(!Lookups::hasColumn(f.workspace, "Pagamenti", "importo"));
    // A column the table lacks is refused, and the table is closed all the same.
    QVERIFY_THROWS_EXCEPTION(DbError, Lookups::columnTexts(f.workspace, "Stato", "Nome"));
    QVERIFY(!f.workspace.lookUpTable()->isActive());
}

QTEST_MAIN(TestResultStep)
#include "tst_resultstep.moc"
