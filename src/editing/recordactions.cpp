// Adding a record through the input sheet, and deleting one.
#include "editing/recordactions.h"

#include "core/dialogs.h"
#include "core/errorhandler.h"
#include "core/resultscreen.h"
#include "core/workspace.h"
#include "data/query.h"
#include "editing/editorsupport.h"
#include "editing/forminput.h"
#include "queries/querysequence.h"
#include "queries/resultstep.h"

#include <QLineEdit>
#include <QWidget>

RecordActions::RecordActions(Workspace &workspace, ResultScreen &screen, QWidget *mainWindow) :
    workspace_(workspace), screen_(screen), query_(workspace.query()), mainWindow_(mainWindow)
{}

void RecordActions::InserisciExecute()
{
    if (!sheet_)
        return;
    FormInput &sheet = *sheet_;
    sheet.SetUpInputSheet(workspace_.gridColumns());
    // The payments result keeps a saved payment's amount and invoice read-only; a new one is typed.
    for (const QString &field : FieldCatalogue::fixedOnceSavedColumns()) {
        const int column = query_->fieldIndex(field);
        if (column >= 0)
            query_->setFieldReadOnly(column, false);
    }
    query_->insert(); // the after-insert step fills keys and parent links
    try {
        sheet.editor(0)->setEnabled(sheet.pairs()[0].boundField != QLatin1String("Cognome_progettista"));
        sheet.editor(1)->setEnabled(sheet.pairs()[1].boundField != QLatin1String("Nome_progettista"));
        if (query_->fieldIndex(QStringLiteral("Stato")) >= 0)
            EditorSupport::setProgramValue(*query_, QStringLiteral("Stato"), QStringLiteral("Da iniziare"));
        if (query_->fieldIndex(QStringLiteral("Data_inizio")) >= 0)
            EditorSupport::setProgramValue(*query_, QStringLiteral("Data_inizio"), sheet.startDate());
    } catch (...) {
        query_->cancel(); // no sheet is shown, so no row may stay half made
        throw;
    }
    sheet.layOutForNewRow();
    sheet.showForNewRow(sheet.pairs()[0].boundField == QLatin1String("Cognome_progettista") ? 2 : 0);
    mainWindow_->setEnabled(false);
}

void RecordActions::BottoneSchedaInputExecute()
{
    if (!sheet_ || query_->state() != Query::State::Insert)
        return;
    sheet_->flushTypedValues();
    for (size_t i = 0; i < workspace_.gridColumns().columns.size(); ++i) {
        const GridColumn &column = workspace_.gridColumns().columns[i];
        const Requirement requirement = FieldCatalogue::requirementOfLabel(column.title);
        if (requirement == Requirement::None || !column.visible)
            continue;
        if (!query_->field(int(i)).asString().isEmpty())
            continue;
        if (requirement == Requirement::AskWhenEmpty) {
            if (!Dialogs::instance().question(QStringLiteral("La \"") + column.title
                                              + QStringLiteral("\" non è stata inserita. Continuare?")))
                return;
            continue;
        }
        Dialogs::instance().message(QStringLiteral("Riempire il campo") + QStringLiteral("\"") + column.title
                                    + QStringLiteral("\""));
        return;
    }
    const bool payment = workspace_.globals().paymentsShown;
    query_->post(); // refused: the error is shown, the sheet stays open with the row as typed
    if (payment)
        QuerySequence::run(workspace_, screen_, ResultSteps::paymentsAfterSave(workspace_.globals().drillDown));
    sheet_->close();
}

void RecordActions::EliminaExecute()
{
    if (Dialogs::instance().question(QStringLiteral("Vuoi cancellare il record selezionato?")))
        query_->deleteRecord();
}

void RecordActions::DeleteFromGrid()
{
    if (!query_->isActive() || query_->currentRow() < 0 || !screen_.isGridEditable())
        return;
    if (Dialogs::instance().question(QStringLiteral("Eliminare il record?")))
        query_->deleteRecord();
}

bool RecordActions::settleBeforeClosing()
{
    if (query_->state() != Query::State::Edit || !query_->isModified()
        || ErrorHandler::guard([this] { query_->post(); }))
        return true;
    if (!Dialogs::instance().question(
            QStringLiteral("Le modifiche al record corrente non sono state salvate. Uscire comunque?")))
        return false;
    query_->cancel();
    return true;
}
