#include "queries/querywindowfixture.h"

#include "queries/querycomplessa.h"

#include <QPushButton>

// The complex query window on the real windows: its layout, the "..." buttons, its lists,
// runs of one to five conditions on the main window's result, and refused rows.
class TestQueryComplessa : public QObject, public QueryWindowFixture
{
    Q_OBJECT

private Q_SLOTS:
    void init() { startFixture(); }
    void cleanup() { stopFixture(); }

    void layout();
    void rowButtonsAddAndRemoveRows();
    void fieldListRebuiltFromVisibleLabels();
    void valueListEachTextOnceThenPercent();
    void oneConditionShowsQuotedValueBack();
    void dateConditionAndRunTwice();
    void fiveConditionsOverFiveTables();
    void refusedRowKeepsWindowOpen();
    void noFieldRunsNothing();

private:
    QueryComplessa *window() const { return startup_->complexQuery(); }
    QComboBox *box(int number) const
    {
        auto *found = window()->findChild<QComboBox *>(QStringLiteral("ComboBox%1").arg(number));
        Q_ASSERT(found);
        return found;
    }
    QToolButton *dots(int row) const
    {
        return window()->findChild<QToolButton *>(QStringLiteral("SpeedButton%1").arg(row));
    }
    void setRow(int row, const QString &field, const QString &op, const QString &value,
                const QString &connector = QString())
    {
        const int first = 4 * row - 3;
        if (row > 1)
            box(first - 1)->setEditText(connector);
        box(first)->setEditText(field);
        box(first + 1)->setEditText(op);
        box(first + 2)->setEditText(value);
    }
    void openWindow()
    {
        trigger("PersonalizzaQuery");
        QVERIFY(window()->isVisible());
        QVERIFY(!main()->isEnabled());
    }
    void ok() { QTest::mouseClick(window()->findChild<QPushButton *>("Button1"), Qt::LeftButton); }
};

void TestQueryComplessa::layout()
{
    start();
    openWindow();
    QCOMPARE(window()->windowTitle(), QStringLiteral("Query complessa"));
    QCOMPARE(window()->size(), QSize(545, 437));
    QVERIFY(window()->windowFlags() & Qt::WindowStaysOnTopHint);
    auto *heading = window()->findChild<QLabel *>("Label1");
    QCOMPARE(heading->text(), QStringLiteral("Inserire la condizione della query:"));
    QCOMPARE(heading->font().pixelSize(), 13);
    auto *button = window()->findChild<QPushButton *>("Button1");
    QCOMPARE(button->text(), QStringLiteral("Ok"));
    QCOMPARE(button->pos(), QPoint(16, 352));
    const int tops[] = {56, 120, 184, 248, 312};
    for (int row = 1; row <= 5; ++row) {
        const int top = tops[row - 1];
        QCOMPARE(box(4 * row - 3)->geometry().topLeft(), QPoint(16, top));
        QCOMPARE(box(4 * row - 3)->width(), 145);
        QCOMPARE(box(4 * row - 2)->pos(), QPoint(168, top));
        QCOMPARE(box(4 * row - 1)->pos(), QPoint(320, top));
        QCOMPARE(dots(row)->geometry(), QRect(480, top, 23, 22));
        QCOMPARE(dots(row)->text(), QStringLiteral("..."));
        if (row < 5)
            QCOMPARE(box(4 * row)->pos(), QPoint(168, top + 32));
        QCOMPARE(box(4 * row - 3)->isVisible(), row == 1);
        QCOMPARE(dots(row)->isVisible(), row == 1);
    }
    QCOMPARE(box(1)->currentText(), QString());
    QCOMPARE(box(1)->count(), 31);
    QCOMPARE(box(1)->itemText(16), QStringLiteral("Cognome progettista"));
    QCOMPARE(box(2)->count(), 6);
    QCOMPARE(box(4)->itemText(1), QStringLiteral(" OR "));
    QCOMPARE(box(1)->maxVisibleItems(), 31);
    QCOMPARE(box(3)->maxVisibleItems(), 10);
    QVERIFY(window()->close());
    QVERIFY(main()->isEnabled());
}

void TestQueryComplessa::rowButtonsAddAndRemoveRows()
{
    start();
    openWindow();
    QTest::mouseClick(dots(1), Qt::LeftButton); // row 1 incomplete: nothing
    QVERIFY(!window()->isRowShown(2));
    setRow(1, "Cognome", "=", "Rossi");
    QTest::mouseClick(dots(1), Qt::LeftButton);
    QVERIFY(window()->isRowShown(2));
    QVERIFY(box(4)->isVisible());
    QTest::mouseClick(dots(2), Qt::LeftButton); // row 2 incomplete
    QVERIFY(!window()->isRowShown(3));
    setRow(2, "Nome", "=", "Anna"); // no connector yet
    QTest::mouseClick(dots(2), Qt::LeftButton);
    QVERIFY(!window()->isRowShown(3));
    box(4)->setEditText(" AND ");
    QTest::mouseClick(dots(2), Qt::LeftButton);
    QVERIFY(window()->isRowShown(3));
    QVERIFY(!dots(1)->isEnabled());
    // Row 2's button now removes row 3, emptied.
    setRow(3, "Via", "=", "x", " OR ");
    QTest::mouseClick(dots(2), Qt::LeftButton);
    QVERIFY(!window()->isRowShown(3));
    QVERIFY(dots(1)->isEnabled());
    QCOMPARE(box(9)->currentText(), QString());
    QCOMPARE(box(8)->currentText(), QString());
    // Up to five rows.
    QTest::mouseClick(dots(2), Qt::LeftButton);
    setRow(3, "Via", "=", "x", " OR ");
    QTest::mouseClick(dots(3), Qt::LeftButton);
    QVERIFY(window()->isRowShown(4));
    QVERIFY(!dots(2)->isEnabled());
    setRow(4, "CAP", "=", "1", " OR ");
    QTest::mouseClick(dots(4), Qt::LeftButton);
    QVERIFY(window()->isRowShown(5));
    QVERIFY(!dots(3)->isEnabled());
    setRow(5, "Fax", "=", "1", " OR ");
    QTest::mouseClick(dots(5), Qt::LeftButton); // nothing
    QVERIFY(window()->isRowShown(5));
    saveScreenshot(window(), QStringLiteral("querycomplessa.png"));
}

void TestQueryComplessa::fieldListRebuiltFromVisibleLabels()
{
    start();
    main()->globals().catalogue.entry(3).visible = false; // Codice fiscale
    openWindow();
    setRow(1, "Cognome", "=", "Rossi");
    QTest::mouseClick(dots(1), Qt::LeftButton);
    setRow(2, "Nome", "<>", "Anna", " OR ");
    dropDown(box(1));
    QCOMPARE(box(1)->currentText(), QString());
    QCOMPARE(box(1)->count(), 30);
    QCOMPARE(box(1)->itemText(16 - 1), QStringLiteral("Cognome cliente"));
    QCOMPARE(box(5)->count(), 30);
    QCOMPARE(box(5)->currentText(), QStringLiteral("Nome")); // the other rows keep their texts
    QCOMPARE(box(6)->currentText(), QStringLiteral("<>"));
    QCOMPARE(box(4)->currentText(), QStringLiteral(" OR "));
    QCOMPARE(box(12)->count(), 2);
}

void TestQueryComplessa::valueListEachTextOnceThenPercent()
{
    start(60);
    addPerson("Rossi");
    openWindow();
    setRow(1, "Cognome", "=", "typed");
    dropDown(box(3));
    QCOMPARE(box(3)->currentText(), QString());
    QStringList listed;
    for (int i = 0; i < box(3)->count(); ++i)
        listed << box(3)->itemText(i);
    QCOMPARE(listed.last(), QStringLiteral("%"));
    QCOMPARE(listed.count("Rossi"), 1);
    QCOMPARE(listed.size() - 1, count("SELECT COUNT(DISTINCT Cognome) FROM Committente WHERE Cognome <> ''"));
    // A payments field reads Pagamenti.
    box(1)->setEditText("Importo");
    dropDown(box(3));
    QCOMPARE(box(3)->count() - 1, count("SELECT COUNT(DISTINCT Importo) FROM Pagamenti WHERE Importo IS NOT NULL"));
}

void TestQueryComplessa::oneConditionShowsQuotedValueBack()
{
    start(60);
    trigger("QueryProgetto");
    const int viewKind = main()->globals().viewKind;
    const int insertKind = main()->globals().insertKind;
    child<QLineEdit>("Edit1")->setText("R");
    openWindow();
    setRow(1, "Cognome", "=", "Rossi");
    ok();

    QVERIFY(dialogs_->errors.isEmpty());
    QVERIFY(dialogs_->messages.isEmpty());
    QCOMPARE(query()->sql(), QStringList({"SELECT DISTINCT *", "FROM Committente", "WHERE Cognome='Rossi'"}));
    QCOMPARE(box(3)->currentText(), QStringLiteral("'Rossi'"));
    QCOMPARE(query()->recordCount(), count("SELECT COUNT(*) FROM Committente WHERE Cognome='Rossi'"));
    QVERIFY(query()->recordCount() > 0);
    QCOMPARE(main()->statusText(), QStringLiteral("Query attuale: Cognome='Rossi'"));
    QVERIFY(!window()->isVisible());
    QVERIFY(main()->isEnabled());
    QVERIFY(!main()->model()->isEditable());
    QVERIFY(!child<QToolButton>("BitBtn1")->isEnabled());
    QVERIFY(!child<QToolButton>("BitBtn2")->isEnabled());
    QVERIFY(!child<QToolButton>("SpeedButton1")->isEnabled());
    QCOMPARE(child<QToolButton>("SpeedButton1")->text(), QStringLiteral("Visualizza progetti"));
    QCOMPARE(child<QComboBox>("ComboBox1")->currentText(), QString());
    QCOMPARE(child<QLineEdit>("Edit1")->text(), QString());
    QVERIFY(!query()->isFiltered());
    QCOMPARE(main()->globals().viewKind, viewKind);
    QCOMPARE(main()->globals().insertKind, insertKind);
    QCOMPARE(main()->model()->headerData(column("Codice_fiscale"), Qt::Horizontal).toString(),
             QStringLiteral("Codice fiscale"));

    // Reopened, it shows the last conditions; Enter in the value box runs them again.
    openWindow();
    QCOMPARE(box(1)->currentText(), QStringLiteral("Cognome"));
    pressEnter(box(3));
    QVERIFY(!window()->isVisible());
    QCOMPARE(query()->sql().last(), QStringLiteral("WHERE Cognome='Rossi'"));
    QCOMPARE(box(3)->currentText(), QStringLiteral("'Rossi'"));
}

void TestQueryComplessa::dateConditionAndRunTwice()
{
    start(60);
    openWindow();
    setRow(1, "Data di consegna", "<", "31/12/2008");
    ok();
    QVERIFY(dialogs_->errors.isEmpty());
    QCOMPARE(query()->sql(), QStringList({"SELECT DISTINCT *", "FROM Progetto", "WHERE Data_scadenza<:31/12/2008"}));
    QCOMPARE(query()->recordCount(), count("SELECT COUNT(*) FROM Progetto WHERE Data_scadenza < '2008-12-31'"));
    QCOMPARE(main()->statusText(), QStringLiteral("Query attuale: Data di consegna<31/12/2008"));

    openWindow();
    setRow(1, "CAP", "=", "00100");
    ok();
    QCOMPARE(box(3)->currentText(), QStringLiteral("'00100'"));
    const QStringList first = query()->sql();
    openWindow();
    ok();
    QCOMPARE(query()->sql(), first);
    QCOMPARE(box(3)->currentText(), QStringLiteral("'00100'"));
}

void TestQueryComplessa::fiveConditionsOverFiveTables()
{
    start(60);
    openWindow();
    setRow(1, "Cognome", ">=", "A");
    QTest::mouseClick(dots(1), Qt::LeftButton);
    setRow(2, "Città", "<>", "Nessuna", " AND ");
    QTest::mouseClick(dots(2), Qt::LeftButton);
    setRow(3, "E-Mail", "<>", "x", " AND ");
    QTest::mouseClick(dots(3), Qt::LeftButton);
    setRow(4, "Stato", "<>", "Nessuno", " AND ");
    QTest::mouseClick(dots(4), Qt::LeftButton);
    setRow(5, "Importo", ">", "0", " AND ");
    ok();
    QVERIFY2(dialogs_->errors.isEmpty(), qPrintable(dialogs_->errors.join('\n')));
    QVERIFY(dialogs_->messages.isEmpty());
    QCOMPARE(query()->sql().at(2), QStringLiteral("WHERE Cognome>='A' AND Città<>'Nessuna' AND E_mail<>'x' AND "
                                                  "Stato<>'Nessuno' AND Importo>0"));
    // Every payment of a project of a person with an address and a contact row, once.
    QCOMPARE(query()->recordCount(),
             count(
                 "SELECT COUNT(*) FROM Pagamenti pg JOIN Progetto p ON p.IdProgetto=pg.IdProgetto JOIN Committente c "
                 "ON c.IdCommittente=p.IdCommittente JOIN Indirizzo i ON i.IdCommittente=c.IdCommittente JOIN Recapiti "
                 "r ON r.IdCommittente=c.IdCommittente WHERE c.Cognome>='A' AND i.\"Città\"<>'Nessuna' AND "
                 "r.E_mail<>'x' AND p.Stato<>'Nessuno' AND pg.Importo>0"));
    QVERIFY(query()->recordCount() > 0);
    QCOMPARE(main()->statusText(),
             QStringLiteral("Query attuale: Cognome>='A' AND Città<>'Nessuna' AND E_mail<>'x' AND "
                            "Stato<>'Nessuno' AND Importo>0"));
}

void TestQueryComplessa::refusedRowKeepsWindowOpen()
{
    start();
    const QStringList before = query()->sql();
    const int rows = query()->recordCount();
    openWindow();
    setRow(1, "Cognome", "LIKE", "Rossi");
    ok();
    QCOMPARE(dialogs_->messages.size(), 1);
    QVERIFY(dialogs_->messages.first().startsWith("Riga 1: "));
    QVERIFY(window()->isVisible());
    QVERIFY(!main()->isEnabled());
    QCOMPARE(query()->sql(), before);
    QCOMPARE(query()->recordCount(), rows);
    QCOMPARE(box(3)->currentText(), QStringLiteral("Rossi")); // not quoted: nothing ran

    setRow(1, "Data di inizio", "=", "32/13/2008");
    ok();
    QCOMPARE(dialogs_->messages.size(), 2);
    QVERIFY(window()->isVisible());
    QCOMPARE(query()->sql(), before);
}

void TestQueryComplessa::noFieldRunsNothing()
{
    start();
    const QStringList before = query()->sql();
    openWindow();
    ok();
    QVERIFY(dialogs_->messages.isEmpty());
    QVERIFY(window()->isVisible());
    QCOMPARE(query()->sql(), before);
    QVERIFY(!main()->action("Inserisci")->isEnabled());
    QVERIFY(!main()->action("Elimina")->isEnabled());
    QCOMPARE(child<QComboBox>("ComboBox1")->currentText(), QString());
}

QTEST_MAIN(TestQueryComplessa)
#include "tst_querycomplessa.moc"
