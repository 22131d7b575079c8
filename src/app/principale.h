#pragma once

#include "app/globals.h"
#include "queries/standardqueries.h"
#include "views/gridcolumns.h"

#include <QMainWindow>

#include <array>
#include <memory>

class Database;
class FormInput;
class Info;
class Opzioni;
class Query;
class QueryComplessa;
class QueryStandard;
class ResultModel;
class Table;
class QAction;
class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QTableView;
class QToolBar;
class QToolButton;
class QWheelEvent;
class GridDelegate;
class EditorEventFilter;
class QEvent;
namespace KeyFilter {
struct Context;
struct Outcome;
enum class Place;
}

// The main window: owns the connection, the one query whose rows are the current result,
// the protection row and the shared state; shows the result as a grid or as a card.
// Built in parts: principale.cpp (widgets, grid and card mirroring, shutdown),
// principale_menus.cpp (actions, menus, tool bars), principale_queries.cpp (the common
// query sequence, the standard queries and opening the database).
class Principale : public QMainWindow
{
    Q_OBJECT

public:
    static constexpr int kPairs = 21;

    explicit Principale(const QString &programDir, QWidget *parent = nullptr);
    ~Principale() override;

    const QString &programDir() const { return programDir_; }
    Globals &globals() { return globals_; }
    Database &connection() { return *ADOConnection1; }
    Query *query() const { return ADOQuery1.get(); }
    Table *protezione() const { return Protezione.get(); }
    ResultModel *model() const { return model_.get(); }
    QTableView *grid() const { return DBGrid1; }
    GridColumns &gridColumns() { return gridColumns_; }
    CardPairs &cardPairs() { return cardPairs_; }
    QAction *action(const QString &name) const;

    // The other windows register themselves when they are created.
    void setInputSheet(FormInput *sheet) { inputSheet_ = sheet; }
    void setComplexQuery(QueryComplessa *window) { complexQuery_ = window; }
    void setConditionDialog(QueryStandard *dialog) { conditionDialog_ = dialog; }
    void setOptions(Opzioni *dialog) { options_ = dialog; }
    void setAbout(Info *box) { about_ = box; }
    FormInput *inputSheet() const { return inputSheet_; }

    // Opening the database at start-up: the connection with the protection row, the
    // check lists of the visible fields, the query chosen for the start.
    void openConnection();
    void FillFieldCheckLists();
    void runInitialQuery(bool atStartup);

    // The common query sequence every query follows when it replaces the result.
    void runQuery(const QueryDescription &description);
    void runStandardQuery(StandardQuery query);
    void UnbindCardEditors();
    // Saves a change typed into the current row and not saved yet.
    void saveTypedChange();
    // Binds the card's pairs to the columns of the current result.
    void SetUpCard();
    void BindCardPairs(); // binding only, colours untouched
    // The grid widget takes over hidden columns and widths from gridColumns().
    void mirrorGridColumns();
    void setStatusText(const QString &text);
    QString statusText() const;

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
    void OpzioniExecute();
    void Informazioni1Click();
    void MostraTabellaExecute();
    void MostraSchedaExecute();
    void Esci1Click();
    void DBGrid1MouseUp();
    void SpeedButton1Click();

    // Result views: drawing, sorting, card, drill-down.
    GridDelegate *gridDelegate() const { return gridDelegate_; }
    void DBGrid1TitleClick(int column);
    void DBGrid1ColExit(int column);
    // The steps of a click on a data cell of `column`; the clicked row is the current row.
    void DBGrid1CellClick(int column);
    void drillDownToProjects();
    void drillDownToPayments();
    void DBGrid1KeyUp(int key); // a Qt::Key
    void GridWheelDown();
    void GridWheelUp();
    // The key of the current row by the view, as the row mark compares it.
    QString currentRowKey() const;
    // Pairs are numbered 1 to 21, as DBText1/DBEdit1 to DBText21/DBEdit21.
    void ColourCardPair(int pair);
    void colourCardPairs();
    void OpenCardEditor(int pair);

    // Editing: insertion, in-place editors, deletion and totals.
    void InserisciExecute();
    void ADOQuery1AfterInsert();
    void BottoneSchedaInputExecute();
    void EliminaExecute();
    // Ctrl+Delete in the grid: the grid's own deletion, after its own question.
    void DeleteFromGrid();
    void ADOQuery1BeforeDelete();
    void ADOQuery1AfterDelete();
    void ADOQuery1AfterPost();
    bool PaymentsResultTest() const;
    void AddPaymentToProject();
    void SubtractPaymentFromProject();
    // The key filters: true when the editor is to receive the key. `pair` counts from 1.
    bool DBGrid1KeyPress(QChar key);
    bool CardKeyFilter(int pair, QChar key);
    // False when the drop-down may not open (a saved payment's date).
    bool DateTimePicker1DropDown();
    void DateTimePicker1Change();
    void DateTimePicker2Enter();
    bool DateTimePicker2DropDown();
    void DateTimePicker2Exit();
    void ComboBox2DropDown();
    void ComboBox2Exit();

    // Writes the preferences when the program ends; the settings file fills it in.
    void SaveSettings();

Q_SIGNALS:
    // The main window has closed: the program ends.
    void programEnding();

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void createActions();
    void createMenus();
    void createToolBars();
    void createCentralArea();
    QWidget *createCardPanel();
    QWidget *createSearchBox();
    void createStatusBar();
    QAction *addAction(const QString &name, const QString &caption, const QString &themeIcon,
                       const QString &iconFile, void (Principale::*handler)() = nullptr);
    QToolButton *addToolButton(QToolBar *bar, QAction *action, const QString &caption, const QColor &colour);

    void resetDrillDownButton(const QString &caption);
    void showDrillDownPicture();
    void mirrorCardPairs();
    void refreshCardEditors();
    void showCurrentRowInGrid();
    void gridCurrentChanged(int row);
    void gridSectionResized(int logical, int newSize);

    QString programDir_;
    Globals globals_;

    // Declared in this order so that the model goes first and the connection last.
    std::unique_ptr<Database> ADOConnection1;
    std::unique_ptr<Query> ADOQuery1;
    std::unique_ptr<Table> Protezione;
    std::unique_ptr<ResultModel> model_;

    GridColumns gridColumns_;
    CardPairs cardPairs_;

    QToolButton *BitBtn1 = nullptr;
    QToolButton *BitBtn2 = nullptr;
    QToolButton *SpeedButton1 = nullptr;
    QComboBox *ComboBox1 = nullptr;
    QLineEdit *Edit1 = nullptr;
    QWidget *DBNavigator1 = nullptr;
    QWidget *Panel1 = nullptr;
    QWidget *Panel2 = nullptr;
    QTableView *DBGrid1 = nullptr;
    QDateEdit *DateTimePicker1 = nullptr;
    QLabel *Image1 = nullptr;
    QLabel *Image2 = nullptr;
    std::array<QLabel *, kPairs> DBText{};
    std::array<QLineEdit *, kPairs> DBEdit{};
    QLabel *statusPanel_ = nullptr;

    // Result views: drawing, sorting, card, drill-down.
    void createResultViews();
    void placeGridDatePicker(const QModelIndex &index, const QRect &cellRect);
    void gridWheel(QWheelEvent *event);
    // The drill-down's own steps around opening its statement.
    void replaceResultForDrillDown(const QStringList &lines);
    void applyColumnPassesForDrillDown();
    void setSelectedKeyFromCurrentRow();
    GridDelegate *gridDelegate_ = nullptr;
    QComboBox *ComboBox2 = nullptr;
    QDateEdit *DateTimePicker2 = nullptr;
    bool AddWasEnabled = false;
    int wheelRemainder_ = 0; // a wheel turned by less than a notch moves no row yet

    // Editing: insertion, in-place editors, deletion and totals.
    void setUpEditing();
    bool gridEditorEvent(QWidget *editor, QEvent *event);
    bool gridKeyEvent(QEvent *event);
    bool cardEditorEvent(int pair, QEvent *event);
    bool pasteAccepted(KeyFilter::Place place, int column) const;
    KeyFilter::Context keyContext() const;
    void applyKeyOutcome(const KeyFilter::Outcome &outcome, int column, QDateEdit *datePicker);
    bool startDateEditing();
    void writeCardEditor(int pair, bool leaving);
    void writePendingCardEditors();
    void reopenPaymentsAfterSave();
    QString paymentProjectKey() const;
    void updateProjectTotal(const QString &projectKey, double amount);
    EditorEventFilter *editingHook_ = nullptr;
    std::array<bool, kPairs> cardTextPending_{}; // typed text the field could not take yet
    long double DeletedPaymentAmount = 0;
    QString deletedPaymentProject_;
    bool newRowPending_ = false; // the row being saved was inserted, not edited

    FormInput *inputSheet_ = nullptr;      // Not owned.
    QueryComplessa *complexQuery_ = nullptr; // Not owned.
    QueryStandard *conditionDialog_ = nullptr; // Not owned.
    Opzioni *options_ = nullptr;           // Not owned.
    Info *about_ = nullptr;                // Not owned.
};
