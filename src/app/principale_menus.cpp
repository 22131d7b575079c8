#include "app/principale.h"

#include "core/errorhandler.h"
#include "data/query.h"
#include "editing/maineditors.h"

#include <QAction>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

const QColor kPersonsCaption(0x00, 0x80, 0x00);
const QColor kProjectsCaption(0x00, 0x00, 0xFF);
const QColor kDrillDownReleased(0xFF, 0x00, 0x00);
const QColor kDrillDownPressed(0x00, 0x80, 0x00);

void setCaptionColour(QToolButton *button, const QColor &colour)
{
    QPalette palette = button->palette();
    palette.setColor(QPalette::ButtonText, colour);
    palette.setColor(QPalette::WindowText, colour);
    button->setPalette(palette);
}

QIcon icon(const QString &themeName, const QString &file)
{
    const QIcon fallback(QStringLiteral(":/icons/%1.png").arg(file));
    return themeName.isEmpty() ? fallback : QIcon::fromTheme(themeName, fallback);
}

} // namespace

QAction *Principale::addAction(const QString &name, const QString &caption, const QString &themeIcon,
                               const QString &iconFile, void (Principale::*handler)())
{
    auto *action = new QAction(caption, this);
    action->setObjectName(name);
    if (!iconFile.isEmpty())
        action->setIcon(icon(themeIcon, iconFile));
    if (handler) {
        connect(action, &QAction::triggered, this,
                [this, handler] { ErrorHandler::guard([this, handler] { (this->*handler)(); }); });
    }
    return action;
}

QAction *Principale::action(const QString &name) const
{
    return findChild<QAction *>(name, Qt::FindDirectChildrenOnly);
}

void Principale::createActions()
{
    // File
    addAction(QStringLiteral("CollegamentoDesktop"), QStringLiteral("Collegamento desktop"), {}, {});
    addAction(QStringLiteral("CollegamentoInProgrammi"), QStringLiteral("Collegamento in Programmi"), {}, {});
    addAction(QStringLiteral("SalvaInXLS"), QStringLiteral("Esporta in Excel"), {}, {});
    addAction(QStringLiteral("ImportaDaExcel"), QStringLiteral("Importa da Excel"), {}, {});
    addAction(QStringLiteral("Esci1"), QStringLiteral("Esci"), QStringLiteral("application-exit"), {},
              &Principale::Esci1Click);
    // Visualizza
    addAction(QStringLiteral("MostraTabella"), QStringLiteral("Tabella"), QStringLiteral("x-office-spreadsheet"),
              QStringLiteral("table"), &Principale::MostraTabellaExecute);
    addAction(QStringLiteral("MostraScheda"), QStringLiteral("Scheda"), QStringLiteral("x-office-document"),
              QStringLiteral("card"), &Principale::MostraSchedaExecute);
    // Database
    addAction(QStringLiteral("QueryCommittente"), QStringLiteral("Rubrica"), QStringLiteral("x-office-address-book"),
              QStringLiteral("addressbook"), &Principale::QueryCommittenteExecute);
    addAction(QStringLiteral("QueryProgetto"), QStringLiteral("Progetti"), QStringLiteral("folder"),
              QStringLiteral("projects"), &Principale::QueryProgettoExecute);
    addAction(QStringLiteral("PersonalizzaQuery"), QStringLiteral("Ricerca avanzata"), QStringLiteral("system-search"),
              QStringLiteral("search"), &Principale::PersonalizzaQueryExecute);
    addAction(QStringLiteral("Nome"), QStringLiteral("Persona"), QStringLiteral("avatar-default"),
              QStringLiteral("person"));
    addAction(QStringLiteral("Qualifica"), QStringLiteral("Qualifica"), {}, QStringLiteral("qualifica"));
    addAction(QStringLiteral("Citta"), QStringLiteral("Città"), {}, QStringLiteral("city"));
    addAction(QStringLiteral("QueryConProgetti"), QStringLiteral("Con progetti"), {}, QStringLiteral("withprojects"),
              &Principale::QueryConProgettiExecute);
    addAction(QStringLiteral("QuerySenzaProgetti"), QStringLiteral("Senza progetti"), {},
              QStringLiteral("withoutprojects"), &Principale::QuerySenzaProgettiExecute);
    addAction(QStringLiteral("Stato"), QStringLiteral("Stato progetto"), {}, {});
    addAction(QStringLiteral("Comune"), QStringLiteral("Da iniziare"), {}, QStringLiteral("tostart"),
              &Principale::ComuneExecute);
    addAction(QStringLiteral("QueryNonPagati"), QStringLiteral("Progetti non pagati"), {}, QStringLiteral("unpaid"),
              &Principale::QueryNonPagatiExecute);
    addAction(QStringLiteral("QueryPagati"), QStringLiteral("Progetti pagati"), {}, QStringLiteral("paid"),
              &Principale::QueryPagatiExecute);
    addAction(QStringLiteral("InCorso"), QStringLiteral("In corso"), QStringLiteral("media-playback-start"),
              QStringLiteral("inprogress"), &Principale::InCorsoExecute);
    addAction(QStringLiteral("QuerySospesi"), QStringLiteral("Sospesi"), QStringLiteral("media-playback-pause"),
              QStringLiteral("suspended"), &Principale::QuerySospesiExecute);
    // Editing
    addAction(QStringLiteral("Inserisci"), QStringLiteral("Aggiungi"), QStringLiteral("list-add"),
              QStringLiteral("add"), &Principale::InserisciExecute);
    addAction(QStringLiteral("Elimina"), QStringLiteral("Elimina"), QStringLiteral("list-remove"),
              QStringLiteral("delete"), &Principale::EliminaExecute);
    addAction(QStringLiteral("BottoneSchedaInput"), QStringLiteral("Inserisci"), {}, {},
              &Principale::BottoneSchedaInputExecute);
    // Preferenze
    addAction(QStringLiteral("Formattesto"), QStringLiteral("Formattazione testo"), {}, {});
    addAction(QStringLiteral("Opzioni"), QStringLiteral("Opzioni..."), {}, {}, &Principale::OpzioniExecute);
    // Help
    addAction(QStringLiteral("Manuale1"), QStringLiteral("Manuale"), {}, {});
    addAction(QStringLiteral("Informazioni1"), QStringLiteral("Informazioni"), {}, {},
              &Principale::Informazioni1Click);
}

void Principale::createMenus()
{
    const auto fill = [this](const QString &objectName, const QString &title, const QStringList &actions) {
        QMenu *menu = menuBar()->addMenu(title);
        menu->setObjectName(objectName);
        for (const QString &name : actions) {
            if (name.isEmpty())
                menu->addSeparator();
            else
                menu->addAction(action(name));
        }
    };
    menuBar()->setObjectName(QStringLiteral("MainMenu1"));
    fill(QStringLiteral("File1"), QStringLiteral("File"),
         {QStringLiteral("CollegamentoDesktop"), QStringLiteral("CollegamentoInProgrammi"), QString(),
          QStringLiteral("SalvaInXLS"), QStringLiteral("ImportaDaExcel"), QString(), QStringLiteral("Esci1")});
    fill(QStringLiteral("Visualizza1"), QStringLiteral("Visualizza"),
         {QStringLiteral("MostraTabella"), QStringLiteral("MostraScheda")});
    fill(QStringLiteral("Database1"), QStringLiteral("Database"),
         {QStringLiteral("QueryCommittente"), QStringLiteral("QueryProgetto"), QStringLiteral("PersonalizzaQuery"),
          QString(), QStringLiteral("Nome"), QStringLiteral("Qualifica"), QStringLiteral("Citta"),
          QStringLiteral("QueryConProgetti"), QStringLiteral("QuerySenzaProgetti"), QString(), QStringLiteral("Stato"),
          QStringLiteral("Comune"), QStringLiteral("QueryNonPagati"), QStringLiteral("QueryPagati")});
    fill(QStringLiteral("Preferenze1"), QStringLiteral("Preferenze"),
         {QStringLiteral("Formattesto"), QStringLiteral("Opzioni")});
    fill(QStringLiteral("Help1"), QStringLiteral("Help"),
         {QStringLiteral("Manuale1"), QString(), QStringLiteral("Informazioni1")});
}

QToolButton *Principale::addToolButton(QToolBar *bar, QAction *action, const QString &caption, const QColor &colour)
{
    auto *button = new QToolButton(bar);
    button->setObjectName(action->objectName() + QStringLiteral("Button"));
    button->setText(caption);
    button->setIcon(action->icon());
    button->setToolTip(action->text());
    button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    button->setAutoRaise(true);
    button->setEnabled(action->isEnabled());
    if (colour.isValid())
        setCaptionColour(button, colour);
    // The tool bar's captions are not always the menu's ("Da Iniziare"), so the button
    // keeps its own text and only follows the action's enabled state.
    connect(button, &QToolButton::clicked, action, &QAction::trigger);
    connect(action, &QAction::enabledChanged, button, &QWidget::setEnabled);
    bar->addWidget(button);
    return button;
}

void Principale::createToolBars()
{
    QToolBar *database = addToolBar(QStringLiteral("Database"));
    database->setObjectName(QStringLiteral("ToolBar1"));
    database->setMovable(false);
    BitBtn1 = addToolButton(database, action(QStringLiteral("Inserisci")), QStringLiteral("Aggiungi"), {});
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn2 = addToolButton(database, action(QStringLiteral("Elimina")), QStringLiteral("Elimina"), {});
    BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
    database->addSeparator();
    addToolButton(database, action(QStringLiteral("QueryCommittente")), QStringLiteral("Rubrica"), kPersonsCaption);
    addToolButton(database, action(QStringLiteral("QueryProgetto")), QStringLiteral("Progetti"), kProjectsCaption);
    addToolButton(database, action(QStringLiteral("PersonalizzaQuery")), QStringLiteral("Ricerca avanzata"), {});
    database->addSeparator();
    addToolButton(database, action(QStringLiteral("Nome")), QStringLiteral("Persona"), kPersonsCaption);
    addToolButton(database, action(QStringLiteral("Qualifica")), QStringLiteral("Qualifica"), kPersonsCaption);
    addToolButton(database, action(QStringLiteral("Citta")), QStringLiteral("Città"), kPersonsCaption);
    addToolButton(database, action(QStringLiteral("QueryConProgetti")), QStringLiteral("Con progetti"),
                  kPersonsCaption);
    addToolButton(database, action(QStringLiteral("QuerySenzaProgetti")), QStringLiteral("Senza progetti"),
                  kPersonsCaption);

    addToolBarBreak();

    QToolBar *second = addToolBar(QStringLiteral("Progetti"));
    second->setObjectName(QStringLiteral("ToolBar2"));
    second->setMovable(false);
    second->addWidget(createSearchBox());
    addToolButton(second, action(QStringLiteral("InCorso")), QStringLiteral("In corso"), kProjectsCaption);
    addToolButton(second, action(QStringLiteral("QuerySospesi")), QStringLiteral("Sospesi"), kProjectsCaption);
    addToolButton(second, action(QStringLiteral("Comune")), QStringLiteral("Da Iniziare"), kProjectsCaption);
    addToolButton(second, action(QStringLiteral("QueryNonPagati")), QStringLiteral("Progetti non pagati"),
                  kProjectsCaption);
    addToolButton(second, action(QStringLiteral("QueryPagati")), QStringLiteral("Progetti pagati"),
                  kProjectsCaption);

    QToolBar *view = addToolBar(QStringLiteral("Visualizza"));
    view->setObjectName(QStringLiteral("ToolBar3"));
    view->setMovable(false);
    SpeedButton1 = new QToolButton(view);
    SpeedButton1->setObjectName(QStringLiteral("SpeedButton1"));
    SpeedButton1->setCheckable(true);
    SpeedButton1->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    SpeedButton1->setAutoRaise(true);
    // Wide enough for either caption, so that the bar does not shift when it changes.
    SpeedButton1->setMinimumWidth(SpeedButton1->fontMetrics().horizontalAdvance(QStringLiteral("Visualizza pagamenti"))
                                  + 16);
    resetDrillDown(QStringLiteral("Visualizza progetti"));
    connect(SpeedButton1, &QToolButton::clicked, this,
            [this] { ErrorHandler::guard([this] { SpeedButton1Click(); }); });
    view->addWidget(SpeedButton1);
    addToolButton(view, action(QStringLiteral("MostraScheda")), QStringLiteral("Scheda"), {});
    addToolButton(view, action(QStringLiteral("MostraTabella")), QStringLiteral("Tabella"), {});
}

QWidget *Principale::createSearchBox()
{
    auto *box = new QWidget;
    box->setObjectName(QStringLiteral("SearchBox"));
    auto *layout = new QVBoxLayout(box);
    layout->setContentsMargins(4, 0, 4, 0);
    layout->setSpacing(1);

    ComboBox1 = new QComboBox(box);
    ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
    ComboBox1->setEditable(true);
    ComboBox1->setFixedWidth(160);
    Edit1 = new QLineEdit(box);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setFixedWidth(160);
    layout->addWidget(ComboBox1);
    layout->addWidget(Edit1);

    DBNavigator1 = new QWidget(box);
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
        button->setIcon(icon(QLatin1String(m.theme), QLatin1String(m.file)));
        button->setToolTip(QLatin1String(m.tip));
        button->setAutoRaise(true);
        button->setIconSize(QSize(16, 16));
        const auto move = m.move;
        connect(button, &QToolButton::clicked, this, [this, move] {
            ErrorHandler::guard([this, move] {
                if (!query()->isActive())
                    return;
                // The navigator's buttons take no focus, so a card editor is never left: what it
                // holds goes into the row first, and a text the field refuses stops the move.
                editors_->writePendingCardEditors();
                (query()->*move)();
            });
        });
        navigator->addWidget(button);
    }
    navigator->addStretch();
    layout->addWidget(DBNavigator1);
    return box;
}

void Principale::showDrillDownPicture()
{
    const bool pressed = SpeedButton1->isChecked();
    SpeedButton1->setIcon(QIcon((pressed ? Image2 : Image1)->pixmap()));
    setCaptionColour(SpeedButton1, pressed ? kDrillDownPressed : kDrillDownReleased);
}
