#include "settings/opzioni.h"

#include "app/errorhandler.h"
#include "app/principale.h"

Opzioni::Opzioni(Principale *main)
    : QDialog(nullptr, Qt::Tool | Qt::WindowStaysOnTopHint), main_(main)
{
    setObjectName(QStringLiteral("Opzioni"));
    setWindowTitle(QStringLiteral("Opzioni"));
    main_->setOptions(this);

    // A database that cannot be opened is reported and leaves the main window empty;
    // the rest of the loading and the card set-up are skipped, the program goes on.
    ErrorHandler::guard([this] {
        LoadSettings();
        main_->SetUpCard();
    });
}

void Opzioni::LoadSettings()
{
    OpenDatabase();
}

void Opzioni::OpenDatabase()
{
    main_->openConnection();
    main_->FillFieldCheckLists();
    main_->runInitialQuery(true);
}
