#pragma once

#include "queries/complexquery.h"

#include <QWidget>

#include <array>

class DropDownBox;
class QLabel;
class QPushButton;
class QToolButton;
class ResultScreen;
class Workspace;

// The complex query window: up to five conditions (field, operator, value) joined by AND or
// OR, run as the main window's result. Lays the rows out, shows and hides them, fills the
// lists from the catalogue and the database; ComplexQuery builds the statement and refuses
// rows that cannot make one.
class QueryComplessa : public QWidget
{
    Q_OBJECT

public:
    static constexpr int kRows = 5;

    // `screen` is the main window's screen (Not owned).
    QueryComplessa(Workspace &workspace, ResultScreen &screen);
    ~QueryComplessa() override;

    // Events; rows count from 1.
    void ComboBox1DropDown();
    void valueListDropDown(int row);
    void speedButtonClick(int row);
    void Button1Click();

    bool isRowShown(int row) const;

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    struct Row
    {
        DropDownBox *field = nullptr;
        DropDownBox *op = nullptr;
        DropDownBox *value = nullptr;
        QToolButton *button = nullptr;
        DropDownBox *connectorAbove = nullptr; // none for row 1
    };

    DropDownBox *addBox(int number, int left, int top, int width);
    void setRowShown(int row, bool shown);
    bool isRowComplete(int row) const;
    QStringList visibleFieldLabels() const;
    QList<ConditionRow> shownRows() const;
    QStringList columnsOf(const QString &table);

    Workspace &workspace_;
    ResultScreen &screen_; // Not owned.
    std::array<Row, kRows> rows_;
    QLabel *Label1 = nullptr;
    QPushButton *Button1 = nullptr;
};
