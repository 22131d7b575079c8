// Colours of grid cells and card pairs, the sort toggle and the row key.
#include "data/database.h"
#include "data/query.h"
#include "support/testdatabase.h"
#include "views/cellstyle.h"
#include "views/rowkey.h"

#include <QtTest>

using namespace CellStyle;

class TestCellStyle : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void amountColours_data();
    void amountColours();
    void stateColours();
    void gridCellRules();
    void cardLabelsFollowGroups();
    void sortToggle();
    void rowKeyByView();
};

void TestCellStyle::amountColours_data()
{
    QTest::addColumn<QString>("total");
    QTest::addColumn<QString>("paid");
    QTest::addColumn<QColor>("colour");
    QTest::newRow("part paid") << "1000"
                               << "400" << Colour::Red;
    QTest::newRow("paid in full") << "1000"
                                  << "1000" << Colour::Green;
    QTest::newRow("paid above total") << "1000"
                                      << "1200" << QColor();
    QTest::newRow("empty paid counts as 0") << "1000"
                                            << "" << Colour::Red;
    QTest::newRow("both empty") << ""
                                << "" << Colour::Green;
    // Rounded to whole numbers, halves to the even neighbour: 999.5 -> 1000, 1000.5 -> 1000.
    QTest::newRow("half rounds to even, up") << "1000"
                                             << "999,5" << Colour::Green;
    QTest::newRow("half rounds to even, down") << "1000"
                                               << "1000,5" << Colour::Green;
    QTest::newRow("just below") << "1000"
                                << "999,49" << Colour::Red;
}

void TestCellStyle::amountColours()
{
    QFETCH(QString, total);
    QFETCH(QString, paid);
    QFETCH(QColor, colour);
    QCOMPARE(amountColour(total, paid), colour);
}

void TestCellStyle::stateColours()
{
    QCOMPARE(stateColour("Annullato"), Colour::Red);
    QCOMPARE(stateColour("Da iniziare"), Colour::Green);
    QCOMPARE(stateColour("In corso"), Colour::Yellow);
    QCOMPARE(stateColour("Sospeso"), Colour::Blue);
    QCOMPARE(stateColour("sospeso"), Colour::Fuchsia); // exact comparison
    QCOMPARE(stateColour(""), Colour::Fuchsia);
}

void TestCellStyle::gridCellRules()
{
    RowFacts row;
    Style s = forGridCell("E_mail", false, row);
    QVERIFY(s.underline && !s.bold);
    QCOMPARE(s.foreground, Colour::Blue);
    QCOMPARE(s.background, Colour::ContactGreen);

    row.marked = true; // the marked row wins over every other colour and style
    s = forGridCell("E_mail", false, row);
    QVERIFY(s.bold && !s.underline);
    QCOMPARE(s.foreground, Colour::Blue);
    QCOMPARE(s.background, Colour::Aqua);

    row = RowFacts();
    QCOMPARE(forGridCell("Cognome", true, row).foreground, Colour::Black);
    QVERIFY(!forGridCell("IdProgetto", false, row).background.isValid());
    // Amount colours need both amounts in the result.
    row.total = "1000";
    row.paid = "400";
    QVERIFY(!forGridCell("Importo_totale", false, row).background.isValid());
    row.hasTotal = true;
    QCOMPARE(forGridCell("Importo_totale", false, row).background, Colour::Red);
    QCOMPARE(forGridCell("Importo_pagato", false, row).background, Colour::Red);
    row.paid = "1000";
    QCOMPARE(forGridCell("Importo_pagato", false, row).background, Colour::Green);
    row.state = "Sospeso";
    row.hasState = true;
    QCOMPARE(forGridCell("Stato", false, row).background, Colour::Blue);
    QCOMPARE(forGridCell("Data_scadenza", false, row).background, Colour::ProjectCyan);
    QCOMPARE(forGridCell("Data", false, row).background, Colour::PaymentLavender);
}

void TestCellStyle::cardLabelsFollowGroups()
{
    QCOMPARE(groupColourForLabel("Codice fiscale"), Colour::PersonYellow);
    QCOMPARE(groupColourForLabel("Città"), Colour::AddressPink);
    QCOMPARE(groupColourForLabel("1° Cellulare"), Colour::ContactGreen);
    QCOMPARE(groupColourForLabel("Data di consegna"), Colour::ProjectCyan);
    QCOMPARE(groupColourForLabel("Importo"), Colour::PaymentLavender);
    QVERIFY(!groupColourForLabel("Codice_fiscale").isValid()); // labels, not column names
}

void TestCellStyle::sortToggle()
{
    QCOMPARE(nextSort("", "Cognome"), QStringLiteral("Cognome ASC"));
    QCOMPARE(nextSort("Cognome ASC", "Cognome"), QStringLiteral("Cognome DESC"));
    QCOMPARE(nextSort("Cognome DESC", "Cognome"), QStringLiteral("Cognome ASC"));
    QCOMPARE(nextSort("Nome DESC", "Cognome"), QStringLiteral("Cognome ASC"));
    // The test is a plain prefix: "Data_inizio ASC" begins with "Data".
    QCOMPARE(nextSort("Data_inizio ASC", "Data"), QStringLiteral("Data DESC"));
}

void TestCellStyle::rowKeyByView()
{
    TestDatabase data(20);
    Query q(&data.db());
    q.setSql({"SELECT IdProgetto, Progetto.IdCommittente, Cognome_progettista, Stato", "FROM Committente, Progetto",
              "WHERE Committente.IdCommittente=Progetto.IdCommittente"});
    q.open();
    QVERIFY(q.recordCount() > 0);
    QCOMPARE(RowKey::keyOf(q, ViewProjects, 0), q.text(0, 0));
    // Projects by state key their rows by the client: every project of a client is marked.
    QCOMPARE(RowKey::keyOf(q, ViewProjectsByState, 0), q.text(0, 1));
    QCOMPARE(RowKey::keyColumn(q, ViewPayments), -1);
    QVERIFY(RowKey::keyOf(q, ViewPayments, 0).isEmpty());
    QVERIFY(RowKey::keyOf(q, ViewNone, 0).isEmpty());
}

QTEST_GUILESS_MAIN(TestCellStyle)
#include "tst_cellstyle.moc"
