#pragma once

#include <QString>

class QAction;
class QLabel;
class QToolButton;

// The drill-down toggle `SpeedButton1` of the third tool bar: its caption, its picture and
// caption colour, released or pressed, and the "Aggiungi" action, disabled while the toggle
// is pressed and given back as it was once it is released.
class DrillDownButton
{
public:
    // The widgets are the main window's (Not owned); `released` and `pressed` hold the pictures.
    DrillDownButton(QToolButton *button, QAction *add, const QLabel *released, const QLabel *pressed);

    // After the user pressed or released the toggle.
    void SpeedButton1Click();
    // Released and enabled, with `caption`.
    void reset(const QString &caption);
    void setCaption(const QString &caption);
    void setEnabled(bool enabled);
    bool isPressed() const;

private:
    void showPicture();

    QToolButton *button_;
    QAction *add_;
    const QLabel *released_;
    const QLabel *pressed_;
    bool addWasEnabled_ = false;
};
