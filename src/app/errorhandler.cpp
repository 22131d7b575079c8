#include "app/errorhandler.h"

#include "app/dialogs.h"
#include "data/dberror.h"

namespace ErrorHandler {

void show(const std::exception &error)
{
    if (const auto *db = dynamic_cast<const DbError *>(&error))
        Dialogs::instance().error(db->text());
    else
        Dialogs::instance().error(QString::fromUtf8(error.what()));
}

bool guard(const std::function<void()> &action)
{
    try {
        action();
        return true;
    } catch (const std::exception &error) {
        show(error);
        return false;
    }
}

} // namespace ErrorHandler

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
