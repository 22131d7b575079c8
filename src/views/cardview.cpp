#include "views/cardview.h"

#include "data/dberror.h"
#include "data/fieldcatalogue.h"
#include "data/query.h"
#include "data/values.h"
#include "views/cellstyle.h"

#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>

namespace CardView {

namespace {

QString currentText(const Query &query, int column)
{
    const int row = query.currentRow();
    // An empty result reads as empty fields, as the engine's fields do.
    return row >= 0 && row < query.recordCount() ? query.text(row, column) : QString();
}

void setBoxText(QComboBox *box, const QString &text)
{
    if (box->isEditable()) {
        box->setEditText(text);
        return;
    }
    int item = box->findText(text);
    if (item < 0) {
        box->addItem(text);
        item = box->count() - 1;
    }
    box->setCurrentIndex(item);
}

void layOver(QWidget *floating, const QWidget *editor)
{
    floating->setGeometry(editor->geometry());
    setEditorBackground(floating, editorBackground(editor));
}

} // namespace

QColor pairColour(const QString &label, const Query &query, const QColor &current)
{
    if (const QColor group = CellStyle::groupColourForLabel(label); group.isValid())
        return group;
    if (label == QLatin1String("Importo totale")) {
        const int total = query.fieldIndex(QStringLiteral("Importo_totale"));
        const int paid = query.fieldIndex(QStringLiteral("Importo_pagato"));
        if (total >= 0 && paid >= 0) {
            const QColor c = CellStyle::amountColour(currentText(query, total), currentText(query, paid));
            return c.isValid() ? c : current;
        }
        return current;
    }
    if (label == QLatin1String("Stato")) {
        const int state = query.fieldIndex(QStringLiteral("Stato"));
        return state >= 0 ? CellStyle::stateColour(currentText(query, state)) : current;
    }
    return current;
}

QColor editorBackground(const QWidget *editor) { return editor->palette().color(QPalette::Base); }

void setEditorBackground(QWidget *editor, const QColor &colour)
{
    QPalette palette = editor->palette();
    palette.setColor(QPalette::Base, colour);
    // A drop-down list draws its face with the button colour.
    palette.setColor(QPalette::Button, colour);
    editor->setPalette(palette);
}

void colourPair(const QLabel *label, QWidget *editor, const Query &query)
{
    const QColor before = editorBackground(editor);
    const QColor after = pairColour(label->text(), query, before);
    if (after != before)
        setEditorBackground(editor, after);
}

int dateFieldSelectorFor(const QString &fieldName) { return FieldCatalogue::dateSelectorOfColumn(fieldName); }

QWidget *placeFloatingEditor(QLineEdit *editor, const QString &fieldName, QComboBox *stateBox, QDateEdit *datePicker,
                             int *dateFieldSelector)
{
    if (fieldName == QLatin1String("Stato")) {
        datePicker->hide();
        layOver(stateBox, editor);
        setBoxText(stateBox, editor->text().isEmpty() ? QStringLiteral("Da iniziare") : editor->text());
        stateBox->show();
        stateBox->raise();
        return stateBox;
    }
    stateBox->hide();
    const int selector = dateFieldSelectorFor(fieldName);
    if (selector == 0) {
        datePicker->hide();
        return nullptr;
    }
    *dateFieldSelector = selector;
    layOver(datePicker, editor);
    QDate date = QDate::currentDate();
    if (!editor->text().isEmpty()) {
        date = Values::parseDate(editor->text());
        if (!date.isValid())
            throw DbError(QStringLiteral("'%1' non è una data valida.").arg(editor->text()));
    }
    {
        // Placing the editor is no choice of the user's: nothing listening may write it back.
        const QSignalBlocker quiet(datePicker);
        datePicker->setDate(date);
    }
    datePicker->show();
    datePicker->raise();
    return datePicker;
}

QWidget *openInputSheetEditor(QLineEdit *editor, const QString &fieldName, QComboBox *stateBox, QDateEdit *datePicker,
                              int *dateFieldSelector)
{
    QWidget *shown = placeFloatingEditor(editor, fieldName, stateBox, datePicker, dateFieldSelector);
    if (shown)
        shown->setFocus();
    return shown;
}

} // namespace CardView
