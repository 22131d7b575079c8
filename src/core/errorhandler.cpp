#include "core/errorhandler.h"

#include "core/dialogs.h"
#include "data/dberror.h"

namespace ErrorHandler {

void show(const std::exception &error)
{
    if (dynamic_cast<const Ended *>(&error))
        return;
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
