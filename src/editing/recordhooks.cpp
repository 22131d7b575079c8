#include "editing/recordhooks.h"

#include "core/dialogs.h"
#include "core/workspace.h"
#include "data/database.h"
#include "data/query.h"
#include "editing/codecheck.h"
#include "editing/editorsupport.h"
#include "editing/paymenttotals.h"

namespace {

QString totalNotUpdatedMessage(const QString &projectKey)
{
    return QStringLiteral("L'importo pagato non è stato aggiornato: nessun progetto ha la chiave \"%1\".")
        .arg(projectKey);
}

} // namespace

RecordHooks::RecordHooks(Workspace &workspace) : workspace_(workspace) {}

void RecordHooks::install()
{
    Query *query = workspace_.query();
    query->afterInsert = [this](Query &) { ADOQuery1AfterInsert(); };
    query->beforeSave = [](Query &q) { CodeCheck::confirmSave(q); };
    query->beforePost = [this](Query &) { ADOQuery1BeforePost(); };
    query->afterPost = [this](Query &) { ADOQuery1AfterPost(); };
    query->beforeDelete = [this](Query &) { ADOQuery1BeforeDelete(); };
    query->afterDelete = [this](Query &) { ADOQuery1AfterDelete(); };
    // An insertion that ends without a save (cancelled, or the sheet closed) adds nothing.
    QObject::connect(query, &Query::stateChanged, query, [this, query] {
        if (query->state() != Query::State::Insert)
            newRowPending_ = false;
    });
}

bool RecordHooks::PaymentsResultTest() const { return workspace_.globals().paymentsShown; }

void RecordHooks::assignNewKey(qint64 key)
{
    Query &q = *workspace_.query();
    using EditorSupport::setProgramValue;
    if (assignedKind_ == InsertPerson) {
        setProgramValue(q, QStringLiteral("Committente.IdCommittente"), key);
        setProgramValue(q, QStringLiteral("Indirizzo.IdCommittente"), key);
        setProgramValue(q, QStringLiteral("Recapiti.IdCommittente"), key);
    } else if (assignedKind_ == InsertProject) {
        setProgramValue(q, QStringLiteral("IdProgetto"), key);
    }
    assignedKey_ = key;
}

qint64 RecordHooks::freshKey() const
{
    Database &db = workspace_.connection();
    if (assignedKind_ == InsertPerson)
        return db.nextKey(QStringLiteral("Committente"), QStringLiteral("IdCommittente")) + 1;
    return db.nextKey(QStringLiteral("Progetto"), QStringLiteral("IdProgetto")) + 1;
}

void RecordHooks::ADOQuery1AfterInsert()
{
    newRowPending_ = true;
    assignedKind_ = InsertNone;
    Query &q = *workspace_.query();
    const Globals &globals = workspace_.globals();
    using EditorSupport::setProgramValue;
    switch (globals.insertKind) {
    case InsertPerson: {
        assignedKind_ = InsertPerson;
        assignNewKey(freshKey());
        break;
    }
    case InsertProject: {
        assignedKind_ = InsertProject;
        assignNewKey(freshKey());
        const QString personKey = q.fieldIndex(QStringLiteral("IdCommittente")) >= 0
                                      ? QStringLiteral("IdCommittente")
                                      : QStringLiteral("Progetto.IdCommittente");
        setProgramValue(q, personKey, globals.drillDown.personId);
        setProgramValue(q, QStringLiteral("Cognome_progettista"), globals.drillDown.personSurname);
        setProgramValue(q, QStringLiteral("Nome_progettista"), globals.drillDown.personName);
        setProgramValue(q, QStringLiteral("Importo_pagato"), 0);
        break;
    }
    case InsertPayment:
        setProgramValue(q, QStringLiteral("IdProgetto"), globals.drillDown.projectKey);
        break;
    default:
        break;
    }
}

void RecordHooks::ADOQuery1BeforePost()
{
    // The key shown since the insertion began may have been taken meanwhile (by another copy
    // of the program that got past the lock): it is computed again, inside the save's
    // transaction, unless someone (the import) set a key of its own.
    Query &q = *workspace_.query();
    if (!newRowPending_ || q.state() != Query::State::Insert || assignedKind_ == InsertNone)
        return;
    const QString keyField = assignedKind_ == InsertPerson ? QStringLiteral("Committente.IdCommittente")
                                                           : QStringLiteral("IdProgetto");
    const int column = q.fieldIndex(keyField);
    if (column < 0 || q.isNull(q.currentRow(), column) || q.field(column).asInteger() != assignedKey_)
        return;
    const qint64 key = freshKey();
    if (key != assignedKey_)
        assignNewKey(key);
}

QString RecordHooks::paymentProjectKey() const
{
    // A key left over from an earlier drill-down must not move another project's total.
    const Query &query = *workspace_.query();
    const int column = query.fieldIndex(QStringLiteral("IdProgetto"));
    const int row = query.currentRow();
    if (column >= 0 && row >= 0 && !query.isNull(row, column))
        return query.text(row, column);
    return workspace_.globals().drillDown.projectKey;
}

void RecordHooks::updateProjectTotal(const QString &projectKey, double amount)
{
    // Runs inside the save or deletion: a failing update takes the payment's change back with it.
    if (!PaymentTotals::addToProject(workspace_.connection(), projectKey, amount))
        Dialogs::instance().message(totalNotUpdatedMessage(projectKey));
}

void RecordHooks::ADOQuery1BeforeDelete()
{
    if (!PaymentsResultTest())
        return;
    Query &query = *workspace_.query();
    const int column = query.fieldIndex(QStringLiteral("Importo"));
    DeletedPaymentAmount = column >= 0 ? query.field(column).asFloat() : 0;
    deletedPaymentProject_ = column >= 0 ? paymentProjectKey() : QString();
}

void RecordHooks::ADOQuery1AfterDelete()
{
    if (PaymentsResultTest())
        SubtractPaymentFromProject();
}

void RecordHooks::ADOQuery1AfterPost()
{
    // Saved payments are never changed in place, so only a new row adds to the total.
    if (PaymentsResultTest() && newRowPending_)
        AddPaymentToProject();
}

void RecordHooks::AddPaymentToProject()
{
    Query &query = *workspace_.query();
    const int column = query.fieldIndex(QStringLiteral("Importo"));
    const QString project = paymentProjectKey();
    if (column < 0) {
        Dialogs::instance().message(totalNotUpdatedMessage(project));
        return;
    }
    updateProjectTotal(project, query.field(column).asFloat());
}

void RecordHooks::SubtractPaymentFromProject()
{
    if (deletedPaymentProject_.isEmpty()) {
        Dialogs::instance().message(totalNotUpdatedMessage(workspace_.globals().drillDown.projectKey));
        return;
    }
    updateProjectTotal(deletedPaymentProject_, -double(DeletedPaymentAmount));
}
