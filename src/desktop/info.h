#pragma once

#include <QDialog>


// The about box.
class Info : public QDialog
{
    Q_OBJECT

public:
    Info();
};
