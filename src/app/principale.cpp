#include "app/principale.h"

#include "app/backupactions.h"
#include "app/drilldownbutton.h"
#include "core/errorhandler.h"
#include "core/programresources.h"
#include "core/windowlink.h"
#include "data/query.h"
#include "desktop/desktopcommands.h"
#include "desktop/info.h"
#include "editing/forminput.h"
#include "editing/maineditors.h"
#include "editing/recordactions.h"
#include "editing/recordhooks.h"
#include "exchange/contactexchange.h"
#include "exchange/fileexchange.h"
#include "exchange/sheetexchange.h"
#include "queries/changewatcher.h"
#include "queries/querycomplessa.h"
#include "queries/querysequence.h"
#include "queries/querystandard.h"
#include "queries/quicksearchbox.h"
#include "settings/mainsettings.h"
#include "settings/opzioni.h"
#include "views/cardpanel.h"
#include "views/drilldown.h"
#include "views/gridcontroller.h"
#include "views/griddelegate.h"
#include "views/resultmodel.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QStatusBar>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>

// The icons are compiled into the core library, which the linker would otherwise leave out.

Principale::Principale(const QString &programDir, QWidget *parent) :
    QMainWindow(parent),
    workspace_(programDir),
    model_(std::make_unique<ResultModel>(workspace_.query())),
    hooks_(std::make_unique<RecordHooks>(workspace_)),
    drillDown_(std::make_unique<DrillDown>(workspace_, *this)),
    records_(std::make_unique<RecordActions>(workspace_, *this, this)),
    exchange_(std::make_unique<SheetExchange>(workspace_, *this, this, [this] { editors_->writePendingCardEditors(); })),
    contacts_(
        std::make_unique<ContactExchange>(workspace_, *this, this, [this] { editors_->writePendingCardEditors(); }))
{
    initProgramResources();
    setObjectName(QStringLiteral("Principale"));
    setWindowTitle(QStringLiteral("Pratilio+"));
    globals().inputSheetPending = true;

    createCentralArea();
    createBars();
    resetDrillDown(QStringLiteral("Visualizza progetti"));
    statusPanel_ = MainBars::createStatusBar(this, query());
    Panel2->codeWarning = MainBars::codeWarning(this);
    // Other desks' work on the office server shows here.
    new ChangeWatcher(
        workspace_, [this](const QString &text) { showNotice(text); }, this);

    Panel2->followRows(query());
    gridController_ = new GridController(
        workspace_, DBGrid1, model_.get(), DateTimePicker1, Panel1, [this] { drillDown_->markCurrentRow(); }, this);
    connect(query(), &Query::currentRowChanged, gridController_, &GridController::showCurrentRow);
    connect(DBGrid1, &QTableView::clicked, this, [this](const QModelIndex &index) {
        ErrorHandler::guard([this, index] { DBGrid1CellClick(index.column()); });
    });

    // Editing, last, once every editor exists.
    hooks_->install();
    editors_ = new MainEditors(
        workspace_, DBGrid1, model_.get(), DateTimePicker1, Panel2,
        [this] { ErrorHandler::guard([this] { records_->DeleteFromGrid(); }); }, this);
}

Principale::~Principale()
{
    // The editing filter would still see the events of the grid and its editors while they
    // are destroyed, and reach widgets already gone: it stops looking first.
    if (editors_)
        editors_->stop();
}

void Principale::createCentralArea()
{
    auto *central = new QWidget(this);
    auto *layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    Panel1 = new QWidget(central);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    auto *gridLayout = new QVBoxLayout(Panel1);
    gridLayout->setContentsMargins(0, 0, 0, 0);
    DBGrid1 = GridController::createGrid(Panel1, model_.get());
    gridLayout->addWidget(DBGrid1);
    DateTimePicker1 = GridController::createDatePicker(Panel1);

    Panel2 = CardPanel::createMainCard(central, [this](int pair) { OpenCardEditor(pair); });

    layout->addWidget(Panel1, 1);
    layout->addWidget(Panel2, 1);
    setCentralWidget(central);
}

void Principale::createBars()
{
    actions_ = MainBars::createActions(this);
    MainBars::createMenus(this, actions_);
    searchBox_ = new QuickSearchBox(workspace_, *this, [this] { editors_->writePendingCardEditors(); });
    searchBox_->setObjectName(QStringLiteral("SearchBox"));
    QToolButton *SpeedButton1 = MainBars::createToolBars(this, actions_, searchBox_);
    drillDownButton_ = std::make_unique<DrillDownButton>(SpeedButton1, action(ActionId::Inserisci),
                                                         Panel2->findChild<QLabel *>(QStringLiteral("Image1")),
                                                         Panel2->findChild<QLabel *>(QStringLiteral("Image2")));
    connect(SpeedButton1, &QToolButton::clicked, this, [this] { ErrorHandler::guard([this] { SpeedButton1Click(); }); });

    // Each action runs its handler under the global error handler; a file action asks for
    // its file first.
    for (const ActionRow &row : ActionTable::rows()) {
        const ActionHandler handler = row.handler;
        QAction *target = action(row.id);
        if (handler.run) {
            connect(target, &QAction::triggered, this,
                    [this, handler] { ErrorHandler::guard([this, handler] { handler.run(*this); }); });
        } else {
            FileExchange::connectFileAction(
                target, handler.saveFile, [this, handler] { return handler.prepareFile(*this); },
                [this, handler](const QString &path, const QString &filter) {
                    handler.acceptFile(*this, path, filter);
                });
        }
    }
}

QAction *Principale::action(const QString &name) const { return MainBars::action(this, name); }

QAction *Principale::action(ActionId id) const { return actions_.at(std::size_t(id)); }

void Principale::setStatusText(const QString &text) { statusPanel_->setText(text); }

QString Principale::statusText() const { return statusPanel_->text(); }

void Principale::showNotice(const QString &text)
{
    if (!text.isEmpty())
        statusBar()->showMessage(text, 10000);
}

GridDelegate *Principale::gridDelegate() const { return gridController_->delegate(); }

CardPairs &Principale::cardPairs() { return Panel2->pairs(); }

void Principale::setInputSheet(FormInput *sheet)
{
    inputSheet_ = sheet;
    records_->setInputSheet(sheet);
    if (auto *panel = sheet ? sheet->findChild<CardPanel *>() : nullptr)
        panel->codeWarning = MainBars::codeWarning(this);
}

void Principale::mirrorGridColumns() { gridController_->mirrorColumns(); }

void Principale::UnbindCardEditors()
{
    ColumnSetup::unbindPairs(Panel2->pairs());
    refreshCardEditors();
}

void Principale::BindCardPairs()
{
    ColumnSetup::bindCardPairs(Panel2->pairs(), gridColumns());
    Panel2->mirror();
    refreshCardEditors();
}

void Principale::SetUpCard()
{
    BindCardPairs();
    // A projects query has coloured its card already, from the row current when it ran.
    if (globals().viewKind != ViewProjects)
        colourCardPairs();
}

void Principale::refreshCardEditors() { Panel2->refresh(*query()); }

void Principale::MostraTabellaExecute()
{
    Panel2->hide();
    Panel1->show();
    SetUpCard();
}

void Principale::MostraSchedaExecute()
{
    Panel1->hide();
    Panel2->show();
    SetUpCard();
}

void Principale::Esci1Click() { close(); }

void Principale::SaveSettings()
{
    if (settings_)
        settings_->SaveSettings();
}

void Principale::closeEvent(QCloseEvent *event)
{
    if (!records_->settleBeforeClosing()) {
        event->ignore();
        return;
    }
    ErrorHandler::guard([this] { SaveSettings(); });
    ErrorHandler::guard([this] { BackupActions::atExit(workspace_); });
    event->accept();
    Q_EMIT programEnding();
}

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

void Principale::NomeExecute() { openConditionDialog(ConditionMode::NameSurname); }
void Principale::QualificaExecute() { openConditionDialog(ConditionMode::Qualification); }
void Principale::CittaExecute() { openConditionDialog(ConditionMode::City); }
void Principale::StatoExecute() { openConditionDialog(ConditionMode::ProjectState); }

void Principale::openConditionDialog(ConditionMode mode)
{
    if (conditionDialog_)
        conditionDialog_->openFor(mode);
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

void Principale::DBGrid1CellClick(int column)
{
    if (const auto states = drillDown_->cellClick(column))
        gridController_->delegate()->setPickList(column, *states);
    DBGrid1->viewport()->update();
}

void Principale::SpeedButton1Click() { drillDownButton_->SpeedButton1Click(); }

void Principale::colourCardPairs() { Panel2->colourPairs(*query()); }

void Principale::OpenCardEditor(int pair) { Panel2->openEditor(pair, &globals().dateFieldSelector); }

// Editing

void Principale::InserisciExecute() { records_->InserisciExecute(); }
void Principale::BottoneSchedaInputExecute() { records_->BottoneSchedaInputExecute(); }
void Principale::EliminaExecute() { records_->EliminaExecute(); }
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
void Principale::resetDrillDown(const QString &caption) { drillDownButton_->reset(caption); }
void Principale::setDrillDownCaption(const QString &caption) { drillDownButton_->setCaption(caption); }
void Principale::setDrillDownEnabled(bool enabled) { drillDownButton_->setEnabled(enabled); }
bool Principale::isDrillDownPressed() const { return drillDownButton_->isPressed(); }
void Principale::setGridEditable(bool editable) { model_->setEditable(editable && workspace_.canWrite()); }
bool Principale::isGridEditable() const { return model_->isEditable(); }
void Principale::hideGridDatePicker() { DateTimePicker1->hide(); }

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
