#pragma once

#include "app/principale.h"
#include "app/startup.h"
#include "data/database.h"
#include "data/query.h"
#include "support/scripteddialogs.h"
#include "support/testdatabase.h"
#include "views/resultmodel.h"

#include <QAbstractItemModelTester>
#include <QAction>
#include <QComboBox>
#include <QDateEdit>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QTableView>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

#include <memory>
#include <set>

// Statement pieces as the tests expect them, written out rather than taken from the code.
namespace Expected {

const QString kPersonsColumns = QStringLiteral(
    "SELECT Committente.IdCommittente, Cognome, Nome, Qualifica, Indirizzo.IdCommittente, CAP, Città, Via, "
    "Recapiti.*, Codice_fiscale, Partita_iva, Note");
const QString kDistinctPersonsColumns = QStringLiteral(
    "SELECT DISTINCT Committente.IdCommittente, Cognome, Nome, Qualifica, Indirizzo.IdCommittente, CAP, Città, Via, "
    "Recapiti.*, Codice_fiscale, Partita_iva, Note");
const QString kPersonsJoin = QStringLiteral(
    "WHERE Committente.IdCommittente=Indirizzo.IdCommittente AND Indirizzo.IdCommittente=Recapiti.IdCommittente");
const QString kProjectsColumns = QStringLiteral(
    "SELECT IdProgetto, Progetto.IdCommittente, Cognome_progettista, Nome_progettista, Descrizione, Comune, Stato, "
    "Importo_totale, Importo_pagato, Data_inizio, Data_fine, Data_scadenza, Archivio, Nota");

} // namespace Expected

// The main window on a demo database, started the way the program starts, with helpers to
// drive it through its real actions and buttons.
class MainWindowFixture
{
protected:
    void startFixture() { dialogs_ = std::make_unique<ScriptedDialogs>(); }
    void stopFixture()
    {
        modelTester_.reset();
        startup_.reset();
        db_.reset();
        dialogs_.reset();
    }

    void start(int demoPersons = 30);
    void trigger(const QString &action);
    void click(const QString &button);
    template<typename T>
    T *child(const QString &name) const
    {
        T *found = main()->findChild<T *>(name);
        if (!found)
            qFatal("no child %s", qPrintable(name));
        return found;
    }
    Principale *main() const { return startup_->mainWindow(); }
    Query *query() const { return main()->query(); }
    int column(const QString &field) const { return query()->fieldIndex(field); }
    std::set<qint64> keysOf(const QString &field) const;
    qint64 addPerson(const QString &surname);
    qint64 addProject(qint64 person, const QString &surname, int total, int paid,
                      const QString &state = QStringLiteral("In corso"));

    std::unique_ptr<TestDatabase> db_;
    std::unique_ptr<ScriptedDialogs> dialogs_;
    std::unique_ptr<Startup> startup_;
    // Checks every change of the grid's model (rows inserted, deleted, sorted, filtered).
    std::unique_ptr<QAbstractItemModelTester> modelTester_;
};

inline void MainWindowFixture::start(int demoPersons)
{
    db_ = std::make_unique<TestDatabase>(demoPersons);
    startup_ = std::make_unique<Startup>(db_->programDir());
    startup_->createWindows();
    startup_->start();
    modelTester_ = std::make_unique<QAbstractItemModelTester>(main()->model(),
                                                              QAbstractItemModelTester::FailureReportingMode::QtTest);
    QVERIFY(main()->isVisible());
    QVERIFY(dialogs_->errors.isEmpty());
}

inline void MainWindowFixture::trigger(const QString &action)
{
    QAction *a = main()->action(action);
    QVERIFY2(a, qPrintable(action));
    a->trigger();
}

inline void MainWindowFixture::click(const QString &button)
{
    QTest::mouseClick(child<QToolButton>(button), Qt::LeftButton);
}

inline std::set<qint64> MainWindowFixture::keysOf(const QString &field) const
{
    std::set<qint64> keys;
    const int c = column(field);
    for (int row = 0; row < query()->recordCount(); ++row)
        keys.insert(query()->value(row, c).toLongLong());
    return keys;
}

inline qint64 MainWindowFixture::addPerson(const QString &surname)
{
    Database &db = db_->db();
    const qint64 id = db.nextKey(QStringLiteral("Committente"), QStringLiteral("IdCommittente")) + 1;
    db.exec(QStringLiteral("INSERT INTO Committente (IdCommittente, Cognome, Nome) VALUES (%1, '%2', 'Anna')")
                .arg(id)
                .arg(surname));
    db.exec(QStringLiteral("INSERT INTO Indirizzo (IdCommittente, \"Città\") VALUES (%1, 'Roma')").arg(id));
    db.exec(QStringLiteral("INSERT INTO Recapiti (IdCommittente) VALUES (%1)").arg(id));
    return id;
}

inline qint64 MainWindowFixture::addProject(qint64 person, const QString &surname, int total, int paid,
                                            const QString &state)
{
    Database &db = db_->db();
    const qint64 id = db.nextKey(QStringLiteral("Progetto"), QStringLiteral("IdProgetto")) + 1;
    db.exec(QStringLiteral("INSERT INTO Progetto (IdProgetto, IdCommittente, Cognome_progettista, Nome_progettista, "
                           "Comune, Stato, Importo_totale, Importo_pagato) VALUES (%1, %2, '%3', 'Anna', 'Roma', "
                           "'%4', %5, %6)")
                .arg(id)
                .arg(person)
                .arg(surname, state)
                .arg(total)
                .arg(paid));
    return id;
}
