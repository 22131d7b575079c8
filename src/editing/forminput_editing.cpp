// The input sheet's editing: its editors write the new row of the main window's query
// directly, filter keys by field kind, and its state box and date editor fill their fields.
#include "editing/forminput.h"

#include "core/errorhandler.h"
#include "core/eventfilter.h"
#include "core/lookups.h"
#include "core/workspace.h"
#include "data/query.h"
#include "editing/editorsupport.h"
#include "editing/keyfilter.h"
#include "views/cardview.h"

#include <QAction>
#include <QComboBox>
#include <QDateEdit>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>

namespace {

constexpr int kButtonLeft = 133; // under the editors
constexpr int kRowStep = 32;
constexpr int kButtonGap = 5;
constexpr int kBottomMargin = 40;
constexpr int kSheetWidth = 352; // the wide editors and a margin

bool isInserting(const Query *query) { return query->state() == Query::State::Insert; }

} // namespace

// The editors are destroyed after this class's part of the window and still send events
// (focus, hide) to the editing hook, which would call into a FormInput no longer there.
FormInput::~FormInput() { delete editingHook_; }

void FormInput::setUpEditing()
{
    // The state box shows a state that its list does not hold yet ("Da iniziare" before the
    // list is read), so it takes free text like the editors.
    stateBox()->setEditable(true);
    dateEditor()->setCalendarPopup(true);
    Button1->resize(Button1->sizeHint());
    Button1->move(kButtonLeft, Button1->y());
    connect(Button1, &QPushButton::clicked, this, [this] { Q_EMIT confirmRequested(); });

    auto *hook = new EventFilter([this](QObject *watched, QEvent *event) { return editingEvent(watched, event); }, this);
    editingHook_ = hook;
    for (int k = 0; k < CardPanel::kPairs; ++k) {
        hook->watch(editor(k));
        connect(editor(k), &QLineEdit::textEdited, this,
                [this, k] { ErrorHandler::guard([this, k] { writeEditor(k, false); }); });
    }
    hook->watch(stateBox());
    hook->watch(dateEditor());

    Query *query = workspace_.query();
    connect(query, &Query::rowChanged, this, &FormInput::refreshEditors);
    connect(query, &Query::currentRowChanged, this, &FormInput::refreshEditors);
    connect(query, &Query::resultChanged, this, &FormInput::refreshEditors);
    connect(query, &Query::stateChanged, this, &FormInput::refreshEditors);
}

bool FormInput::editingEvent(QObject *watched, QEvent *event)
{
    if (watched == stateBox()) {
        if (EditorSupport::opensDropDown(stateBox(), event))
            ComboBox1DropDown();
        else if (EditorSupport::isLeaving(stateBox(), event))
            ComboBox1Exit();
        else if (event->type() == QEvent::KeyPress
                 && EditorSupport::typedCharacter(static_cast<QKeyEvent *>(event)).unicode() == KeyFilter::Enter)
            ComboBox1Exit();
        return false;
    }
    if (watched == dateEditor()) {
        if (EditorSupport::isLeaving(dateEditor(), event))
            DateTimePicker1Exit();
        else if (event->type() == QEvent::KeyPress
                 && EditorSupport::typedCharacter(static_cast<QKeyEvent *>(event)).unicode() == KeyFilter::Enter)
            DateTimePicker1KeyPress();
        return false;
    }
    const int k = panel_->editorIndex(watched);
    if (k < 0)
        return false;
    if (event->type() == QEvent::KeyPress) {
        const QChar typed = EditorSupport::typedCharacter(static_cast<QKeyEvent *>(event));
        return !typed.isNull() && !SheetKeyFilter(k + 1, typed);
    }
    if (EditorSupport::isLeaving(editor(k), event))
        writeEditor(k, true);
    // DBEditkClick: the state box or the date editor goes over a state or date editor.
    if (event->type() == QEvent::MouseButtonRelease && static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton)
        OpenInputSheetEditor(k + 1);
    return false;
}

void FormInput::SetUpInputSheet(const GridColumns &grid)
{
    ColumnSetup::bindCardPairs(pairs(), grid);
    mirrorPairs();
    panel_->forgetTypedText();
    panel_->colourPairs(*workspace_.query());
}

void FormInput::layOutForNewRow()
{
    int shown = 0;
    while (shown < CardPanel::kPairs && !editor(shown)->isHidden())
        ++shown;
    Button1->move(Button1->x(), editor(0)->y() + kRowStep * shown + kButtonGap);
    // The height asked for is the outer one, frame included.
    const int frame = frameGeometry().height() - geometry().height();
    resize(kSheetWidth, Button1->y() + Button1->height() + kBottomMargin - frame);
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.center() - QPoint(frameGeometry().width() / 2, frameGeometry().height() / 2));
    }
}

void FormInput::showForNewRow(int focusEditor)
{
    show();
    layOutForNewRow(); // again: the window frame, part of the outer height, is known only now
    activateWindow();
    editor(focusEditor)->setFocus();
}

QDate FormInput::startDate() const { return dateEditor()->date(); }

void FormInput::refreshEditors() { panel_->refresh(*workspace_.query()); }

void FormInput::writeEditor(int k, bool leaving) { panel_->writeTypedText(k, *workspace_.query(), leaving); }

void FormInput::flushTypedValues()
{
    for (int k = 0; k < CardPanel::kPairs; ++k)
        writeEditor(k, true);
}

bool FormInput::SheetKeyFilter(int pair, QChar key)
{
    Query *query = workspace_.query();
    const QString &bound = pairs()[size_t(pair - 1)].boundField;
    const int column = query->isActive() && !bound.isEmpty() ? query->fieldIndex(bound) : -1;
    KeyFilter::Context context;
    context.paymentsResult = workspace_.globals().paymentsShown;
    context.editing = query->state() == Query::State::Edit;
    context.inserting = isInserting(query);
    context.readOnly = !workspace_.canWrite();
    EditorSupport::describeTyping(context, editor(pair - 1), key);
    const KeyFilter::Outcome outcome = KeyFilter::decide(KeyFilter::Place::Sheet,
                                                         column >= 0 ? EditorSupport::bareFieldName(*query, column)
                                                                     : QString(),
                                                         key, context);
    if (outcome.confirmSheet)
        Q_EMIT confirmRequested();
    EditorSupport::applyTyping(editor(pair - 1), outcome);
    return outcome.pass;
}

void FormInput::ComboBox1DropDown() { panel_->fillStateBox(Lookups::projectStates(workspace_)); }

void FormInput::ComboBox1Exit()
{
    Query *query = workspace_.query();
    if (query->isActive() && isInserting(query) && query->fieldIndex(QStringLiteral("Stato")) >= 0)
        query->fieldByName(QStringLiteral("Stato")).setValue(stateBox()->currentText());
}

void FormInput::DateTimePicker1Exit()
{
    Query *query = workspace_.query();
    const QString field = EditorSupport::dateFieldForSelector(workspace_.globals().dateFieldSelector);
    if (query->isActive() && isInserting(query) && !field.isEmpty() && query->fieldIndex(field) >= 0)
        query->fieldByName(field).setValue(dateEditor()->date());
}

void FormInput::DateTimePicker1KeyPress()
{
    Query *query = workspace_.query();
    if (query->isActive() && isInserting(query))
        query->fieldByName(EditorSupport::dateFieldForSelector(workspace_.globals().dateFieldSelector))
            .setValue(dateEditor()->date());
}
