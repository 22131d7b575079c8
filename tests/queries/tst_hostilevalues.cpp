// Values that try to break out of their place in a statement, run through every builder of
// the queries against a demo database: each query selects exactly the rows its condition
// states (counted again by the engine with the value bound), and afterwards the schema and
// every table's row count are as before.
#include "queries/complexquery.h"
#include "queries/conditionqueries.h"
#include "queries/quicksearch.h"
#include "queries/standardqueries.h"

#include "data/database.h"
#include "data/dberror.h"
#include "data/fieldcatalogue.h"
#include "data/query.h"
#include "support/testdatabase.h"

#include <QTest>

namespace {

QStringList hostileValues()
{
    return {
        QStringLiteral("'"),
        QStringLiteral("''"),
        QStringLiteral("D'Amico"),
        QStringLiteral("'; DROP TABLE Committente; --"),
        QStringLiteral("x'; DELETE FROM Progetto; --"),
        QStringLiteral("' OR '1'='1"),
        QStringLiteral("Rossi' OR '1'='1"),
        QStringLiteral("'Rossi' OR '1'='1'"),
        QStringLiteral("%"),
        QStringLiteral("_"),
        QStringLiteral("*"),
        QStringLiteral("R%"),
        QStringLiteral("R_ssi"),
        QStringLiteral("\""),
        QStringLiteral("\"In corso\" OR 1=1"),
        QStringLiteral(":01/01/2007"),
        QStringLiteral("[Cognome]"),
        QStringLiteral("\\'"),
        QStringLiteral(") OR (1=1"),
        QStringLiteral("-- "),
        QStringLiteral("/*"),
        QStringLiteral("a\nb'\r\nc"),
        QString(10000, QLatin1Char('x')),
        QString(10000, QLatin1Char('\'')),
        QStringLiteral("مرحبا 'بالعالم'"),
        QStringLiteral("\u202Eilamron'"),
        QStringLiteral("😀'😀"),
        QStringLiteral("1 OR 1=1"),
        QStringLiteral("0); DROP TABLE Pagamenti; --"),
    };
}

// The text a complex-query value stands for: a value the user enclosed in single quotes
// means the text inside them.
QString meaningOf(const QString &value)
{
    if (value.size() >= 2 && value.startsWith(QLatin1Char('\'')) && value.endsWith(QLatin1Char('\'')))
        return value.mid(1, value.size() - 2).replace(QStringLiteral("''"), QStringLiteral("'"));
    return value;
}

qint64 count(Database &db, const QByteArray &sql, const QVariantList &binds = {})
{
    Statement st(db, sql);
    for (int i = 0; i < binds.size(); ++i)
        st.bind(i + 1, binds.at(i));
    st.step();
    return st.columnInt(0);
}

// The schema and every table's row count.
QStringList snapshot(Database &db)
{
    QStringList state;
    // The server's catalogue keeps no statement text: there each name's kind stands for it.
    Statement tables(db, TestDatabase::onServer() ? "SELECT name, type, type FROM sqlite_master ORDER BY name"
                                                  : "SELECT name, sql, type FROM sqlite_master ORDER BY name");
    QStringList names;
    while (tables.step()) {
        const QString name = QString::fromUtf8(tables.columnText(0));
        state << name + QLatin1Char(':') + QString::fromUtf8(tables.columnText(1));
        if (!name.startsWith(QLatin1String("sqlite_")) && tables.columnText(2) == "table")
            names << name;
    }
    for (const QString &name : names)
        state << name + QLatin1Char('=')
                     + QString::number(count(db, "SELECT COUNT(*) FROM " + Database::quoteIdentifier(name).toUtf8()));
    return state;
}

const QByteArray kPersons = "SELECT COUNT(*) FROM Committente c JOIN Indirizzo i ON i.IdCommittente=c.IdCommittente "
                            "JOIN Recapiti r ON r.IdCommittente=c.IdCommittente WHERE ";

} // namespace

class TestHostileValues : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void conditionQueries_data();
    void conditionQueries();
    void quickSearch_data();
    void quickSearch();
    void complexQuery_data();
    void complexQuery();
    void cleanupTestCase();

private:
    void addValues();

    std::unique_ptr<TestDatabase> demo_;
    QStringList before_;
};

void TestHostileValues::initTestCase()
{
    demo_ = std::make_unique<TestDatabase>(300, 5);
    before_ = snapshot(demo_->db());
    QVERIFY(before_.size() > 7);
}

void TestHostileValues::addValues()
{
    QTest::addColumn<QString>("value");
    const QStringList values = hostileValues();
    for (int i = 0; i < values.size(); ++i)
        QTest::addRow("%d: %s", i, qPrintable(values.at(i).left(30))) << values.at(i);
}

void TestHostileValues::conditionQueries_data() { addValues(); }

void TestHostileValues::conditionQueries()
{
    QFETCH(QString, value);
    Database &db = demo_->db();
    struct Case
    {
        ConditionMode mode;
        ConditionInput input;
        QByteArray countSql;
        QVariantList binds;
    };
    const QList<Case> cases = {
        {ConditionMode::NameSurname, {value, QString(), QString()}, kPersons + "c.Nome=?", {value}},
        {ConditionMode::NameSurname, {QString(), value, QString()}, kPersons + "c.Cognome=?", {value}},
        {ConditionMode::NameSurname, {value, value, QString()}, kPersons + "c.Nome=? AND c.Cognome=?", {value, value}},
        {ConditionMode::Qualification, {QString(), QString(), value}, kPersons + "c.Qualifica=?", {value}},
        {ConditionMode::City, {QString(), QString(), value}, kPersons + "i.\"Città\"=?", {value}},
        {ConditionMode::ProjectState,
         {QString(), QString(), value},
         "SELECT COUNT(*) FROM Progetto p WHERE p.Stato=? AND p.IdCommittente IN (SELECT IdCommittente FROM "
         "Committente)",
         {value}},
    };
    for (const Case &c : cases) {
        Query query(&db);
        query.setSql(ConditionQueries::describe(c.mode, c.input).lines);
        query.open();
        QCOMPARE(qint64(query.recordCount()), count(db, c.countSql, c.binds));
    }
}

void TestHostileValues::quickSearch_data() { addValues(); }

void TestHostileValues::quickSearch()
{
    QFETCH(QString, value);
    Database &db = demo_->db();
    Query query(&db);
    query.setSql(StandardQueries::describe(StandardQuery::Progetto).lines);
    query.open();
    for (int c = 0; c < query.fieldCount(); ++c)
        query.setFieldDisplayName(c, FieldCatalogue::titleForColumn(query.fieldInfo(c).name));
    const int all = query.recordCount();
    const QList<SearchColumn> columns = QuickSearch::columnsOf(query, {});
    const bool wildcards = value.contains(QLatin1Char('*')) || value.contains(QLatin1Char('%'));

    for (const QString &field :
         {QStringLiteral("Cognome cliente"), QStringLiteral("Descrizione"), QStringLiteral("Importo totale")}) {
        const QuickSearchFilter filter = QuickSearch::filterFor(field, value, columns);
        try {
            QuickSearch::apply(query, filter);
        } catch (const DbError &) {
            QVERIFY(!query.isFiltered());
            QCOMPARE(query.recordCount(), all);
            continue;
        }
        if (wildcards)
            continue; // "*" and "%" are the filter's own wildcards
        // Every row shown matches, and every matching row is shown.
        const int column = query.fieldIndex(QuickSearch::fieldNameFor(field, columns));
        const QString folded = value.toCaseFolded();
        int matching = 0;
        query.setFiltered(false);
        for (int row = 0; row < query.recordCount(); ++row) {
            const QString text = query.text(row, column).toCaseFolded();
            const bool match = QuickSearch::comparisonFor(field) == QuickSearch::Comparison::Contains
                                   ? text.contains(folded)
                                   : text.startsWith(folded);
            matching += match ? 1 : 0;
        }
        QVERIFY2(QuickSearch::comparisonFor(field) != QuickSearch::Comparison::Numeric, "no hostile text is a number");
        QuickSearch::apply(query, filter);
        QCOMPARE(query.recordCount(), matching);
    }
}

void TestHostileValues::complexQuery_data() { addValues(); }

void TestHostileValues::complexQuery()
{
    QFETCH(QString, value);
    Database &db = demo_->db();
    const auto columnsOf = [&db](const QString &table) { return db.columnNames(table); };
    const QString meaning = meaningOf(value);
    struct Case
    {
        QList<ConditionRow> rows;
        QByteArray countSql;
        QVariantList binds;
    };
    const QList<Case> cases = {
        {{{"Cognome", "=", value, {}}}, "SELECT COUNT(*) FROM Committente WHERE Cognome=?", {meaning}},
        {{{"Città", "<>", value, {}}}, "SELECT COUNT(*) FROM Indirizzo WHERE \"Città\"<>?", {meaning}},
        {{{"CAP", "=", value, {}}}, "SELECT COUNT(*) FROM Indirizzo WHERE CAP=?", {meaning}},
        {{{"Cognome", ">", "A", {}}, {"Descrizione", "=", value, " OR "}},
         "SELECT COUNT(*) FROM Committente c JOIN Progetto p ON p.IdCommittente=c.IdCommittente "
         "WHERE c.Cognome>'A' OR p.Descrizione=?",
         {meaning}},
        {{{"Fattura", "=", value, {}}, {"Nome", "<", value, " AND "}},
         "SELECT COUNT(*) FROM Pagamenti g JOIN Progetto p ON p.IdProgetto=g.IdProgetto JOIN Committente c "
         "ON c.IdCommittente=p.IdCommittente WHERE g.Fattura=? AND c.Nome<?",
         {meaning, meaning}},
    };
    for (const Case &c : cases) {
        const ComplexQueryStatement s = ComplexQuery::build(c.rows, columnsOf);
        QVERIFY2(s.canRun(), qPrintable(s.error)); // text fields take any text but NUL
        QCOMPARE(s.lines.size(), 3);
        Query query(&db);
        ComplexQuery::setUp(query, s);
        query.open();
        QCOMPARE(qint64(query.recordCount()), count(db, c.countSql, c.binds));
        // The status line shows the value the way the window quotes it.
        QVERIFY(s.status.contains(FieldCatalogue::quoteConditionValue(c.rows.last().label, value)));
    }
    // Amounts and dates take only numbers and dates: anything else is refused before running.
    for (const QString &label : {QStringLiteral("Importo"), QStringLiteral("Data di inizio")}) {
        const ComplexQueryStatement s = ComplexQuery::build({{label, "=", value, {}}}, columnsOf);
        QVERIFY(!s.canRun());
        QVERIFY(s.error.startsWith(QStringLiteral("Riga 1: ")));
    }
}

void TestHostileValues::cleanupTestCase() { QCOMPARE(snapshot(demo_->db()), before_); }

QTEST_GUILESS_MAIN(TestHostileValues)
#include "tst_hostilevalues.moc"
