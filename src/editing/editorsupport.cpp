#include "editing/editorsupport.h"

#include "core/dialogs.h"
#include "core/errorhandler.h"
#include "data/database.h"
#include "data/fieldcatalogue.h"
#include "data/query.h"
#include "editing/keyfilter.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QFocusEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QWidget>

namespace EditorSupport {

QString textWithKey(const QWidget *editor, QChar key)
{
    const auto *line = qobject_cast<const QLineEdit *>(editor);
    if (!line)
        return {};
    return KeyFilter::textWithKey(line->text(), line->cursorPosition(), line->selectionStart(),
                                  int(line->selectedText().size()), key);
}

void describeTyping(KeyFilter::Context &context, const QWidget *editor, QChar key)
{
    if (key.unicode() != KeyFilter::Paste) {
        context.textAfter = textWithKey(editor, key);
        return;
    }
    const auto *line = qobject_cast<const QLineEdit *>(editor);
    if (!line)
        return;
    context.pasted = QGuiApplication::clipboard()->text().trimmed();
    context.textAfter = KeyFilter::textWithKey(line->text(), line->cursorPosition(), line->selectionStart(),
                                               int(line->selectedText().size()), context.pasted);
}

void applyTyping(QWidget *editor, const KeyFilter::Outcome &outcome)
{
    if (!outcome.typeInstead.isEmpty()) {
        if (auto *line = qobject_cast<QLineEdit *>(editor))
            line->insert(outcome.typeInstead);
    }
    if (!outcome.notice.isEmpty())
        Dialogs::instance().notice(editor, outcome.notice);
}

QChar typedCharacter(const QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Backspace:
        return QChar(u'\x08');
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return QChar(u'\x0d');
    default:
        break;
    }
    // Keys that change the text without typing a character come to the filters as the
    // control characters they stand for, so that a paste cannot put letters into a postal
    // code or change a saved payment.
    if (event->matches(QKeySequence::Paste))
        return QChar(u'\x16');
    if (event->matches(QKeySequence::Cut))
        return QChar(u'\x18');
    if (event->matches(QKeySequence::Undo))
        return QChar(u'\x1a');
    if (event->matches(QKeySequence::Redo))
        return QChar(u'\x19');
    if (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        return {};
    const QString text = event->text();
    if (text.isEmpty() || !text.at(0).isPrint())
        return {};
    return text.at(0);
}

bool opensDropDown(QWidget *widget, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonPress)
        return static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton;
    if (event->type() != QEvent::KeyPress || !qobject_cast<QComboBox *>(widget))
        return false;
    const auto *key = static_cast<QKeyEvent *>(event);
    const bool altArrow = (key->modifiers() & Qt::AltModifier)
                          && (key->key() == Qt::Key_Down || key->key() == Qt::Key_Up);
    return key->key() == Qt::Key_F4 || altArrow;
}

namespace {

bool isPassingFocusChange(QEvent *event)
{
    const Qt::FocusReason reason = static_cast<QFocusEvent *>(event)->reason();
    return reason == Qt::PopupFocusReason || reason == Qt::ActiveWindowFocusReason;
}

} // namespace

bool isLeaving(QWidget *widget, QEvent *event)
{
    if (event->type() != QEvent::FocusOut || isPassingFocusChange(event))
        return false;
    // The application already names the new focus widget when the old one hears of it.
    const QWidget *next = QApplication::focusWidget();
    return next == nullptr || (next != widget && !widget->isAncestorOf(next));
}

bool isEntering(QWidget *widget, QEvent *event)
{
    Q_UNUSED(widget);
    return event->type() == QEvent::FocusIn && !isPassingFocusChange(event);
}

QString bareFieldName(const Query &query, int column)
{
    const FieldInfo &info = query.fieldInfo(column);
    return info.column.isEmpty() ? info.name : info.column;
}

void setProgramValue(Query &query, const QString &field, const QVariant &value)
{
    const int column = query.fieldIndex(field);
    if (column < 0)
        return;
    const bool readOnly = query.fieldInfo(column).readOnly;
    query.setFieldReadOnly(column, false);
    try {
        query.field(column).setValue(value);
    } catch (...) {
        query.setFieldReadOnly(column, readOnly);
        throw;
    }
    query.setFieldReadOnly(column, readOnly);
}

QString dateFieldForSelector(int selector) { return FieldCatalogue::columnOfDateSelector(selector); }

} // namespace EditorSupport
