#include "editing/forminput.h"

#include "core/errorhandler.h"
#include "core/workspace.h"
#include "data/query.h"
#include "views/cardpanel.h"
#include "views/cardview.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QDateEdit>
#include <QDateTime>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

constexpr int kLabelLeft = 16;
constexpr int kLabelTop = 48;
constexpr int kEditorLeft = 133;
constexpr int kEditorTop = 45;
constexpr int kEditorHeight = 21;
constexpr int kRowStep = 32;

} // namespace

FormInput::FormInput(Workspace &workspace) : QWidget(nullptr, Qt::Tool), workspace_(workspace)
{
    setObjectName(QStringLiteral("FormInput"));
    setWindowTitle(QStringLiteral("Inserimento"));

    Label8 = new QLabel(QStringLiteral("Maschera di inserimento"), this);
    Label8->setObjectName(QStringLiteral("Label8"));
    QFont heading(QStringLiteral("Arial"));
    heading.setPixelSize(13);
    heading.setBold(true);
    Label8->setFont(heading);
    Label8->move(kLabelLeft, 12);

    CardPanel::Layout layout;
    layout.labelLeft = kLabelLeft;
    layout.labelTop = kLabelTop;
    layout.labelWidth = 110;
    layout.editorLeft = kEditorLeft;
    layout.editorTop = kEditorTop;
    layout.editorHeight = kEditorHeight;
    layout.rowStep = kRowStep;
    panel_ = new CardPanel(layout, QStringLiteral("ComboBox1"), QStringLiteral("DateTimePicker1"), this);
    panel_->setObjectName(QStringLiteral("Pairs"));
    panel_->setNewRowOnly(true);
    // Room for every pair; the sheet shows as much of it as its height allows.
    panel_->setGeometry(0, 0, 400, kEditorTop + kRowStep * CardPanel::kPairs + kEditorHeight);
    Label8->raise();

    Button1 = new QPushButton(QStringLiteral("Inserisci"), this);
    Button1->setObjectName(QStringLiteral("Button1"));

    setUpEditing();
}

CardPairs &FormInput::pairs() { return panel_->pairs(); }

void FormInput::UnbindInputSheetEditors()
{
    ColumnSetup::unbindPairs(pairs());
    mirrorPairs();
}

void FormInput::mirrorPairs()
{
    panel_->mirror();
    for (int k = 0; k < CardPanel::kPairs; ++k) {
        if (pairs()[size_t(k)].boundField.isEmpty())
            editor(k)->clear();
    }
}

void FormInput::closeEvent(QCloseEvent *event)
{
    dateEditor()->hide();
    // A row that was not saved is dropped: nothing of it reaches the database.
    ErrorHandler::guard([this] {
        if (workspace_.query()->state() == Query::State::Insert)
            workspace_.query()->cancel();
    });
    panel_->forgetTypedText();
    event->accept();
}

void FormInput::OpenInputSheetEditor(int pair)
{
    if (pair < 1 || pair > CardPanel::kPairs)
        return;
    CardView::openInputSheetEditor(editor(pair - 1), pairs()[size_t(pair - 1)].boundField, stateBox(), dateEditor(),
                                   &workspace_.globals().dateFieldSelector);
}
