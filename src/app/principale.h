#pragma once

#include "app/mainbars.h"
#include "core/dialogs.h"
#include "core/resultscreen.h"
#include "core/workspace.h"
#include "queries/standardqueries.h"
#include "views/cardpanel.h"

#include <QMainWindow>

#include <memory>

class DrillDown;
class FormInput;
class GridController;
class GridDelegate;
class Info;
class MainEditors;
class MainSettings;
class Opzioni;
class QueryComplessa;
class QueryStandard;
class QuickSearchBox;
class RecordActions;
class RecordHooks;
class SheetExchange;
class ContactExchange;
class ResultModel;
class QAction;
class QDateEdit;
class QLabel;
class QTableView;
class QToolButton;

// The main window: owns the workspace and shows the result as a grid or as a card; its
// handlers forward to the rooms that do the work (see ARCHITECTURE.md).
class Principale : public QMainWindow, public ResultScreen
{
    Q_OBJECT

public:
    static constexpr int kPairs = CardPanel::kPairs; // the card's label/editor pairs

    explicit Principale(const QString &programDir, QWidget *parent = nullptr);
    ~Principale() override;

    Workspace &workspace() { return workspace_; }
    const QString &programDir() const { return workspace_.programDir(); }
    Globals &globals() { return workspace_.globals(); }
    Database &connection() { return workspace_.connection(); }
    Query *query() const { return workspace_.query(); }
    Table *protezione() const { return workspace_.protezione(); }
    GridColumns &gridColumns() { return workspace_.gridColumns(); }
    ResultModel *model() const { return model_.get(); }
    QTableView *grid() const { return DBGrid1; }
    QWidget *gridPanel() const { return Panel1; }
    CardPanel *cardPanel() const { return Panel2; }
    GridDelegate *gridDelegate() const;
    CardPairs &cardPairs();
    QAction *action(ActionId id) const;
    QAction *action(const QString &name) const; // by object name, nullptr when none

    // The other windows, as the start-up wires them (Not owned).
    void setInputSheet(FormInput *sheet);
    void setComplexQuery(QueryComplessa *window) { complexQuery_ = window; }
    void setConditionDialog(QueryStandard *dialog) { conditionDialog_ = dialog; }
    void setOptions(Opzioni *dialog) { options_ = dialog; }
    void setSettings(MainSettings *settings) { settings_ = settings; }
    void setAbout(Info *box) { about_ = box; }
    FormInput *inputSheet() const { return inputSheet_; }

    // The query chosen for the start (or after the options): see StandardQueries::forInitialKind.
    void runInitialQuery(bool atStartup);
    void runQuery(const ResultStep &description);
    void runStandardQuery(StandardQuery query);
    void SetUpCard();
    void BindCardPairs();
    void UnbindCardEditors();
    void mirrorGridColumns();
    QString statusText() const;
    // A passing notice in the status bar (over the panels for a few seconds); empty: none.
    void showNotice(const QString &text);

    // Handlers of the actions.
    void QueryCommittenteExecute();
    void QueryConProgettiExecute();
    void QuerySenzaProgettiExecute();
    void QueryProgettoExecute();
    void InCorsoExecute();
    void ComuneExecute();
    void QuerySospesiExecute();
    void QueryNonPagatiExecute();
    void QueryPagatiExecute();
    void PersonalizzaQueryExecute();
    void NomeExecute();
    void QualificaExecute();
    void CittaExecute();
    void StatoExecute();
    void OpzioniExecute();
    void CollegamentoDesktopExecute();
    void CollegamentoInProgrammiExecute();
    void Manuale1Click();
    void FormattestoExecute();
    void Informazioni1Click();
    void MostraTabellaExecute();
    void MostraSchedaExecute();
    void Esci1Click();
    void Stampa1Click();
    void AnteprimaDiStampa1Click();
    void EsportaInPDF1Click();
    void BackupDatabase1Click();
    void RipristinaBackup1Click();
    void ImportaArchivioPrecedente1Click();
    void RicalcolaImportiPagati1Click();
    void SpeedButton1Click();

    // Result views.
    void DBGrid1TitleClick(int column);
    void DBGrid1CellClick(int column);
    void drillDownToProjects();
    void drillDownToPayments();
    QString currentRowKey() const;
    void colourCardPairs();
    void OpenCardEditor(int pair);

    // Editing.
    void InserisciExecute();
    void BottoneSchedaInputExecute();
    void EliminaExecute();
    void DeleteFromGrid();
    bool PaymentsResultTest() const;
    bool DateTimePicker1DropDown();
    void DateTimePicker1Change();
    bool DateTimePicker2DropDown();
    void DateTimePicker2Exit();
    void ComboBox2DropDown();
    void ComboBox2Exit();

    // Spreadsheet exchange: each file action prepares its dialog, then takes the confirmed file.
    Dialogs::FileRequest SalvaInXLSBeforeExecute();
    void SalvaInXLSAccept(const QString &path, const QString &filter);
    Dialogs::FileRequest ImportaDaExcelBeforeExecute();
    void ImportaDaExcelAccept(const QString &path, const QString &filter);
    // Address book exchange (vCard, CSV) and the persons whose codes fail their check.
    Dialogs::FileRequest EsportaVCardBeforeExecute();
    void EsportaVCardAccept(const QString &path, const QString &filter);
    Dialogs::FileRequest ImportaVCardBeforeExecute();
    void ImportaVCardAccept(const QString &path, const QString &filter);
    Dialogs::FileRequest EsportaCSVBeforeExecute();
    void EsportaCSVAccept(const QString &path, const QString &filter);
    Dialogs::FileRequest ImportaCSVBeforeExecute();
    void ImportaCSVAccept(const QString &path, const QString &filter);
    void CodiciDaVerificareExecute();

    // Writes the preferences when the program ends; the settings file fills it in.
    void SaveSettings();

    // What the query sequence, the drill-down and the editing steps tell the screen.
    void setSearchField(const QString &label) override;
    void clearSearchText() override;
    void setAddEnabled(bool enabled) override;
    void setDeleteEnabled(bool enabled) override;
    void resetDrillDown(const QString &caption) override;
    void setDrillDownCaption(const QString &caption) override;
    void setDrillDownEnabled(bool enabled) override;
    bool isDrillDownPressed() const override;
    void setGridEditable(bool editable) override;
    bool isGridEditable() const override;
    void unbindEditors() override;
    void showColumns() override;
    void setUpCard() override { SetUpCard(); }
    void bindCard() override { BindCardPairs(); }
    void colourCard() override { colourCardPairs(); }
    void hideGridDatePicker() override;
    void setStatusText(const QString &text) override;

Q_SIGNALS:
    // The main window has closed: the program ends.
    void programEnding();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void createCentralArea();
    void createBars(); // actions, menus, tool bars
    void createStatusBar();
    void showDrillDownPicture();
    void refreshCardEditors();

    Workspace workspace_;
    std::unique_ptr<ResultModel> model_;
    std::unique_ptr<RecordHooks> hooks_;
    std::unique_ptr<DrillDown> drillDown_;
    std::unique_ptr<RecordActions> records_;
    std::unique_ptr<SheetExchange> exchange_;
    std::unique_ptr<ContactExchange> contacts_;
    GridController *gridController_ = nullptr;
    MainEditors *editors_ = nullptr;

    MainBars::Actions actions_{};
    QToolButton *SpeedButton1 = nullptr;
    QuickSearchBox *searchBox_ = nullptr;
    QWidget *Panel1 = nullptr;
    CardPanel *Panel2 = nullptr;
    QTableView *DBGrid1 = nullptr;
    QDateEdit *DateTimePicker1 = nullptr;
    QLabel *Image1 = nullptr;
    QLabel *Image2 = nullptr;
    QLabel *statusPanel_ = nullptr;
    bool AddWasEnabled = false;

    FormInput *inputSheet_ = nullptr;          // Not owned.
    QueryComplessa *complexQuery_ = nullptr;   // Not owned.
    QueryStandard *conditionDialog_ = nullptr; // Not owned.
    Opzioni *options_ = nullptr;               // Not owned.
    MainSettings *settings_ = nullptr;         // Not owned.
    Info *about_ = nullptr;                    // Not owned.
};
