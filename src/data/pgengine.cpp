#include "data/pgengine.h"

#include "data/pgstatement.h"
#include "data/serverschema.h"

#include <QLocale>

namespace {

class PgEngineStatement final : public EngineStatement
{
public:
    PgEngineStatement(PgConnection &db, const QByteArray &sql) : st_(db, sql) {}

    void bindText(int index, const QByteArray &utf8) override { st_.bindText(index, utf8); }
    void bindNull(int index) override { st_.bindNull(index); }
    void bindInt(int index, qint64 value) override { st_.bindText(index, QByteArray::number(value)); }
    void bindDouble(int index, double value) override
    {
        st_.bindText(index, QByteArray::number(value, 'g', QLocale::FloatingPointShortest));
    }
    bool step() override { return st_.step(); }
    void reset() override { st_.reset(); }

    int columnCount() const override { return st_.columnCount(); }
    const char *cell(int column, std::size_t *size) const override { return st_.cellData(column, size); }
    bool isNull(int column) const override { return st_.columnIsNull(column); }
    qint64 intValue(int column) const override
    {
        const QByteArray text = st_.columnText(column);
        bool whole = false;
        const qint64 value = text.toLongLong(&whole);
        return whole ? value : qint64(text.toDouble());
    }
    double doubleValue(int column) const override { return st_.columnText(column).toDouble(); }
    ValueType valueType(int column) const override
    {
        if (st_.columnIsNull(column))
            return ValueType::Null;
        const QByteArray &type = st_.field(column).declaredType;
        if (type == "INTEGER")
            return ValueType::Integer;
        if (type == "REAL" || type == "NUMERIC")
            return ValueType::Float;
        return ValueType::Text;
    }
    ColumnOrigin origin(int column) const override
    {
        const PgField &f = st_.field(column);
        return ColumnOrigin{f.name, f.table, f.column, f.declaredType};
    }

private:
    PgStatement st_;
};

// The tables whose rows the program inserts, changes and deletes.
const char *const kWrittenTables[] = {"Committente", "Indirizzo", "Recapiti", "Progetto", "Pagamenti"};

} // namespace

std::unique_ptr<PgEngine> PgEngine::open(const PgSettings &settings)
{
    std::unique_ptr<PgEngine> engine(new PgEngine);
    // Other desks' changes are announced on the connection (see changeSocket).
    engine->connection_.open(settings, true);
    // The seven tables and their columns, read once for the checks that follow; and whether
    // this role may insert, change and delete the office's rows (or the server takes only
    // reading): a desk that may not works read-only, told at once rather than at the first save.
    const ServerSchema::Catalogue catalogue = ServerSchema::readCatalogue(engine->connection_);
    engine->readOnly_ = catalogue.serverReadOnly;
    for (const char *name : kWrittenTables) {
        const ServerSchema::CatalogueTable table = catalogue.tables.value(QLatin1String(name));
        if (table.present && !table.writable)
            engine->readOnly_ = true;
    }
    for (auto it = catalogue.tables.begin(); it != catalogue.tables.end(); ++it)
        engine->knownTables_.insert(it.key(), {it->present, it->columns, it->keys});
    return engine;
}

QString PgEngine::readOnlyMessage() const
{
    if (!readOnly_)
        return {};
    return QStringLiteral("L'utente %1 può solo leggere il database %2. Il programma funziona in sola lettura: si "
                          "possono consultare i dati, eseguire le query ed esportarle, ma non inserire, modificare o "
                          "cancellare. Per lavorare sui dati chiedere all'amministratore del server i permessi di "
                          "scrittura e riavviare il programma.")
        .arg(connection_.settings().user, connection_.where());
}

void PgEngine::reconnectIfLost()
{
    // Inside a transaction the lost work must be told, not hidden by a new connection.
    if (connection_.isBroken() && transactionDepth() == 0)
        connection_.reconnect();
}

std::unique_ptr<EngineStatement> PgEngine::prepare(const QByteArray &sql)
{
    reconnectIfLost();
    return std::make_unique<PgEngineStatement>(connection_, sql);
}

void PgEngine::exec(const QByteArray &sql)
{
    reconnectIfLost();
    connection_.exec(sql);
}

bool PgEngine::inTransaction() const { return !connection_.isBroken() && connection_.inTransaction(); }

void PgEngine::lockKeys(const QString &table)
{
    // One advisory lock per table, held until the transaction ends: two desks never take
    // the same new key. The number is the table's place in the schema, not a user's value.
    const auto &tables = ServerSchema::tables();
    for (std::size_t i = 0; i < tables.size(); ++i) {
        if (tables[i].name.compare(table, Qt::CaseInsensitive) == 0) {
            connection_.execNative("SELECT pg_advisory_xact_lock(" + QByteArray::number(0x5072610 + int(i)) + ")");
            return;
        }
    }
}

QStringList PgEngine::takeChangedTables()
{
    QStringList tables;
    for (const PgNotification &n : connection_.takeNotifications())
        if (!n.fromSelf && !tables.contains(n.table))
            tables << n.table;
    return tables;
}
