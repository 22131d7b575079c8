#pragma once

#include <QObject>
#include <QTimer>

#include <functional>

class QSocketNotifier;
class Workspace;

// Other desks' work on the office server, shown on this one. The server announces each
// change of the office's tables on the connection's socket; the watcher reads the notices
// (leaving out this desk's own), and soon after reads the current result again, keeping its
// current row, filter and sort. While the user is typing in a row, the result is left alone:
// the status line says that the data changed, and the result is read again once the row is
// saved or cancelled. On the file, which one desk writes, it does nothing.
class ChangeWatcher : public QObject
{
    Q_OBJECT

public:
    // `say` writes the status line.
    ChangeWatcher(Workspace &workspace, std::function<void(const QString &)> say, QObject *parent = nullptr);
    ~ChangeWatcher() override;

    // Watches the connection as it is now open (again after it was made anew); also called
    // every second.
    void watch();
    // Reads the waiting notices at once and reports whether another desk changed anything;
    // the result follows after the short pause that gathers a burst of changes.
    bool takeNotices();
    // Reads the result again now if the user is not typing; otherwise says so and waits.
    void showChanges();

    // The pause between a notice and the reading, gathering the changes of one save.
    static constexpr int kGatherMs = 250;

private:
    bool userIsTyping() const;

    Workspace &workspace_;
    std::function<void(const QString &)> say_;
    QSocketNotifier *notifier_ = nullptr;
    int socket_ = -1;
    QTimer gather_;
    // Checks whether the connection was opened or made anew (a new socket).
    QTimer socketCheck_;
    bool waiting_ = false; // changes not yet shown because the user was typing
};
