// The main window's handlers, each a forward to its room, and the screen the rooms tell.
#include "app/principale.h"

#include "app/backupactions.h"
#include "app/jetactions.h"
#include "core/dialogs.h"
#include "core/windowlink.h"
#include "data/query.h"
#include "desktop/desktopcommands.h"
#include "desktop/info.h"
#include "editing/forminput.h"
#include "editing/maineditors.h"
#include "editing/recordactions.h"
#include "editing/recordhooks.h"
#include "exchange/contactexchange.h"
#include "exchange/sheetexchange.h"
#include "queries/querycomplessa.h"
#include "queries/querysequence.h"
#include "queries/querystandard.h"
#include "queries/quicksearchbox.h"
#include "settings/mainsettings.h"
#include "settings/opzioni.h"
#include "views/cardpanel.h"
#include "views/cardview.h"
#include "views/drilldown.h"
#include "views/gridcontroller.h"
#include "views/griddelegate.h"
#include "views/resultmodel.h"
#include "views/resultprinting.h"

#include <QAction>
#include <QComboBox>
#include <QDateEdit>
#include <QLineEdit>
#include <QTableView>
#include <QToolButton>

// Queries

void Principale::runInitialQuery(bool atStartup)
{
    if (const auto query = StandardQueries::forInitialKind(globals().initialQueryKind, atStartup))
        runStandardQuery(*query);
}

void Principale::runStandardQuery(StandardQuery query) { runQuery(StandardQueries::describe(query)); }

void Principale::runQuery(const ResultStep &description) { QuerySequence::run(workspace_, *this, description); }

void Principale::QueryCommittenteExecute() { runStandardQuery(StandardQuery::Committente); }
void Principale::QueryConProgettiExecute() { runStandardQuery(StandardQuery::ConProgetti); }
void Principale::QuerySenzaProgettiExecute() { runStandardQuery(StandardQuery::SenzaProgetti); }
void Principale::QueryProgettoExecute() { runStandardQuery(StandardQuery::Progetto); }
void Principale::InCorsoExecute() { runStandardQuery(StandardQuery::InCorso); }
void Principale::ComuneExecute() { runStandardQuery(StandardQuery::DaIniziare); }
void Principale::QuerySospesiExecute() { runStandardQuery(StandardQuery::Sospesi); }
void Principale::QueryNonPagatiExecute() { runStandardQuery(StandardQuery::NonPagati); }
void Principale::QueryPagatiExecute() { runStandardQuery(StandardQuery::Pagati); }
void Principale::Stampa1Click() { ResultPrinting::print(DBGrid1, gridDelegate(), statusText(), this); }
void Principale::AnteprimaDiStampa1Click() { ResultPrinting::preview(DBGrid1, gridDelegate(), statusText(), this); }
void Principale::EsportaInPDF1Click()
{
    ResultPrinting::exportPdf(DBGrid1, gridDelegate(), statusText(),
                              workspace_.paths().path(ProgramPaths::Place::Output));
}
void Principale::BackupDatabase1Click() { BackupActions::backup(workspace_); }
void Principale::RipristinaBackup1Click()
{
    BackupActions::restore(workspace_, [this] { runInitialQuery(true); });
}
void Principale::ImportaArchivioPrecedente1Click()
{
    JetActions::importArchive(
        workspace_, [this] { runInitialQuery(true); }, this);
}
void Principale::RicalcolaImportiPagati1Click()
{
    JetActions::recalculatePaidAmounts(workspace_, [this] { runInitialQuery(true); });
}

void Principale::NomeExecute()
{
    if (conditionDialog_)
        conditionDialog_->openFor(ConditionMode::NameSurname);
}
void Principale::QualificaExecute()
{
    if (conditionDialog_)
        conditionDialog_->openFor(ConditionMode::Qualification);
}
void Principale::CittaExecute()
{
    if (conditionDialog_)
        conditionDialog_->openFor(ConditionMode::City);
}
void Principale::StatoExecute()
{
    if (conditionDialog_)
        conditionDialog_->openFor(ConditionMode::ProjectState);
}

void Principale::PersonalizzaQueryExecute()
{
    if (!complexQuery_)
        return;
    complexQuery_->setWindowFlag(Qt::WindowStaysOnTopHint, true);
    WindowLink::showOver(complexQuery_, this);
}

void Principale::OpzioniExecute()
{
    if (options_)
        options_->OpzioniExecute();
}

void Principale::FormattestoExecute()
{
    if (settings_)
        settings_->textFormatting().FormattestoExecute();
}

void Principale::CollegamentoDesktopExecute() { showNotice(DesktopCommands::createDesktopShortcut()); }
void Principale::CollegamentoInProgrammiExecute() { showNotice(DesktopCommands::createProgramsShortcut()); }
void Principale::Manuale1Click() { DesktopCommands::openManual(programDir()); }

void Principale::Informazioni1Click()
{
    if (about_)
        about_->show(); // the box disables the main window while it is shown
}

// Result views

void Principale::DBGrid1TitleClick(int column) { gridController_->DBGrid1TitleClick(column); }
void Principale::drillDownToProjects() { drillDown_->toProjects(); }
void Principale::drillDownToPayments() { drillDown_->toPayments(); }
QString Principale::currentRowKey() const { return drillDown_->currentRowKey(); }

void Principale::DBGrid1CellClick(int column)
{
    if (const auto states = drillDown_->cellClick(column))
        gridController_->delegate()->setPickList(column, *states);
    DBGrid1->viewport()->update();
}

void Principale::SpeedButton1Click()
{
    showDrillDownPicture();
    QAction *add = action(ActionId::Inserisci);
    if (SpeedButton1->isChecked()) {
        AddWasEnabled = add->isEnabled();
        add->setEnabled(false);
    } else if (AddWasEnabled) {
        add->setEnabled(true);
    }
}

void Principale::colourCardPairs() { Panel2->colourPairs(*query()); }

void Principale::OpenCardEditor(int pair) { Panel2->openEditor(pair, &globals().dateFieldSelector); }

// Editing

void Principale::InserisciExecute() { records_->InserisciExecute(); }
void Principale::BottoneSchedaInputExecute() { records_->BottoneSchedaInputExecute(); }
void Principale::EliminaExecute() { records_->EliminaExecute(); }
void Principale::DeleteFromGrid() { records_->DeleteFromGrid(); }
bool Principale::PaymentsResultTest() const { return hooks_->PaymentsResultTest(); }
bool Principale::DateTimePicker1DropDown() { return editors_->DateTimePicker1DropDown(); }
void Principale::DateTimePicker1Change() { editors_->DateTimePicker1Change(); }
bool Principale::DateTimePicker2DropDown() { return editors_->DateTimePicker2DropDown(); }
void Principale::DateTimePicker2Exit() { editors_->DateTimePicker2Exit(); }
void Principale::ComboBox2DropDown() { editors_->ComboBox2DropDown(); }
void Principale::ComboBox2Exit() { editors_->ComboBox2Exit(); }
Dialogs::FileRequest Principale::SalvaInXLSBeforeExecute() { return exchange_->SalvaInXLSBeforeExecute(); }
void Principale::SalvaInXLSAccept(const QString &path, const QString &filter)
{
    exchange_->SalvaInXLSAccept(path, filter);
}
Dialogs::FileRequest Principale::ImportaDaExcelBeforeExecute() { return exchange_->ImportaDaExcelBeforeExecute(); }
void Principale::ImportaDaExcelAccept(const QString &path, const QString &filter)
{
    exchange_->ImportaDaExcelAccept(path, filter);
}
Dialogs::FileRequest Principale::EsportaVCardBeforeExecute() { return contacts_->exportVCardRequest(); }
void Principale::EsportaVCardAccept(const QString &path, const QString &filter)
{
    contacts_->exportVCard(path, filter);
}
Dialogs::FileRequest Principale::ImportaVCardBeforeExecute() { return contacts_->importVCardRequest(); }
void Principale::ImportaVCardAccept(const QString &path, const QString &) { contacts_->importVCard(path); }
Dialogs::FileRequest Principale::EsportaCSVBeforeExecute() { return contacts_->exportCsvRequest(); }
void Principale::EsportaCSVAccept(const QString &path, const QString &) { contacts_->exportCsv(path); }
Dialogs::FileRequest Principale::ImportaCSVBeforeExecute() { return contacts_->importCsvRequest(); }
void Principale::ImportaCSVAccept(const QString &path, const QString &) { contacts_->importCsv(path); }
void Principale::CodiciDaVerificareExecute() { contacts_->showCodesToCheck(); }

// The screen

void Principale::setSearchField(const QString &label) { searchBox_->fieldBox()->setEditText(label); }
void Principale::clearSearchText() { searchBox_->clearSearchText(); }
void Principale::setAddEnabled(bool enabled)
{
    action(ActionId::Inserisci)->setEnabled(enabled && workspace_.canWrite());
}
void Principale::setDeleteEnabled(bool enabled)
{
    action(ActionId::Elimina)->setEnabled(enabled && workspace_.canWrite());
}
void Principale::setDrillDownCaption(const QString &caption) { SpeedButton1->setText(caption); }
void Principale::setDrillDownEnabled(bool enabled) { SpeedButton1->setEnabled(enabled); }
bool Principale::isDrillDownPressed() const { return SpeedButton1->isChecked(); }
void Principale::setGridEditable(bool editable) { model_->setEditable(editable && workspace_.canWrite()); }
bool Principale::isGridEditable() const { return model_->isEditable(); }
void Principale::hideGridDatePicker() { DateTimePicker1->hide(); }

void Principale::resetDrillDown(const QString &caption)
{
    SpeedButton1->setChecked(false);
    SpeedButton1->setEnabled(true);
    SpeedButton1->setText(caption);
    showDrillDownPicture();
}

void Principale::unbindEditors()
{
    UnbindCardEditors();
    if (!globals().inputSheetPending && inputSheet_)
        inputSheet_->UnbindInputSheetEditors();
}

void Principale::showColumns()
{
    gridController_->mirrorColumns();
    gridController_->showCurrentRow();
}
