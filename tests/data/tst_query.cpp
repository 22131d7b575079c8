// The query object over a real keyed database: result naming, writes to the base tables of
// joined rows, transactions with the program's hooks, filter and sort, errors.
#include "data/database.h"
#include "data/query.h"
#include "data/schema.h"
#include "data/table.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QStringList kPersons
    = {"SELECT Committente.IdCommittente, Cognome, Nome, Qualifica, Indirizzo.IdCommittente, CAP, Città, Via, "
       "Recapiti.*, Codice_fiscale, Partita_iva, Note",
       "FROM Committente, Indirizzo, Recapiti",
       "WHERE Committente.IdCommittente=Indirizzo.IdCommittente AND Indirizzo.IdCommittente=Recapiti.IdCommittente"};
const QStringList kProjects
    = {"SELECT IdProgetto, Progetto.IdCommittente, Cognome_progettista, Nome_progettista, Descrizione, Comune, Stato, "
       "Importo_totale, Importo_pagato, Data_inizio, Data_fine, Data_scadenza, Archivio, Nota",
       "FROM Committente, Progetto", "WHERE Committente.IdCommittente=Progetto.IdCommittente"};

QStringList fieldNames(const Query &q)
{
    QStringList names;
    for (int c = 0; c < q.fieldCount(); ++c)
        names << q.fieldInfo(c).name;
    return names;
}

QStringList column(Query &q, const QString &name)
{
    QStringList values;
    const int c = q.fieldIndex(name);
    for (int r = 0; r < q.recordCount(); ++r)
        values << q.text(r, c);
    return values;
}

} // namespace

class TestQuery : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void resultNamesQualifyOnlyRepeatedNames();
    void fieldLookup();
    void newPersonRowIsStoredInThreeTables();
    void changedPersonRowUpdatesEachTableByItsKey();
    void anEditMadeElsewhereMeanwhileIsNotOverwritten();
    void rereadShowsOtherWorkAndKeepsTheRow();
    void deletingARowRemovesItFromItsContributingTables();
    void paymentsWithoutTheirKeyAreFoundByValue();
    void engineAssignsInvoiceNumber();
    void hookFailureUndoesThePost();
    void refusedSaveKeepsTypedValues();
    void hookFailureUndoesTheDelete();
    void filterAndSort();
    void filterErrorLeavesAllRows();
    void datesAndParameters();
    void amountsStayExact();
    void nextKey();
    void tableObject();
    void engineErrorCarriesItsText();
    void openFailuresAreExplained();

private:
    void addPerson(int id, const QString &surname, const QString &name, const QString &city, bool address = true,
                   bool contacts = true);
    void addProject(int id, int person, const QString &state, int total, int paid);
    qint64 count(const QString &sql) { return db_->scalar(sql.toUtf8()).toLongLong(); }

    std::unique_ptr<QTemporaryDir> dir_;
    std::unique_ptr<Database> db_;
};

void TestQuery::init()
{
    dir_ = std::make_unique<QTemporaryDir>();
    db_ = std::make_unique<Database>();
    db_->create(dir_->filePath("DatiCliente.mdb"), Schema::databasePassword());
    Schema::createTables(*db_);
    addPerson(0, "Rossi", "Mario", "Roma");
    addPerson(1, "D'Amico", "Giò", "Forlì");
    addPerson(2, "Bianchi", "Anna", "Cantù");
    addPerson(3, "Senzacasa", "Ugo", "", false, true);
    addProject(0, 0, "In corso", 1000, 0);
    addProject(1, 0, "Da iniziare", 1500, 1500);
    addProject(2, 1, "Sospeso", 800, 200);
}

void TestQuery::cleanup()
{
    db_.reset();
    dir_.reset();
}

void TestQuery::addPerson(int id, const QString &surname, const QString &name, const QString &city, bool address,
                          bool contacts)
{
    Statement p(*db_, "INSERT INTO Committente (IdCommittente, Cognome, Nome) VALUES (?,?,?)");
    p.bind(1, id);
    p.bind(2, surname);
    p.bind(3, name);
    p.step();
    if (address) {
        Statement a(*db_, "INSERT INTO Indirizzo (IdCommittente, CAP, Città, Via) VALUES (?,'00184',?,'Via Roma 1')");
        a.bind(1, id);
        a.bind(2, city);
        a.step();
    }
    if (contacts) {
        Statement c(*db_, "INSERT INTO Recapiti (IdCommittente, E_mail) VALUES (?,?)");
        c.bind(1, id);
        c.bind(2, surname.toLower() + "@example.it");
        c.step();
    }
}

void TestQuery::addProject(int id, int person, const QString &state, int total, int paid)
{
    Statement st(*db_,
                 "INSERT INTO Progetto (IdProgetto, IdCommittente, Cognome_progettista, Descrizione, Stato, "
                 "Importo_totale, Importo_pagato, Data_inizio) "
                 "SELECT ?, ?, Cognome, 'Lavori', ?, ?, ?, '2007-03-0' || ? FROM Committente WHERE IdCommittente=?");
    st.bind(1, id);
    st.bind(2, person);
    st.bind(3, state);
    st.bind(4, total);
    st.bind(5, paid);
    st.bind(6, id + 1);
    st.bind(7, person);
    st.step();
}

void TestQuery::resultNamesQualifyOnlyRepeatedNames()
{
    Query q(db_.get());
    q.setSql(kPersons);
    q.open();
    QCOMPARE(fieldNames(q),
             QStringList({"Committente.IdCommittente", "Cognome", "Nome", "Qualifica", "Indirizzo.IdCommittente", "CAP",
                          "Città", "Via", "Recapiti.IdCommittente", "Numero_telefono1", "Numero_telefono2",
                          "Numero_fax", "Numero_cell1", "Numero_cell2", "E_mail", "Sito_internet", "Codice_fiscale",
                          "Partita_iva", "Note"}));
    // The person without an address row is not listed.
    QCOMPARE(q.recordCount(), 3);

    q.setSql(kProjects);
    q.open();
    QCOMPARE(fieldNames(q).mid(0, 3), QStringList({"IdProgetto", "IdCommittente", "Cognome_progettista"}));

    q.setSql({"SELECT IdProgetto, IdFattura, Importo, Data, Fattura", "FROM Pagamenti", "WHERE IdProgetto =0"});
    q.open();
    QCOMPARE(fieldNames(q), QStringList({"IdProgetto", "IdFattura", "Importo", "Data", "Fattura"}));

    // The complex query's joins: every repeated name is qualified with its own table.
    q.setSql({"SELECT DISTINCT *",
              "FROM (Committente INNER JOIN Indirizzo on Committente.IdCommittente=Indirizzo.IdCommittente) INNER JOIN "
              "Progetto on Committente.IdCommittente=Progetto.IdCommittente",
              "WHERE Cognome='Rossi'"});
    q.open();
    const QStringList names = fieldNames(q);
    QVERIFY(names.contains("Committente.IdCommittente"));
    QVERIFY(names.contains("Indirizzo.IdCommittente"));
    QVERIFY(names.contains("Progetto.IdCommittente"));
    QVERIFY(names.contains("IdProgetto"));
    QVERIFY(!names.contains("IdCommittente"));
    QCOMPARE(q.recordCount(), 2);

    // DISTINCT lists a person with two projects once.
    q.setSql({QString(kPersons[0]).replace("SELECT ", "SELECT DISTINCT "),
              "FROM Committente, Progetto, Indirizzo, Recapiti",
              "WHERE Committente.IdCommittente=Progetto.IdCommittente AND "
              "Committente.IdCommittente=Indirizzo.IdCommittente AND Indirizzo.IdCommittente=Recapiti.IdCommittente"});
    q.open();
    QStringList withProjects = column(q, "Cognome");
    withProjects.sort(); // the engine's order, unspecified without ORDER BY
    QCOMPARE(withProjects, QStringList({"D'Amico", "Rossi"}));

    // NOT IN with a sub-select, written without a blank before AND.
    q.setSql({kPersons[0], kPersons[1],
              "WHERE Committente.IdCommittente NOT IN (SELECT Progetto.IdCommittente FROM Progetto)AND "
              "Committente.IdCommittente=Indirizzo.IdCommittente AND Indirizzo.IdCommittente=Recapiti.IdCommittente"});
    q.open();
    QCOMPARE(column(q, "Cognome"), QStringList({"Bianchi"}));
}

void TestQuery::fieldLookup()
{
    Query q(db_.get());
    q.setSql(kPersons);
    q.open();
    QVERIFY(!q.findField("IdCommittente"));
    QVERIFY(q.findField("Committente.IdCommittente"));
    QVERIFY_THROWS_EXCEPTION(DbError, q.fieldByName("IdProgetto"));
    QCOMPARE(q.fieldByName("Città").asString(), QStringLiteral("Roma"));
    QCOMPARE(q.fieldByName("Committente.IdCommittente").asInteger(), 0);
}

void TestQuery::newPersonRowIsStoredInThreeTables()
{
    Query q(db_.get());
    q.setSql(kPersons);
    q.open();
    q.afterInsert = [](Query &query) {
        const qint64 key = query.database()->nextKey("Committente", "IdCommittente") + 1;
        query.fieldByName("Committente.IdCommittente").setValue(key);
        query.fieldByName("Indirizzo.IdCommittente").setValue(key);
        query.fieldByName("Recapiti.IdCommittente").setValue(key);
    };
    q.insert();
    QCOMPARE(q.state(), Query::State::Insert);
    QCOMPARE(q.recordCount(), 4);
    q.fieldByName("Cognome").setValue("Dell'Acqua");
    q.fieldByName("Città").setValue("Paternò");
    q.fieldByName("E_mail").setValue("dellacqua@example.it");
    q.post();
    QCOMPARE(q.state(), Query::State::Browse);
    QCOMPARE(q.recordCount(), 4);
    QCOMPARE(q.fieldByName("Cognome").asString(), QStringLiteral("Dell'Acqua"));

    QCOMPARE(count("SELECT COUNT(*) FROM Committente WHERE IdCommittente=4 AND Cognome='Dell''Acqua'"), 1);
    QCOMPARE(count("SELECT COUNT(*) FROM Indirizzo WHERE IdCommittente=4 AND Città='Paternò'"), 1);
    QCOMPARE(count("SELECT COUNT(*) FROM Recapiti WHERE IdCommittente=4 AND E_mail='dellacqua@example.it'"), 1);

    // A cancelled insert writes nothing.
    q.insert();
    q.fieldByName("Cognome").setValue("Nessuno");
    q.cancel();
    QCOMPARE(q.recordCount(), 4);
    QCOMPARE(count("SELECT COUNT(*) FROM Committente"), 5);
}

void TestQuery::changedPersonRowUpdatesEachTableByItsKey()
{
    Query q(db_.get());
    q.setSql(kPersons);
    q.open();
    q.setCurrentRow(1);
    q.fieldByName("Nome").setValue("Giovanna");
    q.fieldByName("Via").setValue("Corso Garibaldi 2");
    QCOMPARE(q.state(), Query::State::Edit);
    q.post();
    QCOMPARE(count("SELECT COUNT(*) FROM Committente WHERE IdCommittente=1 AND Nome='Giovanna'"), 1);
    QCOMPARE(count("SELECT COUNT(*) FROM Indirizzo WHERE IdCommittente=1 AND Via='Corso Garibaldi 2'"), 1);
    // Nothing else changed.
    QCOMPARE(count("SELECT COUNT(*) FROM Committente WHERE Nome='Giovanna'"), 1);
    QCOMPARE(count("SELECT COUNT(*) FROM Indirizzo WHERE Via='Via Roma 1'"), 2);

    // Moving away from a changed row saves it, as a data-aware grid does.
    q.fieldByName("Cognome").setValue("D'Amico Rossi");
    q.next();
    QCOMPARE(count("SELECT COUNT(*) FROM Committente WHERE Cognome='D''Amico Rossi'"), 1);

    // A row deleted meanwhile by someone else is not silently "saved".
    db_->exec("DELETE FROM Indirizzo WHERE IdCommittente=2");
    q.setCurrentRow(2);
    q.fieldByName("Via").setValue("Altrove");
    QVERIFY_THROWS_EXCEPTION(DbError, q.post());
    QCOMPARE(q.state(), Query::State::Edit);
}

void TestQuery::anEditMadeElsewhereMeanwhileIsNotOverwritten()
{
    Query q(db_.get());
    q.setSql(kProjects);
    q.open();
    q.setCurrentRow(2);
    // Another desk changes the same project after this one read it.
    db_->exec("UPDATE Progetto SET Descrizione='Restauro', Importo_totale=900.5 WHERE IdProgetto=2");

    // A value the user replaces must still be the one read: the save is refused and the
    // typed values stay.
    q.fieldByName("Descrizione").setValue("Ampliamento");
    QVERIFY_THROWS_EXCEPTION(DbError, q.post());
    QCOMPARE(q.state(), Query::State::Edit);
    QCOMPARE(q.fieldByName("Descrizione").asString(), QStringLiteral("Ampliamento"));
    QCOMPARE(count("SELECT COUNT(*) FROM Progetto WHERE Descrizione='Restauro'"), 1);
    q.cancel();

    q.setCurrentRow(2);
    q.fieldByName("Importo_totale").setValue(1000);
    QVERIFY_THROWS_EXCEPTION(DbError, q.post());
    q.cancel();

    // A column nobody else touched is saved, and the other desk's change stays.
    q.fieldByName("Comune").setValue("Cantù");
    q.post();
    QCOMPARE(count("SELECT COUNT(*) FROM Progetto WHERE IdProgetto=2 AND Comune='Cantù' AND Descrizione='Restauro' "
                   "AND Importo_totale=900.5"),
             1);

    // Read again, the amount is what the engine holds, and a change of it is saved.
    q.open();
    q.setCurrentRow(2);
    q.fieldByName("Importo_totale").setValue(1000);
    q.post();
    QCOMPARE(count("SELECT COUNT(*) FROM Progetto WHERE IdProgetto=2 AND Importo_totale=1000"), 1);
}

void TestQuery::rereadShowsOtherWorkAndKeepsTheRow()
{
    Query q(db_.get());
    q.setSql(kPersons);
    q.open();
    q.setFieldDisplayName(q.fieldIndex("Cognome"), "Cognome del committente");
    q.setSort("Cognome");
    q.setFilter("Città LIKE 'R*'");
    q.setFiltered(true);
    QCOMPARE(column(q, "Cognome"), QStringList({"Rossi"}));
    q.setFiltered(false);
    q.setCurrentRow(column(q, "Cognome").indexOf("Rossi"));

    // Another desk adds a person who sorts first and changes this one's city.
    addPerson(7, "Abate", "Elena", "Rieti");
    db_->exec("UPDATE Indirizzo SET Città='Rimini' WHERE IdCommittente=0");
    QSignalSpy changed(&q, &Query::resultChanged);
    q.reread();
    QVERIFY(!changed.isEmpty());
    QCOMPARE(column(q, "Cognome"), QStringList({"Abate", "Bianchi", "D'Amico", "Rossi"}));
    QCOMPARE(q.fieldByName("Cognome").asString(), QStringLiteral("Rossi"));
    QCOMPARE(q.fieldByName("Città").asString(), QStringLiteral("Rimini"));
    QCOMPARE(q.fieldInfo(q.fieldIndex("Cognome")).displayName, QStringLiteral("Cognome del committente"));
    q.setFiltered(true);
    QCOMPARE(column(q, "Cognome"), QStringList({"Abate", "Rossi"}));

    // The row is gone: a neighbour becomes current. A row being edited is left alone.
    q.setCurrentRow(1);
    db_->exec("DELETE FROM Committente WHERE IdCommittente=0");
    q.reread();
    QCOMPARE(column(q, "Cognome"), QStringList({"Abate"}));
    QCOMPARE(q.currentRow(), 0);
    q.fieldByName("Nome").setValue("Elena Maria");
    addPerson(8, "Ricci", "Ada", "Roma");
    q.reread();
    QCOMPARE(q.state(), Query::State::Edit);
    QCOMPARE(q.recordCount(), 1);
}

void TestQuery::deletingARowRemovesItFromItsContributingTables()
{
    Query q(db_.get());
    q.setSql(kProjects);
    q.open();
    QCOMPARE(q.recordCount(), 3);
    q.first();
    q.deleteRecord();
    QCOMPARE(q.recordCount(), 2);
    QCOMPARE(count("SELECT COUNT(*) FROM Progetto"), 2);
    QCOMPARE(count("SELECT COUNT(*) FROM Committente"), 4); // the person stays

    q.setSql(kPersons);
    q.open();
    q.setCurrentRow(0); // Rossi, who still has a project
    q.deleteRecord();
    QCOMPARE(count("SELECT COUNT(*) FROM Committente WHERE IdCommittente=0"), 0);
    QCOMPARE(count("SELECT COUNT(*) FROM Indirizzo WHERE IdCommittente=0"), 0);
    QCOMPARE(count("SELECT COUNT(*) FROM Recapiti WHERE IdCommittente=0"), 0);
    QCOMPARE(count("SELECT COUNT(*) FROM Progetto WHERE IdCommittente=0"), 1);
    QCOMPARE(q.recordCount(), 2);
}

void TestQuery::paymentsWithoutTheirKeyAreFoundByValue()
{
    db_->exec("INSERT INTO Pagamenti (IdProgetto, Importo, Data, Fattura) VALUES (0, 300, '2007-01-01', 'A'),"
              "(0, 300, '2007-01-01', 'A'), (0, 700, '2007-02-01', 'B')");
    Query q(db_.get());
    q.setSql({"SELECT IdProgetto, Importo, Data, Fattura", "FROM Pagamenti", "WHERE IdProgetto =0"});
    q.open();
    QCOMPARE(q.recordCount(), 3);
    q.first();
    q.deleteRecord(); // one of two identical rows: exactly one goes
    QCOMPARE(count("SELECT COUNT(*) FROM Pagamenti WHERE Importo=300"), 1);
    QCOMPARE(count("SELECT COUNT(*) FROM Pagamenti"), 2);
}

void TestQuery::engineAssignsInvoiceNumber()
{
    Query q(db_.get());
    q.setSql({"SELECT IdProgetto, IdFattura, Importo, Data, Fattura", "FROM Pagamenti", "WHERE IdProgetto =2"});
    q.open();
    q.insert();
    q.fieldByName("IdProgetto").setValue(2);
    q.fieldByName("Importo").setValue("150");
    q.fieldByName("Data").setValue(QDate(2008, 5, 4));
    q.post();
    QVERIFY(!q.fieldByName("IdFattura").isNull());
    QCOMPARE(q.fieldByName("IdFattura").asInteger(), count("SELECT MAX(IdFattura) FROM Pagamenti"));
    QCOMPARE(q.fieldByName("Data").asString(), QStringLiteral("04/05/2008"));
}

void TestQuery::hookFailureUndoesThePost()
{
    // The payment and its project's total commit together: a failing total update leaves
    // neither written.
    Query q(db_.get());
    q.setSql({"SELECT IdProgetto, IdFattura, Importo, Data, Fattura", "FROM Pagamenti", "WHERE IdProgetto =2"});
    q.open();
    q.afterPost = [](Query &query) {
        query.database()->exec("UPDATE Progetto SET Importo_pagato = Importo_pagato + 100 WHERE IdProgetto = 2");
        throw DbError("guasto simulato");
    };
    q.insert();
    q.fieldByName("IdProgetto").setValue(2);
    q.fieldByName("Importo").setValue(100);
    QVERIFY_THROWS_EXCEPTION(DbError, q.post());
    QCOMPARE(q.state(), Query::State::Insert);
    QCOMPARE(q.fieldByName("Importo").asString(), QStringLiteral("100"));
    QCOMPARE(count("SELECT COUNT(*) FROM Pagamenti"), 0);
    QCOMPARE(count("SELECT Importo_pagato FROM Progetto WHERE IdProgetto=2"), 200);

    q.afterPost = nullptr;
    q.post(); // the same typed row can still be saved
    QCOMPARE(count("SELECT COUNT(*) FROM Pagamenti"), 1);
}

void TestQuery::refusedSaveKeepsTypedValues()
{
    Query q(db_.get());
    q.setSql(kPersons);
    q.open();
    q.insert();
    // Two rows with the same key: the engine refuses the second person.
    q.fieldByName("Committente.IdCommittente").setValue(0);
    q.fieldByName("Indirizzo.IdCommittente").setValue(0);
    q.fieldByName("Recapiti.IdCommittente").setValue(0);
    q.fieldByName("Cognome").setValue("Verdi");
    QVERIFY_THROWS_EXCEPTION(DbError, q.post());
    QCOMPARE(q.state(), Query::State::Insert);
    QCOMPARE(q.fieldByName("Cognome").asString(), QStringLiteral("Verdi"));
    QCOMPARE(count("SELECT COUNT(*) FROM Committente WHERE Cognome='Verdi'"), 0);
}

void TestQuery::hookFailureUndoesTheDelete()
{
    db_->exec("INSERT INTO Pagamenti (IdProgetto, Importo) VALUES (2, 200)");
    Query q(db_.get());
    q.setSql({"SELECT IdProgetto, IdFattura, Importo, Data, Fattura", "FROM Pagamenti", "WHERE IdProgetto =2"});
    q.open();
    q.afterDelete = [](Query &) { throw DbError("guasto simulato"); };
    QVERIFY_THROWS_EXCEPTION(DbError, q.deleteRecord());
    QCOMPARE(q.recordCount(), 1);
    QCOMPARE(count("SELECT COUNT(*) FROM Pagamenti"), 1);
}

void TestQuery::filterAndSort()
{
    Query q(db_.get());
    q.setSql(kPersons);
    q.open();
    QSignalSpy current(&q, &Query::currentRowChanged);
    q.setCurrentRow(2);
    q.setFilter("Cognome LIKE 'd''a*'");
    q.setFiltered(true);
    QCOMPARE(column(q, "Cognome"), QStringList({"D'Amico"}));
    QCOMPARE(q.currentRow(), 0);

    q.setFilter("Città LIKE '*an*'");
    QCOMPARE(column(q, "Cognome"), QStringList({"Bianchi"}));
    q.setFiltered(false);
    QCOMPARE(q.recordCount(), 3);

    q.setSort("Cognome ASC");
    QCOMPARE(column(q, "Cognome"), QStringList({"Bianchi", "D'Amico", "Rossi"}));
    q.setSort("Cognome DESC");
    QCOMPARE(column(q, "Cognome"), QStringList({"Rossi", "D'Amico", "Bianchi"}));

    // Sorting and filtering keep working together, over the same rows.
    q.setFilter("Cognome LIKE '*i*'");
    q.setFiltered(true);
    QCOMPARE(column(q, "Cognome"), QStringList({"Rossi", "D'Amico", "Bianchi"}));

    q.setSql(kProjects);
    q.open();
    q.setSort("Importo_totale DESC");
    QCOMPARE(column(q, "Importo_totale"), QStringList({"1500", "1000", "800"}));
    q.setFilter("Importo_totale=1000");
    q.setFiltered(true);
    QCOMPARE(column(q, "IdProgetto"), QStringList({"0"}));
    q.setFilter("IdProgetto = '2'");
    QCOMPARE(column(q, "Stato"), QStringList({"Sospeso"}));
}

void TestQuery::filterErrorLeavesAllRows()
{
    Query q(db_.get());
    q.setSql(kProjects);
    q.open();
    q.setFilter("Importo_totale=abc");
    QVERIFY_THROWS_EXCEPTION(DbError, q.setFiltered(true));
    QVERIFY(!q.isFiltered());
    QCOMPARE(q.recordCount(), 3);
    q.setFilter("Inesistente LIKE 'x*'");
    QVERIFY_THROWS_EXCEPTION(DbError, q.setFiltered(true));
    QCOMPARE(q.recordCount(), 3);
}

void TestQuery::datesAndParameters()
{
    Query q(db_.get());
    q.setSql({"SELECT DISTINCT *", "FROM Progetto", "WHERE Data_inizio>=:02/03/2007"});
    q.open();
    QCOMPARE(column(q, "Data_inizio"), QStringList({"02/03/2007", "03/03/2007"}));
    // An explicitly bound parameter wins over its name.
    q.setParameter("02/03/2007", QDate(2007, 3, 3));
    q.open();
    QCOMPARE(q.recordCount(), 1);

    q.setSql({"SELECT * FROM Progetto WHERE Data_inizio>:nonunadata"});
    QVERIFY_THROWS_EXCEPTION(DbError, q.open());

    // Dates typed as the user sees them are stored comparably.
    q.setSql(kProjects);
    q.open();
    q.first();
    q.fieldByName("Data_fine").setValue("25/12/2010");
    q.post();
    QCOMPARE(count("SELECT COUNT(*) FROM Progetto WHERE Data_fine > '2010-12-24' AND Data_fine < '2011-01-01'"), 1);
    QVERIFY_THROWS_EXCEPTION(DbError, q.fieldByName("Data_fine").setValue("3a/12/2010"));
}

void TestQuery::amountsStayExact()
{
    Table t(db_.get());
    t.setTableName("Progetto");
    t.open();
    t.setFilter("IdProgetto = '2'");
    t.setFiltered(true);
    // Many additions and subtractions of cents: no drift.
    qint64 expected = 20000;
    for (int i = 0; i < 200; ++i) {
        const qint64 step = (i % 3 == 0) ? -13 : 37; // cents
        const double paid = t.fieldByName("Importo_pagato").asFloat();
        t.fieldByName("Importo_pagato").setValue(Values::centsToAmount(Values::amountToCents(paid) + step));
        t.post();
        expected += step;
    }
    QCOMPARE(Values::amountToCents(t.fieldByName("Importo_pagato").asFloat()), expected);
    const double stored = db_->scalar("SELECT Importo_pagato FROM Progetto WHERE IdProgetto=2").toDouble();
    QCOMPARE(stored, Values::centsToAmount(expected));
    // A whole amount is stored as a whole number, equal in SQL to the total.
    db_->exec("UPDATE Progetto SET Importo_pagato = 800.1 - 0.1 WHERE IdProgetto = 2");
    t.open();
    t.setFilter("IdProgetto = '2'");
    t.setFiltered(true);
    t.fieldByName("Importo_pagato").setValue(t.fieldByName("Importo_pagato").asFloat());
    t.post();
    QCOMPARE(count("SELECT COUNT(*) FROM Progetto WHERE IdProgetto=2 AND Importo_pagato = Importo_totale"), 1);
}

void TestQuery::nextKey()
{
    QCOMPARE(db_->nextKey("Committente", "IdCommittente"), 3);
    db_->exec("DELETE FROM Committente WHERE IdCommittente=3");
    QCOMPARE(db_->nextKey("Committente", "IdCommittente"), 2); // the largest key is handed out again
    db_->exec("DELETE FROM Progetto");
    QCOMPARE(db_->nextKey("Progetto", "IdProgetto"), -1); // so the first key is 0
}

void TestQuery::tableObject()
{
    Table t(db_.get());
    t.setTableName("Applicazione");
    t.open();
    QCOMPARE(t.recordCount(), 1);
    QVERIFY(t.fieldByName("Codice").asString().isEmpty());
    t.edit();
    t.fieldByName("Codice").setValue("segreta");
    t.post();
    QCOMPARE(db_->scalar("SELECT Codice FROM Applicazione").toString(), QStringLiteral("segreta"));
    QCOMPARE(count("SELECT COUNT(*) FROM Applicazione"), 1);

    t.setTableName("Stato");
    t.open();
    QStringList states;
    for (t.first(); !t.eof(); t.next())
        states << t.fieldByName("Stato_progetto").asString();
    QVERIFY(states.contains("Da iniziare") && states.contains("Annullato"));
}

void TestQuery::engineErrorCarriesItsText()
{
    Query q(db_.get());
    q.setSql({"SELECT Inesistente FROM Committente"});
    try {
        q.open();
        QFAIL("no error raised");
    } catch (const DbError &e) {
        QVERIFY2(e.text().contains("no such column: Inesistente"), qPrintable(e.text()));
    }
    QVERIFY(!q.isActive());
    QCOMPARE(q.fieldCount(), 0);
}

void TestQuery::openFailuresAreExplained()
{
    const QString path = db_->path();
    Database other;
    try {
        other.open(dir_->filePath("manca.mdb"), Schema::databasePassword());
        QFAIL("missing file opened");
    } catch (const DbError &e) {
        QVERIFY2(e.text().contains("non esiste"), qPrintable(e.text()));
    }
    QVERIFY(!QFile::exists(dir_->filePath("manca.mdb"))); // never created
    try {
        other.open(path, "sbagliata");
        QFAIL("wrong key accepted");
    } catch (const DbError &e) {
        QVERIFY2(e.text().contains("password"), qPrintable(e.text()));
    }
    QFile text(dir_->filePath("testo.mdb"));
    QVERIFY(text.open(QIODevice::WriteOnly));
    text.write(QByteArray(4096, 'x'));
    text.close();
    QVERIFY_THROWS_EXCEPTION(DbError, other.open(text.fileName(), Schema::databasePassword()));

    // Locked by another writer.
    db_->exec("BEGIN EXCLUSIVE");
    db_->exec("UPDATE Committente SET Nome = Nome");
    try {
        other.open(path, Schema::databasePassword());
        QFAIL("locked file opened");
    } catch (const DbError &e) {
        QVERIFY2(e.text().contains("bloccato"), qPrintable(e.text()));
    }
    db_->exec("COMMIT");
    other.open(path, Schema::databasePassword());
    QVERIFY(other.isOpen());

    QFile raw(path);
    QVERIFY(raw.open(QIODevice::ReadOnly));
    QVERIFY(!raw.read(16).startsWith("SQLite format 3"));
}

QTEST_GUILESS_MAIN(TestQuery)
#include "tst_query.moc"
