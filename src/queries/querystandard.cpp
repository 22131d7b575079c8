#include "queries/querystandard.h"

#include "core/dialogs.h"
#include "core/errorhandler.h"
#include "core/lookups.h"
#include "core/resultscreen.h"
#include "core/windowlink.h"
#include "core/workspace.h"
#include "queries/dropdownbox.h"
#include "queries/querysequence.h"

#include <QAbstractItemView>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>

#include <algorithm>

namespace {

constexpr int kWidth = 300;

} // namespace

QueryStandard::QueryStandard(Workspace &workspace, ResultScreen &screen, QWidget *mainWindow) :
    QDialog(nullptr, Qt::Tool), workspace_(workspace), screen_(screen), mainWindow_(mainWindow)
{
    setObjectName(QStringLiteral("QueryStandard"));
    setWindowTitle(ConditionQueries::dialogCaption());
    setModal(false);

    Label1 = new QLabel(this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->move(56, 36);
    Label2 = new QLabel(this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->move(56, 75);
    Edit1 = new QLineEdit(this);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setGeometry(136, 32, 121, 21);
    Edit2 = new QLineEdit(this);
    Edit2->setObjectName(QStringLiteral("Edit2"));
    Edit2->setGeometry(136, 72, 121, 21);
    ComboBox1 = new DropDownBox(this);
    ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
    ComboBox1->setGeometry(136, 32, 145, 21);
    ComboBox1->setMaxVisibleItems(21);
    ComboBox1->setDropDownHandler([this] { ErrorHandler::guard([this] { ComboBox1DropDown(); }); });
    Button1 = new QPushButton(QStringLiteral("Esegui"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setGeometry(104, 120, 75, 25);
    // Enter is handled by the three input widgets themselves; the dialog's default button
    // would run the confirm a second time.
    Button1->setAutoDefault(false);
    Button1->setDefault(false);
    connect(Button1, &QPushButton::clicked, this, [this] { ErrorHandler::guard([this] { Button1Click(); }); });

    for (QWidget *input :
         {static_cast<QWidget *>(Edit1), static_cast<QWidget *>(Edit2), static_cast<QWidget *>(ComboBox1)})
        input->installEventFilter(this);
    setFixedSize(kWidth, ConditionQueries::layout(mode_).height);
}

QueryStandard::~QueryStandard() = default;

void QueryStandard::openFor(ConditionMode mode)
{
    mode_ = mode;
    const ConditionDialogLayout layout = ConditionQueries::layout(mode);
    setFixedSize(kWidth, layout.height);
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    WindowLink::showOver(this, mainWindow_);

    Edit1->setVisible(layout.nameBoxes);
    Edit2->setVisible(layout.nameBoxes);
    Label2->setVisible(layout.nameBoxes);
    ComboBox1->setVisible(!layout.nameBoxes);
    Label1->show();

    Edit1->clear();
    Edit2->clear();
    if (!layout.nameBoxes)
        ComboBox1->setEditText(QString());
    Label1->setText(layout.label1);
    Label2->setText(layout.label2);
    // A label too wide for its place before the box ("Stato progetto") starts further left
    // rather than run under the box.
    for (QLabel *label : {Label1, Label2}) {
        label->adjustSize();
        label->move(std::min(56, 136 - 4 - label->width()), label->y());
    }
    Button1->move(Button1->x(), layout.buttonTop);
    (layout.nameBoxes ? static_cast<QWidget *>(Edit1) : ComboBox1)->setFocus();
}

void QueryStandard::Button1Click()
{
    stored_ = {Edit1->text(), Edit2->text(), ComboBox1->currentText()};
    screen_.setAddEnabled(false);
    screen_.setDeleteEnabled(true);
    const QString missing = ConditionQueries::checkInput(mode_, stored_);
    if (!missing.isEmpty()) {
        Dialogs::instance().message(missing);
        return;
    }
    switch (mode_) {
    case ConditionMode::NameSurname:
        QueryNome_CognomeExecute();
        break;
    case ConditionMode::Qualification:
        QueryQualificaExecute();
        break;
    case ConditionMode::City:
        QueryCittaExecute();
        break;
    case ConditionMode::ProjectState:
        QueryStatoExecute();
        break;
    }
    // Reached only when the query ran: a refused statement leaves the dialog open.
    close();
}

void QueryStandard::QueryNome_CognomeExecute() { runQuery(ConditionMode::NameSurname); }
void QueryStandard::QueryQualificaExecute() { runQuery(ConditionMode::Qualification); }
void QueryStandard::QueryCittaExecute() { runQuery(ConditionMode::City); }
void QueryStandard::QueryStatoExecute() { runQuery(ConditionMode::ProjectState); }

void QueryStandard::runQuery(ConditionMode mode)
{
    // The statement takes the values from the widgets, the status line from the stored
    // copies; the confirm step has just made them the same.
    const ConditionInput current{Edit1->text(), Edit2->text(), ComboBox1->currentText()};
    ResultStep description = ConditionQueries::describe(mode, current);
    description.status = ConditionQueries::describe(mode, stored_).status;
    QuerySequence::run(workspace_, screen_, description);
}

void QueryStandard::ComboBox1DropDown()
{
    const ConditionValueSource source = ConditionQueries::valueSource(mode_);
    if (source.table.isEmpty())
        return;
    const QString typed = ComboBox1->currentText();
    ComboBox1->clear();
    const QStringList texts = Lookups::columnTexts(workspace_, source.table, source.column);
    ComboBox1->addItems(ConditionQueries::valueList(mode_, texts));
    ComboBox1->setCurrentIndex(-1);
    ComboBox1->setEditText(typed);
}

bool QueryStandard::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if ((key == Qt::Key_Return || key == Qt::Key_Enter) && !ComboBox1->view()->isVisible()) {
            ErrorHandler::guard([this] { Button1Click(); });
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}
