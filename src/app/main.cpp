#include "app/application.h"
#include "app/startup.h"

int main(int argc, char **argv)
{
    PratilioApplication app(argc, argv);
    Startup startup(QCoreApplication::applicationDirPath());
    startup.createWindows();
    if (!startup.mainWindow() || startup.refused())
        return 1; // the error has been shown; without the main window there is nothing to run
    startup.start();
    return app.exec();
}
