#include "app/principale.h"

#include "app/mainbars.h"
#include "core/errorhandler.h"
#include "editing/maineditors.h"
#include "exchange/contactexchange.h"
#include "exchange/sheetexchange.h"
#include "queries/quicksearchbox.h"

#include <QAction>
#include <QLabel>
#include <QToolButton>

void Principale::createBars()
{
    actions_ = MainBars::createActions(this);
    MainBars::createMenus(this, actions_);
    searchBox_ = new QuickSearchBox(workspace_, *this, [this] { editors_->writePendingCardEditors(); });
    searchBox_->setObjectName(QStringLiteral("SearchBox"));
    SpeedButton1 = MainBars::createToolBars(this, actions_, searchBox_);
    connect(SpeedButton1, &QToolButton::clicked, this, [this] { ErrorHandler::guard([this] { SpeedButton1Click(); }); });

    // Each action runs its handler under the global error handler; a file action asks for
    // its file first.
    for (const ActionRow &row : ActionTable::rows()) {
        const ActionHandler handler = row.handler;
        QAction *target = action(row.id);
        if (handler.run) {
            connect(target, &QAction::triggered, this,
                    [this, handler] { ErrorHandler::guard([this, handler] { (this->*handler.run)(); }); });
        } else {
            SheetExchange::connectFileAction(
                target, handler.saveFile, [this, handler] { return (this->*handler.prepareFile)(); },
                [this, handler](const QString &path, const QString &filter) {
                    (this->*handler.acceptFile)(path, filter);
                });
        }
    }
}

QAction *Principale::action(const QString &name) const { return MainBars::action(this, name); }

QAction *Principale::action(ActionId id) const { return actions_.at(std::size_t(id)); }

void Principale::showDrillDownPicture()
{
    const bool pressed = SpeedButton1->isChecked();
    SpeedButton1->setIcon(QIcon((pressed ? Image2 : Image1)->pixmap()));
    MainBars::setCaptionColour(SpeedButton1, MainBars::drillDownColour(pressed));
}
