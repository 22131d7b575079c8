#include "app/drilldownbutton.h"

#include "app/mainbars.h"

#include <QAction>
#include <QLabel>
#include <QToolButton>

DrillDownButton::DrillDownButton(QToolButton *button, QAction *add, const QLabel *released, const QLabel *pressed) :
    button_(button), add_(add), released_(released), pressed_(pressed)
{}

void DrillDownButton::SpeedButton1Click()
{
    showPicture();
    if (button_->isChecked()) {
        addWasEnabled_ = add_->isEnabled();
        add_->setEnabled(false);
    } else if (addWasEnabled_) {
        add_->setEnabled(true);
    }
}

void DrillDownButton::reset(const QString &caption)
{
    button_->setChecked(false);
    button_->setEnabled(true);
    button_->setText(caption);
    showPicture();
}

void DrillDownButton::setCaption(const QString &caption) { button_->setText(caption); }

void DrillDownButton::setEnabled(bool enabled) { button_->setEnabled(enabled); }

bool DrillDownButton::isPressed() const { return button_->isChecked(); }

void DrillDownButton::showPicture()
{
    const bool pressed = button_->isChecked();
    button_->setIcon(QIcon((pressed ? pressed_ : released_)->pixmap()));
    MainBars::setCaptionColour(button_, MainBars::drillDownColour(pressed));
}
