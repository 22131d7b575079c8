// A person's fields held in place: every person column by name, names outside them, and an
// empty value as an absent one.
#include "data/fieldcatalogue.h"
#include "exchange/importedperson.h"

#include <QtTest>

class TestPersonValues : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void columnsAreThePersonColumns();
    void everyColumn_data();
    void everyColumn();
    void namesOutsideTheColumns_data();
    void namesOutsideTheColumns();
    void emptyIsAbsent();
};

namespace {

// The fields visited, as "column=value".
QStringList visited(const PersonValues &values)
{
    QStringList out;
    for (auto it = values.cbegin(); it != values.cend(); ++it)
        out << it.key() + QLatin1Char('=') + it.value();
    return out;
}

} // namespace

void TestPersonValues::columnsAreThePersonColumns()
{
    QStringList tables;
    for (const char *table : {"Committente", "Indirizzo", "Recapiti"})
        tables << FieldCatalogue::columnsOfTable(QLatin1String(table));
    QStringList columns = PersonValues::columns();
    QCOMPARE(columns.size(), PersonValues::kColumns);
    columns.sort();
    tables.sort();
    QCOMPARE(columns, tables);
    QCOMPARE(columns.removeDuplicates(), 0);
}

void TestPersonValues::everyColumn_data()
{
    QTest::addColumn<QString>("column");
    for (const QString &column : PersonValues::columns())
        QTest::newRow(qPrintable(column)) << column;
}

void TestPersonValues::everyColumn()
{
    QFETCH(QString, column);
    const int index = PersonValues::indexOf(column);
    QCOMPARE(index, PersonValues::columns().indexOf(column));
    PersonValues values;
    QVERIFY(values.insert(column, QStringLiteral("x")));
    QCOMPARE(values.value(column), QStringLiteral("x"));
    QCOMPARE(values.at(index), QStringLiteral("x"));
    QCOMPARE(std::as_const(values)[column], QStringLiteral("x"));
    QVERIFY(values.contains(column));
    QVERIFY(!values.isEmpty());
    QCOMPARE(visited(values), QStringList{column + QStringLiteral("=x")});
    QCOMPARE(values, (PersonValues{{column, QStringLiteral("x")}}));
    QVERIFY(values != PersonValues());
    // Every other column stays empty.
    for (const QString &other : PersonValues::columns()) {
        if (other != column)
            QVERIFY2(values.value(other).isEmpty(), qPrintable(other));
    }
    // A second insert takes the place of the first; through the index as well.
    values.insert(column, QStringLiteral("y"));
    QCOMPARE(values.value(column), QStringLiteral("y"));
    values[index] = QStringLiteral("z");
    QCOMPARE(values.value(column), QStringLiteral("z"));
}

void TestPersonValues::namesOutsideTheColumns_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("empty") << QString();
    QTest::newRow("other case") << QStringLiteral("cognome");
    QTest::newRow("trailing blank") << QStringLiteral("Cognome ");
    QTest::newRow("qualified") << QStringLiteral("Committente.Cognome");
    QTest::newRow("the label") << QStringLiteral("Codice fiscale");
    QTest::newRow("a key") << QStringLiteral("IdCommittente");
    QTest::newRow("a project column") << QStringLiteral("Cognome_progettista");
    QTest::newRow("a payment column") << QStringLiteral("Importo");
    QTest::newRow("a prefix") << QStringLiteral("Numero_cell");
}

void TestPersonValues::namesOutsideTheColumns()
{
    QFETCH(QString, name);
    QCOMPARE(PersonValues::indexOf(name), -1);
    PersonValues values{{QStringLiteral("Cognome"), QStringLiteral("Rossi")}};
    QVERIFY(!values.insert(name, QStringLiteral("x")));
    QVERIFY(values.value(name).isEmpty());
    QVERIFY(std::as_const(values)[name].isEmpty());
    QVERIFY(!values.contains(name));
    QCOMPARE(visited(values), QStringList{QStringLiteral("Cognome=Rossi")});
    QCOMPARE(values, (PersonValues{{QStringLiteral("Cognome"), QStringLiteral("Rossi")}}));
    QVERIFY((PersonValues{{name, QStringLiteral("x")}}.isEmpty()));
}

void TestPersonValues::emptyIsAbsent()
{
    PersonValues values;
    QVERIFY(values.isEmpty());
    QVERIFY(visited(values).isEmpty());
    // An empty value is an empty field: not contained, not visited, equal to none.
    QVERIFY(values.insert(QStringLiteral("Nome"), QString()));
    QVERIFY(values.insert(QStringLiteral("Via"), QStringLiteral("")));
    QVERIFY(values.isEmpty());
    QVERIFY(!values.contains(QStringLiteral("Nome")));
    QCOMPARE(values, PersonValues());
    // A blank is a value.
    values.insert(QStringLiteral("Note"), QStringLiteral(" "));
    QVERIFY(!values.isEmpty());
    QVERIFY(values.contains(QStringLiteral("Note")));
    // Emptied again, it is gone; the fields around it are visited in column order.
    values.insert(QStringLiteral("Note"), QString());
    values.insert(QStringLiteral("Partita_iva"), QStringLiteral("1"));
    values.insert(QStringLiteral("Cognome"), QStringLiteral("R"));
    QCOMPARE(visited(values), (QStringList{QStringLiteral("Cognome=R"), QStringLiteral("Partita_iva=1")}));
    QStringList seen;
    for (const QString &value : values)
        seen << value;
    QCOMPARE(seen, (QStringList{QStringLiteral("R"), QStringLiteral("1")}));
    values.clear();
    QVERIFY(values.isEmpty());
}

QTEST_APPLESS_MAIN(TestPersonValues)
#include "tst_personvalues.moc"
