#include "desktop/programicon.h"

#include "core/programresources.h"

QIcon ProgramIcon::icon()
{
    initProgramResources();
    QIcon icon;
    for (const int size : {16, 24, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/icons/pratilio-%1.png").arg(size), QSize(size, size));
    return icon;
}
