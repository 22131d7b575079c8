#include "app/backupactions.h"

#include "core/dialogs.h"
#include "core/workspace.h"
#include "data/database.h"
#include "data/databasebackup.h"
#include "data/dberror.h"
#include "data/query.h"
#include "data/schema.h"
#include "data/table.h"
#include "queries/querysequence.h"
#include "settings/settingsfile.h"

#include <QDir>
#include <QFileInfo>

namespace BackupActions {

namespace {

const QString kFilter = QStringLiteral("Database di Pratilio+ (*.mdb)");

QString shown(const QString &path) { return QDir::toNativeSeparators(path); }

DatabaseBackup backupOf(Workspace &workspace)
{
    return DatabaseBackup(workspace.connection(), Schema::databasePassword());
}

} // namespace

void backup(Workspace &workspace)
{
    if (!workspace.connection().isOpen())
        throw DbError(QStringLiteral("Il database non è aperto: non c'è nulla da copiare."));
    const QString folder = workspace.paths().path(ProgramPaths::Place::Backup);
    QDir().mkpath(folder); // the dialog opens there; a folder that cannot be made is the dialog's to show
    Dialogs::FileRequest request;
    request.caption = QStringLiteral("Backup del database");
    request.folder = QDir(folder).filePath(DatabaseBackup::defaultFileName(QDate::currentDate()));
    request.filters = {kFilter};
    request.defaultSuffix = QStringLiteral("mdb");
    const QString target = Dialogs::instance().saveFileName(request);
    if (target.isEmpty())
        return;
    if (QFileInfo::exists(target)
        && !Dialogs::instance().question(QStringLiteral("Il file %1 esiste già. Sostituirlo?").arg(shown(target))))
        return;
    // A change typed and not saved yet belongs in the copy.
    workspace.saveTypedChange();
    backupOf(workspace).copyTo(target);
    Dialogs::instance().message(QStringLiteral("Copia del database salvata in %1.").arg(shown(target)));
}

void restore(Workspace &workspace, const std::function<void()> &runStartupQuery)
{
    // Refused before any file is asked for: the server's data belong to every desk.
    if (workspace.connection().isServer())
        throw DbError(DatabaseBackup::serverRestoreRefusal());
    Dialogs::FileRequest request;
    request.caption = QStringLiteral("Ripristina da backup");
    request.folder = workspace.paths().path(ProgramPaths::Place::Backup);
    request.filters = {kFilter};
    const QString source = Dialogs::instance().openFileName(request);
    if (source.isEmpty())
        return;
    if (!Dialogs::instance().question(
            QStringLiteral("Il database attuale sarà sostituito dalla copia %1 e conservato come %2. Continuare?")
                .arg(shown(source), DatabaseBackup::asideFileName())))
        return;
    workspace.saveTypedChange(); // a refused save stops here, with nothing replaced
    // A copy that cannot be used is refused while the current result is still on screen.
    DatabaseBackup::check(source, Schema::databasePassword());

    // The results read from the old file go with it; whatever happens the data are then
    // opened again, on the copy or, after a failure, on the database as it was.
    QuerySequence::closeResult(workspace);
    workspace.protezione()->close();
    const auto reopen = [&] {
        workspace.openConnection();
        runStartupQuery();
    };
    try {
        backupOf(workspace).restoreFrom(source);
    } catch (const DbError &) {
        if (workspace.connection().isOpen())
            reopen();
        throw;
    }
    reopen();
    const QString aside = QFileInfo(workspace.connection().path()).dir().filePath(DatabaseBackup::asideFileName());
    Dialogs::instance().message(QStringLiteral("Database ripristinato dalla copia %1. Il database sostituito è "
                                               "conservato in %2.")
                                    .arg(shown(source), shown(aside)));
}

void atExit(Workspace &workspace)
{
    if (!workspace.connection().isOpen())
        return;
    // The preferences as the file holds them now (written just before, at the same exit).
    Preferences preferences;
    SettingsFile(workspace.paths().path(ProgramPaths::Place::Settings)).load(preferences);
    DatabaseBackup backup = backupOf(workspace);
    if (!preferences.automaticBackup || !backup.dataChanged())
        return;
    backup.automaticCopy(workspace.paths().path(ProgramPaths::Place::Backup), preferences.backupsKept,
                         QDateTime::currentDateTime());
}

} // namespace BackupActions
