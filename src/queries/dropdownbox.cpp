#include "queries/dropdownbox.h"

DropDownBox::DropDownBox(QWidget *parent) : QComboBox(parent)
{
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
}

void DropDownBox::showPopup()
{
    if (dropDown_)
        dropDown_();
    QComboBox::showPopup();
}

void DropDownBox::replaceItems(const QStringList &items)
{
    clear();
    addItems(items);
    // Adding to an empty box would choose its first entry; the typed text stays empty.
    setCurrentIndex(-1);
    setEditText(QString());
}
