#include "app/mainbars.h"

#include "core/icons.h"
#include "views/totalspanel.h"

#include <QAction>
#include <QKeySequence>
#include <QLabel>
#include <QMainWindow>
#include <QMenuBar>
#include <QPointer>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>

namespace MainBars {

namespace {

QColor captionColour(CaptionColour colour)
{
    switch (colour) {
    case CaptionColour::Plain:
        break;
    case CaptionColour::Persons:
        return QColor(0x00, 0x80, 0x00);
    case CaptionColour::Projects:
        return QColor(0x00, 0x00, 0xFF);
    }
    return {};
}

QToolButton *addToolButton(QToolBar *bar, QAction *action, const BarPlace &place)
{
    auto *button = new QToolButton(bar);
    button->setObjectName(place.buttonName ? QLatin1String(place.buttonName)
                                           : action->objectName() + QStringLiteral("Button"));
    button->setText(place.caption ? QString::fromUtf8(place.caption) : action->text());
    button->setIcon(action->icon());
    button->setToolTip(action->text());
    button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    button->setAutoRaise(true);
    button->setEnabled(action->isEnabled());
    if (const QColor colour = captionColour(place.colour); colour.isValid())
        setCaptionColour(button, colour);
    // The tool bar's captions are not always the menu's ("Da Iniziare"), so the button
    // keeps its own text and only follows the action's enabled state.
    QObject::connect(button, &QToolButton::clicked, action, &QAction::trigger);
    QObject::connect(action, &QAction::enabledChanged, button, &QWidget::setEnabled);
    bar->addWidget(button);
    return button;
}

QToolBar *addToolBar(QMainWindow *window, ToolBar which)
{
    const ActionTable::Container names = ActionTable::toolBar(which);
    QToolBar *bar = window->addToolBar(QString::fromUtf8(names.title));
    bar->setObjectName(QLatin1String(names.objectName));
    bar->setMovable(false);
    return bar;
}

void addButtons(QToolBar *bar, ToolBar which, const Actions &actions)
{
    for (const ActionRow *row : ActionTable::entries(which)) {
        if (row)
            addToolButton(bar, actions.at(std::size_t(row->id)), row->bar);
        else
            bar->addSeparator();
    }
}

QToolButton *createDrillDownToggle(QToolBar *bar)
{
    auto *toggle = new QToolButton(bar);
    toggle->setObjectName(QStringLiteral("SpeedButton1"));
    toggle->setCheckable(true);
    toggle->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    toggle->setAutoRaise(true);
    // Wide enough for either caption, so that the bar does not shift when it changes.
    toggle->setMinimumWidth(toggle->fontMetrics().horizontalAdvance(QStringLiteral("Visualizza pagamenti")) + 16);
    return toggle;
}

} // namespace

void setCaptionColour(QToolButton *button, const QColor &colour)
{
    QPalette palette = button->palette();
    palette.setColor(QPalette::ButtonText, colour);
    palette.setColor(QPalette::WindowText, colour);
    button->setPalette(palette);
}

QColor drillDownColour(bool pressed) { return pressed ? QColor(0x00, 0x80, 0x00) : QColor(0xFF, 0x00, 0x00); }

Actions createActions(QMainWindow *window)
{
    Actions actions{};
    for (const ActionRow &row : ActionTable::rows()) {
        auto *action = new QAction(QString::fromUtf8(row.caption), window);
        action->setObjectName(QLatin1String(row.name));
        if (*row.iconFile)
            action->setIcon(themedIcon(QLatin1String(row.themeIcon), QLatin1String(row.iconFile)));
        if (*row.shortcut)
            action->setShortcut(QKeySequence(QLatin1String(row.shortcut), QKeySequence::PortableText));
        actions.at(std::size_t(row.id)) = action;
    }
    return actions;
}

QAction *action(const QMainWindow *window, const QString &name)
{
    return window->findChild<QAction *>(name, Qt::FindDirectChildrenOnly);
}

void createMenus(QMainWindow *window, const Actions &actions)
{
    window->menuBar()->setObjectName(QStringLiteral("MainMenu1"));
    for (const Menu which : {Menu::File, Menu::Visualizza, Menu::Database, Menu::Preferenze, Menu::Help}) {
        const ActionTable::Container names = ActionTable::menu(which);
        QMenu *menu = window->menuBar()->addMenu(QString::fromUtf8(names.title));
        menu->setObjectName(QLatin1String(names.objectName));
        for (const ActionRow *row : ActionTable::entries(which)) {
            if (row)
                menu->addAction(actions.at(std::size_t(row->id)));
            else
                menu->addSeparator();
        }
    }
}

QToolButton *createToolBars(QMainWindow *window, const Actions &actions, QWidget *searchBox)
{
    addButtons(addToolBar(window, ToolBar::Database), ToolBar::Database, actions);
    window->addToolBarBreak();

    QToolBar *projects = addToolBar(window, ToolBar::Progetti);
    projects->addWidget(searchBox);
    addButtons(projects, ToolBar::Progetti, actions);

    QToolBar *view = addToolBar(window, ToolBar::Visualizza);
    QToolButton *drillDown = createDrillDownToggle(view);
    view->addWidget(drillDown);
    addButtons(view, ToolBar::Visualizza, actions);
    return drillDown;
}

QLabel *createStatusBar(QMainWindow *window, Query *result)
{
    QStatusBar *bar = window->statusBar();
    bar->setObjectName(QStringLiteral("StatusBar1"));
    auto *status = new QLabel(bar);
    status->setObjectName(QStringLiteral("StatusBar1Panel0"));
    status->setFixedWidth(500);
    bar->addWidget(status);
    bar->addWidget(new TotalsPanel(result, bar));
    auto *codes = new QLabel(bar);
    codes->setObjectName(QStringLiteral("StatusBar1Codici"));
    codes->setStyleSheet(QStringLiteral("color: #C00000"));
    bar->addPermanentWidget(codes);
    return status;
}

std::function<void(const QString &)> codeWarning(QMainWindow *window)
{
    QPointer<QLabel> codes = window->statusBar()->findChild<QLabel *>(QStringLiteral("StatusBar1Codici"));
    return [codes](const QString &text) {
        if (codes)
            codes->setText(text);
    };
}

} // namespace MainBars
