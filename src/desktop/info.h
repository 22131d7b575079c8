#pragma once

#include <QDialog>

class Principale;

// The about box.
class Info : public QDialog
{
    Q_OBJECT

public:
    explicit Info(Principale *main);

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    Principale *main_; // Not owned.
};
