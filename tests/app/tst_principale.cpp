#include "app/mainwindowfixture.h"
#include "editing/forminput.h"

// The main window's menus, tool bars, navigator and grid.
class TestPrincipale : public QObject, public MainWindowFixture
{
    Q_OBJECT

private Q_SLOTS:
    void init() { startFixture(); }
    void cleanup() { stopFixture(); }

    void menusInOrder();
    void toolBarsInOrder();
    void menuEntryAndButtonRunTheSameQuery();
    void navigatorMovesTheCurrentRow();
    void widthCaptureOnMouseRelease();
    void modelTester();
    void viewSwitch();
    void queryUnbindsTheInputSheet();
};

void TestPrincipale::menusInOrder()
{
    start();
    const QList<QAction *> menus = main()->menuBar()->actions();
    QStringList titles;
    for (QAction *m : menus)
        titles << m->text();
    QCOMPARE(titles, QStringList({"File", "Visualizza", "Database", "Preferenze", "Help"}));

    const auto items = [&](const QString &menu) {
        QStringList texts;
        for (QAction *a : child<QMenu>(menu)->actions())
            texts << (a->isSeparator() ? QStringLiteral("-") : a->text());
        return texts;
    };
    // Printing and backups come between the spreadsheet items and "Esci".
    QCOMPARE(items("File1"), QStringList({"Collegamento desktop",
                                          "Collegamento in Programmi",
                                          "-",
                                          "Esporta in Excel",
                                          "Importa da Excel",
                                          "Esporta in CSV...",
                                          "Importa da CSV...",
                                          "Esporta rubrica (vCard)...",
                                          "Importa rubrica (vCard)...",
                                          "-",
                                          "Stampa...",
                                          "Anteprima di stampa...",
                                          "Esporta in PDF...",
                                          "-",
                                          "Backup del database...",
                                          "Ripristina da backup...",
                                          "-",
                                          "Importa archivio precedente (.mdb)...",
                                          "Ricalcola importi pagati",
                                          "Sposta i dati su un server...",
                                          "-",
                                          "Esci"}));
    QCOMPARE(items("Visualizza1"), QStringList({"Tabella", "Scheda"}));
    QCOMPARE(items("Database1"),
             QStringList({"Rubrica", "Progetti", "Ricerca avanzata", "-", "Persona", "Qualifica", "Città",
                          "Con progetti", "Senza progetti", "-", "Stato progetto", "Da iniziare", "Progetti non pagati",
                          "Progetti pagati", "-", "Codici da verificare"}));
    QCOMPARE(items("Preferenze1"), QStringList({"Formattazione testo", "Opzioni..."}));
    QCOMPARE(items("Help1"), QStringList({"Manuale", "-", "Informazioni"}));

    QStringList names;
    for (QAction *a : child<QMenu>("Database1")->actions())
        names << (a->isSeparator() ? QStringLiteral("-") : a->objectName());
    QCOMPARE(names, QStringList({"QueryCommittente", "QueryProgetto", "PersonalizzaQuery", "-", "Nome", "Qualifica",
                                 "Citta", "QueryConProgetti", "QuerySenzaProgetti", "-", "Stato", "Comune",
                                 "QueryNonPagati", "QueryPagati", "-", "CodiciDaVerificare"}));
}

void TestPrincipale::toolBarsInOrder()
{
    start();
    const auto captions = [&](const QString &bar) {
        QStringList texts;
        QToolBar *toolBar = child<QToolBar>(bar);
        for (QAction *a : toolBar->actions()) {
            if (a->isSeparator()) {
                texts << QStringLiteral("-");
                continue;
            }
            QWidget *w = toolBar->widgetForAction(a);
            auto *button = qobject_cast<QToolButton *>(w);
            texts << (button ? button->text() : w->objectName());
        }
        return texts;
    };
    QCOMPARE(captions("ToolBar1"),
             QStringList({"Aggiungi", "Elimina", "-", "Rubrica", "Progetti", "Ricerca avanzata", "-", "Persona",
                          "Qualifica", "Città", "Con progetti", "Senza progetti"}));
    QCOMPARE(captions("ToolBar2"), QStringList({"SearchBox", "In corso", "Sospesi", "Da Iniziare",
                                                "Progetti non pagati", "Progetti pagati"}));
    QCOMPARE(captions("ToolBar3"), QStringList({"Visualizza progetti", "Scheda", "Tabella"}));

    const auto colour = [&](const QString &button) {
        return child<QToolButton>(button)->palette().color(QPalette::ButtonText);
    };
    QCOMPARE(colour("QueryCommittenteButton"), QColor(0x00, 0x80, 0x00));
    QCOMPARE(colour("QuerySenzaProgettiButton"), QColor(0x00, 0x80, 0x00));
    QCOMPARE(colour("QueryProgettoButton"), QColor(0x00, 0x00, 0xFF));
    QCOMPARE(colour("QueryPagatiButton"), QColor(0x00, 0x00, 0xFF));
    QCOMPARE(colour("SpeedButton1"), QColor(0xFF, 0x00, 0x00));
    QVERIFY(!child<QToolButton>("QueryCommittenteButton")->icon().isNull());
    QVERIFY(child<QToolButton>("SpeedButton1")->isCheckable());
    QVERIFY(child<QComboBox>("ComboBox1")->isEditable());
    QCOMPARE(child<QLabel>("StatusBar1Panel0")->width(), 500);
    QVERIFY(child<QWidget>("Panel1")->isVisible());
    QVERIFY(!child<QWidget>("Panel2")->isVisible());
    QCOMPARE(main()->windowTitle(), QStringLiteral("Pratilio+"));
    QVERIFY(main()->isMaximized());
}

void TestPrincipale::menuEntryAndButtonRunTheSameQuery()
{
    start();
    trigger("QueryProgetto");
    const QStringList fromMenu = query()->sql();
    const int rows = query()->recordCount();
    click("QueryCommittenteButton");
    QCOMPARE(main()->globals().viewKind, 1);
    click("QueryProgettoButton");
    QCOMPARE(query()->sql(), fromMenu);
    QCOMPARE(query()->recordCount(), rows);
}

void TestPrincipale::navigatorMovesTheCurrentRow()
{
    start();
    trigger("QueryCommittente");
    QCOMPARE(query()->currentRow(), 0);
    const int surname = column("Cognome");
    click("DBNavigator1Next");
    QCOMPARE(query()->currentRow(), 1);
    QCOMPARE(main()->grid()->currentIndex().row(), 1);
    QCOMPARE(child<QLineEdit>("DBEdit1")->text(), query()->text(1, surname));
    click("DBNavigator1Last");
    QCOMPARE(query()->currentRow(), query()->recordCount() - 1);
    click("DBNavigator1Prior");
    QCOMPARE(query()->currentRow(), query()->recordCount() - 2);
    click("DBNavigator1First");
    QCOMPARE(query()->currentRow(), 0);
    QCOMPARE(child<QLineEdit>("DBEdit1")->text(), query()->text(0, surname));

    // Picking a row in the grid moves the result too.
    main()->grid()->setCurrentIndex(main()->model()->index(3, surname));
    QCOMPARE(query()->currentRow(), 3);
    QCOMPARE(child<QLineEdit>("DBEdit1")->text(), query()->text(3, surname));
}

void TestPrincipale::widthCaptureOnMouseRelease()
{
    start();
    trigger("QueryCommittente");
    QTableView *grid = main()->grid();
    grid->horizontalHeader()->resizeSection(column("Cognome"), 173);
    const FieldCatalogue &catalogue = main()->globals().catalogue;
    QCOMPARE(catalogue.entry(catalogue.indexOfLabel(QStringLiteral("Cognome"))).width, 100);

    QTest::mouseRelease(grid->horizontalHeader()->viewport(), Qt::LeftButton);
    QCOMPARE(catalogue.entry(catalogue.indexOfLabel(QStringLiteral("Cognome"))).width, 173);
    QCOMPARE(catalogue.entry(catalogue.indexOfLabel(QStringLiteral("Nome"))).width, 100);

    grid->horizontalHeader()->resizeSection(column("Via"), 150);
    QTest::mouseRelease(grid->viewport(), Qt::RightButton, {}, QPoint(5, 5));
    QCOMPARE(catalogue.entry(catalogue.indexOfLabel(QStringLiteral("Via"))).width, 150);

    trigger("QueryConProgetti");
    QCOMPARE(grid->columnWidth(column("Cognome")), 173);
    QCOMPARE(grid->columnWidth(column("Via")), 150);
    QCOMPARE(grid->columnWidth(column("Nome")), 100);
}

void TestPrincipale::modelTester()
{
    start();
    QAbstractItemModelTester tester(main()->model(), QAbstractItemModelTester::FailureReportingMode::QtTest);
    for (const QString action : {"QueryCommittente", "QueryProgetto", "QuerySenzaProgetti", "QueryPagati"}) {
        trigger(action);
        QVERIFY(main()->model()->rowCount() > 0);
        QCOMPARE(main()->model()->rowCount(), query()->recordCount());
        QCOMPARE(main()->model()->columnCount(), query()->fieldCount());
    }
    db_->db().exec("DROP TABLE Progetto");
    trigger("QueryProgetto");
    QCOMPARE(main()->model()->rowCount(), 0);
    trigger("QueryCommittente");
    QVERIFY(main()->model()->rowCount() > 0);
}

void TestPrincipale::viewSwitch()
{
    start();
    trigger("QueryCommittente");
    click("MostraSchedaButton");
    QVERIFY(!child<QWidget>("Panel1")->isVisible());
    QVERIFY(child<QWidget>("Panel2")->isVisible());
    QCOMPARE(child<QLabel>("DBText1")->text(), QStringLiteral("Cognome"));
    QVERIFY(child<QLineEdit>("DBEdit1")->isVisible());
    trigger("MostraTabella");
    QVERIFY(child<QWidget>("Panel1")->isVisible());
    QVERIFY(!child<QWidget>("Panel2")->isVisible());
}

void TestPrincipale::queryUnbindsTheInputSheet()
{
    start();
    trigger("QueryCommittente");
    FormInput *sheet = startup_->inputSheet();
    ColumnSetup::bindCardPairs(sheet->pairs(), main()->gridColumns());
    QCOMPARE(sheet->pairs()[0].boundField, QStringLiteral("Cognome"));
    trigger("QueryProgetto");
    for (const CardPair &pair : sheet->pairs())
        QVERIFY(pair.boundField.isEmpty());
    // The main window's own card is bound again by the query.
    QCOMPARE(main()->cardPairs()[0].boundField, QStringLiteral("Cognome_progettista"));
}

QTEST_MAIN(TestPrincipale)
#include "tst_principale.moc"
