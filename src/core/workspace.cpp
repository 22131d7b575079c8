#include "core/workspace.h"

#include "core/dialogs.h"
#include "core/errorhandler.h"
#include "data/database.h"
#include "data/query.h"
#include "data/schema.h"
#include "data/serverschema.h"
#include "data/table.h"

#include <QFileInfo>

Workspace::Workspace(const QString &programDir) :
    paths_(programDir),
    connection_(std::make_unique<Database>()),
    query_(std::make_unique<Query>(connection_.get())),
    protezione_(std::make_unique<Table>(connection_.get())),
    lookUp_(std::make_unique<Table>(connection_.get()))
{
    query_->setObjectName(QStringLiteral("ADOQuery1"));
    protezione_->setObjectName(QStringLiteral("Protezione"));
    protezione_->setTableName(QStringLiteral("Applicazione"));
    lookUp_->setObjectName(QStringLiteral("ADOTable1"));
}

Workspace::~Workspace() = default;

QString Workspace::databaseFile() const
{
    return databaseFile_.isEmpty() ? paths_.path(ProgramPaths::Place::DatabaseFile) : databaseFile_;
}

void Workspace::openServer()
{
    PgSettings settings = *server_;
    for (;;) {
        try {
            connection_->openServer(settings);
            break;
        } catch (const DbPasswordError &e) {
            // No password in ~/.pgpass, or a wrong one typed: asked again until cancelled.
            QString typed;
            const QString user = settings.user.isEmpty() ? qEnvironmentVariable("USER") : settings.user;
            if (!Dialogs::instance().password(QStringLiteral(
                                                  "%1\n\nPassword dell'utente %2 per il database \"%3\" sul server %4:")
                                                  .arg(e.text(), user, settings.database, settings.host),
                                              &typed))
                throw;
            settings.password = typed;
        }
    }
    try {
        ServerSchema::checkStructure(*connection_);
        protezione_->open();
    } catch (...) {
        protezione_->close();
        connection_->close();
        throw;
    }
    if (connection_->isReadOnly())
        Dialogs::instance().message(connection_->readOnlyMessage());
}

void Workspace::openConnection()
{
    if (server_) {
        openServer();
        return;
    }
    const QString path = databaseFile();
    // The lock comes before the file is opened, so that a second copy changes nothing.
    if (QFileInfo::exists(path)) {
        DatabaseLock::Outcome outcome = lock_.take(path);
        // A lock that no copy here holds is removed only when the user says so.
        if (outcome == DatabaseLock::Outcome::Foreign && Dialogs::instance().question(lock_.removalQuestion()))
            outcome = lock_.removeAndTake(path);
        if (outcome == DatabaseLock::Outcome::InUse) {
            refused_ = true;
            throw DbError(DatabaseLock::inUseMessage(path));
        }
        if (outcome == DatabaseLock::Outcome::Foreign) {
            refused_ = true;
            throw DbError(lock_.reason() + QStringLiteral(" Il database non è stato aperto."));
        }
        if (beforeOpening_ && !beforeOpening_(path)) {
            lock_.release();
            refused_ = true;
            throw ErrorHandler::Ended();
        }
        // A file converted in its place is another file under the same name: the system lock
        // goes with the name.
        if (!lock_.followReplacedFile(path)) {
            lock_.release();
            refused_ = true;
            throw DbError(DatabaseLock::inUseMessage(path));
        }
    }
    try {
        connection_->open(path, Schema::databasePassword());
        Schema::checkStructure(*connection_);
        protezione_->open();
    } catch (...) {
        protezione_->close();
        connection_->close();
        lock_.release();
        throw;
    }
    if (connection_->isReadOnly()) {
        lock_.release(); // a copy that cannot write does not keep another from writing
        Dialogs::instance().message(connection_->readOnlyMessage());
    }
}

bool Workspace::canWrite() const { return !connection_->isReadOnly(); }

void Workspace::fillFieldCheckLists()
{
    globals_.catalogue.fillFieldCheckLists(globals_.checkLists);
    // The lists come unticked; an item is ticked when its field is shown.
    for (CheckList &list : globals_.checkLists) {
        for (int item = 0; item < list.items.size(); ++item) {
            const int entry = globals_.catalogue.indexOfLabel(list.items.at(item));
            list.checked[item] = entry >= 0 && globals_.catalogue.entry(entry).visible;
        }
    }
}

void Workspace::saveTypedChange()
{
    // A change typed into the grid or the card is saved before the result is replaced,
    // rather than dropped with it; a refused save stops the query, keeping the change.
    if (query_->state() == Query::State::Edit && query_->isModified())
        query_->post();
}
