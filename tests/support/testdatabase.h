#pragma once

#include "data/database.h"

#include <QString>
#include <QTemporaryDir>

// A throw-away program folder (Database/DatiCliente.mdb and Output/) with a freshly made
// database, optionally filled with demo data, and a connection open on it. Everything is
// removed when the object goes out of scope.
class TestDatabase
{
public:
    explicit TestDatabase(int demoPersons = 0, quint32 seed = 1);

    QString programDir() const;
    QString path() const;
    Database &db() { return db_; }

    // Lays out the folders under `programDir` and creates the database file the way the
    // database tool does; returns the file's path. Throws DbError when the file exists.
    static QString createAt(const QString &programDir, int demoPersons = 0, quint32 seed = 1);

private:
    QTemporaryDir dir_;
    Database db_;
};
