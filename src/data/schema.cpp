#include "data/schema.h"

#include "data/database.h"

#include <QDir>
#include <QHash>

#include <algorithm>

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

namespace {

// One row of the engine's catalogue (sqlite_master).
struct SchemaObject
{
    QString type;
    QString name;
    QString table;
    QString sql; // blanks folded, so that only the statement's words and symbols count
};

QString foldedBlanks(const QString &sql) { return sql.simplified(); }

bool sameName(const QString &a, const QString &b) { return a.compare(b, Qt::CaseInsensitive) == 0; }

QList<SchemaObject> objectsOf(Database &db)
{
    QList<SchemaObject> objects;
    Statement st(db, "SELECT type, name, tbl_name, sql FROM sqlite_master ORDER BY rowid");
    while (st.step()) {
        objects.append({QString::fromUtf8(st.columnText(0)), QString::fromUtf8(st.columnText(1)),
                        QString::fromUtf8(st.columnText(2)), foldedBlanks(QString::fromUtf8(st.columnText(3)))});
    }
    return objects;
}

// What a new database holds, made once by the program's own statements.
struct Reference
{
    QList<SchemaObject> objects;
    QHash<QString, QStringList> columns; // of each table
};

const Reference &reference()
{
    static const Reference made = [] {
        Reference result;
        Database db;
        db.create(QStringLiteral(":memory:"), databasePassword());
        createTables(db);
        result.objects = objectsOf(db);
        for (const SchemaObject &object : result.objects) {
            if (object.type == QLatin1String("table"))
                result.columns.insert(object.name, db.columnNames(object.name));
        }
        return result;
    }();
    return made;
}

// Objects a file of the program may hold besides: the surname index that earlier versions
// made, and the statistics table the engine's ANALYZE makes (it holds only figures).
const QList<SchemaObject> &acceptedObjects()
{
    static const QList<SchemaObject> objects = {
        {QStringLiteral("index"), QStringLiteral("Committente_Cognome"), QStringLiteral("Committente"),
         QStringLiteral("CREATE INDEX Committente_Cognome ON Committente (Cognome)")},
        {QStringLiteral("table"), QStringLiteral("sqlite_stat1"), QStringLiteral("sqlite_stat1"),
         QStringLiteral("CREATE TABLE sqlite_stat1(tbl,idx,stat)")},
    };
    return objects;
}

bool isAmong(const SchemaObject &object, const QList<SchemaObject> &list)
{
    return std::any_of(list.cbegin(), list.cend(), [&object](const SchemaObject &known) {
        return known.type == object.type && sameName(known.name, object.name) && sameName(known.table, object.table)
               && known.sql == object.sql;
    });
}

QString kindOf(const QString &type)
{
    if (type == QLatin1String("table"))
        return QStringLiteral("una tabella");
    if (type == QLatin1String("index"))
        return QStringLiteral("un indice");
    if (type == QLatin1String("trigger"))
        return QStringLiteral("un trigger");
    if (type == QLatin1String("view"))
        return QStringLiteral("una vista");
    return QStringLiteral("un oggetto");
}

} // namespace

QString structureProblem(Database &db)
{
    const QList<SchemaObject> present = objectsOf(db);
    const auto find = [&present](const SchemaObject &wanted) {
        return std::find_if(present.cbegin(), present.cend(), [&wanted](const SchemaObject &object) {
            return object.type == wanted.type && sameName(object.name, wanted.name);
        });
    };
    // The program's tables first, so that a file of an unrelated program is named for what
    // it lacks.
    for (const SchemaObject &table : reference().objects) {
        if (table.type != QLatin1String("table") || table.name.startsWith(QLatin1String("sqlite_")))
            continue;
        const auto found = find(table);
        if (found == present.cend())
            return QStringLiteral("manca la tabella %1.").arg(table.name);
        const QStringList columns = db.columnNames(table.name);
        for (const QString &column : reference().columns.value(table.name)) {
            if (!columns.contains(column, Qt::CaseInsensitive))
                return QStringLiteral("nella tabella %1 manca la colonna %2.").arg(table.name, column);
        }
        if (found->sql != table.sql)
            return QStringLiteral("la tabella %1 non ha la struttura di Pratilio+ (colonne, tipi o vincoli diversi).")
                .arg(table.name);
    }
    for (const SchemaObject &object : present) {
        if (isAmong(object, reference().objects) || isAmong(object, acceptedObjects()))
            continue;
        return QStringLiteral("contiene %1 \"%2\" che non fa parte di Pratilio+ e che il programma non esegue.")
            .arg(kindOf(object.type), object.name);
    }
    return {};
}

void checkStructure(Database &db)
{
    const QString problem = structureProblem(db);
    if (problem.isEmpty())
        return;
    throw DbError(QStringLiteral("Il database %1 non è stato aperto: %2 Si apre solo un database con la struttura di "
                                 "Pratilio+, perché un oggetto estraneo potrebbe cambiare o cancellare i dati. "
                                 "Ripristinare una copia di sicurezza del file.")
                      .arg(QDir::toNativeSeparators(db.path()), problem));
}

} // namespace Schema
