#include "core/dialogs.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QToolTip>
#include <QUrl>

namespace {

Dialogs *installed = nullptr;

QWidget *owner() { return QApplication::activeWindow(); }

// Every box carries the application's title.
QString title() { return QStringLiteral("Pratilio+"); }

} // namespace

Dialogs &Dialogs::instance()
{
    static QtDialogs real;
    return installed ? *installed : real;
}

void Dialogs::install(Dialogs *dialogs) { installed = dialogs; }

// A plain box: the text and its buttons, no icon.
static int plainBox(const QString &text, QMessageBox::StandardButtons buttons)
{
    QMessageBox box(QMessageBox::NoIcon, title(), text, buttons, owner());
    box.setDefaultButton(QMessageBox::Ok);
    return box.exec();
}

void Dialogs::notice(QWidget *widget, const QString &text)
{
    QApplication::beep();
    if (widget && widget->isVisible())
        QToolTip::showText(widget->mapToGlobal(QPoint(0, widget->height())), text, widget);
}

bool Dialogs::askYesNo(const QString &text)
{
    QMessageBox box(QMessageBox::Question, title(), text, QMessageBox::Yes | QMessageBox::No, owner());
    box.button(QMessageBox::Yes)->setText(QStringLiteral("Sì"));
    box.button(QMessageBox::No)->setText(QStringLiteral("No"));
    box.setDefaultButton(QMessageBox::Yes);
    return box.exec() == QMessageBox::Yes;
}

bool Dialogs::askText(const QString &text, bool secret, QString *answer)
{
    bool ok = false;
    const QString typed = QInputDialog::getText(owner(), title(), text,
                                                secret ? QLineEdit::Password : QLineEdit::Normal, QString(), &ok);
    if (ok)
        *answer = typed;
    return ok;
}

void QtDialogs::message(const QString &text) { plainBox(text, QMessageBox::Ok); }

void QtDialogs::error(const QString &text) { QMessageBox::critical(owner(), title(), text, QMessageBox::Ok); }

bool QtDialogs::question(const QString &text)
{
    return plainBox(text, QMessageBox::Ok | QMessageBox::Cancel) == QMessageBox::Ok;
}

bool Dialogs::password(const QString &text, QString *password)
{
    Q_UNUSED(text);
    Q_UNUSED(password);
    return false;
}

bool QtDialogs::password(const QString &text, QString *password)
{
    bool ok = false;
    const QString typed = QInputDialog::getText(owner(), title(), text, QLineEdit::Password, QString(), &ok);
    if (ok)
        *password = typed;
    return ok;
}

bool QtDialogs::openExternal(const QString &target)
{
    const QUrl url = QUrl::fromUserInput(target);
    return QDesktopServices::openUrl(url);
}

// Qt's own file dialogs. Replacing an existing file is the caller's question, so the
// dialog does not ask it as well.
static QString fileDialog(QFileDialog::AcceptMode mode, const Dialogs::FileRequest &request, QString *filter)
{
    QFileDialog dialog(owner(), request.caption, request.folder);
    dialog.setAcceptMode(mode);
    dialog.setFileMode(mode == QFileDialog::AcceptSave ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    dialog.setNameFilters(request.filters);
    if (!request.defaultSuffix.isEmpty())
        dialog.setDefaultSuffix(request.defaultSuffix);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    if (filter)
        *filter = dialog.selectedNameFilter();
    return dialog.selectedFiles().constFirst();
}

QString QtDialogs::saveFileName(const FileRequest &request, QString *filter)
{
    return fileDialog(QFileDialog::AcceptSave, request, filter);
}

QString QtDialogs::openFileName(const FileRequest &request, QString *filter)
{
    return fileDialog(QFileDialog::AcceptOpen, request, filter);
}
