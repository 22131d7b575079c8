#pragma once

#include "core/dialogs.h"

#include <QString>

#include <array>
#include <cstddef>
#include <vector>

class Principale;

// The main window's actions, in the order of the table below. Code names an action by its
// id, so that a name that does not exist fails the build.
enum class ActionId {
    CollegamentoDesktop,
    CollegamentoInProgrammi,
    SalvaInXLS,
    ImportaDaExcel,
    EsportaCSV,
    ImportaCSV,
    EsportaVCard,
    ImportaVCard,
    Stampa1,
    AnteprimaDiStampa1,
    EsportaInPDF1,
    BackupDatabase1,
    RipristinaBackup1,
    ImportaArchivioPrecedente1,
    RicalcolaImportiPagati1,
    SpostaSuServer1,
    Esci1,
    MostraTabella,
    MostraScheda,
    QueryCommittente,
    QueryProgetto,
    PersonalizzaQuery,
    Nome,
    Qualifica,
    Citta,
    QueryConProgetti,
    QuerySenzaProgetti,
    Stato,
    Comune,
    QueryNonPagati,
    QueryPagati,
    CodiciDaVerificare,
    InCorso,
    QuerySospesi,
    Inserisci,
    Elimina,
    BottoneSchedaInput,
    Formattesto,
    Opzioni,
    Manuale1,
    Informazioni1,
};
inline constexpr std::size_t kActionCount = std::size_t(ActionId::Informazioni1) + 1;

// The menus of the menu bar and the tool bars, each in the order it is shown.
enum class Menu { None, File, Visualizza, Database, Preferenze, Help };
enum class ToolBar { None, Database, Progetti, Visualizza };

// A tool button's caption colour: persons' queries green, projects' blue.
enum class CaptionColour { Plain, Persons, Projects };

// Where an action stands in a menu: entries sort by group, then by item; a separator
// stands between two groups.
struct MenuPlace
{
    Menu menu = Menu::None;
    int group = 0;
    int item = 0;
};

// Where an action stands in a tool bar, as in a menu, with the button's own caption where
// it differs from the action's, its colour and its name where it is not the action's name
// followed by "Button".
struct BarPlace
{
    ToolBar bar = ToolBar::None;
    int group = 0;
    int item = 0;
    CaptionColour colour = CaptionColour::Plain;
    const char *caption = nullptr;
    const char *buttonName = nullptr;
};

// What an action runs on the main window: a handler, or, for a file action, the handler that
// prepares the file dialog and the one that takes the file the user confirmed. A handler is
// one of the window's own or calls the room whose action it is.
struct ActionHandler
{
    void (*run)(Principale &window) = nullptr;
    Dialogs::FileRequest (*prepareFile)(Principale &window) = nullptr;
    void (*acceptFile)(Principale &window, const QString &path, const QString &filter) = nullptr;
    bool saveFile = false; // a save dialog, else an open one
};

// One action of the main window.
struct ActionRow
{
    ActionId id;
    const char *name;      // the QAction's object name
    const char *caption;   // UTF-8
    const char *themeIcon; // the desktop theme's icon, where it has one
    const char *iconFile;  // the program's own picture; no icon at all when empty
    const char *shortcut;  // in QKeySequence's portable text; empty for none
    ActionHandler handler;
    MenuPlace menu;
    BarPlace bar;
};

namespace ActionTable {

// Every action, row i of id i.
const std::array<ActionRow, kActionCount> &rows();
const ActionRow &row(ActionId id);

// A menu's or a tool bar's entries in order: its action rows, nullptr for a separator.
std::vector<const ActionRow *> entries(Menu menu);
std::vector<const ActionRow *> entries(ToolBar bar);

// The menus and tool bars themselves: object name and title.
struct Container
{
    const char *objectName;
    const char *title;
};
Container menu(Menu menu);
Container toolBar(ToolBar bar);

} // namespace ActionTable
