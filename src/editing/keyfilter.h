#pragma once

#include <QChar>
#include <QString>

// Which typed characters each kind of field accepts in the grid, on the card and in the
// input sheet, and what Enter and Backspace do there. The decision is made on the single
// character, before the editor sees it.
namespace KeyFilter {

enum class Place { Grid, Card, Sheet };

constexpr char16_t Backspace = 8;
constexpr char16_t Enter = 13;
constexpr char16_t Paste = 0x16; // Ctrl+V, as the editors hand it to the filters

struct Outcome
{
    bool pass = true;             // the editor receives the character
    bool paymentsMessage = false; // tell the user saved payments cannot be changed
    bool startEditing = false;
    bool clearDate = false;      // empty the field (and hide the date picker)
    bool dateFromPicker = false; // write the grid date picker's date into the field
    bool save = false;           // post the row
    bool confirmSheet = false;   // run the input sheet's confirm step
    // Typed into the editor in place of the key (which it does not receive): the decimal
    // comma for a point, a pasted amount with its point made a comma.
    QString typeInstead;
    // Why an amount refused the key, to be shown next to the editor; empty for a refusal
    // that needs no word (a letter in a digits-only field).
    QString notice;
};

struct Context
{
    bool paymentsResult = false; // the current result holds payments
    bool editing = false;        // the row is in the editing state
    bool inserting = false;      // the row is being inserted
    bool readOnly = false;       // the database was opened read-only: nothing is typed
    // The editor's text as it would be with the key taken (see textWithKey), or with the
    // pasted text for Paste; empty when unknown. Amount fields take a key or a paste only
    // where it leaves an amount being typed (see isAmountInProgress).
    QString textAfter;
    QString pasted; // Paste: the text it would put in
};

bool isProjectDate(const QString &field);
bool isPaymentField(const QString &field);
bool isPhoneField(const QString &field);
bool isDigitsOnly(const QString &field, Place place);
bool isAmountField(const QString &field);

// `text` with the characters from `selectionStart` (length `selectionLength`) replaced by
// `key`, or `key` inserted at `cursor` when nothing is selected.
QString textWithKey(const QString &text, int cursor, int selectionStart, int selectionLength, QChar key);
QString textWithKey(const QString &text, int cursor, int selectionStart, int selectionLength, const QString &typed);
// Whether `text` is an amount being typed: at most nine digits (leading zeros aside), then
// at most one comma and two decimals; so never past the largest amount.
bool isAmountInProgress(const QString &text);

Outcome decide(Place place, const QString &field, QChar key, const Context &context);

// The message shown wherever a saved payment would be changed.
QString paymentsMessage();

} // namespace KeyFilter
