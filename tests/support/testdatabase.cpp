#include "support/testdatabase.h"

#include "core/workspace.h"
#include "data/schema.h"
#include "demodata/demodata.h"
#include "support/testserver.h"

#include <QDir>
#include <QFile>

#include <cstdio>
#include <cstdlib>

TestDatabase::TestDatabase(int demoPersons, quint32 seed)
{
    if (!dir_.isValid())
        throw DbError(QStringLiteral("Impossibile creare la cartella temporanea di prova."));
    createAt(programDir(), demoPersons, seed);
    db_.open(path(), Schema::databasePassword());
    if (!onServer())
        return;
    server_ = std::make_unique<TestServer>();
    if (!server_->available()) {
        // The whole run is skipped (ctest's SKIP_RETURN_CODE), as the server tests are.
        std::fprintf(stderr, "SKIP: %s\n", qPrintable(server_->skipReason()));
        std::exit(kSkipExitCode);
    }
    server_->createTables();
    server_->copyFrom(db_);
    const PgSettings s = server_->settings();
    db_.openServer(s);
    QFile ini(QDir(programDir()).filePath(QStringLiteral("Default.ini")));
    if (!ini.open(QIODevice::WriteOnly))
        throw DbError(QStringLiteral("Impossibile scrivere %1.").arg(ini.fileName()));
    databaseSection_ = QStringLiteral(
                           "[DATABASE]\r\nTipo=server\r\nHost=%1\r\nPorta=%2\r\nNome=%3\r\nUtente=%4\r\nSSL=%5\r\n")
                           .arg(s.host)
                           .arg(s.port)
                           .arg(s.database, s.user, s.sslMode)
                           .toUtf8();
    ini.write(databaseSection_);
}

TestDatabase::~TestDatabase()
{
    // The connection goes before the server's database is dropped.
    db_.close();
}

bool TestDatabase::onServer() { return qEnvironmentVariable("PRATILIO_TEST_ENGINE") == QLatin1String("server"); }

QString TestDatabase::programDir() const { return dir_.path(); }

QString TestDatabase::path() const { return Schema::databasePath(programDir()); }

void TestDatabase::useIn(Workspace &workspace) const
{
    if (server_)
        workspace.setServer(server_->settings());
}

QString TestDatabase::createAt(const QString &programDir, int demoPersons, quint32 seed)
{
    const QDir dir(programDir);
    dir.mkpath(QStringLiteral("Database"));
    dir.mkpath(QStringLiteral("Output"));
    const QString file = Schema::databasePath(programDir);
    Database db;
    db.create(file, Schema::databasePassword());
    Schema::createTables(db);
    if (demoPersons > 0)
        DemoData::fill(db, demoPersons, seed);
    return file;
}
