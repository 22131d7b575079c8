#pragma once

#include "data/engine.h"
#include "data/pgconnection.h"

// The office's PostgreSQL server, shared by several desks, through PgConnection. A lost
// connection is made again at the next statement outside a transaction.
class PgEngine final : public DatabaseEngine
{
public:
    // Connects; a role that may not write the tables opens read-only.
    static std::unique_ptr<PgEngine> open(const PgSettings &settings);

    std::unique_ptr<EngineStatement> prepare(const QByteArray &sql) override;
    void exec(const QByteArray &sql) override;
    QByteArray beginStatement() const override { return "BEGIN"; }
    bool inTransaction() const override;
    int changes() const override { return connection_.changes(); }
    qint64 lastInsertRowId() const override { return connection_.lastInsertRowId(); }
    QString description() const override { return connection_.where(); }
    bool isReadOnly() const override { return readOnly_; }
    QString readOnlyMessage() const override;
    void lockKeys(const QString &table) override;
    int changeSocket() const override { return connection_.socket(); }
    QStringList takeChangedTables() override;
    QHash<QString, KnownTable> knownTables() const override { return knownTables_; }

    PgConnection &connection() { return connection_; }

private:
    PgEngine() = default;
    void reconnectIfLost();

    PgConnection connection_;
    bool readOnly_ = false;
    QHash<QString, KnownTable> knownTables_;
};
