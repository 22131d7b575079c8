#include "queries/querywindowfixture.h"

#include "core/errorhandler.h"
#include "queries/quicksearchbox.h"

// The quick search on the main window: the field list from the grid's columns, the filter
// as the user types, the status line, the current row, and a refused expression.
class TestQuickSearchBox : public QObject, public QueryWindowFixture
{
    Q_OBJECT

private Q_SLOTS:
    void init() { startFixture(); }
    void cleanup() { stopFixture(); }

    void fieldListOffersVisibleColumnsOnly();
    void typingFiltersAndMovesToFirstMatch();
    void emptyingTheTextShowsAllRows();
    void hiddenColumnFoundByTypedTitle();
    void numericAndContainsSearches();
    void refusedExpressionKeepsStatusAndShowsAll();
    void newQueryEmptiesTheSearch();

private:
    QComboBox *fieldBox() const { return child<QComboBox>("ComboBox1"); }
    QLineEdit *searchEdit() const { return child<QLineEdit>("Edit1"); }
    void type(const QString &text)
    {
        searchEdit()->setFocus();
        QTest::keyClicks(searchEdit(), text);
    }
    QStringList listed() const
    {
        QStringList items;
        for (int i = 0; i < fieldBox()->count(); ++i)
            items << fieldBox()->itemText(i);
        return items;
    }
};

void TestQuickSearchBox::fieldListOffersVisibleColumnsOnly()
{
    start();
    CheckList &persons = main()->globals().checkLists[0];
    persons.checked[persons.indexOf("Qualifica")] = false;
    trigger("QueryCommittente");
    fieldBox()->setEditText("Cognome");
    dropDown(fieldBox());
    QCOMPARE(fieldBox()->currentText(), QString()); // opening it empties the text
    const QStringList fields = listed();
    QVERIFY(fields.contains("Cognome"));
    QVERIFY(fields.contains("Codice fiscale"));
    QVERIFY(fields.contains("1° Telefono"));
    QVERIFY(!fields.contains("Qualifica"));
    for (const QString key : {"Committente.IdCommittente", "Indirizzo.IdCommittente", "Recapiti.IdCommittente"})
        QVERIFY2(!fields.contains(key), qPrintable(key));
    QCOMPARE(fields.first(), QStringLiteral("Cognome"));
}

void TestQuickSearchBox::typingFiltersAndMovesToFirstMatch()
{
    start(60);
    addPerson("Rossetti");
    trigger("QueryCommittente");
    query()->setCurrentRow(query()->recordCount() - 1);
    type("Ros");

    QCOMPARE(query()->filter(), QStringLiteral("Cognome LIKE 'Ros*'"));
    QVERIFY(query()->isFiltered());
    QCOMPARE(main()->statusText(), QStringLiteral("Query attuale: Cognome=Ros"));
    const int expected = count("SELECT COUNT(*) FROM Committente c JOIN Indirizzo USING (IdCommittente) "
                               "JOIN Recapiti USING (IdCommittente) WHERE Cognome LIKE 'Ros%'");
    QVERIFY(expected > 1);
    QCOMPARE(query()->recordCount(), expected);
    QCOMPARE(main()->model()->rowCount(), expected);
    QCOMPARE(query()->currentRow(), 0);
    QCOMPARE(main()->grid()->currentIndex().row(), 0);
    QVERIFY(query()->text(0, column("Cognome")).startsWith("Ros"));
    QCOMPARE(child<QLineEdit>("DBEdit1")->text(), query()->text(0, column("Cognome")));
    // The key columns stay hidden over the filtered rows.
    QVERIFY(main()->grid()->isColumnHidden(column("Committente.IdCommittente")));
    QVERIFY(!main()->grid()->isColumnHidden(column("Cognome")));

    // A single quote is doubled in the expression.
    searchEdit()->clear();
    type("d'a");
    QCOMPARE(query()->filter(), QStringLiteral("Cognome LIKE 'd''a*'"));
    QVERIFY(dialogs_->errors.isEmpty());
    saveScreenshot(main(), QStringLiteral("quicksearch.png"));
}

void TestQuickSearchBox::emptyingTheTextShowsAllRows()
{
    start();
    trigger("QueryCommittente");
    const int all = query()->recordCount();
    type("R");
    QVERIFY(query()->recordCount() < all);
    QTest::keyClick(searchEdit(), Qt::Key_Backspace);
    QVERIFY(!query()->isFiltered());
    QCOMPARE(main()->model()->rowCount(), all);
    QCOMPARE(main()->statusText(), QStringLiteral("Query attuale: Cognome="));
}

void TestQuickSearchBox::hiddenColumnFoundByTypedTitle()
{
    start();
    CheckList &addresses = main()->globals().checkLists[1];
    addresses.checked[addresses.indexOf("Città")] = false;
    trigger("QueryCommittente");
    QVERIFY(main()->grid()->isColumnHidden(column("Città")));
    dropDown(fieldBox());
    QVERIFY(!listed().contains("Città"));
    const QString city = db_->db().scalar("SELECT \"Città\" FROM Indirizzo ORDER BY IdCommittente LIMIT 1").toString();
    fieldBox()->setEditText("Città");
    type(city.left(3));
    QCOMPARE(query()->filter(), QStringLiteral("Città LIKE '%1*'").arg(city.left(3)));
    QCOMPARE(query()->recordCount(),
             count(QStringLiteral("SELECT COUNT(*) FROM Committente JOIN Indirizzo USING (IdCommittente) JOIN Recapiti "
                                  "USING (IdCommittente) WHERE \"Città\" LIKE '%1%'")
                       .arg(city.left(3))));
    QVERIFY(query()->recordCount() > 0);
}

void TestQuickSearchBox::numericAndContainsSearches()
{
    start();
    const qint64 person = addPerson("Numeri");
    addProject(person, "Numeri", 1500, 0);
    trigger("QueryProgetto");
    fieldBox()->setEditText("Importo totale");
    type("1500");
    QCOMPARE(query()->filter(), QStringLiteral("Importo_totale=1500"));
    QCOMPARE(query()->recordCount(), count("SELECT COUNT(*) FROM Progetto WHERE Importo_totale=1500"));
    QVERIFY(query()->recordCount() >= 1);

    searchEdit()->clear();
    fieldBox()->setEditText("Descrizione");
    type("a");
    QCOMPARE(query()->filter(), QStringLiteral("Descrizione LIKE '*a*'"));
    QCOMPARE(main()->statusText(), QStringLiteral("Query attuale: Descrizione=a"));
}

void TestQuickSearchBox::refusedExpressionKeepsStatusAndShowsAll()
{
    start();
    trigger("QueryProgetto");
    const int all = query()->recordCount();
    fieldBox()->setEditText("Importo totale");
    type("1");
    const QString status = main()->statusText();
    type("x"); // "1x" is no number
    QCOMPARE(dialogs_->errors.size(), 1);
    QVERIFY(!query()->isFiltered());
    QCOMPARE(query()->recordCount(), all);
    QCOMPARE(main()->model()->rowCount(), all);
    QCOMPARE(main()->statusText(), status);
    QCOMPARE(searchEdit()->text(), QStringLiteral("1x"));

    // A field text that names no column is refused the same way.
    fieldBox()->setEditText("Nessun campo");
    type("y");
    QCOMPARE(dialogs_->errors.size(), 2);
    QCOMPARE(query()->recordCount(), all);
}

void TestQuickSearchBox::newQueryEmptiesTheSearch()
{
    start();
    trigger("QueryCommittente");
    type("Ros");
    trigger("QueryProgetto");
    QCOMPARE(searchEdit()->text(), QString());
    QVERIFY(!query()->isFiltered());
    QCOMPARE(main()->statusText(), QStringLiteral("Query attuale: Tutti i progetti"));

    // A query the engine refuses leaves the status line as it was, not a search's.
    type("Ros");
    const QString status = main()->statusText();
    QVERIFY(!ErrorHandler::guard([this] {
        main()->runQuery(StandardQueries::personsQuery({"SELECT Nessuna FROM Committente"}, "Query attuale: x"));
    }));
    QCOMPARE(searchEdit()->text(), QString());
    QCOMPARE(main()->statusText(), status);
}

QTEST_MAIN(TestQuickSearchBox)
#include "tst_quicksearchbox.moc"
