#include "data/schema.h"

#include "data/database.h"

#include <QDir>

namespace Schema {

QByteArray databasePassword() { return QByteArrayLiteral("qtx52741639"); }

QString databasePath(const QString &programDir)
{
    return QDir(programDir).filePath(QStringLiteral("Database/DatiCliente.mdb"));
}

QStringList defaultStates()
{
    return {QStringLiteral("Da iniziare"), QStringLiteral("In corso"), QStringLiteral("Sospeso"),
            QStringLiteral("Annullato"), QStringLiteral("Concluso")};
}

// Declared types tell the data layer how to read and write a column: INTEGER, TEXT,
// CURRENCY (amounts, kept exact to the cent) and DATE (stored as yyyy-MM-dd, so that
// dates compare correctly in SQL). Text compares without regard to case, as users expect
// when they search for "rossi".
static const char *const kTables = R"sql(
CREATE TABLE Committente (
  IdCommittente INTEGER PRIMARY KEY,
  Cognome TEXT COLLATE NOCASE,
  Nome TEXT COLLATE NOCASE,
  Qualifica TEXT COLLATE NOCASE,
  Codice_fiscale TEXT COLLATE NOCASE,
  Partita_iva TEXT COLLATE NOCASE,
  Note TEXT COLLATE NOCASE
);
CREATE TABLE Indirizzo (
  IdCommittente INTEGER PRIMARY KEY,
  CAP TEXT COLLATE NOCASE,
  "Città" TEXT COLLATE NOCASE,
  Via TEXT COLLATE NOCASE
);
CREATE TABLE Recapiti (
  IdCommittente INTEGER PRIMARY KEY,
  Numero_telefono1 TEXT COLLATE NOCASE,
  Numero_telefono2 TEXT COLLATE NOCASE,
  Numero_fax TEXT COLLATE NOCASE,
  Numero_cell1 TEXT COLLATE NOCASE,
  Numero_cell2 TEXT COLLATE NOCASE,
  E_mail TEXT COLLATE NOCASE,
  Sito_internet TEXT COLLATE NOCASE
);
CREATE TABLE Progetto (
  IdProgetto INTEGER PRIMARY KEY,
  IdCommittente INTEGER,
  Cognome_progettista TEXT COLLATE NOCASE,
  Nome_progettista TEXT COLLATE NOCASE,
  Descrizione TEXT COLLATE NOCASE,
  Comune TEXT COLLATE NOCASE,
  Stato TEXT COLLATE NOCASE,
  Importo_totale CURRENCY,
  Importo_pagato CURRENCY,
  Data_inizio DATE,
  Data_fine DATE,
  Data_scadenza DATE,
  Archivio TEXT COLLATE NOCASE,
  Nota TEXT COLLATE NOCASE
);
CREATE INDEX Progetto_IdCommittente ON Progetto (IdCommittente);
CREATE INDEX Progetto_Stato ON Progetto (Stato);
CREATE TABLE Pagamenti (
  IdProgetto INTEGER,
  IdFattura INTEGER PRIMARY KEY AUTOINCREMENT,
  Importo CURRENCY,
  Data DATE,
  Fattura TEXT COLLATE NOCASE
);
CREATE INDEX Pagamenti_IdProgetto ON Pagamenti (IdProgetto);
CREATE TABLE Stato (
  Stato_progetto TEXT PRIMARY KEY COLLATE NOCASE
);
CREATE TABLE Applicazione (
  Codice TEXT
);
)sql";

void createTables(Database &db)
{
    Transaction tx(db);
    db.exec(QByteArray(kTables));
    for (const QString &state : defaultStates()) {
        Statement st(db, "INSERT INTO Stato (Stato_progetto) VALUES (?)");
        st.bind(1, state);
        st.step();
    }
    db.exec(QByteArray("INSERT INTO Applicazione (Codice) VALUES ('')"));
    tx.commit();
}

void checkTables(Database &db)
{
    static const char *const names[] = {"Committente", "Indirizzo", "Recapiti",    "Progetto",
                                        "Pagamenti",   "Stato",     "Applicazione"};
    Statement st(db, "SELECT name FROM sqlite_master WHERE type = 'table'");
    QStringList present;
    while (st.step())
        present << QString::fromUtf8(st.columnText(0));
    for (const char *name : names) {
        if (!present.contains(QLatin1String(name), Qt::CaseInsensitive))
            throw DbError(Database::explain(1 /* the engine's generic error */,
                                            QStringLiteral("no such table: %1").arg(QLatin1String(name)), db.path(),
                                            true));
    }
}

} // namespace Schema
