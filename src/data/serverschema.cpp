#include "data/serverschema.h"

#include "data/database.h"
#include "data/dberror.h"
#include "data/pgconnection.h"
#include "data/pgerrors.h"
#include "data/pgstatement.h"

#include <QHash>

#include <algorithm>

namespace ServerSchema {

namespace {

using T = ColumnType;

std::vector<Table> makeTables()
{
    const auto s = [](const char *text) { return QString::fromUtf8(text); };
    std::vector<Table> list;
    list.push_back({s("Committente"),
                    {{s("IdCommittente"), T::Integer},
                     {s("Cognome"), T::Text},
                     {s("Nome"), T::Text},
                     {s("Qualifica"), T::Text},
                     {s("Codice_fiscale"), T::Text},
                     {s("Partita_iva"), T::Text},
                     {s("Note"), T::Text}},
                    {s("IdCommittente")},
                    {},
                    {},
                    true});
    list.push_back({s("Indirizzo"),
                    {{s("IdCommittente"), T::Integer}, {s("CAP"), T::Text}, {s("Città"), T::Text}, {s("Via"), T::Text}},
                    {s("IdCommittente")},
                    {},
                    {},
                    true});
    list.push_back({s("Recapiti"),
                    {{s("IdCommittente"), T::Integer},
                     {s("Numero_telefono1"), T::Text},
                     {s("Numero_telefono2"), T::Text},
                     {s("Numero_fax"), T::Text},
                     {s("Numero_cell1"), T::Text},
                     {s("Numero_cell2"), T::Text},
                     {s("E_mail"), T::Text},
                     {s("Sito_internet"), T::Text}},
                    {s("IdCommittente")},
                    {},
                    {},
                    true});
    list.push_back({s("Progetto"),
                    {{s("IdProgetto"), T::Integer},
                     {s("IdCommittente"), T::Integer},
                     {s("Cognome_progettista"), T::Text},
                     {s("Nome_progettista"), T::Text},
                     {s("Descrizione"), T::Text},
                     {s("Comune"), T::Text},
                     {s("Stato"), T::Text},
                     {s("Importo_totale"), T::Amount},
                     {s("Importo_pagato"), T::Amount},
                     {s("Data_inizio"), T::Date},
                     {s("Data_fine"), T::Date},
                     {s("Data_scadenza"), T::Date},
                     {s("Archivio"), T::Text},
                     {s("Nota"), T::Text}},
                    {s("IdProgetto")},
                    {},
                    {},
                    true});
    list.push_back({s("Pagamenti"),
                    {{s("IdProgetto"), T::Integer},
                     {s("IdFattura"), T::Integer},
                     {s("Importo"), T::Amount},
                     {s("Data"), T::Date},
                     {s("Fattura"), T::Text}},
                    {s("IdFattura")},
                    s("IdFattura"),
                    {},
                    true});
    list.push_back({s("Stato"), {{s("Stato_progetto"), T::Text}}, {s("Stato_progetto")}, {}, s("Ordine"), false});
    list.push_back({s("Applicazione"), {{s("Codice"), T::ExactText}}, {}, {}, {}, false});
    return list;
}

// Lower-case name -> the program's spelling, for every table and column.
const QHash<QString, QString> &spellings()
{
    static const QHash<QString, QString> map = [] {
        QHash<QString, QString> m;
        for (const Table &t : tables()) {
            m.insert(t.name.toLower(), t.name);
            for (const Column &c : t.columns)
                m.insert(c.name.toLower(), c.name);
            if (!t.orderColumn.isEmpty())
                m.insert(t.orderColumn.toLower(), t.orderColumn);
        }
        return m;
    }();
    return map;
}

const char *typeName(ColumnType type)
{
    switch (type) {
    case T::Integer:
        return "BIGINT";
    case T::Text:
        return "CITEXT";
    case T::ExactText:
        return "TEXT";
    case T::Amount:
        return "NUMERIC(14,2)";
    case T::Date:
        return "DATE";
    }
    return "TEXT";
}

} // namespace

const std::vector<Table> &tables()
{
    static const std::vector<Table> list = makeTables();
    return list;
}

const Table *table(const QString &name)
{
    for (const Table &t : tables()) {
        if (t.name.compare(name, Qt::CaseInsensitive) == 0)
            return &t;
    }
    return nullptr;
}

QString spelling(const QString &name) { return spellings().value(name.toLower(), name); }

bool knowsName(const QString &name) { return spellings().contains(name.toLower()); }

QString rowOrder(const QString &name)
{
    const Table *t = table(name);
    if (!t)
        return {};
    if (!t->orderColumn.isEmpty())
        return t->orderColumn;
    return t->key.join(QStringLiteral(", "));
}

QStringList serverOnlyColumns(const QString &name)
{
    const Table *t = table(name);
    return t && !t->orderColumn.isEmpty() ? QStringList{t->orderColumn} : QStringList{};
}

QByteArray notificationChannel() { return QByteArrayLiteral("pratilio_dati"); }

QList<QByteArray> creationStatements()
{
    QList<QByteArray> out;
    out << "CREATE EXTENSION IF NOT EXISTS citext";
    // Names are written unquoted, as the program's statements write them, so that the server
    // folds both the same way.
    for (const Table &t : tables()) {
        QStringList columns;
        for (const Column &c : t.columns) {
            QString line = c.name + QLatin1Char(' ') + QLatin1String(typeName(c.type));
            if (c.name == t.identity)
                line += QStringLiteral(" GENERATED BY DEFAULT AS IDENTITY");
            columns << line;
        }
        if (!t.orderColumn.isEmpty())
            columns << t.orderColumn + QStringLiteral(" BIGINT GENERATED BY DEFAULT AS IDENTITY UNIQUE");
        if (!t.key.isEmpty())
            columns << QStringLiteral("PRIMARY KEY (%1)").arg(t.key.join(QStringLiteral(", ")));
        out << QStringLiteral("CREATE TABLE %1 (%2)").arg(t.name, columns.join(QStringLiteral(", "))).toUtf8();
    }
    out << "CREATE INDEX Progetto_IdCommittente ON Progetto (IdCommittente)"
        << "CREATE INDEX Progetto_Stato ON Progetto (Stato)"
        << "CREATE INDEX Pagamenti_IdProgetto ON Pagamenti (IdProgetto)";
    // One notice per statement that changes a table, sent by the server when the transaction
    // commits (and dropped when it rolls back); it names the table.
    out << "CREATE FUNCTION pratilio_announce_change() RETURNS trigger LANGUAGE plpgsql AS $$\n"
           "BEGIN\n"
           "  PERFORM pg_notify('"
               + notificationChannel()
               + "', TG_ARGV[0]);\n"
                 "  RETURN NULL;\n"
                 "END\n"
                 "$$";
    for (const Table &t : tables()) {
        if (!t.notifies)
            continue;
        out << QStringLiteral("CREATE TRIGGER %1_announce AFTER INSERT OR UPDATE OR DELETE OR TRUNCATE ON %1 "
                              "FOR EACH STATEMENT EXECUTE FUNCTION pratilio_announce_change('%1')")
                   .arg(t.name)
                   .toUtf8();
    }
    return out;
}

void createTables(PgConnection &db, const QStringList &states)
{
    PgTransaction tx(db);
    for (const QByteArray &statement : creationStatements())
        db.execNative(statement);
    PgStatement insert(db, "INSERT INTO Stato (Stato_progetto) VALUES (?)");
    for (const QString &state : states) {
        insert.reset();
        insert.bind(1, state);
        insert.step();
    }
    db.exec("INSERT INTO Applicazione (Codice) VALUES ('')");
    tx.commit();
}

QByteArray catalogueStatement()
{
    QStringList names;
    for (const Table &t : tables())
        names << QLatin1Char('\'') + t.name.toLower() + QLatin1Char('\'');
    // One row per column of each table there (one with null columns for a table missing),
    // each with the table's rights and the server's readiness to take changes.
    return "SELECT t.name, c.oid IS NOT NULL, COALESCE(has_table_privilege(c.oid, 'INSERT') AND "
           "has_table_privilege(c.oid, 'UPDATE') AND has_table_privilege(c.oid, 'DELETE'), false), "
           "current_setting('transaction_read_only') = 'on', a.attname, "
           "COALESCE(array_position(i.indkey::int2[], a.attnum) - array_lower(i.indkey::int2[], 1) + 1, 0) "
           "FROM unnest(ARRAY["
           + names.join(QLatin1Char(',')).toUtf8()
           + "]::text[]) WITH ORDINALITY AS t(name, n) "
             "LEFT JOIN pg_class c ON c.relname = t.name AND c.relnamespace = current_schema()::regnamespace "
             "AND c.relkind IN ('r', 'p') "
             "LEFT JOIN pg_attribute a ON a.attrelid = c.oid AND a.attnum > 0 AND NOT a.attisdropped "
             "LEFT JOIN pg_index i ON i.indrelid = c.oid AND i.indisprimary "
             "ORDER BY t.n, a.attnum";
}

Catalogue readCatalogue(PgConnection &db)
{
    Catalogue out;
    QHash<QString, QList<QPair<int, QString>>> keys;
    for (const QByteArrayList &row : db.rowsNative(catalogueStatement())) {
        const QString table = spelling(QString::fromUtf8(row.at(0)));
        CatalogueTable &entry = out.tables[table];
        entry.present = row.at(1) == "t";
        entry.writable = row.at(2) == "t";
        out.serverReadOnly = row.at(3) == "t";
        if (!entry.present)
            continue;
        const QString column = spelling(QString::fromUtf8(row.at(4)));
        if (serverOnlyColumns(table).contains(column, Qt::CaseInsensitive))
            continue;
        entry.columns << column;
        if (const int key = row.at(5).toInt(); key > 0)
            keys[table].append({key, column});
    }
    for (auto it = keys.begin(); it != keys.end(); ++it) {
        std::sort(it->begin(), it->end());
        for (const auto &k : *it)
            out.tables[it.key()].keys << k.second;
    }
    return out;
}

void checkTables(PgConnection &db)
{
    PgStatement st(db, "SELECT name FROM sqlite_master WHERE type = 'table'");
    QStringList present;
    while (st.step())
        present << QString::fromUtf8(st.columnText(0));
    for (const Table &t : tables()) {
        if (!present.contains(t.name))
            throw DbError(db.missingTableMessage(t.name));
    }
}

void checkStructure(Database &db)
{
    for (const Table &t : tables()) {
        if (!db.hasTable(t.name))
            throw DbError(PgErrors::explain("42P01",
                                            QStringLiteral("relation \"%1\" does not exist").arg(t.name.toLower()),
                                            db.description(), true));
        const QStringList columns = db.columnNames(t.name);
        for (const Column &c : t.columns) {
            if (!columns.contains(c.name, Qt::CaseInsensitive))
                throw DbError(QStringLiteral("Nel database %1 manca la colonna \"%2\" della tabella \"%3\": non è un "
                                             "database di Pratilio+ completo. Chiedere all'amministratore del server "
                                             "di controllarlo.")
                                  .arg(db.description(), c.name, t.name));
        }
    }
}

} // namespace ServerSchema
