#pragma once

#include <QComboBox>

#include <functional>

// An editable drop-down list that runs a handler just before its list opens, whichever way
// the user opens it (mouse, F4, Alt+Down): the query windows rebuild their lists from the
// database at that moment. Enter never adds the typed text to the list.
class DropDownBox : public QComboBox
{
    Q_OBJECT

public:
    explicit DropDownBox(QWidget *parent = nullptr);

    void setDropDownHandler(std::function<void()> handler) { dropDown_ = std::move(handler); }
    void showPopup() override;

    // Empties the list and the typed text; `items` become the list, nothing is chosen.
    void replaceItems(const QStringList &items);

private:
    std::function<void()> dropDown_;
};
