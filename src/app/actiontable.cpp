#include "app/actiontable.h"

#include "app/backupactions.h"
#include "app/jetactions.h"
#include "app/principale.h"
#include "exchange/contactexchange.h"
#include "exchange/sheetexchange.h"
#include "settings/servermoveactions.h"
#include "views/resultprinting.h"

#include <algorithm>
#include <tuple>

namespace {

using Id = ActionId;
constexpr auto Persons = CaptionColour::Persons;
constexpr auto Projects = CaptionColour::Projects;
constexpr MenuPlace nowhere{};
constexpr BarPlace noBar{};

using Run = void (*)(Principale &);
using Prepare = Dialogs::FileRequest (*)(Principale &);
using Accept = void (*)(Principale &, const QString &, const QString &);

// A handler of the main window's own.
template<void (Principale::*handler)()>
constexpr ActionHandler runs()
{
    return {[](Principale &window) { (window.*handler)(); }, nullptr, nullptr, false};
}

// A room's own action.
constexpr ActionHandler runs(Run run) { return {run, nullptr, nullptr, false}; }
constexpr ActionHandler asksFileToSave(Prepare prepare, Accept accept) { return {nullptr, prepare, accept, true}; }
constexpr ActionHandler asksFileToOpen(Prepare prepare, Accept accept) { return {nullptr, prepare, accept, false}; }

// The rooms' own actions, which the main window hosts without a handler of its own.
namespace room {

SheetExchange &sheets(Principale &window) { return window.sheetExchange(); }
ContactExchange &contacts(Principale &window) { return window.contactExchange(); }
std::function<void()> runStartupQuery(Principale &window)
{
    return [&window] { window.runInitialQuery(true); };
}

Dialogs::FileRequest saveXls(Principale &w) { return sheets(w).SalvaInXLSBeforeExecute(); }
void acceptXls(Principale &w, const QString &path, const QString &filter) { sheets(w).SalvaInXLSAccept(path, filter); }
Dialogs::FileRequest openXls(Principale &w) { return sheets(w).ImportaDaExcelBeforeExecute(); }
void importXls(Principale &w, const QString &path, const QString &filter)
{
    sheets(w).ImportaDaExcelAccept(path, filter);
}

Dialogs::FileRequest saveCsv(Principale &w) { return contacts(w).exportCsvRequest(); }
void exportCsv(Principale &w, const QString &path, const QString &) { contacts(w).exportCsv(path); }
Dialogs::FileRequest openCsv(Principale &w) { return contacts(w).importCsvRequest(); }
void importCsv(Principale &w, const QString &path, const QString &) { contacts(w).importCsv(path); }
Dialogs::FileRequest saveVCard(Principale &w) { return contacts(w).exportVCardRequest(); }
void exportVCard(Principale &w, const QString &path, const QString &filter) { contacts(w).exportVCard(path, filter); }
Dialogs::FileRequest openVCard(Principale &w) { return contacts(w).importVCardRequest(); }
void importVCard(Principale &w, const QString &path, const QString &) { contacts(w).importVCard(path); }
void codesToCheck(Principale &w) { contacts(w).showCodesToCheck(); }

void print(Principale &w) { ResultPrinting::print(w.grid(), w.gridDelegate(), w.statusText(), &w); }
void preview(Principale &w) { ResultPrinting::preview(w.grid(), w.gridDelegate(), w.statusText(), &w); }
void exportPdf(Principale &w)
{
    ResultPrinting::exportPdf(w.grid(), w.gridDelegate(), w.statusText(),
                              w.workspace().paths().path(ProgramPaths::Place::Output));
}

void backup(Principale &w) { BackupActions::backup(w.workspace()); }
void restore(Principale &w) { BackupActions::restore(w.workspace(), runStartupQuery(w)); }
void importArchive(Principale &w) { JetActions::importArchive(w.workspace(), runStartupQuery(w), &w); }
void recalculatePaid(Principale &w) { JetActions::recalculatePaidAmounts(w.workspace(), runStartupQuery(w)); }
void moveToServer(Principale &w) { ServerMoveActions::moveToServer(w.workspace()); }

} // namespace room

constexpr MenuPlace in(Menu menu, int group, int item) { return {menu, group, item}; }

constexpr BarPlace on(ToolBar bar, int group, int item, CaptionColour colour = CaptionColour::Plain,
                      const char *caption = nullptr, const char *buttonName = nullptr)
{
    return {bar, group, item, colour, caption, buttonName};
}

// One row an action: id, name, caption, theme icon, own picture, shortcut, handler, menu
// place, tool-bar place.
constexpr std::array<ActionRow, kActionCount> kRows = {{
    {Id::CollegamentoDesktop, "CollegamentoDesktop", "Collegamento desktop", "", "", "",
     runs<&Principale::CollegamentoDesktopExecute>(), in(Menu::File, 1, 1), noBar},
    {Id::CollegamentoInProgrammi, "CollegamentoInProgrammi", "Collegamento in Programmi", "", "", "",
     runs<&Principale::CollegamentoInProgrammiExecute>(), in(Menu::File, 1, 2), noBar},
    {Id::SalvaInXLS, "SalvaInXLS", "Esporta in Excel", "", "", "", asksFileToSave(room::saveXls, room::acceptXls),
     in(Menu::File, 2, 1), noBar},
    {Id::ImportaDaExcel, "ImportaDaExcel", "Importa da Excel", "", "", "",
     asksFileToOpen(room::openXls, room::importXls), in(Menu::File, 2, 2), noBar},
    {Id::EsportaCSV, "EsportaCSV", "Esporta in CSV...", "", "", "", asksFileToSave(room::saveCsv, room::exportCsv),
     in(Menu::File, 2, 3), noBar},
    {Id::ImportaCSV, "ImportaCSV", "Importa da CSV...", "", "", "", asksFileToOpen(room::openCsv, room::importCsv),
     in(Menu::File, 2, 4), noBar},
    {Id::EsportaVCard, "EsportaVCard", "Esporta rubrica (vCard)...", "", "", "",
     asksFileToSave(room::saveVCard, room::exportVCard), in(Menu::File, 2, 5), noBar},
    {Id::ImportaVCard, "ImportaVCard", "Importa rubrica (vCard)...", "", "", "",
     asksFileToOpen(room::openVCard, room::importVCard), in(Menu::File, 2, 6), noBar},
    {Id::Stampa1, "Stampa1", "Stampa...", "", "", "", runs(room::print), in(Menu::File, 3, 1), noBar},
    {Id::AnteprimaDiStampa1, "AnteprimaDiStampa1", "Anteprima di stampa...", "", "", "", runs(room::preview),
     in(Menu::File, 3, 2), noBar},
    {Id::EsportaInPDF1, "EsportaInPDF1", "Esporta in PDF...", "", "", "", runs(room::exportPdf), in(Menu::File, 3, 3),
     noBar},
    {Id::BackupDatabase1, "BackupDatabase1", "Backup del database...", "", "", "", runs(room::backup),
     in(Menu::File, 4, 1), noBar},
    {Id::RipristinaBackup1, "RipristinaBackup1", "Ripristina da backup...", "", "", "", runs(room::restore),
     in(Menu::File, 4, 2), noBar},
    {Id::ImportaArchivioPrecedente1, "ImportaArchivioPrecedente1", "Importa archivio precedente (.mdb)...", "", "", "",
     runs(room::importArchive), in(Menu::File, 5, 1), noBar},
    {Id::RicalcolaImportiPagati1, "RicalcolaImportiPagati1", "Ricalcola importi pagati", "", "", "",
     runs(room::recalculatePaid), in(Menu::File, 5, 2), noBar},
    {Id::SpostaSuServer1, "SpostaSuServer1", "Sposta i dati su un server...", "", "", "", runs(room::moveToServer),
     in(Menu::File, 5, 3), noBar},
    {Id::Esci1, "Esci1", "Esci", "", "", "", runs<&Principale::Esci1Click>(), in(Menu::File, 6, 1), noBar},
    {Id::MostraTabella, "MostraTabella", "Tabella", "x-office-spreadsheet", "table", "",
     runs<&Principale::MostraTabellaExecute>(), in(Menu::Visualizza, 1, 1), on(ToolBar::Visualizza, 1, 2)},
    {Id::MostraScheda, "MostraScheda", "Scheda", "x-office-document", "card", "",
     runs<&Principale::MostraSchedaExecute>(), in(Menu::Visualizza, 1, 2), on(ToolBar::Visualizza, 1, 1)},
    {Id::QueryCommittente, "QueryCommittente", "Rubrica", "x-office-address-book", "addressbook", "",
     runs<&Principale::QueryCommittenteExecute>(), in(Menu::Database, 1, 1), on(ToolBar::Database, 2, 1, Persons)},
    {Id::QueryProgetto, "QueryProgetto", "Progetti", "folder", "projects", "",
     runs<&Principale::QueryProgettoExecute>(), in(Menu::Database, 1, 2), on(ToolBar::Database, 2, 2, Projects)},
    {Id::PersonalizzaQuery, "PersonalizzaQuery", "Ricerca avanzata", "system-search", "search", "",
     runs<&Principale::PersonalizzaQueryExecute>(), in(Menu::Database, 1, 3), on(ToolBar::Database, 2, 3)},
    {Id::Nome, "Nome", "Persona", "avatar-default", "person", "", runs<&Principale::NomeExecute>(),
     in(Menu::Database, 2, 1), on(ToolBar::Database, 3, 1, Persons)},
    {Id::Qualifica, "Qualifica", "Qualifica", "", "qualifica", "", runs<&Principale::QualificaExecute>(),
     in(Menu::Database, 2, 2), on(ToolBar::Database, 3, 2, Persons)},
    {Id::Citta, "Citta", "Città", "", "city", "", runs<&Principale::CittaExecute>(), in(Menu::Database, 2, 3),
     on(ToolBar::Database, 3, 3, Persons)},
    {Id::QueryConProgetti, "QueryConProgetti", "Con progetti", "", "withprojects", "",
     runs<&Principale::QueryConProgettiExecute>(), in(Menu::Database, 2, 4), on(ToolBar::Database, 3, 4, Persons)},
    {Id::QuerySenzaProgetti, "QuerySenzaProgetti", "Senza progetti", "", "withoutprojects", "",
     runs<&Principale::QuerySenzaProgettiExecute>(), in(Menu::Database, 2, 5), on(ToolBar::Database, 3, 5, Persons)},
    {Id::Stato, "Stato", "Stato progetto", "", "", "", runs<&Principale::StatoExecute>(), in(Menu::Database, 3, 1),
     noBar},
    {Id::Comune, "Comune", "Da iniziare", "", "tostart", "", runs<&Principale::ComuneExecute>(),
     in(Menu::Database, 3, 2), on(ToolBar::Progetti, 1, 3, Projects, "Da Iniziare")},
    {Id::QueryNonPagati, "QueryNonPagati", "Progetti non pagati", "", "unpaid", "",
     runs<&Principale::QueryNonPagatiExecute>(), in(Menu::Database, 3, 3), on(ToolBar::Progetti, 1, 4, Projects)},
    {Id::QueryPagati, "QueryPagati", "Progetti pagati", "", "paid", "", runs<&Principale::QueryPagatiExecute>(),
     in(Menu::Database, 3, 4), on(ToolBar::Progetti, 1, 5, Projects)},
    {Id::CodiciDaVerificare, "CodiciDaVerificare", "Codici da verificare", "", "", "", runs(room::codesToCheck),
     in(Menu::Database, 4, 1), noBar},
    {Id::InCorso, "InCorso", "In corso", "media-playback-start", "inprogress", "", runs<&Principale::InCorsoExecute>(),
     nowhere, on(ToolBar::Progetti, 1, 1, Projects)},
    {Id::QuerySospesi, "QuerySospesi", "Sospesi", "media-playback-pause", "suspended", "",
     runs<&Principale::QuerySospesiExecute>(), nowhere, on(ToolBar::Progetti, 1, 2, Projects)},
    {Id::Inserisci, "Inserisci", "Aggiungi", "list-add", "add", "", runs<&Principale::InserisciExecute>(), nowhere,
     on(ToolBar::Database, 1, 1, CaptionColour::Plain, nullptr, "BitBtn1")},
    {Id::Elimina, "Elimina", "Elimina", "list-remove", "delete", "", runs<&Principale::EliminaExecute>(), nowhere,
     on(ToolBar::Database, 1, 2, CaptionColour::Plain, nullptr, "BitBtn2")},
    // The input sheet's confirm button and its Enter key run it.
    {Id::BottoneSchedaInput, "BottoneSchedaInput", "Inserisci", "", "", "",
     runs<&Principale::BottoneSchedaInputExecute>(), nowhere, noBar},
    {Id::Formattesto, "Formattesto", "Formattazione testo", "", "", "", runs<&Principale::FormattestoExecute>(),
     in(Menu::Preferenze, 1, 1), noBar},
    {Id::Opzioni, "Opzioni", "Opzioni...", "", "", "", runs<&Principale::OpzioniExecute>(), in(Menu::Preferenze, 1, 2),
     noBar},
    {Id::Manuale1, "Manuale1", "Manuale", "", "", "", runs<&Principale::Manuale1Click>(), in(Menu::Help, 1, 1), noBar},
    {Id::Informazioni1, "Informazioni1", "Informazioni", "", "", "", runs<&Principale::Informazioni1Click>(),
     in(Menu::Help, 2, 1), noBar},
}};

constexpr bool rowsFollowTheIds()
{
    for (std::size_t i = 0; i < kRows.size(); ++i) {
        if (std::size_t(kRows[i].id) != i)
            return false;
    }
    return true;
}
static_assert(rowsFollowTheIds(), "the action table lists the actions in the order of ActionId");

// Sorts the rows that `place` puts into one container and puts a separator between groups.
template<typename Place>
std::vector<const ActionRow *> entriesWhere(Place place)
{
    std::vector<const ActionRow *> rows;
    for (const ActionRow &row : kRows) {
        if (place(row))
            rows.push_back(&row);
    }
    return rows;
}

template<typename Slot>
std::vector<const ActionRow *> withSeparators(std::vector<const ActionRow *> rows, Slot slot)
{
    std::stable_sort(rows.begin(), rows.end(), [&slot](const ActionRow *a, const ActionRow *b) {
        return std::tuple(slot(*a).group, slot(*a).item) < std::tuple(slot(*b).group, slot(*b).item);
    });
    std::vector<const ActionRow *> entries;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (i > 0 && slot(*rows[i]).group != slot(*rows[i - 1]).group)
            entries.push_back(nullptr);
        entries.push_back(rows[i]);
    }
    return entries;
}

} // namespace

namespace ActionTable {

const std::array<ActionRow, kActionCount> &rows() { return kRows; }

const ActionRow &row(ActionId id) { return kRows.at(std::size_t(id)); }

std::vector<const ActionRow *> entries(Menu menu)
{
    if (menu == Menu::None)
        return {};
    return withSeparators(entriesWhere([menu](const ActionRow &row) { return row.menu.menu == menu; }),
                          [](const ActionRow &row) { return row.menu; });
}

std::vector<const ActionRow *> entries(ToolBar bar)
{
    if (bar == ToolBar::None)
        return {};
    return withSeparators(entriesWhere([bar](const ActionRow &row) { return row.bar.bar == bar; }),
                          [](const ActionRow &row) { return row.bar; });
}

Container menu(Menu menu)
{
    switch (menu) {
    case Menu::None:
        break;
    case Menu::File:
        return {"File1", "File"};
    case Menu::Visualizza:
        return {"Visualizza1", "Visualizza"};
    case Menu::Database:
        return {"Database1", "Database"};
    case Menu::Preferenze:
        return {"Preferenze1", "Preferenze"};
    case Menu::Help:
        return {"Help1", "Help"};
    }
    return {"", ""};
}

Container toolBar(ToolBar bar)
{
    switch (bar) {
    case ToolBar::None:
        break;
    case ToolBar::Database:
        return {"ToolBar1", "Database"};
    case ToolBar::Progetti:
        return {"ToolBar2", "Progetti"};
    case ToolBar::Visualizza:
        return {"ToolBar3", "Visualizza"};
    }
    return {"", ""};
}

} // namespace ActionTable
