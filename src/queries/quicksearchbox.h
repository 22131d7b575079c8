#pragma once

#include <QWidget>

#include <functional>

class QComboBox;
class QLineEdit;
class Workspace;

// The box on the second tool bar: the quick search's field box `ComboBox1` and search box
// `Edit1`, with the record navigator below them.
class QuickSearchBox : public QWidget
{
    Q_OBJECT

public:
    // `beforeMove` runs before a navigator button moves the current row; it may refuse by
    // throwing (a text the field cannot take).
    QuickSearchBox(Workspace &workspace, std::function<void()> beforeMove, QWidget *parent = nullptr);

    QComboBox *fieldBox() const { return ComboBox1; }
    QLineEdit *searchEdit() const { return Edit1; }

private:
    QWidget *createNavigator();

    Workspace &workspace_;
    std::function<void()> beforeMove_;
    QComboBox *ComboBox1 = nullptr;
    QLineEdit *Edit1 = nullptr;
    QWidget *DBNavigator1 = nullptr;
};
