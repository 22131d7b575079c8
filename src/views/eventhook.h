#pragma once

#include <QEvent>
#include <QObject>

#include <functional>

// Runs a handler for one kind of event of one object, without a subclass of the object.
// The handler returns true when it has dealt with the event, so that the object does not
// see it. The hook lives as long as the object it watches.
class EventHook : public QObject
{
public:
    using Handler = std::function<bool(QEvent *)>;

    EventHook(QObject *watched, QEvent::Type type, Handler handler)
        : QObject(watched), type_(type), handler_(std::move(handler))
    {
        watched->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == type_ && watched == parent())
            return handler_(event);
        return false;
    }

private:
    QEvent::Type type_;
    Handler handler_;
};
