#include "support/testserver.h"

#include "data/database.h"
#include "data/pgstatement.h"
#include "data/schema.h"
#include "data/serverschema.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QRegularExpression>

namespace {

PgSettings adminSettings()
{
    PgSettings s;
    s.host = TestServer::host();
    s.database = QStringLiteral("postgres");
    s.user = QStringLiteral("pratilio");
    s.sslMode = QStringLiteral("disable");
    return s;
}

int serial = 0;

} // namespace

QString TestServer::host() { return qEnvironmentVariable("PRATILIO_TEST_PGHOST"); }

TestServer::TestServer()
{
    if (host().isEmpty() || !QFileInfo::exists(host() + QStringLiteral("/.s.PGSQL.5432"))) {
        skipReason_ = QStringLiteral("No PostgreSQL test cluster (PRATILIO_TEST_PGHOST=\"%1\"): PostgreSQL 15 is not "
                                     "installed or the cluster was not started; server tests skipped.")
                          .arg(host());
        return;
    }
    name_ = QStringLiteral("t_%1_%2_%3")
                .arg(QCoreApplication::applicationName().isEmpty() ? QStringLiteral("test")
                                                                   : QCoreApplication::applicationName())
                .arg(QCoreApplication::applicationPid())
                .arg(++serial)
                .toLower();
    // A database name of letters, digits and underscores ("Pratilio+" is the program's name).
    name_.replace(QRegularExpression(QStringLiteral("[^a-z0-9_]")), QStringLiteral("_"));
    PgConnection admin;
    admin.open(adminSettings());
    admin.execNative("DROP DATABASE IF EXISTS " + name_.toUtf8());
    admin.execNative("CREATE DATABASE " + name_.toUtf8() + " TEMPLATE pratilio_template");
    db_.open(settings());
    available_ = true;
}

TestServer::~TestServer()
{
    if (!available_)
        return;
    db_.close();
    try {
        PgConnection admin;
        admin.open(adminSettings());
        admin.execNative("DROP DATABASE IF EXISTS " + name_.toUtf8() + " WITH (FORCE)");
    } catch (...) {
    }
}

PgSettings TestServer::settings() const
{
    PgSettings s = adminSettings();
    s.database = name_;
    return s;
}

void TestServer::createTables() { ServerSchema::createTables(db_, Schema::defaultStates()); }

void TestServer::copyFrom(Database &file)
{
    PgTransaction tx(db_);
    for (const ServerSchema::Table &table : ServerSchema::tables()) {
        QStringList names, marks;
        for (const ServerSchema::Column &c : table.columns) {
            names << Database::quoteIdentifier(c.name);
            marks << QStringLiteral("?");
        }
        const QString list = names.join(QStringLiteral(", "));
        Statement read(file, QStringLiteral("SELECT %1 FROM %2 ORDER BY rowid").arg(list, table.name).toUtf8());
        PgStatement write(db_, QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                                   .arg(table.name, list, marks.join(QStringLiteral(", ")))
                                   .toUtf8());
        db_.execNative("DELETE FROM " + table.name.toUtf8());
        while (read.step()) {
            write.reset();
            for (int c = 0; c < read.columnCount(); ++c) {
                if (read.columnIsNull(c))
                    write.bindNull(c + 1);
                else
                    write.bindText(c + 1, read.columnText(c));
            }
            while (write.step()) {
            }
        }
    }
    // The server numbers new payments after the largest number the file gave.
    db_.execNative("SELECT setval(pg_get_serial_sequence('pagamenti', 'idfattura'), "
                   "COALESCE((SELECT MAX(idfattura) FROM pagamenti), 0) + 1, false)");
    tx.commit();
}
