#pragma once

#include <QEvent>
#include <QObject>

#include <functional>

// An event filter that hands the events of the objects it watches to one function, under the
// global error handler, so that a window reacts to an event of a widget without a subclass of
// the widget. The function returns true to swallow the event; a key press whose handling raised
// an error is swallowed too, so that a refused key never reaches its editor.
class EventFilter : public QObject
{
public:
    using Handler = std::function<bool(QObject *watched, QEvent *event)>;

    EventFilter(Handler handler, QObject *parent);
    void watch(QObject *object);
    // From now on every event passes untouched (while its owner is being destroyed).
    void stop() { handler_ = nullptr; }

    // Runs `handler` for events of one type of `watched`; the filter lives as long as it.
    static EventFilter *on(QObject *watched, QEvent::Type type, std::function<bool(QEvent *)> handler);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    Handler handler_;
};
