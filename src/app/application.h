#pragma once

#include <QApplication>

// The application object: every event is delivered under the global error handler.
class PratilioApplication : public QApplication
{
public:
    PratilioApplication(int &argc, char **argv);
    bool notify(QObject *receiver, QEvent *event) override;
};
