#include "settings/opzioni.h"

#include "core/errorhandler.h"
#include "core/workspace.h"

Opzioni::Opzioni(Workspace &workspace, MainWindowSteps steps)
    : QDialog(nullptr, Qt::Tool | Qt::WindowStaysOnTopHint), workspace_(workspace), steps_(std::move(steps))
{
    setObjectName(QStringLiteral("Opzioni"));
    setWindowTitle(QStringLiteral("Opzioni"));

    // A database that cannot be opened is reported and leaves the main window empty;
    // the rest of the loading and the card set-up are skipped, the program goes on.
    ErrorHandler::guard([this] {
        LoadSettings();
        steps_.setUpCard();
    });
}

void Opzioni::LoadSettings()
{
    OpenDatabase();
}

void Opzioni::OpenDatabase()
{
    workspace_.openConnection();
    workspace_.fillFieldCheckLists();
    steps_.runInitialQuery(true);
}
