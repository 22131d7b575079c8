#include "app/mainwindowfixture.h"

// The standard queries run from the main window on a demo database.
class TestQueryCatalogue : public QObject, public MainWindowFixture
{
    Q_OBJECT

private Q_SLOTS:
    void init() { startFixture(); }
    void cleanup() { stopFixture(); }

    void standardQuery_data();
    void standardQuery();
    void personsResultHidesKeys();
    void projectsResultHidesKeys();
    void uncheckedFieldIsHiddenButStaysOnTheCard();
    void projectsCardSkipsPaidAmount();
    void withProjectsListsAPersonOnce();
    void withoutProjectsListsNoPersonWithProjects();
    void paidAndUnpaidBoundaries();
    void projectQueryKeepsInsertKind();
    void queryResetsQuickSearch();
    void emptyResultDisablesDrillDown();
    void failingStatementLeavesGridAndCardEmpty();
    void initialQueryKinds();
};

void TestQueryCatalogue::standardQuery_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("button");
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<int>("viewKind");
    QTest::addColumn<bool>("persons");
    QTest::addColumn<bool>("addEnabled");
    QTest::addColumn<QString>("status");

    const QString projectsFrom = QStringLiteral("FROM Committente, Progetto");
    const QString projectsWhere = QStringLiteral("WHERE Committente.IdCommittente=Progetto.IdCommittente");
    QTest::newRow("Rubrica") << "QueryCommittente"
                             << "QueryCommittenteButton"
                             << QStringList({Expected::kPersonsColumns, "FROM Committente, Indirizzo, Recapiti",
                                             Expected::kPersonsJoin})
                             << 1 << true << true << "Query attuale: Tutte le persone";
    QTest::newRow("Con progetti") << "QueryConProgetti"
                                  << "QueryConProgettiButton"
                                  << QStringList({Expected::kDistinctPersonsColumns,
                                                  "FROM Committente, Progetto, Indirizzo, Recapiti",
                                                  "WHERE Committente.IdCommittente=Progetto.IdCommittente AND "
                                                  "Committente.IdCommittente=Indirizzo.IdCommittente AND "
                                                  "Indirizzo.IdCommittente=Recapiti.IdCommittente"})
                                  << 1 << true << false << "Query attuale: Persone con progetti";
    QTest::newRow("Senza progetti")
        << "QuerySenzaProgetti"
        << "QuerySenzaProgettiButton"
        << QStringList({Expected::kDistinctPersonsColumns, "FROM Committente, Indirizzo, Recapiti",
                        "WHERE Committente.IdCommittente NOT IN (SELECT Progetto.IdCommittente FROM Progetto)AND "
                        "Committente.IdCommittente=Indirizzo.IdCommittente AND "
                        "Indirizzo.IdCommittente=Recapiti.IdCommittente"})
        << 1 << true << false << "Query attuale: Persone senza progetti";
    QTest::newRow("Progetti") << "QueryProgetto"
                              << "QueryProgettoButton"
                              << QStringList({Expected::kProjectsColumns, projectsFrom, projectsWhere}) << 2 << false
                              << false << "Query attuale: Tutti i progetti";
    QTest::newRow("In corso") << "InCorso"
                              << "InCorsoButton"
                              << QStringList({Expected::kProjectsColumns, projectsFrom,
                                              projectsWhere + " AND Stato = \"In corso\""})
                              << 2 << false << false << "Query attuale: Progetti in corso";
    QTest::newRow("Da iniziare") << "Comune"
                                 << "ComuneButton"
                                 << QStringList({Expected::kProjectsColumns, projectsFrom,
                                                 projectsWhere + " AND Stato = \"Da iniziare\""})
                                 << 2 << false << false << "Query attuale: Progetti da iniziare";
    QTest::newRow("Sospesi") << "QuerySospesi"
                             << "QuerySospesiButton"
                             << QStringList({Expected::kProjectsColumns, projectsFrom,
                                             projectsWhere + " AND Stato = \"Sospeso\""})
                             << 2 << false << false << "Query attuale: Progetti sospesi";
    QTest::newRow("Non pagati") << "QueryNonPagati"
                                << "QueryNonPagatiButton"
                                << QStringList({Expected::kProjectsColumns, projectsFrom,
                                                projectsWhere + " AND Importo_pagato < Importo_totale"})
                                << 2 << false << false << "Query attuale: Progetti non pagati o pagati in parte";
    QTest::newRow("Pagati") << "QueryPagati"
                            << "QueryPagatiButton"
                            << QStringList({Expected::kProjectsColumns, projectsFrom,
                                            projectsWhere + " AND Importo_pagato = Importo_totale"})
                            << 2 << false << false << "Query attuale: Progetti pagati";
}

void TestQueryCatalogue::standardQuery()
{
    QFETCH(QString, action);
    QFETCH(QString, button);
    QFETCH(QStringList, lines);
    QFETCH(int, viewKind);
    QFETCH(bool, persons);
    QFETCH(bool, addEnabled);
    QFETCH(QString, status);

    start(60);
    // Leave a state behind that the query must reset.
    main()->globals().viewKind = ViewNone;
    main()->globals().insertKind = InsertKind(7);
    child<QToolButton>("SpeedButton1")->setChecked(true);
    child<QToolButton>("SpeedButton1")->setEnabled(false);
    child<QComboBox>("ComboBox1")->setEditText(QStringLiteral("Via"));
    child<QDateEdit>("DateTimePicker1")->show();

    click(button);

    QVERIFY(dialogs_->errors.isEmpty());
    QCOMPARE(query()->sql(), lines);
    QVERIFY(query()->isActive());
    QVERIFY(query()->recordCount() > 0);
    QCOMPARE(main()->globals().viewKind, viewKind);
    QCOMPARE(main()->globals().insertKind, persons ? 1 : 7);
    QCOMPARE(child<QToolButton>("BitBtn1")->isEnabled(), addEnabled);
    QVERIFY(child<QToolButton>("BitBtn2")->isEnabled());
    auto *drill = child<QToolButton>("SpeedButton1");
    QVERIFY(!drill->isChecked());
    QVERIFY(drill->isEnabled());
    QCOMPARE(drill->text(), persons ? QStringLiteral("Visualizza progetti") : QStringLiteral("Visualizza pagamenti"));
    QCOMPARE(drill->palette().color(QPalette::ButtonText), QColor(0xFF, 0x00, 0x00));
    QCOMPARE(child<QComboBox>("ComboBox1")->currentText(),
             persons ? QStringLiteral("Cognome") : QStringLiteral("Cognome cliente"));
    QCOMPARE(main()->statusText(), status);
    QVERIFY(!child<QDateEdit>("DateTimePicker1")->isVisible());
    QVERIFY(main()->model()->isEditable());
    QCOMPARE(main()->model()->rowCount(), query()->recordCount());
    QCOMPARE(child<QLineEdit>("DBEdit1")->text(), query()->text(query()->currentRow(), persons ? 1 : 2));
}

void TestQueryCatalogue::personsResultHidesKeys()
{
    start();
    trigger("QueryCommittente");
    QTableView *grid = main()->grid();
    for (const QString key : {"Committente.IdCommittente", "Indirizzo.IdCommittente", "Recapiti.IdCommittente"}) {
        QVERIFY2(column(key) >= 0, qPrintable(key));
        QVERIFY2(grid->isColumnHidden(column(key)), qPrintable(key));
    }
    for (const QString shown : {"Cognome", "Nome", "Qualifica", "CAP", "Città", "Via", "Numero_telefono1",
                                "Sito_internet", "Codice_fiscale", "Partita_iva", "Note"}) {
        QVERIFY2(!grid->isColumnHidden(column(shown)), qPrintable(shown));
        QCOMPARE(grid->columnWidth(column(shown)), 100);
    }
    QCOMPARE(main()->model()->headerData(column("Codice_fiscale"), Qt::Horizontal).toString(),
             QStringLiteral("Codice fiscale"));
    QCOMPARE(main()->model()->headerData(column("Cognome"), Qt::Horizontal).toString(), QStringLiteral("Cognome"));
}

void TestQueryCatalogue::projectsResultHidesKeys()
{
    start();
    trigger("QueryProgetto");
    QTableView *grid = main()->grid();
    QVERIFY(grid->isColumnHidden(column("IdProgetto")));
    QVERIFY(grid->isColumnHidden(column("IdCommittente")));
    for (const QString shown :
         {"Cognome_progettista", "Nome_progettista", "Descrizione", "Comune", "Stato", "Importo_totale",
          "Importo_pagato", "Data_inizio", "Data_fine", "Data_scadenza", "Archivio", "Nota"})
        QVERIFY2(!grid->isColumnHidden(column(shown)), qPrintable(shown));
    QCOMPARE(main()->model()->headerData(column("Importo_pagato"), Qt::Horizontal).toString(),
             QStringLiteral("Importo pagato"));
}

void TestQueryCatalogue::uncheckedFieldIsHiddenButStaysOnTheCard()
{
    start();
    CheckList &contacts = main()->globals().checkLists[2];
    QVERIFY(contacts.isChecked(contacts.indexOf(QStringLiteral("Fax"))));
    contacts.checked[contacts.indexOf(QStringLiteral("Fax"))] = false;
    trigger("QueryCommittente");
    QVERIFY(main()->grid()->isColumnHidden(column("Numero_fax")));
    QCOMPARE(child<QLabel>("DBText9")->text(), QStringLiteral("Fax"));
    QCOMPARE(main()->cardPairs()[8].boundField, QStringLiteral("Numero_fax"));
}

void TestQueryCatalogue::projectsCardSkipsPaidAmount()
{
    start();
    trigger("QueryProgetto");
    const QStringList expected = {"Cognome cliente", "Nome cliente", "Descrizione",
                                  "Comune",          "Stato",        "Importo totale",
                                  "Data di inizio",  "Data di fine", "Data di consegna",
                                  "Archivio",        "Nota"};
    for (int k = 0; k < Principale::kPairs; ++k) {
        const CardPair &pair = main()->cardPairs()[size_t(k)];
        QVERIFY(pair.boundField != QStringLiteral("Importo_pagato"));
        auto *label = child<QLabel>(QStringLiteral("DBText%1").arg(k + 1));
        auto *editor = child<QLineEdit>(QStringLiteral("DBEdit%1").arg(k + 1));
        if (k < expected.size()) {
            QCOMPARE(label->text(), expected.at(k));
            QVERIFY(pair.visible);
            QVERIFY(!label->isHidden());
            QVERIFY(!editor->isHidden());
        } else {
            QVERIFY(!pair.visible);
            QVERIFY(label->isHidden());
            QVERIFY(editor->isHidden());
        }
    }
    QCOMPARE(child<QLineEdit>("DBEdit1")->width(), 200);
    QCOMPARE(child<QLineEdit>("DBEdit2")->width(), 121);
    QCOMPARE(child<QLineEdit>("DBEdit6")->text(), query()->text(query()->currentRow(), column("Importo_totale")));
}

void TestQueryCatalogue::withProjectsListsAPersonOnce()
{
    start();
    const qint64 person = addPerson(QStringLiteral("Doppioni"));
    addProject(person, QStringLiteral("Doppioni"), 1000, 0);
    addProject(person, QStringLiteral("Doppioni"), 2000, 0);
    const qint64 lonely = addPerson(QStringLiteral("Solitari"));

    trigger("QueryConProgetti");
    int count = 0;
    const int key = column("Committente.IdCommittente");
    for (int row = 0; row < query()->recordCount(); ++row)
        count += query()->value(row, key).toLongLong() == person ? 1 : 0;
    QCOMPARE(count, 1);
    QVERIFY(!keysOf("Committente.IdCommittente").count(lonely));
    // Every listed person has a project, and each is listed once.
    const std::set<qint64> listed = keysOf("Committente.IdCommittente");
    QCOMPARE(int(listed.size()), query()->recordCount());
}

void TestQueryCatalogue::withoutProjectsListsNoPersonWithProjects()
{
    start();
    const qint64 person = addPerson(QStringLiteral("Doppioni"));
    addProject(person, QStringLiteral("Doppioni"), 1000, 0);
    addProject(person, QStringLiteral("Doppioni"), 2000, 0);
    const qint64 lonely = addPerson(QStringLiteral("Solitari"));

    trigger("QuerySenzaProgetti");
    const std::set<qint64> listed = keysOf("Committente.IdCommittente");
    QVERIFY(!listed.count(person));
    QVERIFY(listed.count(lonely));
    for (const qint64 id : listed) {
        const QVariant projects = db_->db().scalar(
            QStringLiteral("SELECT COUNT(*) FROM Progetto WHERE IdCommittente = %1").arg(id).toUtf8());
        QCOMPARE(projects.toLongLong(), 0);
    }
}

void TestQueryCatalogue::paidAndUnpaidBoundaries()
{
    start();
    const qint64 person = addPerson(QStringLiteral("Pagatori"));
    const qint64 paid = addProject(person, QStringLiteral("Pagatori"), 1500, 1500);
    const qint64 lower = addProject(person, QStringLiteral("Pagatori"), 1500, 1499);
    const qint64 above = addProject(person, QStringLiteral("Pagatori"), 1500, 1501);

    trigger("QueryPagati");
    std::set<qint64> listed = keysOf("IdProgetto");
    QVERIFY(listed.count(paid));
    QVERIFY(!listed.count(lower));
    QVERIFY(!listed.count(above));

    trigger("QueryNonPagati");
    listed = keysOf("IdProgetto");
    QVERIFY(!listed.count(paid));
    QVERIFY(listed.count(lower));
    QVERIFY(!listed.count(above));
}

void TestQueryCatalogue::projectQueryKeepsInsertKind()
{
    start();
    trigger("QueryCommittente");
    QCOMPARE(main()->globals().insertKind, 1);
    QVERIFY(child<QToolButton>("BitBtn1")->isEnabled());
    main()->globals().insertKind = InsertPayment;
    trigger("InCorso");
    QCOMPARE(main()->globals().insertKind, 3);
    QVERIFY(!child<QToolButton>("BitBtn1")->isEnabled());
    QVERIFY(!main()->action("Inserisci")->isEnabled());
}

void TestQueryCatalogue::queryResetsQuickSearch()
{
    start();
    trigger("QueryCommittente");
    const int all = query()->recordCount();
    child<QLineEdit>("Edit1")->setText(QStringLiteral("Zzz"));
    query()->setFilter(QStringLiteral("Cognome LIKE 'Zzz*'"));
    query()->setFiltered(true);
    QCOMPARE(query()->recordCount(), 0);
    trigger("QueryCommittente");
    QVERIFY(!query()->isFiltered());
    QVERIFY(child<QLineEdit>("Edit1")->text().isEmpty());
    QCOMPARE(query()->recordCount(), all);
}

void TestQueryCatalogue::emptyResultDisablesDrillDown()
{
    start(0);
    trigger("QueryProgetto");
    QCOMPARE(query()->recordCount(), 0);
    auto *drill = child<QToolButton>("SpeedButton1");
    QVERIFY(!drill->isEnabled());
    QCOMPARE(drill->text(), QStringLiteral("Visualizza pagamenti"));
    QCOMPARE(main()->statusText(), QStringLiteral("Query attuale: Tutti i progetti"));
    for (int k = 1; k <= Principale::kPairs; ++k)
        QVERIFY(child<QLineEdit>(QStringLiteral("DBEdit%1").arg(k))->text().isEmpty());
}

void TestQueryCatalogue::failingStatementLeavesGridAndCardEmpty()
{
    start();
    trigger("QueryCommittente");
    QVERIFY(main()->model()->rowCount() > 0);
    QVERIFY(!child<QLineEdit>("DBEdit1")->text().isEmpty());

    db_->db().exec("DROP TABLE Recapiti");
    trigger("QueryCommittente");

    QCOMPARE(dialogs_->errors.size(), 1);
    QVERIFY(dialogs_->errors.first().contains(QStringLiteral("Recapiti")));
    QVERIFY(!query()->isActive());
    QCOMPARE(main()->model()->rowCount(), 0);
    QCOMPARE(main()->model()->columnCount(), 0);
    for (int k = 0; k < Principale::kPairs; ++k) {
        QVERIFY(main()->cardPairs()[size_t(k)].boundField.isEmpty());
        QVERIFY(child<QLineEdit>(QStringLiteral("DBEdit%1").arg(k + 1))->text().isEmpty());
        // No label of the earlier result is left over an empty editor.
        QVERIFY(!main()->cardPairs()[size_t(k)].visible);
        QVERIFY(child<QLabel>(QStringLiteral("DBText%1").arg(k + 1))->isHidden());
    }

    // The next query that works fills the grid again.
    trigger("QueryProgetto");
    QCOMPARE(dialogs_->errors.size(), 1);
    QVERIFY(main()->model()->rowCount() > 0);
}

void TestQueryCatalogue::initialQueryKinds()
{
    start();
    // The demo database starts on all persons (kind 0).
    QCOMPARE(main()->globals().viewKind, 1);
    QCOMPARE(main()->statusText(), QStringLiteral("Query attuale: Tutte le persone"));

    main()->globals().initialQueryKind = 3;
    main()->runInitialQuery(true);
    QCOMPARE(main()->statusText(), QStringLiteral("Query attuale: Progetti in corso"));
    main()->globals().initialQueryKind = 4;
    main()->runInitialQuery(false);
    QCOMPARE(main()->statusText(), QStringLiteral("Query attuale: Progetti pagati"));
    main()->globals().initialQueryKind = -1;
    main()->runInitialQuery(false);
    QCOMPARE(main()->statusText(), QStringLiteral("Query attuale: Progetti pagati"));
    main()->runInitialQuery(true);
    QCOMPARE(main()->statusText(), QStringLiteral("Query attuale: Tutte le persone"));
    main()->globals().initialQueryKind = 7;
    trigger("QueryProgetto");
    main()->runInitialQuery(true);
    QCOMPARE(main()->statusText(), QStringLiteral("Query attuale: Tutti i progetti"));
}

QTEST_MAIN(TestQueryCatalogue)
#include "tst_querycatalogue.moc"
