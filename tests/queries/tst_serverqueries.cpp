#include "data/dialect.h"
#include "data/pgstatement.h"
#include "data/values.h"
#include "queries/complexquery.h"
#include "queries/conditionqueries.h"
#include "queries/standardqueries.h"
#include "support/testdatabase.h"
#include "support/testserver.h"

#include <QtTest>

// The program's statements on the office server give the rows, names and origins they give on
// the file: the same demo archive in both, every standard query, drill-down, condition and
// complex query run on each, the results compared.
namespace {

struct Result
{
    QStringList names; // each column's name, table and column
    QStringList rows;  // each row's cells, sorted: neither engine promises an order
    int rowCount = 0;
};

// A cell in a form both engines agree on: amounts in cents, everything else as text.
QString normalised(const QByteArray &text, bool isNull, Values::Kind kind)
{
    if (isNull)
        return QStringLiteral("<null>");
    qint64 cents = 0;
    if (kind == Values::Kind::Amount && Values::parseAmount(QString::fromUtf8(text), &cents))
        return QString::number(cents);
    return QString::fromUtf8(text);
}

struct Statement_
{
    QStringList lines;
    QList<QPair<QString, QDate>> dates;
};

Result onFile(Database &db, const Statement_ &s)
{
    QString text;
    for (const QString &line : s.lines)
        text += line + QStringLiteral("\r\n");
    const Dialect::Translated t = Dialect::translate(text);
    Statement st(db, t.sql);
    for (int i = 0; i < t.parameterNames.size(); ++i)
        for (const auto &d : s.dates)
            if (d.first == t.parameterNames.at(i))
                st.bind(i + 1, d.second);
    Result r;
    std::vector<Values::Kind> kinds;
    for (int c = 0; c < st.columnCount(); ++c) {
        const ColumnOrigin origin = st.origin(c);
        r.names << QStringLiteral("%1 %2.%3").arg(origin.name, origin.table, origin.column);
        kinds.push_back(Values::kindOfDeclaredType(origin.declaredType));
    }
    while (st.step()) {
        QStringList cells;
        for (int c = 0; c < st.columnCount(); ++c)
            cells << normalised(st.columnText(c), st.columnIsNull(c), kinds[size_t(c)]);
        r.rows << cells.join(QLatin1Char('|'));
    }
    r.rowCount = int(r.rows.size());
    r.rows.sort();
    return r;
}

Result onServer(PgConnection &db, const Statement_ &s)
{
    QString text;
    for (const QString &line : s.lines)
        text += line + QStringLiteral("\r\n");
    const Dialect::Translated t = Dialect::translate(text);
    PgStatement st(db, t.sql);
    for (int i = 0; i < t.parameterNames.size(); ++i)
        for (const auto &d : s.dates)
            if (d.first == t.parameterNames.at(i))
                st.bind(i + 1, d.second);
    Result r;
    for (int c = 0; c < st.columnCount(); ++c)
        r.names << QStringLiteral("%1 %2.%3").arg(st.field(c).name, st.field(c).table, st.field(c).column);
    while (st.step()) {
        QStringList cells;
        for (int c = 0; c < st.columnCount(); ++c)
            cells << normalised(st.columnText(c), st.columnIsNull(c),
                                Values::kindOfDeclaredType(st.field(c).declaredType));
        r.rows << cells.join(QLatin1Char('|'));
    }
    r.rowCount = int(r.rows.size());
    r.rows.sort();
    return r;
}

} // namespace

class TestServerQueries : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void sameRows_data();
    void sameRows();
    void personsWithoutProjects();

private:
    std::unique_ptr<TestDatabase> file_;
    std::unique_ptr<TestServer> server_;
};

void TestServerQueries::initTestCase()
{
    server_ = std::make_unique<TestServer>();
    if (!server_->available())
        return;
    file_ = std::make_unique<TestDatabase>(120, 7);
    server_->createTables();
    server_->copyFrom(file_->db());
}

void TestServerQueries::sameRows_data()
{
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QDate>("date");
    QTest::addColumn<int>("atLeast"); // rows the demo archive surely gives

    const QList<QPair<const char *, StandardQuery>> standard = {{"Committente", StandardQuery::Committente},
                                                                {"ConProgetti", StandardQuery::ConProgetti},
                                                                {"SenzaProgetti", StandardQuery::SenzaProgetti},
                                                                {"Progetto", StandardQuery::Progetto},
                                                                {"InCorso", StandardQuery::InCorso},
                                                                {"DaIniziare", StandardQuery::DaIniziare},
                                                                {"Sospesi", StandardQuery::Sospesi},
                                                                {"NonPagati", StandardQuery::NonPagati},
                                                                {"Pagati", StandardQuery::Pagati}};
    for (const auto &[name, query] : standard)
        QTest::newRow(name) << StandardQueries::describe(query).lines << QDate() << 1;

    // The drill-down of a person with projects and of a project with payments.
    qint64 person = 0, project = 0;
    QString surname;
    if (file_) {
        Statement p(file_->db(), "SELECT IdCommittente, Cognome_progettista FROM Progetto WHERE IdProgetto IN "
                                 "(SELECT IdProgetto FROM Pagamenti) LIMIT 1");
        if (p.step()) {
            person = p.columnInt(0);
            surname = QString::fromUtf8(p.columnText(1));
        }
        project = file_->db().scalar("SELECT MIN(IdProgetto) FROM Pagamenti").toLongLong();
    }
    QTest::newRow("projects of a person") << StandardQueries::projectsOfPerson(person, surname) << QDate() << 1;
    QTest::newRow("payments of a project")
        << StandardQueries::paymentsOfProject(QString::number(project)) << QDate() << 1;
    QTest::newRow("payments after a save")
        << StandardQueries::paymentsAfterSave(QString::number(project)) << QDate() << 1;

    using ConditionQueries::describe;
    QTest::newRow("by surname") << describe(ConditionMode::NameSurname, {QString(), QStringLiteral("rossi"), {}}).lines
                                << QDate() << 0;
    QTest::newRow("by city") << describe(ConditionMode::City, {{}, {}, QStringLiteral("Forlì")}).lines << QDate() << 0;
    QTest::newRow("by state") << describe(ConditionMode::ProjectState, {{}, {}, QStringLiteral("in corso")}).lines
                              << QDate() << 1;
    QTest::newRow("by qualification") << describe(ConditionMode::Qualification, {{}, {}, QStringLiteral("Ing.")}).lines
                                      << QDate() << 0;

    QTest::newRow("complex, three tables and a date")
        << QStringList{"SELECT DISTINCT *",
                       "FROM (Committente INNER JOIN Indirizzo on Committente.IdCommittente=Indirizzo.IdCommittente) "
                       "INNER JOIN Progetto on Indirizzo.IdCommittente=Progetto.IdCommittente",
                       "WHERE Data_inizio>:01/01/2015 AND Importo_totale>=1500.50"}
        << QDate(2015, 1, 1) << 1;
    QTest::newRow("complex, payments") << QStringList{"SELECT DISTINCT *",
                                                      "FROM Progetto INNER JOIN Pagamenti on "
                                                      "Progetto.IdProgetto=Pagamenti.IdProgetto",
                                                      "WHERE Importo<>0 OR Stato=\"Annullato\""}
                                       << QDate() << 1;
}

void TestServerQueries::sameRows()
{
    if (!server_->available())
        QSKIP(qPrintable(server_->skipReason()));
    QFETCH(QStringList, lines);
    QFETCH(QDate, date);
    QFETCH(int, atLeast);
    Statement_ s{lines, {}};
    if (date.isValid())
        s.dates.append({date.toString(QStringLiteral("dd/MM/yyyy")), date});
    const Result file = onFile(file_->db(), s);
    const Result server = onServer(server_->db(), s);
    QCOMPARE(server.names, file.names);
    QCOMPARE(server.rowCount, file.rowCount);
    QCOMPARE(server.rows, file.rows);
    QVERIFY2(file.rowCount >= atLeast, qPrintable(QString::number(file.rowCount)));
}

// The persons without projects: the server plans them with an anti-join, never by reading the
// projects again for each person, and gives the file's rows, also when a project belongs to no
// one (then NOT IN finds no person on either engine).
void TestServerQueries::personsWithoutProjects()
{
    if (!server_->available())
        QSKIP(qPrintable(server_->skipReason()));
    const Statement_ s{StandardQueries::describe(StandardQuery::SenzaProgetti).lines, {}};
    QString text;
    for (const QString &line : s.lines)
        text += line + QLatin1Char(' ');
    PgStatement explain(server_->db(), "EXPLAIN " + Dialect::translate(text).sql);
    QString plan;
    while (explain.step())
        plan += QString::fromUtf8(explain.columnText(0)) + QLatin1Char('\n');
    QVERIFY2(plan.contains(QLatin1String("Anti Join")), qPrintable(plan));
    QVERIFY2(!plan.contains(QLatin1String("SubPlan")), qPrintable(plan));

    const Result before = onFile(file_->db(), s);
    QVERIFY(before.rowCount > 0);
    QCOMPARE(onServer(server_->db(), s).rows, before.rows);

    const QByteArray orphan
        = "INSERT INTO Progetto (IdProgetto, IdCommittente, Descrizione) VALUES (999999, NULL, 'x')";
    file_->db().exec(orphan);
    server_->db().exec(orphan);
    const Result file = onFile(file_->db(), s);
    const Result server = onServer(server_->db(), s);
    file_->db().exec("DELETE FROM Progetto WHERE IdProgetto = 999999");
    server_->db().exec("DELETE FROM Progetto WHERE IdProgetto = 999999");
    QCOMPARE(file.rowCount, 0);
    QCOMPARE(server.rows, file.rows);
    QCOMPARE(onServer(server_->db(), s).rows, before.rows);
}

QTEST_GUILESS_MAIN(TestServerQueries)
#include "tst_serverqueries.moc"
