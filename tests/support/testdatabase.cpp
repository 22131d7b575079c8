#include "support/testdatabase.h"

#include "data/schema.h"
#include "demodata/demodata.h"

#include <QDir>

TestDatabase::TestDatabase(int demoPersons, quint32 seed)
{
    if (!dir_.isValid())
        throw DbError(QStringLiteral("Impossibile creare la cartella temporanea di prova."));
    createAt(programDir(), demoPersons, seed);
    db_.open(path(), Schema::databasePassword());
}

QString TestDatabase::programDir() const { return dir_.path(); }

QString TestDatabase::path() const { return Schema::databasePath(programDir()); }

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
