#include "core/dialogs.h"

#include <QApplication>
#include <QDesktopServices>
#include <QMessageBox>
#include <QUrl>

namespace {

Dialogs *installed = nullptr;

QWidget *owner()
{
    return QApplication::activeWindow();
}

// Every box carries the application's title.
QString title()
{
    return QStringLiteral("Pratilio+");
}

} // namespace

Dialogs &Dialogs::instance()
{
    static QtDialogs real;
    return installed ? *installed : real;
}

void Dialogs::install(Dialogs *dialogs)
{
    installed = dialogs;
}

// A plain box: the text and its buttons, no icon.
static int plainBox(const QString &text, QMessageBox::StandardButtons buttons)
{
    QMessageBox box(QMessageBox::NoIcon, title(), text, buttons, owner());
    box.setDefaultButton(QMessageBox::Ok);
    return box.exec();
}

void QtDialogs::message(const QString &text)
{
    plainBox(text, QMessageBox::Ok);
}

void QtDialogs::error(const QString &text)
{
    QMessageBox::critical(owner(), title(), text, QMessageBox::Ok);
}

bool QtDialogs::question(const QString &text)
{
    return plainBox(text, QMessageBox::Ok | QMessageBox::Cancel) == QMessageBox::Ok;
}

bool QtDialogs::openExternal(const QString &target)
{
    const QUrl url = QUrl::fromUserInput(target);
    return QDesktopServices::openUrl(url);
}
