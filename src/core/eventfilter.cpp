#include "core/eventfilter.h"

#include "core/errorhandler.h"

EventFilter::EventFilter(Handler handler, QObject *parent) : QObject(parent), handler_(std::move(handler)) {}

void EventFilter::watch(QObject *object)
{
    object->installEventFilter(this); // installing twice keeps one filter
}

bool EventFilter::eventFilter(QObject *watched, QEvent *event)
{
    if (!handler_)
        return QObject::eventFilter(watched, event);
    bool swallow = false;
    if (!ErrorHandler::guard([&] { swallow = handler_(watched, event); }))
        swallow = event->type() == QEvent::KeyPress;
    return swallow || QObject::eventFilter(watched, event);
}

EventFilter *EventFilter::on(QObject *watched, QEvent::Type type, std::function<bool(QEvent *)> handler)
{
    auto *filter = new EventFilter(
        [watched, type, handler = std::move(handler)](QObject *object, QEvent *event) {
            return object == watched && event->type() == type && handler(event);
        },
        watched);
    filter->watch(watched);
    return filter;
}
