#include "settings/opzioni.h"

#include "core/dialogs.h"
#include "core/errorhandler.h"
#include "core/eventfilter.h"
#include "core/passwordhash.h"
#include "core/workspace.h"
#include "settings/databasechoice.h"
#include "settings/databasepage.h"
#include "settings/password.h"
#include "settings/passwordstyle.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

// The captions of the start-up choices, top to bottom; a caption's index is the
// InitialQueryKind its button stands for, and the button's id in the group.
const char *const kStartCaptions[] = {"Tutta la rubrica",  "Rubrica committenti", "Tutti i progetti",
                                      "Progetti in corso", "Progetti pagati",     "Progetti non pagati"};
constexpr int kStartChoices = 6;
constexpr int kPasswordPage = 6;

} // namespace

Opzioni::Opzioni(Workspace &workspace, MainWindowSteps steps) :
    QDialog(nullptr, Qt::Tool | Qt::WindowStaysOnTopHint), workspace_(workspace), steps_(std::move(steps))
{
    setObjectName(QStringLiteral("Opzioni"));
    setWindowTitle(QStringLiteral("Opzioni"));

    PageControl1 = new QTabWidget(this);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    PageControl1->addTab(createStartPage(), QStringLiteral("Dati iniziali"));
    for (int group = 0; group < int(checkLists_.size()); ++group)
        PageControl1->addTab(createFieldsPage(group), FieldCatalogue::groupCaption(FieldGroup(group)));
    PageControl1->addTab(createPasswordPage(), QStringLiteral("Password"));
    databasePage_ = new DatabasePage(workspace_.paths());
    PageControl1->addTab(databasePage_, QStringLiteral("Database"));
    PageControl1->setCurrentIndex(kPasswordPage);

    Button1 = new QPushButton(QStringLiteral("Ok"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button2 = new QPushButton(QStringLiteral("Annulla"), this);
    Button2->setObjectName(QStringLiteral("Button2"));
    connect(Button1, &QPushButton::clicked, this, [this] { ErrorHandler::guard([this] { OkClick(); }); });
    connect(Button2, &QPushButton::clicked, this, [this] { AnnullaClick(); });
    // Enter belongs to the controls that handle it, never to a default button.
    for (QPushButton *button : findChildren<QPushButton *>())
        button->setAutoDefault(false);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Button1);
    buttons->addWidget(Button2);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(PageControl1);
    layout->addLayout(buttons);
    // Wide enough for the tabs side by side.
    PageControl1->setUsesScrollButtons(false);
    setFixedSize(qMax(440, PageControl1->tabBar()->sizeHint().width() + 30), 340);
}

Opzioni::~Opzioni() = default;

QWidget *Opzioni::createStartPage()
{
    auto *page = new QWidget;
    auto *frame = new QGroupBox(QStringLiteral("Dati da visualizzare"), page);
    auto *column = new QVBoxLayout(frame);
    radioButtons_ = new QButtonGroup(this);
    for (int kind = 0; kind < kStartChoices; ++kind) {
        auto *button = new QRadioButton(QString::fromUtf8(kStartCaptions[kind]), frame);
        button->setObjectName(QStringLiteral("RadioButton%1").arg(kind + 1));
        radioButtons_->addButton(button, kind);
        column->addWidget(button);
        confirmOnEnter(button);
    }
    connect(radioButtons_, &QButtonGroup::idClicked, this, &Opzioni::RadioButtonClick);
    auto *layout = new QVBoxLayout(page);
    layout->addWidget(frame);
    layout->addStretch();
    return page;
}

QWidget *Opzioni::createFieldsPage(int group)
{
    auto *page = new QWidget;
    auto *frame = new QGroupBox(QStringLiteral("Spuntare i campi da visualizzare"), page);
    auto *list = new QListWidget(frame);
    list->setObjectName(QStringLiteral("CheckListBox%1").arg(group + 2));
    checkLists_.at(size_t(group)) = list;
    confirmOnEnter(list);
    connect(list, &QListWidget::itemChanged, this, [this, group, list](QListWidgetItem *item) {
        const int row = list->row(item);
        ErrorHandler::guard([this, group, row] { CheckListBoxClickCheck(group, row); });
    });
    auto *column = new QVBoxLayout(frame);
    column->addWidget(list);
    auto *layout = new QVBoxLayout(page);
    layout->addWidget(frame);
    return page;
}

QWidget *Opzioni::createPasswordPage()
{
    auto *page = new QWidget;
    auto *frame = new QGroupBox(QStringLiteral("Impostazioni password"), page);
    const auto passwordEdit = [frame](const QString &name) {
        auto *edit = new QLineEdit(frame);
        edit->setObjectName(name);
        auto *style = new PasswordStyle;
        style->setParent(edit);
        edit->setStyle(style);
        edit->setEchoMode(QLineEdit::Password);
        return edit;
    };
    Edit1 = passwordEdit(QStringLiteral("Edit1"));
    Edit2 = passwordEdit(QStringLiteral("Edit2"));
    Button3 = new QPushButton(QStringLiteral("Conferma password"), frame);
    Button3->setObjectName(QStringLiteral("Button3"));
    auto *note = new QLabel(QStringLiteral(
                                "(Attenzione: Se si confermano i due campi vuoti\nla password sarà cancellata!)"),
                            frame);
    note->setObjectName(QStringLiteral("Label3"));

    const auto confirm = [this] { ErrorHandler::guard([this] { ConfermaPasswordClick(); }); };
    connect(Button3, &QPushButton::clicked, this, confirm);
    connect(Edit1, &QLineEdit::returnPressed, this, confirm);
    connect(Edit2, &QLineEdit::returnPressed, this, confirm);

    auto *grid = new QGridLayout(frame);
    grid->addWidget(new QLabel(QStringLiteral("Inserisci Password:"), frame), 0, 0);
    grid->addWidget(Edit1, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("Verifica password:"), frame), 1, 0);
    grid->addWidget(Edit2, 1, 1);
    grid->addWidget(Button3, 2, 1, Qt::AlignRight);
    grid->addWidget(note, 3, 0, 1, 2);
    auto *layout = new QVBoxLayout(page);
    layout->addWidget(frame);
    layout->addStretch();
    return page;
}

void Opzioni::confirmOnEnter(QWidget *widget)
{
    EventFilter::on(widget, QEvent::KeyPress, [this](QEvent *event) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key != Qt::Key_Return && key != Qt::Key_Enter)
            return false;
        ErrorHandler::guard([this] { OkClick(); });
        return true;
    });
}

QRadioButton *Opzioni::radioButton(int initialQueryKind) const
{
    return qobject_cast<QRadioButton *>(radioButtons_->button(initialQueryKind));
}

// ---------------------------------------------------------------------------------------
// The preferences shown

void Opzioni::showSettings()
{
    selectRadioButton(workspace_.globals().initialQueryKind);
    refreshCheckLists();
    databasePage_->load();
}

void Opzioni::selectRadioButton(int initialQueryKind)
{
    // Any other value selects none, which an exclusive group cannot show.
    radioButtons_->setExclusive(false);
    for (QAbstractButton *button : radioButtons_->buttons())
        button->setChecked(radioButtons_->id(button) == initialQueryKind);
    radioButtons_->setExclusive(true);
}

void Opzioni::refreshCheckLists()
{
    const FieldCheckLists &lists = workspace_.globals().checkLists;
    for (size_t group = 0; group < checkLists_.size(); ++group) {
        QListWidget *widget = checkLists_.at(group);
        const QSignalBlocker quiet(widget);
        widget->clear();
        const CheckList &list = lists.at(group);
        for (int item = 0; item < list.items.size(); ++item) {
            auto *row = new QListWidgetItem(list.items.at(item), widget);
            row->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
            row->setCheckState(list.isChecked(item) ? Qt::Checked : Qt::Unchecked);
        }
    }
}

// ---------------------------------------------------------------------------------------
// The dialog

void Opzioni::OpzioniExecute()
{
    if (!shownBefore_) {
        shownBefore_ = true;
        if (const QScreen *screen = QGuiApplication::primaryScreen())
            move(screen->availableGeometry().center() - rect().center());
    }
    show();
    raise();
    activateWindow();
}

void Opzioni::RadioButtonClick(int initialQueryKind) { workspace_.globals().initialQueryKind = initialQueryKind; }

void Opzioni::CheckListBoxClickCheck(int group, int item)
{
    CheckList &list = workspace_.globals().checkLists.at(size_t(group));
    if (item < 0 || item >= list.items.size())
        return;
    const bool ticked = checkLists_.at(size_t(group))->item(item)->checkState() == Qt::Checked;
    list.checked[item] = ticked;

    GridColumns &grid = workspace_.gridColumns();
    const int column = grid.indexOfTitle(list.items.at(item));
    if (column < 0)
        return; // the field is not in the current result
    if (ticked)
        ColumnSetup::showColumnForItem(grid, item, list);
    ColumnSetup::applyColumnChoice(grid, column, list, workspace_.globals().catalogue);
    steps_.mirrorColumns();
}

void Opzioni::OkClick()
{
    // A server choice that cannot be written keeps the dialog open on its page.
    if (!databasePage_->apply()) {
        PageControl1->setCurrentWidget(databasePage_);
        return;
    }
    Globals &globals = workspace_.globals();
    steps_.runInitialQuery(false);
    ColumnSetup::applyColumnVisibility(workspace_.gridColumns(), globals.checkLists, globals.catalogue);
    steps_.mirrorColumns();
    for (const CheckList &list : globals.checkLists) {
        for (int item = 0; item < list.items.size(); ++item) {
            const int entry = globals.catalogue.indexOfLabel(list.items.at(item));
            if (entry >= 0)
                globals.catalogue.entry(entry).visible = list.isChecked(item);
        }
    }
    steps_.setUpCard();
    hide();
}

void Opzioni::AnnullaClick() { hide(); }

void Opzioni::reject()
{
    // Escape and the close box do what "Annulla" does.
    AnnullaClick();
}

void Opzioni::ConfermaPasswordClick()
{
    const PasswordHash::Confirmation confirmation = PasswordHash::confirm(Edit1->text(), Edit2->text());
    if (confirmation.store)
        Password::storeCodice(workspace_, confirmation.codice);
    Dialogs::instance().message(confirmation.message);
    if (confirmation.confirmOptions)
        OkClick();
}
