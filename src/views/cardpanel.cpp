#include "views/cardpanel.h"

#include "core/dialogs.h"
#include "core/errorhandler.h"
#include "core/eventfilter.h"
#include "core/fiscalcode.h"
#include "data/dberror.h"
#include "data/query.h"
#include "views/cardview.h"

#include <QComboBox>
#include <QDateEdit>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>

CardPanel::CardPanel(const Layout &layout, const QString &stateBoxName, const QString &datePickerName, QWidget *parent) :
    QWidget(parent), layout_(layout)
{
    for (int k = 0; k < kPairs; ++k) {
        const bool last = k == kPairs - 1;
        auto *label = new QLabel(this);
        label->setObjectName(QStringLiteral("DBText%1").arg(k + 1));
        const int labelTop = last && layout.lastLabelTop >= 0 ? layout.lastLabelTop
                                                              : layout.labelTop + layout.rowStep * k;
        const int labelWidth = last && layout.lastLabelWidth >= 0 ? layout.lastLabelWidth : layout.labelWidth;
        label->setGeometry(layout.labelLeft, labelTop, labelWidth, layout.labelHeight);
        label->hide();
        labels_[size_t(k)] = label;

        auto *editor = new QLineEdit(this);
        editor->setObjectName(QStringLiteral("DBEdit%1").arg(k + 1));
        editor->setGeometry(layout.editorLeft, layout.editorTop + layout.rowStep * k, pairs_[size_t(k)].editorWidth,
                            layout.editorHeight);
        editor->hide();
        editors_[size_t(k)] = editor;
        connect(editor, &QLineEdit::textChanged, this, [this, k] { markCode(k); });
    }

    stateBox_ = new QComboBox(this);
    stateBox_->setObjectName(stateBoxName);
    stateBox_->hide();
    datePicker_ = new QDateEdit(QDate::currentDate(), this);
    datePicker_->setObjectName(datePickerName);
    datePicker_->setDisplayFormat(QStringLiteral("dd/MM/yyyy"));
    datePicker_->setCalendarPopup(true);
    datePicker_->hide();
}

int CardPanel::editorIndex(const QObject *widget) const
{
    for (int k = 0; k < kPairs; ++k) {
        if (editors_[size_t(k)] == widget)
            return k;
    }
    return -1;
}

void CardPanel::mirror()
{
    for (int k = 0; k < kPairs; ++k) {
        const CardPair &pair = pairs_[size_t(k)];
        labels_[size_t(k)]->setText(pair.labelText);
        labels_[size_t(k)]->setVisible(pair.visible);
        editors_[size_t(k)]->resize(pair.editorWidth, layout_.editorHeight);
        editors_[size_t(k)]->setVisible(pair.visible);
    }
}

int CardPanel::boundColumn(int k, const Query &query) const
{
    const QString &field = pairs_[size_t(k)].boundField;
    if (field.isEmpty() || !query.isActive())
        return -1;
    const bool hasRow = newRowOnly_ ? query.state() == Query::State::Insert : query.currentRow() >= 0;
    return hasRow ? query.fieldIndex(field) : -1;
}

void CardPanel::refresh(const Query &query)
{
    const int row = query.currentRow();
    for (int k = 0; k < kPairs; ++k) {
        if (typedPending_[size_t(k)])
            continue; // the user's half-typed text stays until the editor is left
        const int column = boundColumn(k, query);
        const bool shown = column >= 0 && (newRowOnly_ || row < query.recordCount());
        QLineEdit *editor = editors_[size_t(k)];
        // A query refreshes the card several times over (unbound, result changed, bound): a
        // text set again lays itself out again, so only a change is set.
        const QString text = shown ? query.text(row, column) : QString();
        if (editor->text() != text)
            editor->setText(text);
        markCode(k);
        // A long text shows its beginning, unless the user is typing into it.
        if (!editor->hasFocus() && editor->cursorPosition() != 0)
            editor->setCursorPosition(0);
    }
}

void CardPanel::writeTypedText(int k, Query &query, bool leaving)
{
    if (leaving && !typedPending_[size_t(k)])
        return;
    const int column = boundColumn(k, query);
    if (column < 0)
        return;
    QLineEdit *editor = editors_[size_t(k)];
    const QString typed = editor->text();
    const int cursor = editor->cursorPosition();
    try {
        query.field(column).setValue(typed);
        typedPending_[size_t(k)] = false;
    } catch (const DbError &) {
        if (leaving)
            throw;
        typedPending_[size_t(k)] = true;
        query.edit();
    }
    // Every write refreshes the editors from the row; the user's text and cursor stay.
    editor->setText(typed);
    editor->setCursorPosition(cursor);
}

void CardPanel::fillStateBox(const QStringList &states)
{
    const QString text = stateBox_->currentText();
    stateBox_->clear();
    stateBox_->addItems(states);
    if (stateBox_->isEditable())
        stateBox_->setEditText(text);
    else
        stateBox_->setCurrentIndex(stateBox_->findText(text));
}

void CardPanel::colourPair(int k, const Query &query)
{
    if (k >= 0 && k < kPairs)
        CardView::colourPair(labels_[size_t(k)], editors_[size_t(k)], query);
}

void CardPanel::colourPairs(const Query &query)
{
    for (int k = 0; k < kPairs; ++k)
        colourPair(k, query);
}

CardPanel *CardPanel::createMainCard(QWidget *parent, std::function<void(int pair)> editorClicked)
{
    // One pair a row, the last label lower and narrower.
    Layout card;
    card.lastLabelTop = 499;
    card.lastLabelWidth = 65;
    auto *panel = new CardPanel(card, QStringLiteral("ComboBox2"), QStringLiteral("DateTimePicker2"), parent);
    panel->setObjectName(QStringLiteral("Panel2"));
    panel->setMinimumHeight(card.editorTop + card.rowStep * (kPairs - 1) + card.editorHeight + 8);
    panel->hide();
    for (int k = 0; k < kPairs; ++k) {
        QLineEdit *editor = panel->editor(k);
        editor->setReadOnly(true);
        if (k > 0)
            QWidget::setTabOrder(panel->editor(k - 1), editor);
        EventFilter::on(editor, QEvent::MouseButtonRelease, [editorClicked, k](QEvent *event) {
            if (static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton)
                ErrorHandler::guard([&editorClicked, k] { editorClicked(k + 1); });
            return false;
        });
    }
    // A list to choose from that still shows a state the list does not hold yet.
    panel->stateBox()->setEditable(true);
    panel->stateBox()->lineEdit()->setReadOnly(true);

    const auto picture = [panel](const char *name, const char *theme, const char *file) {
        auto *label = new QLabel(panel);
        label->setObjectName(QLatin1String(name));
        label->setPixmap(QIcon::fromTheme(QLatin1String(theme), QIcon(QLatin1String(file))).pixmap(24));
        label->hide();
    };
    picture("Image1", "go-down", ":/icons/down.png");
    picture("Image2", "go-up", ":/icons/up.png");
    return panel;
}

void CardPanel::openEditor(int pair, int *dateFieldSelector)
{
    if (pair < 1 || pair > kPairs)
        return;
    QLineEdit *field = editors_[size_t(pair - 1)];
    const QString name = pairs_[size_t(pair - 1)].boundField;
    const QString text = field->text();
    if (const QString link = FieldCatalogue::linkOfColumn(name, text); !link.isEmpty())
        Dialogs::instance().openExternal(link);
    CardView::placeFloatingEditor(field, name, stateBox_, datePicker_, dateFieldSelector);
}

QString CardPanel::codeWarningFor(const QString &field, const QString &text)
{
    if (field == QLatin1String("Codice_fiscale")) {
        const FiscalCode::Verdict v = FiscalCode::checkFiscalCode(text);
        if (!FiscalCode::acceptable(v))
            return QStringLiteral("Codice fiscale da verificare: %1").arg(FiscalCode::reason(v));
    } else if (field == QLatin1String("Partita_iva")) {
        const FiscalCode::Verdict v = FiscalCode::checkVatNumber(text);
        if (!FiscalCode::acceptable(v))
            return QStringLiteral("Partita IVA da verificare: %1").arg(FiscalCode::reason(v));
    }
    return {};
}

void CardPanel::markCode(int k)
{
    const QString &field = pairs_[size_t(k)].boundField;
    QLineEdit *editor = editors_[size_t(k)];
    const bool code = field == QLatin1String("Codice_fiscale") || field == QLatin1String("Partita_iva");
    const QString warning = code && pairs_[size_t(k)].visible ? codeWarningFor(field, editor->text()) : QString();
    if (editor->toolTip() == warning)
        return;
    QPalette palette = editor->palette();
    palette.setColor(QPalette::Text, warning.isEmpty() ? this->palette().color(QPalette::Text) : QColor(0xC0, 0, 0));
    editor->setPalette(palette);
    editor->setToolTip(warning);
    if (!codeWarning)
        return;
    QStringList warnings; // both codes' at once
    for (QLineEdit *e : editors_) {
        if (!e->toolTip().isEmpty())
            warnings << e->toolTip();
    }
    codeWarning(warnings.join(QStringLiteral("; ")));
}
