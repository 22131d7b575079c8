#include "settings/password.h"

#include "core/dialogs.h"
#include "core/errorhandler.h"
#include "core/passwordhash.h"
#include "core/workspace.h"
#include "data/table.h"
#include "settings/passwordstyle.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>

Password::Password(Workspace &workspace, QWidget *mainWindow) :
    QDialog(nullptr, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
    workspace_(workspace),
    main_(mainWindow)
{
    setObjectName(QStringLiteral("Password"));
    setWindowTitle(QStringLiteral("                                     PASSWORD"));
    setFixedSize(300, 130);

    Label1 = new QLabel(QStringLiteral("Inserisci Password:"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(24, 24, 120, 17);
    Edit1 = new QLineEdit(this);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setGeometry(144, 20, 130, 21);
    auto *style = new PasswordStyle;
    style->setParent(Edit1);
    Edit1->setStyle(style);
    Edit1->setEchoMode(QLineEdit::Password);

    Button1 = new QPushButton(QStringLiteral("Conferma"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setGeometry(56, 72, 85, 27);
    Button2 = new QPushButton(QStringLiteral("Annulla"), this);
    Button2->setObjectName(QStringLiteral("Button2"));
    Button2->setGeometry(160, 72, 85, 27);
    // Enter is handled by the edit field alone, so that it is not also a default button press.
    Button1->setAutoDefault(false);
    Button2->setAutoDefault(false);

    connect(Button1, &QPushButton::clicked, this, [this] { ErrorHandler::guard([this] { ConfermaClick(); }); });
    connect(Edit1, &QLineEdit::returnPressed, this, [this] { ErrorHandler::guard([this] { ConfermaClick(); }); });
    connect(Button2, &QPushButton::clicked, this, [this] { ErrorHandler::guard([this] { AnnullaClick(); }); });

    // A database that could not be opened has no protection row: its error has been shown
    // once already, and the prompt is not needed.
    ErrorHandler::guard([this] {
        Table *protection = workspace_.protezione();
        if (!protection->isActive())
            return;
        protection->first();
        code_ = protection->fieldByName(QStringLiteral("Codice")).asString();
    });
}

void Password::showPrompt()
{
    setModal(true);
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    show();
    Edit1->setFocus();
}

void Password::ConfermaClick()
{
    const PasswordHash::Check check = PasswordHash::check(code_, Edit1->text());
    if (!check.accepted) {
        Dialogs::instance().message(QStringLiteral("    Attenzione: Password errata!"));
        return;
    }
    // A password kept as plain text by an older version is replaced by its hash now that
    // it is known; if that fails, it stays as it was and is asked the same way next time.
    if (check.needsRehash)
        ErrorHandler::guard([this] { storeHash(Edit1->text()); });
    main_->showMaximized();
    hide();
}

void Password::storeHash(const QString &password)
{
    const QString hash = PasswordHash::hash(password);
    if (hash.isEmpty())
        return;
    storeCodice(workspace_, hash);
    code_ = hash;
}

void Password::storeCodice(Workspace &workspace, const QString &codice)
{
    Table *protection = workspace.protezione();
    protection->first();
    protection->edit();
    try {
        protection->fieldByName(QStringLiteral("Codice")).setAsString(codice);
        protection->post();
    } catch (...) {
        // The row must not stay in edit mode with a value that was not stored.
        protection->cancel();
        throw;
    }
}

void Password::AnnullaClick()
{
    hide();
    main_->close();
}

void Password::reject()
{
    // Escape does not get past the prompt.
}

void Password::closeEvent(QCloseEvent *event)
{
    // Only "Conferma" and "Annulla" leave the prompt.
    event->ignore();
}
