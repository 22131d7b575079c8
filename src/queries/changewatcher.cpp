#include "queries/changewatcher.h"

#include "core/workspace.h"
#include "data/database.h"
#include "data/dberror.h"
#include "data/engine.h"
#include "data/query.h"

#include <QSocketNotifier>

ChangeWatcher::ChangeWatcher(Workspace &workspace, std::function<void(const QString &)> say, QObject *parent) :
    QObject(parent), workspace_(workspace), say_(std::move(say))
{
    gather_.setSingleShot(true);
    gather_.setInterval(kGatherMs);
    connect(&gather_, &QTimer::timeout, this, &ChangeWatcher::showChanges);
    // The connection may be opened, lost and made again at any time: its socket is looked
    // at every second, which costs nothing.
    socketCheck_.setInterval(1000);
    connect(&socketCheck_, &QTimer::timeout, this, &ChangeWatcher::watch);
    socketCheck_.start();
    // Changes that waited for the user's row are shown once it is saved or cancelled.
    connect(workspace_.query(), &Query::stateChanged, this, [this] {
        if (waiting_ && !userIsTyping())
            gather_.start();
    });
}

ChangeWatcher::~ChangeWatcher() = default;

void ChangeWatcher::watch()
{
    Database &db = workspace_.connection();
    const int socket = db.isOpen() && db.isServer() ? db.engine()->changeSocket() : -1;
    if (socket == socket_)
        return;
    delete notifier_;
    notifier_ = nullptr;
    socket_ = socket;
    if (socket < 0)
        return; // the file, or a connection lost until the next action makes it again
    notifier_ = new QSocketNotifier(qintptr(socket), QSocketNotifier::Read, this);
    // The first notice starts the gathering; the ones that follow join it without putting it
    // off, so that other desks saving without pause are still shown within a second.
    connect(notifier_, &QSocketNotifier::activated, this, [this] {
        if (takeNotices() && !gather_.isActive())
            gather_.start();
    });
}

bool ChangeWatcher::takeNotices()
{
    Database &db = workspace_.connection();
    if (!db.isOpen() || !db.isServer())
        return false;
    const bool changed = !db.engine()->takeChangedTables().isEmpty();
    // A connection that ended leaves its socket readable for ever: stop watching it.
    if (db.engine()->changeSocket() != socket_)
        watch();
    return changed;
}

bool ChangeWatcher::userIsTyping() const
{
    const Query *query = workspace_.query();
    return query->state() == Query::State::Edit || query->state() == Query::State::Insert;
}

void ChangeWatcher::showChanges()
{
    Query *query = workspace_.query();
    if (!query->isActive())
        return;
    if (userIsTyping()) {
        waiting_ = true;
        say_(QStringLiteral("Un'altra postazione ha modificato i dati: saranno mostrati al termine della modifica."));
        return;
    }
    waiting_ = false;
    try {
        query->reread();
    } catch (const DbError &e) {
        say_(QStringLiteral("Un'altra postazione ha modificato i dati, ma non è stato possibile rileggerli: %1")
                 .arg(e.text()));
    }
}
