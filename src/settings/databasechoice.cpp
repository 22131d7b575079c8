#include "settings/databasechoice.h"

#include "core/dialogs.h"
#include "core/programpaths.h"
#include "core/windows1252.h"
#include "core/workspace.h"
#include "data/database.h"
#include "data/dberror.h"
#include "data/schema.h"
#include "settings/inifile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

const QString kSection = QStringLiteral("DATABASE");
const QString kKey = QStringLiteral("Percorso");
const QString kType = QStringLiteral("Tipo");
const QString kHost = QStringLiteral("Host");
const QString kPort = QStringLiteral("Porta");
const QString kName = QStringLiteral("Nome");
const QString kUser = QStringLiteral("Utente");
const QString kSsl = QStringLiteral("SSL");

// How the connection is encrypted: libpq's own words, or yes and no.
QString sslMode(const QString &value)
{
    QString v = value.trimmed().toLower();
    if (v.isEmpty())
        return QStringLiteral("prefer");
    static const QStringList modes = {QStringLiteral("disable"),   QStringLiteral("allow"),
                                      QStringLiteral("prefer"),    QStringLiteral("require"),
                                      QStringLiteral("verify-ca"), QStringLiteral("verify-full")};
    if (modes.contains(v))
        return v;
    if (v == QLatin1String("si") || v == QStringLiteral("sì") || v == QLatin1String("1") || v == QLatin1String("true"))
        return QStringLiteral("require");
    if (v == QLatin1String("no") || v == QLatin1String("0") || v == QLatin1String("false"))
        return QStringLiteral("disable");
    return {};
}

[[noreturn]] void badValue(const QString &settings, const QString &key, const QString &value, const QString &allowed)
{
    throw DbError(QStringLiteral("Il file delle impostazioni %1 indica nella sezione [DATABASE] %2=%3, che non è "
                                 "valido: %4. Correggere il file e riavviare il programma.")
                      .arg(QDir::toNativeSeparators(settings), key, value, allowed));
}

QString shown(const QString &path) { return QDir::toNativeSeparators(path); }

} // namespace

namespace DatabaseChoice {

QString named(const ProgramPaths &paths)
{
    const QString settings = paths.path(ProgramPaths::Place::Settings);
    IniFile file;
    if (!file.load(settings))
        return {};
    QString value = file.value(kSection, kKey);
    if (value.isEmpty())
        return {};
    if (value == QLatin1String("~") || value.startsWith(QLatin1String("~/")))
        value = QDir::homePath() + value.mid(1);
    return QDir::cleanPath(QFileInfo(settings).absoluteDir().absoluteFilePath(value));
}

bool name(const ProgramPaths &paths, const QString &file, QString *error)
{
    const QString settings = paths.path(ProgramPaths::Place::Settings);
    const QString absolute = QFileInfo(file).absoluteFilePath();
    if (Windows1252::decode(Windows1252::encode(absolute)) != absolute) {
        *error = QStringLiteral("Il percorso del database %1 contiene caratteri che il file delle impostazioni non può "
                                "conservare: al prossimo avvio sarà chiesto di nuovo quale database aprire.")
                     .arg(shown(absolute));
        return false;
    }
    IniFile ini;
    if (ini.load(settings)) {
        ini.setValue(kSection, kKey, absolute);
        if (QDir().mkpath(QFileInfo(settings).absolutePath()) && ini.save(settings))
            return true;
    }
    *error = QStringLiteral("Impossibile scrivere il percorso del database nel file delle impostazioni %1: %2")
                 .arg(shown(settings), ini.errorString());
    return false;
}

std::optional<PgSettings> namedServer(const ProgramPaths &paths)
{
    const QString settings = paths.path(ProgramPaths::Place::Settings);
    IniFile file;
    if (!file.load(settings))
        return std::nullopt;
    const QString type = file.value(kSection, kType);
    if (type.isEmpty() || type.compare(QLatin1String("file"), Qt::CaseInsensitive) == 0)
        return std::nullopt;
    if (type.compare(QLatin1String("server"), Qt::CaseInsensitive) != 0)
        badValue(settings, kType, type, QStringLiteral("si scrive file oppure server"));
    PgSettings server;
    server.host = file.value(kSection, kHost);
    server.database = file.value(kSection, kName);
    server.user = file.value(kSection, kUser);
    const QString port = file.value(kSection, kPort);
    if (!port.isEmpty()) {
        bool ok = false;
        server.port = port.toInt(&ok);
        if (!ok || server.port < 1 || server.port > 65535)
            badValue(settings, kPort, port, QStringLiteral("la porta è un numero da 1 a 65535"));
    }
    server.sslMode = sslMode(file.value(kSection, kSsl));
    if (server.sslMode.isEmpty())
        badValue(settings, kSsl, file.value(kSection, kSsl),
                 QStringLiteral("si scrive disable, allow, prefer, require, verify-ca, verify-full, sì oppure no"));
    return server;
}

bool nameServer(const ProgramPaths &paths, const std::optional<PgSettings> &server, QString *error)
{
    const QString settings = paths.path(ProgramPaths::Place::Settings);
    IniFile ini;
    if (ini.load(settings)) {
        if (server) {
            ini.setValue(kSection, kType, QStringLiteral("server"));
            ini.setValue(kSection, kHost, server->host);
            ini.setValue(kSection, kPort, QString::number(server->port));
            ini.setValue(kSection, kName, server->database);
            ini.setValue(kSection, kUser, server->user);
            ini.setValue(kSection, kSsl, server->sslMode);
        } else {
            ini.setValue(kSection, kType, QStringLiteral("file"));
        }
        if (QDir().mkpath(QFileInfo(settings).absolutePath()) && ini.save(settings))
            return true;
    }
    *error = QStringLiteral("Impossibile scrivere il database da usare nel file delle impostazioni %1: %2")
                 .arg(shown(settings), ini.errorString());
    return false;
}

void createEmpty(const QString &path)
{
    const QString folder = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(folder))
        throw DbError(QStringLiteral("Impossibile creare la cartella del database %1.").arg(shown(folder)));
    bool created = false;
    try {
        Database db;
        db.create(path, Schema::databasePassword());
        created = true;
        Schema::createTables(db);
        db.close();
    } catch (const DbError &) {
        // A half-made file would be taken for the database at the next start.
        if (created)
            QFile::remove(path);
        throw;
    }
}

void open(Workspace &workspace)
{
    const ProgramPaths &paths = workspace.paths();
    if (const std::optional<PgSettings> server = namedServer(paths)) {
        workspace.setServer(*server);
        workspace.openConnection();
        return;
    }
    QString file = named(paths);
    const bool isNamed = !file.isEmpty();
    if (!isNamed)
        file = paths.path(ProgramPaths::Place::DatabaseFile);
    bool remember = false;
    if (!isNamed && !paths.dataBesideProgram() && !QFileInfo::exists(file)) {
        Dialogs &dialogs = Dialogs::instance();
        if (dialogs.question(QStringLiteral("Benvenuto in Pratilio+: non c'è ancora un database.\n\n"
                                            "OK crea un database nuovo e vuoto in %1.\n"
                                            "Annulla permette di scegliere un database esistente.")
                                 .arg(shown(file)))) {
            createEmpty(file);
        } else {
            Dialogs::FileRequest request;
            request.caption = QStringLiteral("Apri un database esistente");
            request.folder = QDir::homePath();
            request.filters = {QStringLiteral("Database di Pratilio+ (*.mdb)"), QStringLiteral("Tutti i file (*)")};
            const QString chosen = dialogs.openFileName(request);
            // Nothing chosen: the opening below fails and says which file is missing.
            if (!chosen.isEmpty()) {
                file = chosen;
                remember = true;
            }
        }
    }
    workspace.setDatabaseFile(file);
    workspace.openConnection();
    QString error;
    if (remember && !name(paths, file, &error))
        Dialogs::instance().error(error);
}

} // namespace DatabaseChoice
