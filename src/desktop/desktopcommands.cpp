#include "desktop/desktopcommands.h"

#include "core/dialogs.h"
#include "core/programpaths.h"
#include "desktop/desktopshortcut.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

QString DesktopCommands::createDesktopShortcut()
{
    return createShortcut(DesktopShortcut::desktopFolder(), QStringLiteral("della scrivania"),
                          QStringLiteral("Il collegamento a Pratilio+ è stato creato sulla scrivania (%1)."));
}

QString DesktopCommands::createProgramsShortcut()
{
    return createShortcut(DesktopShortcut::applicationsFolder(), QStringLiteral("del menu dei programmi"),
                          QStringLiteral("Pratilio+ è stato aggiunto al menu dei programmi (%1)."));
}

// On success a line for the status bar names the file: many desktops show no icons on the
// desktop, and a new menu entry is not in sight either, so without it the command would seem
// to do nothing; a box to close would be one step too many.
QString DesktopCommands::createShortcut(const QString &folder, const QString &folderName, const QString &done)
{
    if (folder.isEmpty()) {
        Dialogs::instance().message(
            QStringLiteral("Impossibile creare il collegamento: la cartella %1 non è stata trovata.").arg(folderName));
        return {};
    }
    const DesktopShortcut::Outcome outcome = DesktopShortcut(QCoreApplication::applicationFilePath()).createIn(folder);
    if (!outcome.ok()) {
        Dialogs::instance().message(outcome.error);
        return {};
    }
    return done.arg(QDir::toNativeSeparators(outcome.filePath));
}

QString DesktopCommands::manualPath(const QString &programDir)
{
    return ProgramPaths(programDir).path(ProgramPaths::Place::Manual);
}

void DesktopCommands::openManual(const QString &programDir)
{
    const QString path = manualPath(programDir);
    if (!QFileInfo(path).isFile()) {
        Dialogs::instance().message(QStringLiteral("Il manuale non è stato trovato: il file %1 non esiste.")
                                        .arg(QDir::toNativeSeparators(path)));
        return;
    }
    if (!Dialogs::instance().openExternal(path))
        Dialogs::instance().message(QStringLiteral("Impossibile aprire il manuale %1: verificare che sul computer sia "
                                                   "installato un programma per leggere i file PDF.")
                                        .arg(QDir::toNativeSeparators(path)));
}
