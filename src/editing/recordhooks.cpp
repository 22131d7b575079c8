#include "editing/recordhooks.h"

#include "core/workspace.h"
#include "data/database.h"
#include "data/query.h"
#include "editing/codecheck.h"
#include "editing/editorsupport.h"
#include "editing/paymenttotals.h"

namespace {

// An amount of a shown row as the file holds it, in whole cents, whatever is being typed
// over it.
qint64 storedCents(const Query &query, int row, int column)
{
    const int stored = query.storedRow(row);
    if (stored < 0 || query.storedRows().isNull(stored, column))
        return 0;
    const std::string_view cell = query.storedRows().cell(stored, column);
    qint64 cents = 0;
    if (Values::readAmount(QString::fromUtf8(cell.data(), qsizetype(cell.size())), &cents)
        == Values::AmountReading::NotAnAmount)
        throw DbError(QStringLiteral("L'importo '%1' del pagamento non è un numero: l'operazione è stata annullata.")
                          .arg(QString::fromUtf8(cell.data(), qsizetype(cell.size()))));
    return cents;
}

// The payment of `row` as stored (its key, project and amount in cents) must still be so in
// the database: another desk may have changed, moved or deleted it since it was read, and the
// paid amounts would then move by what this desk saw instead of what was there. The check
// touches the row, so that on the server it stays locked until the save or deletion ends.
// Nothing to check where the result has no payment key (the row is then found by all its
// values). Throws DbError, naming the change, when the row is no longer as read.
void confirmStoredPayment(Database &db, const Query &query, int row, const QString &project, qint64 cents,
                          const QString &refusal)
{
    const int keyColumn = query.fieldIndex(QStringLiteral("IdFattura"));
    const int amountColumn = query.fieldIndex(QStringLiteral("Importo"));
    const int stored = query.storedRow(row);
    if (keyColumn < 0 || amountColumn < 0 || stored < 0 || query.storedRows().isNull(stored, keyColumn))
        return;
    const std::string_view key = query.storedRows().cell(stored, keyColumn);
    Statement touch(db, "UPDATE Pagamenti SET Importo = Importo WHERE IdFattura = ? AND IdProgetto = ? "
                        "AND CAST(ROUND(Importo * 100) AS BIGINT) IS ?");
    touch.bind(1, QString::fromUtf8(key.data(), qsizetype(key.size())));
    touch.bind(2, project.trimmed());
    if (query.storedRows().isNull(stored, amountColumn))
        touch.bind(3, QVariant());
    else
        touch.bind(3, cents);
    touch.step();
    if (db.changes() == 0)
        throw DbError(QStringLiteral("Il pagamento è stato modificato o cancellato da un'altra postazione dopo che è "
                                     "stato letto: %1 Rieseguire la query per vedere i dati attuali.")
                          .arg(refusal));
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
    Query &q = *workspace_.query();
    const int amountColumn = q.fieldIndex(QStringLiteral("Importo"));
    editedPaymentPending_ = PaymentsResultTest() && q.state() == Query::State::Edit && amountColumn >= 0;
    if (editedPaymentPending_) {
        // The row as stored before the change: what its project's paid amount holds of it.
        editedPaymentAmount_ = storedCents(q, q.currentRow(), amountColumn);
        editedPaymentProject_ = paymentProjectKey(true);
        confirmStoredPayment(workspace_.connection(), q, q.currentRow(), editedPaymentProject_, editedPaymentAmount_,
                             QStringLiteral("le modifiche non sono state salvate e restano nei campi."));
    }

    // The key shown since the insertion began may have been taken meanwhile (by another copy
    // of the program that got past the lock): it is computed again, inside the save's
    // transaction, unless someone (the import) set a key of its own.
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

QString RecordHooks::paymentProjectKey(bool asStored) const
{
    // A key left over from an earlier drill-down must not move another project's total.
    const Query &query = *workspace_.query();
    const int column = query.fieldIndex(QStringLiteral("IdProgetto"));
    const int row = query.currentRow();
    if (column >= 0 && row >= 0) {
        const int stored = asStored ? query.storedRow(row) : -1;
        if (stored >= 0 && !query.storedRows().isNull(stored, column)) {
            const std::string_view cell = query.storedRows().cell(stored, column);
            return QString::fromUtf8(cell.data(), qsizetype(cell.size()));
        }
        if (stored < 0 && !query.isNull(row, column))
            return query.text(row, column);
    }
    return workspace_.globals().drillDown.projectKey;
}

qint64 RecordHooks::paymentCents() const
{
    Query &query = *workspace_.query();
    const int column = query.fieldIndex(QStringLiteral("Importo"));
    if (column < 0)
        throw DbError(QStringLiteral("Il risultato non ha la colonna Importo: l'importo pagato del progetto non "
                                     "può essere aggiornato e l'operazione è stata annullata."));
    return query.field(column).asCents();
}

void RecordHooks::ADOQuery1BeforeDelete()
{
    if (!PaymentsResultTest())
        return;
    DeletedPaymentAmount = paymentCents();
    deletedPaymentProject_ = paymentProjectKey();
    const Query &q = *workspace_.query();
    confirmStoredPayment(workspace_.connection(), q, q.currentRow(), deletedPaymentProject_, DeletedPaymentAmount,
                         QStringLiteral("non è stato cancellato nulla."));
}

void RecordHooks::ADOQuery1AfterDelete()
{
    if (PaymentsResultTest())
        SubtractPaymentFromProject();
}

void RecordHooks::ADOQuery1AfterPost()
{
    if (!PaymentsResultTest())
        return;
    if (newRowPending_) {
        AddPaymentToProject();
        return;
    }
    if (!editedPaymentPending_)
        return;
    // A payment changed in place moves the totals by what changed: out of the project it was
    // in, into the one it is in now.
    editedPaymentPending_ = false;
    const qint64 amount = paymentCents();
    const QString project = paymentProjectKey();
    Database &db = workspace_.connection();
    if (project == editedPaymentProject_) {
        if (amount != editedPaymentAmount_)
            PaymentTotals::addToProject(db, project, Values::subtractCents(amount, editedPaymentAmount_));
        return;
    }
    PaymentTotals::addToProject(db, editedPaymentProject_, -editedPaymentAmount_);
    PaymentTotals::addToProject(db, project, amount);
}

void RecordHooks::AddPaymentToProject()
{
    PaymentTotals::addToProject(workspace_.connection(), paymentProjectKey(), paymentCents());
}

void RecordHooks::SubtractPaymentFromProject()
{
    PaymentTotals::addToProject(workspace_.connection(), deletedPaymentProject_, -DeletedPaymentAmount);
}
