#pragma once

#include "views/gridcolumns.h"

#include <QWidget>

#include <array>

class Principale;
class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QPushButton;

// The input sheet: one label/editor pair per field of a new record of the current result.
class FormInput : public QWidget
{
    Q_OBJECT

public:
    static constexpr int kPairs = 21;

    explicit FormInput(Principale *main);

    CardPairs &pairs() { return pairs_; }
    void UnbindInputSheetEditors();
    QLineEdit *editor(int k) const { return DBEdit[size_t(k)]; } // 0-based
    QLabel *label(int k) const { return DBText[size_t(k)]; }

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void mirrorPairs();

    Principale *main_; // Not owned.
    CardPairs pairs_;
    QLabel *Label8 = nullptr;
    std::array<QLabel *, kPairs> DBText{};
    std::array<QLineEdit *, kPairs> DBEdit{};
    QPushButton *Button1 = nullptr;
    QComboBox *ComboBox1 = nullptr;
    QDateEdit *DateTimePicker1 = nullptr;
};
