#include "app/errorhandler.h"
#include "app/startup.h"

int main(int argc, char **argv)
{
    PratilioApplication app(argc, argv);
    Startup startup(QCoreApplication::applicationDirPath());
    startup.createWindows();
    startup.start();
    return app.exec();
}
