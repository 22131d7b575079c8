#include "core/programresources.h"

#include <QtGlobal>

// Q_INIT_RESOURCE names a function of the global namespace, so it is called from one here.
static void registerResources() { Q_INIT_RESOURCE(resources); }

void initProgramResources()
{
    static const bool registered = [] {
        registerResources();
        return true;
    }();
    Q_UNUSED(registered);
}
