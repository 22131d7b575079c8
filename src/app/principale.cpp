#include "app/principale.h"

#include "app/backupactions.h"
#include "core/dialogs.h"
#include "core/errorhandler.h"
#include "core/eventfilter.h"
#include "core/programresources.h"
#include "data/query.h"
#include "editing/forminput.h"
#include "editing/maineditors.h"
#include "editing/recordactions.h"
#include "editing/recordhooks.h"
#include "exchange/contactexchange.h"
#include "exchange/sheetexchange.h"
#include "queries/changewatcher.h"
#include "settings/mainsettings.h"
#include "views/cardpanel.h"
#include "views/drilldown.h"
#include "views/gridcontroller.h"
#include "views/gridheaders.h"
#include "views/resultmodel.h"
#include "views/totalspanel.h"

#include <QCloseEvent>
#include <QDateEdit>
#include <QHeaderView>
#include <QLabel>
#include <QStatusBar>
#include <QTableView>
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
    createStatusBar();
    // Other desks' work on the office server shows here.
    new ChangeWatcher(
        workspace_, [this](const QString &text) { showNotice(text); }, this);

    Query *result = query();
    // Text typed into the card for another row or result is forgotten.
    connect(result, &Query::currentRowChanged, this, [this] {
        Panel2->forgetTypedText();
        refreshCardEditors();
        gridController_->showCurrentRow();
    });
    connect(result, &Query::rowChanged, this, &Principale::refreshCardEditors);
    connect(result, &Query::resultChanged, this, [this] {
        Panel2->forgetTypedText();
        refreshCardEditors();
    });

    gridController_ = new GridController(
        workspace_, DBGrid1, model_.get(), DateTimePicker1, Panel1, [this] { drillDown_->markCurrentRow(); }, this);
    connect(DBGrid1, &QTableView::clicked, this, [this](const QModelIndex &index) {
        ErrorHandler::guard([this, index] { DBGrid1CellClick(index.column()); });
    });

    // Editing, last, once every editor exists.
    hooks_->install();
    editors_ = new MainEditors(
        workspace_, DBGrid1, model_.get(), DateTimePicker1, Panel2,
        [this] { ErrorHandler::guard([this] { DeleteFromGrid(); }); }, this);
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
    DBGrid1 = new QTableView(Panel1);
    DBGrid1->setObjectName(QStringLiteral("DBGrid1"));
    DBGrid1->setHorizontalHeader(new TitleHeader(DBGrid1));
    DBGrid1->setVerticalHeader(new RowNumberHeader(DBGrid1));
    DBGrid1->setModel(model_.get());
    DBGrid1->horizontalHeader()->setDefaultSectionSize(GridColumns::kDefaultWidth);
    DBGrid1->horizontalHeader()->setHighlightSections(false);
    DBGrid1->verticalHeader()->setDefaultSectionSize(20);
    gridLayout->addWidget(DBGrid1);

    DateTimePicker1 = new QDateEdit(Panel1);
    DateTimePicker1->setObjectName(QStringLiteral("DateTimePicker1"));
    DateTimePicker1->setDisplayFormat(QStringLiteral("dd/MM/yyyy"));
    DateTimePicker1->setCalendarPopup(true);
    DateTimePicker1->hide();

    Panel2 = CardPanel::createMainCard(central, [this](int pair) { OpenCardEditor(pair); });
    Image1 = Panel2->findChild<QLabel *>(QStringLiteral("Image1"));
    Image2 = Panel2->findChild<QLabel *>(QStringLiteral("Image2"));

    layout->addWidget(Panel1, 1);
    layout->addWidget(Panel2, 1);
    setCentralWidget(central);
}

void Principale::createStatusBar()
{
    QStatusBar *bar = statusBar();
    bar->setObjectName(QStringLiteral("StatusBar1"));
    statusPanel_ = new QLabel(bar);
    statusPanel_->setObjectName(QStringLiteral("StatusBar1Panel0"));
    statusPanel_->setFixedWidth(500);
    bar->addWidget(statusPanel_);
    bar->addWidget(new TotalsPanel(query(), bar));
    // What the card or the input sheet finds wrong in a fiscal code or VAT number.
    auto *codes = new QLabel(bar);
    codes->setObjectName(QStringLiteral("StatusBar1Codici"));
    codes->setStyleSheet(QStringLiteral("color: #C00000"));
    bar->addPermanentWidget(codes);
    Panel2->codeWarning = [codes](const QString &text) { codes->setText(text); };
}

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
    auto *codes = statusBar()->findChild<QLabel *>(QStringLiteral("StatusBar1Codici"));
    if (auto *panel = sheet ? sheet->findChild<CardPanel *>() : nullptr; panel && codes)
        panel->codeWarning = [codes](const QString &text) { codes->setText(text); };
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
    // A change typed into the grid or the card and not saved yet is saved now rather than
    // lost. If the database refuses it, the user chooses between staying to correct it and
    // leaving without it.
    Query *result = query();
    if (result->state() == Query::State::Edit && result->isModified()
        && !ErrorHandler::guard([result] { result->post(); })) {
        if (!Dialogs::instance().question(
                QStringLiteral("Le modifiche al record corrente non sono state salvate. Uscire comunque?"))) {
            event->ignore();
            return;
        }
        result->cancel();
    }
    ErrorHandler::guard([this] { SaveSettings(); });
    ErrorHandler::guard([this] { BackupActions::atExit(workspace_); });
    event->accept();
    Q_EMIT programEnding();
}
