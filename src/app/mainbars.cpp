#include "app/mainbars.h"

#include "core/icons.h"

#include <QAction>
#include <QMainWindow>
#include <QMenuBar>
#include <QToolBar>
#include <QToolButton>

namespace MainBars {

namespace {

const QColor kPersonsCaption(0x00, 0x80, 0x00);
const QColor kProjectsCaption(0x00, 0x00, 0xFF);

struct ActionEntry
{
    const char *name;
    const char *caption;
    const char *themeIcon; // the desktop theme's icon, where it has one
    const char *iconFile;  // the program's own picture; no icon at all when empty
};

const ActionEntry kActions[] = {
    {"CollegamentoDesktop", "Collegamento desktop", "", ""},
    {"CollegamentoInProgrammi", "Collegamento in Programmi", "", ""},
    {"SalvaInXLS", "Esporta in Excel", "", ""},
    {"ImportaDaExcel", "Importa da Excel", "", ""},
    {"ImportaArchivioPrecedente1", "Importa archivio precedente (.mdb)...", "", ""},
    {"RicalcolaImportiPagati1", "Ricalcola importi pagati", "", ""},
    {"Stampa1", "Stampa...", "", ""},
    {"AnteprimaDiStampa1", "Anteprima di stampa...", "", ""},
    {"EsportaInPDF1", "Esporta in PDF...", "", ""},
    {"BackupDatabase1", "Backup del database...", "", ""},
    {"RipristinaBackup1", "Ripristina da backup...", "", ""},
    {"Esci1", "Esci", "application-exit", ""},
    {"MostraTabella", "Tabella", "x-office-spreadsheet", "table"},
    {"MostraScheda", "Scheda", "x-office-document", "card"},
    {"QueryCommittente", "Rubrica", "x-office-address-book", "addressbook"},
    {"QueryProgetto", "Progetti", "folder", "projects"},
    {"PersonalizzaQuery", "Ricerca avanzata", "system-search", "search"},
    {"Nome", "Persona", "avatar-default", "person"},
    {"Qualifica", "Qualifica", "", "qualifica"},
    {"Citta", "Città", "", "city"},
    {"QueryConProgetti", "Con progetti", "", "withprojects"},
    {"QuerySenzaProgetti", "Senza progetti", "", "withoutprojects"},
    {"Stato", "Stato progetto", "", ""},
    {"Comune", "Da iniziare", "", "tostart"},
    {"QueryNonPagati", "Progetti non pagati", "", "unpaid"},
    {"QueryPagati", "Progetti pagati", "", "paid"},
    {"InCorso", "In corso", "media-playback-start", "inprogress"},
    {"QuerySospesi", "Sospesi", "media-playback-pause", "suspended"},
    {"Inserisci", "Aggiungi", "list-add", "add"},
    {"Elimina", "Elimina", "list-remove", "delete"},
    {"BottoneSchedaInput", "Inserisci", "", ""},
    {"Formattesto", "Formattazione testo", "", ""},
    {"Opzioni", "Opzioni...", "", ""},
    {"Manuale1", "Manuale", "", ""},
    {"Informazioni1", "Informazioni", "", ""},
};

QToolButton *addToolButton(QToolBar *bar, QAction *action, const QString &caption, const QColor &colour);

} // namespace

void setCaptionColour(QToolButton *button, const QColor &colour)
{
    QPalette palette = button->palette();
    palette.setColor(QPalette::ButtonText, colour);
    palette.setColor(QPalette::WindowText, colour);
    button->setPalette(palette);
}

QColor drillDownColour(bool pressed) { return pressed ? QColor(0x00, 0x80, 0x00) : QColor(0xFF, 0x00, 0x00); }

void createActions(QMainWindow *window)
{
    for (const ActionEntry &entry : kActions) {
        auto *action = new QAction(QString::fromUtf8(entry.caption), window);
        action->setObjectName(QLatin1String(entry.name));
        if (*entry.iconFile)
            action->setIcon(themedIcon(QLatin1String(entry.themeIcon), QLatin1String(entry.iconFile)));
    }
}

QAction *action(const QMainWindow *window, const QString &name)
{
    return window->findChild<QAction *>(name, Qt::FindDirectChildrenOnly);
}

void createMenus(QMainWindow *window)
{
    const auto fill = [window](const QString &objectName, const QString &title, const QStringList &actions) {
        QMenu *menu = window->menuBar()->addMenu(title);
        menu->setObjectName(objectName);
        for (const QString &name : actions) {
            if (name.isEmpty())
                menu->addSeparator();
            else
                menu->addAction(action(window, name));
        }
    };
    window->menuBar()->setObjectName(QStringLiteral("MainMenu1"));
    fill(QStringLiteral("File1"), QStringLiteral("File"),
         {QStringLiteral("CollegamentoDesktop"), QStringLiteral("CollegamentoInProgrammi"), QString(),
          QStringLiteral("SalvaInXLS"), QStringLiteral("ImportaDaExcel"), QString(), QStringLiteral("Stampa1"),
          QStringLiteral("AnteprimaDiStampa1"), QStringLiteral("EsportaInPDF1"), QString(),
          QStringLiteral("BackupDatabase1"), QStringLiteral("RipristinaBackup1"), QString(),
          QStringLiteral("ImportaArchivioPrecedente1"), QStringLiteral("RicalcolaImportiPagati1"), QString(),
          QStringLiteral("Esci1")});
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

namespace {

QToolButton *addToolButton(QToolBar *bar, QAction *action, const QString &caption, const QColor &colour)
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
    QObject::connect(button, &QToolButton::clicked, action, &QAction::trigger);
    QObject::connect(action, &QAction::enabledChanged, button, &QWidget::setEnabled);
    bar->addWidget(button);
    return button;
}

} // namespace

Buttons createToolBars(QMainWindow *window, QWidget *searchBox)
{
    Buttons buttons;
    QToolBar *database = window->addToolBar(QStringLiteral("Database"));
    database->setObjectName(QStringLiteral("ToolBar1"));
    database->setMovable(false);
    buttons.BitBtn1 = addToolButton(database, action(window, QStringLiteral("Inserisci")), QStringLiteral("Aggiungi"),
                                    {});
    buttons.BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    buttons.BitBtn2 = addToolButton(database, action(window, QStringLiteral("Elimina")), QStringLiteral("Elimina"), {});
    buttons.BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
    database->addSeparator();
    addToolButton(database, action(window, QStringLiteral("QueryCommittente")), QStringLiteral("Rubrica"),
                  kPersonsCaption);
    addToolButton(database, action(window, QStringLiteral("QueryProgetto")), QStringLiteral("Progetti"),
                  kProjectsCaption);
    addToolButton(database, action(window, QStringLiteral("PersonalizzaQuery")), QStringLiteral("Ricerca avanzata"), {});
    database->addSeparator();
    addToolButton(database, action(window, QStringLiteral("Nome")), QStringLiteral("Persona"), kPersonsCaption);
    addToolButton(database, action(window, QStringLiteral("Qualifica")), QStringLiteral("Qualifica"), kPersonsCaption);
    addToolButton(database, action(window, QStringLiteral("Citta")), QStringLiteral("Città"), kPersonsCaption);
    addToolButton(database, action(window, QStringLiteral("QueryConProgetti")), QStringLiteral("Con progetti"),
                  kPersonsCaption);
    addToolButton(database, action(window, QStringLiteral("QuerySenzaProgetti")), QStringLiteral("Senza progetti"),
                  kPersonsCaption);

    window->addToolBarBreak();

    QToolBar *second = window->addToolBar(QStringLiteral("Progetti"));
    second->setObjectName(QStringLiteral("ToolBar2"));
    second->setMovable(false);
    second->addWidget(searchBox);
    addToolButton(second, action(window, QStringLiteral("InCorso")), QStringLiteral("In corso"), kProjectsCaption);
    addToolButton(second, action(window, QStringLiteral("QuerySospesi")), QStringLiteral("Sospesi"), kProjectsCaption);
    addToolButton(second, action(window, QStringLiteral("Comune")), QStringLiteral("Da Iniziare"), kProjectsCaption);
    addToolButton(second, action(window, QStringLiteral("QueryNonPagati")), QStringLiteral("Progetti non pagati"),
                  kProjectsCaption);
    addToolButton(second, action(window, QStringLiteral("QueryPagati")), QStringLiteral("Progetti pagati"),
                  kProjectsCaption);

    QToolBar *view = window->addToolBar(QStringLiteral("Visualizza"));
    view->setObjectName(QStringLiteral("ToolBar3"));
    view->setMovable(false);
    buttons.SpeedButton1 = new QToolButton(view);
    buttons.SpeedButton1->setObjectName(QStringLiteral("SpeedButton1"));
    buttons.SpeedButton1->setCheckable(true);
    buttons.SpeedButton1->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    buttons.SpeedButton1->setAutoRaise(true);
    // Wide enough for either caption, so that the bar does not shift when it changes.
    buttons.SpeedButton1->setMinimumWidth(
        buttons.SpeedButton1->fontMetrics().horizontalAdvance(QStringLiteral("Visualizza pagamenti")) + 16);
    view->addWidget(buttons.SpeedButton1);
    addToolButton(view, action(window, QStringLiteral("MostraScheda")), QStringLiteral("Scheda"), {});
    addToolButton(view, action(window, QStringLiteral("MostraTabella")), QStringLiteral("Tabella"), {});
    return buttons;
}

} // namespace MainBars
