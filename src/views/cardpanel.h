#pragma once

#include "core/gridcolumns.h"

#include <QWidget>

#include <array>
#include <functional>
#include <tuple>

class Query;
class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;

// The 21 label/editor pairs of a card, with the state box and the date editor laid over an
// editor when it is clicked. The main window's card and the input sheet each hold one; they
// differ only in where the pairs stand and in the names of the two boxes.
class CardPanel : public QWidget
{
    Q_OBJECT

public:
    static constexpr int kPairs = int(std::tuple_size_v<CardPairs>);

    // Where the pairs stand, in pixels: pair k (0-based) at top + k * rowStep.
    struct Layout
    {
        int labelLeft = 8;
        int labelTop = 20;
        int labelWidth = 105;
        int labelHeight = 17;
        int editorLeft = 120;
        int editorTop = 16;
        int editorHeight = 21;
        int rowStep = 24;
        int lastLabelTop = -1; // the last label's own top and width, where it differs
        int lastLabelWidth = -1;
    };

    CardPanel(const Layout &layout, const QString &stateBoxName, const QString &datePickerName,
              QWidget *parent = nullptr);

    // The main window's card "Panel2": read-only editors until the editing takes them over,
    // a click on editor k calling `editorClicked(k + 1)`, and the drill-down's two pictures
    // "Image1" (released) and "Image2" (pressed).
    static CardPanel *createMainCard(QWidget *parent, std::function<void(int pair)> editorClicked);

    QLabel *label(int k) const { return labels_[size_t(k)]; }      // 0-based
    QLineEdit *editor(int k) const { return editors_[size_t(k)]; } // 0-based
    // The index (0-based) of `widget` among the editors, -1 when it is none of them.
    int editorIndex(const QObject *widget) const;
    QComboBox *stateBox() const { return stateBox_; }
    QDateEdit *datePicker() const { return datePicker_; }
    const Layout &layout() const { return layout_; }

    // The pairs as plain data: what each shows and which field it is bound to.
    CardPairs &pairs() { return pairs_; }
    const CardPairs &pairs() const { return pairs_; }
    // Labels, visibility and editor widths as the pairs say.
    void mirror();
    // The input sheet's editors show and write only a row being inserted; the card's show
    // and write the current row.
    void setNewRowOnly(bool newRowOnly) { newRowOnly_ = newRowOnly; }
    // Each editor shows its bound field of the row; an editor holding typed text that the
    // field has not taken yet keeps it.
    void refresh(const Query &query);
    // Writes what editor `k` (0-based) holds into its bound field. A text the field cannot
    // take yet (a date typed halfway) stays pending, the row being edited, and is written once
    // it is complete or when the editor is left: `leaving` writes pending text only and lets
    // the data layer's refusal through, the text staying for the user to correct.
    void writeTypedText(int k, Query &query, bool leaving);
    void forgetTypedText() { typedPending_.fill(false); }
    // The state box lists `states` and keeps the text it shows.
    void fillStateBox(const QStringList &states);
    // Colours pair `k` (0-based) by its label and the current row of `query`.
    void colourPair(int k, const Query &query);
    void colourPairs(const Query &query);
    // The click on editor `pair` (1 to 21): a link opens through the desktop, a state or a
    // date gets the state box or the date editor laid over it (`dateFieldSelector` set).
    void openEditor(int pair, int *dateFieldSelector);

    // Told, as the user types or the row changes, what a code shown on the panel lacks
    // ("Codice fiscale da verificare: ..."), or an empty text when the codes are right.
    std::function<void(const QString &)> codeWarning;
    // The warning for `text` in `field`: empty unless the field is a code that fails its check.
    static QString codeWarningFor(const QString &field, const QString &text);

private:
    // The result column editor `k` shows and writes, -1 when there is none.
    int boundColumn(int k, const Query &query) const;
    // A code that fails its check shows in red, with the reason as its tip.
    void markCode(int k);

    Layout layout_;
    bool newRowOnly_ = false;
    std::array<bool, kPairs> typedPending_{}; // typed text the field could not take yet
    CardPairs pairs_;
    std::array<QLabel *, kPairs> labels_{};
    std::array<QLineEdit *, kPairs> editors_{};
    QComboBox *stateBox_ = nullptr;
    QDateEdit *datePicker_ = nullptr;
};
