#include "core/windowlink.h"

#include <QEvent>
#include <QPointer>
#include <QWidget>

namespace {

class EnableOnClose : public QObject
{
public:
    EnableOnClose(QWidget *window, QWidget *mainWindow) : QObject(window), mainWindow_(mainWindow)
    {
        window->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Hide && mainWindow_)
            mainWindow_->setEnabled(true);
        return false;
    }

private:
    QPointer<QWidget> mainWindow_; // Not owned; may go first at the program's end.
};

} // namespace

namespace WindowLink {

void enableOnClose(QWidget *window, QWidget *mainWindow) { new EnableOnClose(window, mainWindow); }

void showOver(QWidget *window, QWidget *mainWindow)
{
    mainWindow->setEnabled(false);
    window->show();
}

} // namespace WindowLink
