#pragma once

#include <QDialog>

class Principale;

// The query condition dialog: asks for the one value a parameterised query needs.
class QueryStandard : public QDialog
{
    Q_OBJECT

public:
    explicit QueryStandard(Principale *main);

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    Principale *main_; // Not owned.
};
