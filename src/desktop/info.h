#pragma once

#include <QDialog>

#include <functional>

class QLabel;

// The about box "Informazioni": the program's icon, name, version and credits, and the
// maker's e-mail address and web site as links. Shown without being modal; while it is open
// the main window takes no input, and closing it in any way gives control back.
class Info : public QDialog
{
    Q_OBJECT

public:
    // mainWindow is disabled while the box is shown. openTarget hands a "mailto:" address or a
    // web address to the desktop; without one the desktop services open it.
    explicit Info(QWidget *mainWindow, std::function<void(const QString &)> openTarget = {});

    static QString emailAddress();
    static QString webSite();

    // The e-mail link: opens "mailto:" followed by the address.
    void CommentsClick();
    // The web-site link: opens the site.
    void Label1Click();

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QLabel *addLink(const QString &objectName, const QString &text);

    QWidget *mainWindow_; // Not owned.
    std::function<void(const QString &)> openTarget_;
    QLabel *email_ = nullptr;
    QLabel *site_ = nullptr;
};
