#include "queries/quicksearchbox.h"

#include "core/errorhandler.h"
#include "core/icons.h"
#include "core/resultscreen.h"
#include "core/workspace.h"
#include "data/query.h"
#include "queries/dropdownbox.h"
#include "queries/quicksearch.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QToolButton>
#include <QVBoxLayout>

QuickSearchBox::QuickSearchBox(Workspace &workspace, ResultScreen &screen, std::function<void()> beforeMove,
                               QWidget *parent) :
    QWidget(parent), workspace_(workspace), screen_(screen), beforeMove_(std::move(beforeMove))
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 0, 4, 0);
    layout->setSpacing(1);

    ComboBox1 = new DropDownBox(this);
    ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
    ComboBox1->setFixedWidth(160);
    ComboBox1->setMaxVisibleItems(21);
    ComboBox1->setDropDownHandler([this] { ComboBox1DropDown(); });
    Edit1 = new QLineEdit(this);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setFixedWidth(160);
    layout->addWidget(ComboBox1);
    layout->addWidget(Edit1);
    layout->addWidget(createNavigator());
    connect(Edit1, &QLineEdit::textChanged, this, [this] { ErrorHandler::guard([this] { Edit1Change(); }); });
}

QComboBox *QuickSearchBox::fieldBox() const { return ComboBox1; }

namespace {

QList<SearchColumn> gridColumnsOf(Workspace &workspace)
{
    QList<bool> hidden;
    for (const GridColumn &column : workspace.gridColumns().columns)
        hidden << !column.visible;
    return QuickSearch::columnsOf(*workspace.query(), hidden);
}

} // namespace

void QuickSearchBox::ComboBox1DropDown()
{
    ComboBox1->replaceItems(QuickSearch::searchableFields(gridColumnsOf(workspace_)));
}

void QuickSearchBox::Edit1Change()
{
    const QuickSearchFilter filter = QuickSearch::filterFor(ComboBox1->currentText(), Edit1->text(),
                                                            gridColumnsOf(workspace_));
    // A refused expression leaves the filter off and the status line as it was.
    QuickSearch::apply(*workspace_.query(), filter);
    screen_.setStatusText(filter.status);
}

void QuickSearchBox::clearSearchText()
{
    workspace_.query()->setFiltered(false);
    const QSignalBlocker quiet(Edit1);
    Edit1->clear();
}

QWidget *QuickSearchBox::createNavigator()
{
    DBNavigator1 = new QWidget(this);
    DBNavigator1->setObjectName(QStringLiteral("DBNavigator1"));
    auto *navigator = new QHBoxLayout(DBNavigator1);
    navigator->setContentsMargins(0, 0, 0, 0);
    navigator->setSpacing(0);
    struct Move
    {
        const char *name;
        const char *theme;
        const char *file;
        const char *tip;
        void (Query::*move)();
    };
    const Move moves[] = {
        {"First", "go-first", "first", "Primo", &Query::first},
        {"Prior", "go-previous", "prior", "Precedente", &Query::prior},
        {"Next", "go-next", "next", "Successivo", &Query::next},
        {"Last", "go-last", "last", "Ultimo", &Query::last},
    };
    for (const Move &m : moves) {
        auto *button = new QToolButton(DBNavigator1);
        button->setObjectName(QStringLiteral("DBNavigator1") + QLatin1String(m.name));
        button->setIcon(themedIcon(QLatin1String(m.theme), QLatin1String(m.file)));
        button->setToolTip(QLatin1String(m.tip));
        button->setAutoRaise(true);
        button->setIconSize(QSize(16, 16));
        const auto move = m.move;
        connect(button, &QToolButton::clicked, this, [this, move] {
            ErrorHandler::guard([this, move] {
                Query *query = workspace_.query();
                if (!query->isActive())
                    return;
                // The navigator's buttons take no focus, so a card editor is never left: what it
                // holds goes into the row first, and a text the field refuses stops the move.
                beforeMove_();
                (query->*move)();
            });
        });
        navigator->addWidget(button);
    }
    navigator->addStretch();
    return DBNavigator1;
}
