#include "app/principale.h"

#include "app/mainbars.h"
#include "core/errorhandler.h"
#include "editing/maineditors.h"
#include "exchange/sheetexchange.h"
#include "queries/quicksearchbox.h"

#include <QLabel>
#include <QToolButton>

void Principale::createBars()
{
    MainBars::createActions(this);
    MainBars::createMenus(this);
    searchBox_ = new QuickSearchBox(workspace_, *this, [this] { editors_->writePendingCardEditors(); });
    searchBox_->setObjectName(QStringLiteral("SearchBox"));
    const MainBars::Buttons buttons = MainBars::createToolBars(this, searchBox_);
    BitBtn1 = buttons.BitBtn1;
    BitBtn2 = buttons.BitBtn2;
    SpeedButton1 = buttons.SpeedButton1;
    connect(SpeedButton1, &QToolButton::clicked, this, [this] { ErrorHandler::guard([this] { SpeedButton1Click(); }); });

    // Each action runs its handler under the global error handler.
    const std::pair<const char *, void (Principale::*)()> handlers[] = {
        {"Esci1", &Principale::Esci1Click},
        {"MostraTabella", &Principale::MostraTabellaExecute},
        {"MostraScheda", &Principale::MostraSchedaExecute},
        {"QueryCommittente", &Principale::QueryCommittenteExecute},
        {"QueryProgetto", &Principale::QueryProgettoExecute},
        {"PersonalizzaQuery", &Principale::PersonalizzaQueryExecute},
        {"Nome", &Principale::NomeExecute},
        {"Qualifica", &Principale::QualificaExecute},
        {"Citta", &Principale::CittaExecute},
        {"Stato", &Principale::StatoExecute},
        {"QueryConProgetti", &Principale::QueryConProgettiExecute},
        {"QuerySenzaProgetti", &Principale::QuerySenzaProgettiExecute},
        {"Comune", &Principale::ComuneExecute},
        {"QueryNonPagati", &Principale::QueryNonPagatiExecute},
        {"QueryPagati", &Principale::QueryPagatiExecute},
        {"InCorso", &Principale::InCorsoExecute},
        {"QuerySospesi", &Principale::QuerySospesiExecute},
        {"Inserisci", &Principale::InserisciExecute},
        {"Elimina", &Principale::EliminaExecute},
        {"BottoneSchedaInput", &Principale::BottoneSchedaInputExecute},
        {"Opzioni", &Principale::OpzioniExecute},
        {"CollegamentoDesktop", &Principale::CollegamentoDesktopExecute},
        {"CollegamentoInProgrammi", &Principale::CollegamentoInProgrammiExecute},
        {"Manuale1", &Principale::Manuale1Click},
        {"Formattesto", &Principale::FormattestoExecute},
        {"Informazioni1", &Principale::Informazioni1Click},
        {"Stampa1", &Principale::Stampa1Click},
        {"AnteprimaDiStampa1", &Principale::AnteprimaDiStampa1Click},
        {"EsportaInPDF1", &Principale::EsportaInPDF1Click},
        {"BackupDatabase1", &Principale::BackupDatabase1Click},
        {"RipristinaBackup1", &Principale::RipristinaBackup1Click},
        {"ImportaArchivioPrecedente1", &Principale::ImportaArchivioPrecedente1Click},
        {"RicalcolaImportiPagati1", &Principale::RicalcolaImportiPagati1Click},
    };
    for (const auto &[name, handler] : handlers) {
        connect(action(QLatin1String(name)), &QAction::triggered, this,
                [this, handler = handler] { ErrorHandler::guard([this, handler] { (this->*handler)(); }); });
    }
    SheetExchange::connectFileAction(
        action(QStringLiteral("SalvaInXLS")), true, [this] { return SalvaInXLSBeforeExecute(); },
        [this](const QString &path, const QString &filter) { SalvaInXLSAccept(path, filter); });
    SheetExchange::connectFileAction(
        action(QStringLiteral("ImportaDaExcel")), false, [this] { return ImportaDaExcelBeforeExecute(); },
        [this](const QString &path, const QString &filter) { ImportaDaExcelAccept(path, filter); });
}

QAction *Principale::action(const QString &name) const { return MainBars::action(this, name); }

void Principale::showDrillDownPicture()
{
    const bool pressed = SpeedButton1->isChecked();
    SpeedButton1->setIcon(QIcon((pressed ? Image2 : Image1)->pixmap()));
    MainBars::setCaptionColour(SpeedButton1, MainBars::drillDownColour(pressed));
}
