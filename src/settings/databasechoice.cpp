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
