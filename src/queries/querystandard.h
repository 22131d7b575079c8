#pragma once

#include <QDialog>

class Workspace;

// The query condition dialog: asks for the one value a parameterised query needs.
class QueryStandard : public QDialog
{
    Q_OBJECT

public:
    explicit QueryStandard(Workspace &workspace);

private:
    Workspace &workspace_;
};
