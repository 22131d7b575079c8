// pratilio-db: creates the program's database file, or the tables of an office's database on
// its PostgreSQL server. The program opens an existing file, and creates one only when the user
// asks on a first start in the user's folders.

#include "data/database.h"
#include "data/pgconnection.h"
#include "data/schema.h"
#include "data/servermove.h"
#include "data/serverschema.h"
#include "demodata/demodata.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTextStream>

namespace {

const char kUsage[] = "Uso:\n"
                      "  pratilio-db create <percorso> [--demo N] [--seed S]\n"
                      "  pratilio-db create --server \"<collegamento>\" [--demo N] [--seed S]\n"
                      "\n"
                      "Crea un nuovo database di Pratilio+ nel file indicato, con la password del programma.\n"
                      "Un file esistente non viene mai sovrascritto.\n"
                      "Con --server crea le tabelle nel database vuoto del server PostgreSQL indicato dal\n"
                      "collegamento di libpq (\"host=ufficio dbname=studio user=mario\"); la password viene\n"
                      "da ~/.pgpass. Un database che ha già le tabelle non viene mai modificato.\n"
                      "\n"
                      "  --demo N   inserisce N committenti dimostrativi con progetti e pagamenti\n"
                      "  --seed S   varia i dati dimostrativi (stesso S, stessi dati; predefinito 1)\n"
                      "  --help     mostra questo aiuto\n";

int fail(const QString &text)
{
    QTextStream(stderr) << text << Qt::endl;
    return 1;
}

bool readNumber(const QString &text, qint64 max, qint64 *value)
{
    bool ok = false;
    *value = text.toLongLong(&ok);
    return ok && *value >= 0 && *value <= max;
}

int create(const QString &path, int demoPersons, quint32 seed)
{
    const QFileInfo info(path);
    if (!QDir().mkpath(info.absolutePath()))
        return fail(
            QStringLiteral("Impossibile creare la cartella %1").arg(QDir::toNativeSeparators(info.absolutePath())));

    bool created = false;
    try {
        Database db;
        db.create(path, Schema::databasePassword());
        created = true;
        Schema::createTables(db);
        DemoData::Counts counts;
        if (demoPersons > 0)
            counts = DemoData::fill(db, demoPersons, seed);
        db.close();
        QTextStream(stdout) << QStringLiteral("Creato %1: %2 persone, %3 progetti, %4 pagamenti")
                                   .arg(QDir::toNativeSeparators(path))
                                   .arg(counts.persons)
                                   .arg(counts.projects)
                                   .arg(counts.payments)
                            << Qt::endl;
        return 0;
    } catch (const DbError &error) {
        // A half-made file would only make the next attempt refuse to overwrite it.
        if (created)
            QFile::remove(path);
        return fail(error.text());
    }
}

int createOnServer(const QString &connection, int demoPersons, quint32 seed)
{
    PgSettings settings;
    QString error;
    if (!PgSettings::fromConnectionString(connection, &settings, &error))
        return fail(error);
    try {
        PgConnection server;
        server.open(settings);
        Database file; // the demo rows, made in a file of their own and moved onto the server
        ServerMove move(file, server);
        if (!move.serverTables().isEmpty())
            return fail(QStringLiteral("Il database %1 ha già le tabelle di Pratilio+: non è stato modificato.")
                            .arg(server.where()));
        DemoData::Counts counts;
        if (demoPersons > 0) {
            QTemporaryDir folder;
            if (!folder.isValid())
                return fail(QStringLiteral("Impossibile creare una cartella temporanea: %1").arg(folder.errorString()));
            file.create(folder.filePath(QStringLiteral("demo.mdb")), Schema::databasePassword());
            Schema::createTables(file);
            counts = DemoData::fill(file, demoPersons, seed);
            move.run();
            file.close();
        } else {
            ServerSchema::createTables(server, Schema::defaultStates());
        }
        QTextStream(stdout) << QStringLiteral("Create le tabelle in %1: %2 persone, %3 progetti, %4 pagamenti")
                                   .arg(server.where())
                                   .arg(counts.persons)
                                   .arg(counts.projects)
                                   .arg(counts.payments)
                            << Qt::endl;
        return 0;
    } catch (const DbError &e) {
        return fail(e.text());
    }
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);

    if (args.isEmpty() || args.contains(QStringLiteral("--help")) || args.contains(QStringLiteral("-h"))) {
        QTextStream(args.isEmpty() ? stderr : stdout) << kUsage;
        return args.isEmpty() ? 1 : 0;
    }
    if (args.takeFirst() != QStringLiteral("create"))
        return fail(QStringLiteral("Comando sconosciuto.\n\n") + QString::fromLatin1(kUsage));

    QString path;
    QString server;
    bool onServer = false;
    qint64 demo = 0;
    qint64 seed = 1;
    while (!args.isEmpty()) {
        const QString arg = args.takeFirst();
        if (arg == QStringLiteral("--demo") || arg == QStringLiteral("--seed")) {
            qint64 value = 0;
            const bool isDemo = arg == QStringLiteral("--demo");
            if (args.isEmpty() || !readNumber(args.takeFirst(), isDemo ? 10000000 : 0xFFFFFFFFll, &value))
                return fail(QStringLiteral("Valore mancante o non valido per %1.").arg(arg));
            (isDemo ? demo : seed) = value;
        } else if (arg == QStringLiteral("--server")) {
            if (args.isEmpty() || onServer)
                return fail(QStringLiteral("Manca il collegamento al server dopo --server.\n\n")
                            + QString::fromLatin1(kUsage));
            server = args.takeFirst();
            onServer = true;
        } else if (arg.startsWith(QLatin1Char('-')) || !path.isEmpty()) {
            return fail(QStringLiteral("Argomento non previsto: %1\n\n").arg(arg) + QString::fromLatin1(kUsage));
        } else {
            path = arg;
        }
    }
    if (onServer) {
        if (!path.isEmpty())
            return fail(QStringLiteral("Indicare un file oppure --server, non entrambi.\n\n")
                        + QString::fromLatin1(kUsage));
        return createOnServer(server, int(demo), quint32(seed));
    }
    if (path.isEmpty())
        return fail(QStringLiteral("Manca il percorso del file da creare.\n\n") + QString::fromLatin1(kUsage));

    return create(path, int(demo), quint32(seed));
}
