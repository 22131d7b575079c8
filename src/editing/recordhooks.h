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
    // The payment's own project where the result shows it (as stored, or with the change
    // being saved), else the drill-down's.
    QString paymentProjectKey(bool asStored = false) const;
    // The Importo of the current row in whole cents; throws when the result has none.
    qint64 paymentCents() const;
    // The new person's or project's key: one more than the largest in its table now.
    qint64 freshKey() const;
    void assignNewKey(qint64 key);

    Workspace &workspace_;
    bool newRowPending_ = false; // the row being saved was inserted, not edited
    int assignedKind_ = 0;       // InsertKind of the key given at insertion, 0 for none
    qint64 assignedKey_ = -1;
    qint64 DeletedPaymentAmount = 0; // in cents
    QString deletedPaymentProject_;
    // A saved payment being changed: its amount and project as stored before the change.
    bool editedPaymentPending_ = false;
    qint64 editedPaymentAmount_ = 0;
    QString editedPaymentProject_;
};
