#pragma once

#include <QWidget>

#include <functional>

class DropDownBox;
class QComboBox;
class QLineEdit;
class ResultScreen;
class Workspace;

// The box on the second tool bar: the quick search's field box `ComboBox1` and search box
// `Edit1`, with the record navigator below them. Every change of the search text narrows
// the current result by a row filter (QuickSearch builds it); no statement runs.
class QuickSearchBox : public QWidget
{
    Q_OBJECT

public:
    // `beforeMove` runs before a navigator button moves the current row; it may refuse by
    // throwing (a text the field cannot take).
    // `screen` shows the status line (Not owned).
    QuickSearchBox(Workspace &workspace, ResultScreen &screen, std::function<void()> beforeMove,
                   QWidget *parent = nullptr);

    QComboBox *fieldBox() const;
    QLineEdit *searchEdit() const { return Edit1; }

    // The field list is rebuilt from the grid's columns each time it opens.
    void ComboBox1DropDown();
    // Filters the result by the field box's field and the search text, and writes the status.
    void Edit1Change();
    // A new query empties the search text: the filter goes off, and the status line is left
    // to the query, which writes its own (or keeps the last one when it cannot run).
    void clearSearchText();

private:
    QWidget *createNavigator();

    Workspace &workspace_;
    ResultScreen &screen_; // Not owned.
    std::function<void()> beforeMove_;
    DropDownBox *ComboBox1 = nullptr;
    QLineEdit *Edit1 = nullptr;
    QWidget *DBNavigator1 = nullptr;
};
