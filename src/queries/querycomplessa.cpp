#include "queries/querycomplessa.h"

#include "core/dialogs.h"
#include "core/errorhandler.h"
#include "core/lookups.h"
#include "core/resultscreen.h"
#include "core/workspace.h"
#include "data/query.h"
#include "queries/dropdownbox.h"
#include "queries/querysequence.h"

#include <QAbstractItemView>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QToolButton>

namespace {

constexpr int kFieldLeft = 16;
constexpr int kFieldWidth = 145;
constexpr int kOperatorLeft = 168;
constexpr int kOperatorWidth = 145;
constexpr int kValueLeft = 320;
constexpr int kValueWidth = 153;
constexpr int kButtonLeft = 480;
constexpr int kBoxHeight = 21;
constexpr int kRowTops[QueryComplessa::kRows] = {56, 120, 184, 248, 312};

} // namespace

QueryComplessa::QueryComplessa(Workspace &workspace, ResultScreen &screen) :
    QWidget(nullptr, Qt::Window), workspace_(workspace), screen_(screen)
{
    setObjectName(QStringLiteral("QueryComplessa"));
    setWindowTitle(QStringLiteral("Query complessa"));
    resize(545, 437);

    Label1 = new QLabel(QStringLiteral("Inserire la condizione della query:"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    QFont heading = Label1->font();
    heading.setPixelSize(13);
    Label1->setFont(heading);
    Label1->move(16, 16);
    Label1->adjustSize();

    // Component numbers: row k holds ComboBox(4k-3) field, (4k-2) operator, (4k-1) value and
    // SpeedButtonk; the connector below it is ComboBox(4k).
    for (int k = 0; k < kRows; ++k) {
        Row &row = rows_[size_t(k)];
        const int top = kRowTops[k];
        row.field = addBox(4 * k + 1, kFieldLeft, top, kFieldWidth);
        row.field->setMaxVisibleItems(31);
        row.op = addBox(4 * k + 2, kOperatorLeft, top, kOperatorWidth);
        row.value = addBox(4 * k + 3, kValueLeft, top, kValueWidth);
        row.value->setMaxVisibleItems(10);
        row.value->setDropDownHandler([this, k] { ErrorHandler::guard([this, k] { valueListDropDown(k + 1); }); });
        row.value->installEventFilter(this);
        row.button = new QToolButton(this);
        row.button->setObjectName(QStringLiteral("SpeedButton%1").arg(k + 1));
        row.button->setText(QStringLiteral("..."));
        row.button->setGeometry(kButtonLeft, top, 23, 22);
        connect(row.button, &QToolButton::clicked, this,
                [this, k] { ErrorHandler::guard([this, k] { speedButtonClick(k + 1); }); });
        if (k > 0)
            row.connectorAbove = addBox(4 * k, kOperatorLeft, top - 32, kOperatorWidth);

        row.field->replaceItems(ComplexQuery::initialFieldList());
        row.op->replaceItems(ComplexQuery::operators());
        if (row.connectorAbove)
            row.connectorAbove->replaceItems(ComplexQuery::connectors());
        if (k > 0)
            setRowShown(k + 1, false);
    }
    rows_[0].field->setDropDownHandler([this] { ComboBox1DropDown(); });

    Button1 = new QPushButton(QStringLiteral("Ok"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setGeometry(16, 352, 75, 25);
    connect(Button1, &QPushButton::clicked, this, [this] { ErrorHandler::guard([this] { Button1Click(); }); });
}

QueryComplessa::~QueryComplessa() = default;

DropDownBox *QueryComplessa::addBox(int number, int left, int top, int width)
{
    auto *box = new DropDownBox(this);
    box->setObjectName(QStringLiteral("ComboBox%1").arg(number));
    box->setGeometry(left, top, width, kBoxHeight);
    return box;
}

void QueryComplessa::showEvent(QShowEvent *event)
{
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    QWidget::showEvent(event);
}

bool QueryComplessa::eventFilter(QObject *watched, QEvent *event)
{
    // Enter in any value box runs the query, unless it is choosing from the open list.
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        auto *box = qobject_cast<DropDownBox *>(watched);
        if ((key == Qt::Key_Return || key == Qt::Key_Enter) && box && !box->view()->isVisible()) {
            ErrorHandler::guard([this] { Button1Click(); });
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

bool QueryComplessa::isRowShown(int row) const { return rows_[size_t(row - 1)].field->isVisibleTo(this); }

void QueryComplessa::setRowShown(int row, bool shown)
{
    const Row &r = rows_[size_t(row - 1)];
    for (QWidget *widget : {static_cast<QWidget *>(r.connectorAbove), static_cast<QWidget *>(r.field),
                            static_cast<QWidget *>(r.op), static_cast<QWidget *>(r.value)}) {
        if (!widget)
            continue;
        if (!shown)
            static_cast<QComboBox *>(widget)->setEditText(QString());
        widget->setVisible(shown);
    }
    r.button->setVisible(shown);
}

QStringList QueryComplessa::visibleFieldLabels() const
{
    QStringList labels;
    const FieldCatalogue &catalogue = workspace_.globals().catalogue;
    for (int i = 0; i < FieldCatalogue::kCount; ++i) {
        if (catalogue.entry(i).visible)
            labels << catalogue.entry(i).label;
    }
    return labels;
}

void QueryComplessa::ComboBox1DropDown()
{
    // The other rows keep what they show; only their lists are replaced.
    const QStringList fields = visibleFieldLabels();
    rows_[0].field->replaceItems(fields);
    for (int k = 1; k < kRows; ++k) {
        const Row &row = rows_[size_t(k)];
        for (const auto &[box, items] : {std::pair{row.field, fields}, std::pair{row.op, ComplexQuery::operators()},
                                         std::pair{row.connectorAbove, ComplexQuery::connectors()}}) {
            const QString typed = box->currentText();
            box->replaceItems(items);
            box->setEditText(typed);
        }
    }
}

QStringList QueryComplessa::columnsOf(const QString &table) { return Lookups::columnsOf(workspace_, table); }

void QueryComplessa::valueListDropDown(int row)
{
    const Row &r = rows_[size_t(row - 1)];
    const QString label = r.field->currentText();
    if (label.isEmpty())
        return;
    const QString table = ComplexQuery::valueListTable(label, [this](const QString &t) { return columnsOf(t); });
    r.value->replaceItems({});
    if (table.isEmpty())
        return;
    const QStringList texts = Lookups::columnTexts(workspace_, table, ComplexQuery::columnOfLabel(label));
    r.value->replaceItems(ComplexQuery::valueList(texts));
}

bool QueryComplessa::isRowComplete(int row) const
{
    const Row &r = rows_[size_t(row - 1)];
    if (r.field->currentText().isEmpty() || r.op->currentText().isEmpty() || r.value->currentText().isEmpty())
        return false;
    return !r.connectorAbove || !r.connectorAbove->currentText().isEmpty();
}

void QueryComplessa::speedButtonClick(int row)
{
    if (row < 1 || row >= kRows || !isRowComplete(row))
        return;
    const bool removing = isRowShown(row + 1);
    setRowShown(row + 1, !removing);
    // Only the last row's button adds a row, and only the one before it removes the last.
    if (row >= 2)
        rows_[size_t(row - 2)].button->setEnabled(removing);
}

QList<ConditionRow> QueryComplessa::shownRows() const
{
    QList<ConditionRow> rows;
    for (int k = 0; k < kRows; ++k) {
        const Row &r = rows_[size_t(k)];
        if (k > 0 && !r.connectorAbove->isVisibleTo(this))
            continue;
        rows.append({r.field->currentText(), r.op->currentText(), r.value->currentText(),
                     r.connectorAbove ? r.connectorAbove->currentText() : QString()});
    }
    return rows;
}

void QueryComplessa::Button1Click()
{
    const ComplexQueryStatement statement = ComplexQuery::build(shownRows(),
                                                                [this](const QString &t) { return columnsOf(t); });
    if (statement.canRun()) {
        // The value boxes show the values as the statement used them.
        int shown = 0;
        for (int k = 0; k < kRows && shown < statement.shownValues.size(); ++k) {
            const Row &r = rows_[size_t(k)];
            if (k == 0 || r.connectorAbove->isVisibleTo(this))
                r.value->setEditText(statement.shownValues.at(shown++));
        }
    }
    // The main window is reset even when nothing runs; a rejected statement leaves grid and
    // card empty and the window open.
    QuerySequence::run(workspace_, screen_, ComplexQuery::resultStep(statement));
    if (!statement.error.isEmpty()) {
        Dialogs::instance().message(statement.error);
        return;
    }
    if (statement.canRun())
        close();
}
