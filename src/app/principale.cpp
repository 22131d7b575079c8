#include "app/principale.h"

#include "app/dialogs.h"

#include "app/errorhandler.h"
#include "data/database.h"
#include "data/query.h"
#include "data/table.h"
#include "editing/editorsupport.h"
#include "views/resultmodel.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QDateEdit>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QStatusBar>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>

// The icons are compiled into the core library, which the linker would otherwise leave out.
static void initIconResources()
{
    Q_INIT_RESOURCE(resources);
}

namespace {

// Card layout in pixels, one pair a row.
constexpr int kLabelLeft = 8;
constexpr int kLabelTop = 20;
constexpr int kLabelWidth = 105;
constexpr int kLastLabelWidth = 65;
constexpr int kLabelHeight = 17;
constexpr int kEditorLeft = 120;
constexpr int kEditorTop = 16;
constexpr int kEditorHeight = 21;
constexpr int kRowStep = 24;

} // namespace

Principale::Principale(const QString &programDir, QWidget *parent)
    : QMainWindow(parent),
      programDir_(programDir),
      ADOConnection1(std::make_unique<Database>()),
      ADOQuery1(std::make_unique<Query>(ADOConnection1.get())),
      Protezione(std::make_unique<Table>(ADOConnection1.get())),
      model_(std::make_unique<ResultModel>(ADOQuery1.get()))
{
    initIconResources();
    setObjectName(QStringLiteral("Principale"));
    setWindowTitle(QStringLiteral("Pratilio+"));
    ADOQuery1->setObjectName(QStringLiteral("ADOQuery1"));
    Protezione->setObjectName(QStringLiteral("Protezione"));
    Protezione->setTableName(QStringLiteral("Applicazione"));

    globals_.inputSheetPending = true;

    createActions();
    createMenus();
    createCentralArea();
    createToolBars();
    createStatusBar();

    connect(ADOQuery1.get(), &Query::currentRowChanged, this, [this] {
        refreshCardEditors();
        showCurrentRowInGrid();
    });
    connect(ADOQuery1.get(), &Query::rowChanged, this, &Principale::refreshCardEditors);
    connect(ADOQuery1.get(), &Query::resultChanged, this, &Principale::refreshCardEditors);

    // Result views: drawing, sorting, card, drill-down.
    createResultViews();

    // Editing: insertion, in-place editors, deletion and totals. Last, once every editor exists.
    setUpEditing();
}

Principale::~Principale()
{
    // The editing filter would still see the events of the grid and its editors while they
    // are destroyed, and reach widgets already gone: it stops looking first.
    if (editingHook_)
        editingHook_->stop();
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
    DBGrid1->setModel(model_.get());
    DBGrid1->horizontalHeader()->setDefaultSectionSize(GridColumns::kDefaultWidth);
    DBGrid1->horizontalHeader()->setHighlightSections(false);
    DBGrid1->verticalHeader()->setDefaultSectionSize(20);
    gridLayout->addWidget(DBGrid1);
    DBGrid1->viewport()->installEventFilter(this);
    DBGrid1->horizontalHeader()->viewport()->installEventFilter(this);
    connect(DBGrid1->horizontalHeader(), &QHeaderView::sectionResized, this,
            [this](int logical, int, int newSize) { gridSectionResized(logical, newSize); });
    connect(DBGrid1->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex &current) { gridCurrentChanged(current.row()); });

    DateTimePicker1 = new QDateEdit(Panel1);
    DateTimePicker1->setObjectName(QStringLiteral("DateTimePicker1"));
    DateTimePicker1->setDisplayFormat(QStringLiteral("dd/MM/yyyy"));
    DateTimePicker1->setCalendarPopup(true);
    DateTimePicker1->hide();

    Panel2 = createCardPanel();
    Panel2->setParent(central);
    Panel2->hide();

    layout->addWidget(Panel1, 1);
    layout->addWidget(Panel2, 1);
    setCentralWidget(central);
}

QWidget *Principale::createCardPanel()
{
    auto *panel = new QWidget;
    panel->setObjectName(QStringLiteral("Panel2"));
    for (int k = 0; k < kPairs; ++k) {
        auto *label = new QLabel(panel);
        label->setObjectName(QStringLiteral("DBText%1").arg(k + 1));
        const int labelTop = k < kPairs - 1 ? kLabelTop + kRowStep * k : 499;
        label->setGeometry(kLabelLeft, labelTop, k < kPairs - 1 ? kLabelWidth : kLastLabelWidth, kLabelHeight);
        label->hide();
        DBText[size_t(k)] = label;

        auto *editor = new QLineEdit(panel);
        editor->setObjectName(QStringLiteral("DBEdit%1").arg(k + 1));
        editor->setGeometry(kEditorLeft, kEditorTop + kRowStep * k, cardPairs_[size_t(k)].editorWidth, kEditorHeight);
        editor->setReadOnly(true);
        editor->hide();
        DBEdit[size_t(k)] = editor;
    }
    panel->setMinimumHeight(kEditorTop + kRowStep * (kPairs - 1) + kEditorHeight + 8);

    Image1 = new QLabel(panel);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setPixmap(QIcon::fromTheme(QStringLiteral("go-down"), QIcon(QStringLiteral(":/icons/down.png"))).pixmap(24));
    Image1->hide();
    Image2 = new QLabel(panel);
    Image2->setObjectName(QStringLiteral("Image2"));
    Image2->setPixmap(QIcon::fromTheme(QStringLiteral("go-up"), QIcon(QStringLiteral(":/icons/up.png"))).pixmap(24));
    Image2->hide();
    return panel;
}

void Principale::createStatusBar()
{
    QStatusBar *bar = statusBar();
    bar->setObjectName(QStringLiteral("StatusBar1"));
    statusPanel_ = new QLabel(bar);
    statusPanel_->setObjectName(QStringLiteral("StatusBar1Panel0"));
    statusPanel_->setFixedWidth(500);
    bar->addWidget(statusPanel_);
}

void Principale::setStatusText(const QString &text)
{
    statusPanel_->setText(text);
}

QString Principale::statusText() const
{
    return statusPanel_->text();
}

void Principale::mirrorGridColumns()
{
    const int count = std::min(int(gridColumns_.columns.size()), model_->columnCount());
    for (int i = 0; i < count; ++i) {
        const GridColumn &column = gridColumns_.columns[size_t(i)];
        DBGrid1->setColumnHidden(i, false);
        DBGrid1->setColumnWidth(i, column.width);
        DBGrid1->setColumnHidden(i, !column.visible);
    }
    model_->refreshHeaders();
}

void Principale::gridSectionResized(int logical, int newSize)
{
    // Hiding a column reports a width of 0, which is not the column's width.
    if (logical < 0 || logical >= int(gridColumns_.columns.size()) || DBGrid1->isColumnHidden(logical) || newSize <= 0)
        return;
    gridColumns_.columns[size_t(logical)].width = newSize;
}

void Principale::DBGrid1MouseUp()
{
    ColumnSetup::captureWidths(gridColumns_, globals_.catalogue);
}

bool Principale::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonRelease
        && (watched == DBGrid1->viewport() || watched == DBGrid1->horizontalHeader()->viewport()))
        ErrorHandler::guard([this] { DBGrid1MouseUp(); });
    return QMainWindow::eventFilter(watched, event);
}

void Principale::UnbindCardEditors()
{
    ColumnSetup::unbindPairs(cardPairs_);
    refreshCardEditors();
}

void Principale::BindCardPairs()
{
    ColumnSetup::bindCardPairs(cardPairs_, gridColumns_);
    mirrorCardPairs();
}

void Principale::SetUpCard()
{
    BindCardPairs();
    // A projects query has coloured its card already, from the row current when it ran.
    if (globals_.viewKind != ViewProjects)
        colourCardPairs();
}

void Principale::mirrorCardPairs()
{
    for (int k = 0; k < kPairs; ++k) {
        const CardPair &pair = cardPairs_[size_t(k)];
        DBText[size_t(k)]->setText(pair.labelText);
        DBText[size_t(k)]->setVisible(pair.visible);
        DBEdit[size_t(k)]->resize(pair.editorWidth, kEditorHeight);
        DBEdit[size_t(k)]->setVisible(pair.visible);
    }
    refreshCardEditors();
}

void Principale::refreshCardEditors()
{
    const int row = ADOQuery1->currentRow();
    for (int k = 0; k < kPairs; ++k) {
        const QString &field = cardPairs_[size_t(k)].boundField;
        const int column = field.isEmpty() ? -1 : ADOQuery1->fieldIndex(field);
        const bool shown = column >= 0 && row >= 0 && row < ADOQuery1->recordCount();
        DBEdit[size_t(k)]->setText(shown ? ADOQuery1->text(row, column) : QString());
        // A long text shows its beginning, unless the user is typing into it.
        if (!DBEdit[size_t(k)]->hasFocus())
            DBEdit[size_t(k)]->setCursorPosition(0);
    }
}

void Principale::gridCurrentChanged(int row)
{
    if (row < 0 || row == ADOQuery1->currentRow())
        return;
    // While a row is being inserted the main window is disabled: a move of the grid's cursor
    // then comes from the grid following a dropped row, and must not save that row.
    if (ADOQuery1->state() == Query::State::Insert)
        return;
    // Leaving a changed row saves it; when the database refuses, the cursor goes back to the
    // row that still holds the change, so that what follows acts on the row shown.
    if (!ErrorHandler::guard([this, row] { ADOQuery1->setCurrentRow(row); }))
        showCurrentRowInGrid();
}

void Principale::showCurrentRowInGrid()
{
    const int row = ADOQuery1->currentRow();
    if (row < 0 || row >= model_->rowCount())
        return;
    const QModelIndex current = DBGrid1->currentIndex();
    if (current.isValid() && current.row() == row)
        return;
    int column = current.isValid() ? current.column() : 0;
    while (column < model_->columnCount() && DBGrid1->isColumnHidden(column))
        ++column;
    if (column >= model_->columnCount())
        column = 0;
    DBGrid1->setCurrentIndex(model_->index(row, column));
}

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

void Principale::Esci1Click()
{
    close();
}

void Principale::SaveSettings()
{
}

void Principale::closeEvent(QCloseEvent *event)
{
    // A change typed into the grid or the card and not saved yet is saved now rather than
    // lost. If the database refuses it, the user chooses between staying to correct it and
    // leaving without it.
    if (ADOQuery1->state() == Query::State::Edit && ADOQuery1->isModified()
        && !ErrorHandler::guard([this] { ADOQuery1->post(); })) {
        if (!Dialogs::instance().question(
                QStringLiteral("Le modifiche al record corrente non sono state salvate. Uscire comunque?"))) {
            event->ignore();
            return;
        }
        ADOQuery1->cancel();
    }
    ErrorHandler::guard([this] { SaveSettings(); });
    event->accept();
    Q_EMIT programEnding();
}
