#pragma once

#include <QString>

class Workspace;

// The steps the program runs around every insertion, save and deletion of the current
// result, whatever started it: a new row's keys and parent links, and each project's paid
// amount following its payments. Installed on the workspace's query; needs no window.
class RecordHooks
{
public:
    explicit RecordHooks(Workspace &workspace);

    // Sets the query's hooks to the steps below.
    void install();

    void ADOQuery1AfterInsert();
    void ADOQuery1BeforePost();
    void ADOQuery1AfterPost();
    void ADOQuery1BeforeDelete();
    void ADOQuery1AfterDelete();
    void AddPaymentToProject();
    void SubtractPaymentFromProject();
    bool PaymentsResultTest() const;

private:
    // The payment's own project where the result shows it, else the drill-down's.
    QString paymentProjectKey() const;
    void updateProjectTotal(const QString &projectKey, double amount);
    // The new person's or project's key: one more than the largest in its table now.
    qint64 freshKey() const;
    void assignNewKey(qint64 key);

    Workspace &workspace_;
    bool newRowPending_ = false; // the row being saved was inserted, not edited
    int assignedKind_ = 0;       // InsertKind of the key given at insertion, 0 for none
    qint64 assignedKey_ = -1;
    long double DeletedPaymentAmount = 0;
    QString deletedPaymentProject_;
};
