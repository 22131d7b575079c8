#include "app/application.h"

#include "core/errorhandler.h"

PratilioApplication::PratilioApplication(int &argc, char **argv) : QApplication(argc, argv) {}

bool PratilioApplication::notify(QObject *receiver, QEvent *event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception &error) {
        ErrorHandler::show(error);
        return false;
    }
}
