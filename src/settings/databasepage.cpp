#include "settings/databasepage.h"

#include "core/dialogs.h"
#include "data/database.h"
#include "data/dberror.h"
#include "data/serverschema.h"
#include "settings/databasechoice.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {

// libpq's encryption modes, in the order the list shows them.
const QStringList kSslModes = {QStringLiteral("disable"), QStringLiteral("prefer"), QStringLiteral("require"),
                               QStringLiteral("verify-ca"), QStringLiteral("verify-full")};

bool sameServer(const std::optional<PgSettings> &a, const std::optional<PgSettings> &b)
{
    if (a.has_value() != b.has_value())
        return false;
    if (!a)
        return true;
    return a->host == b->host && a->port == b->port && a->database == b->database && a->user == b->user
           && a->sslMode == b->sslMode;
}

} // namespace

DatabasePage::DatabasePage(const ProgramPaths &paths, QWidget *parent) : QWidget(parent), paths_(paths)
{
    setObjectName(QStringLiteral("DatabasePage"));
    auto *frame = new QGroupBox(QStringLiteral("Database da usare"), this);
    fileButton_ = new QRadioButton(QStringLiteral("File su questo computer"), frame);
    fileButton_->setObjectName(QStringLiteral("DatabaseFile"));
    serverButton_ = new QRadioButton(QStringLiteral("Server dell'ufficio (PostgreSQL)"), frame);
    serverButton_->setObjectName(QStringLiteral("DatabaseServer"));

    host_ = new QLineEdit(frame);
    host_->setObjectName(QStringLiteral("Host"));
    port_ = new QSpinBox(frame);
    port_->setObjectName(QStringLiteral("Porta"));
    port_->setRange(1, 65535);
    port_->setValue(5432);
    name_ = new QLineEdit(frame);
    name_->setObjectName(QStringLiteral("Nome"));
    user_ = new QLineEdit(frame);
    user_->setObjectName(QStringLiteral("Utente"));
    ssl_ = new QComboBox(frame);
    ssl_->setObjectName(QStringLiteral("SSL"));
    ssl_->addItems(kSslModes);
    ssl_->setCurrentText(QStringLiteral("prefer"));
    test_ = new QPushButton(QStringLiteral("Prova collegamento"), frame);
    test_->setObjectName(QStringLiteral("ProvaCollegamento"));

    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("Server:"), host_);
    form->addRow(QStringLiteral("Porta:"), port_);
    form->addRow(QStringLiteral("Database:"), name_);
    form->addRow(QStringLiteral("Utente:"), user_);
    form->addRow(QStringLiteral("Cifratura:"), ssl_);
    form->addRow(QString(), test_);
    auto *column = new QVBoxLayout(frame);
    column->addWidget(fileButton_);
    column->addWidget(serverButton_);
    column->addLayout(form);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(frame);
    layout->addStretch();

    fileButton_->setChecked(true);
    connect(serverButton_, &QRadioButton::toggled, this, [this] { enableServerFields(); });
    connect(test_, &QPushButton::clicked, this, [this] { ProvaCollegamentoClick(); });
    enableServerFields();
}

void DatabasePage::load()
{
    try {
        loaded_ = DatabaseChoice::namedServer(paths_);
    } catch (const DbError &) {
        // A value the start-up already explained: the page starts from the file.
        loaded_.reset();
    }
    if (loaded_)
        showServer(*loaded_);
    (loaded_ ? serverButton_ : fileButton_)->setChecked(true);
    enableServerFields();
}

void DatabasePage::showServer(const PgSettings &settings)
{
    host_->setText(settings.host);
    port_->setValue(settings.port);
    name_->setText(settings.database);
    user_->setText(settings.user);
    const int mode = kSslModes.indexOf(settings.sslMode);
    ssl_->setCurrentIndex(mode >= 0 ? mode : kSslModes.indexOf(QStringLiteral("prefer")));
}

void DatabasePage::enableServerFields()
{
    const bool server = serverButton_->isChecked();
    for (QWidget *w : std::initializer_list<QWidget *>{host_, port_, name_, user_, ssl_, test_})
        w->setEnabled(server);
}

std::optional<PgSettings> DatabasePage::chosen() const
{
    if (!serverButton_->isChecked())
        return std::nullopt;
    PgSettings settings;
    settings.host = host_->text().trimmed();
    settings.port = port_->value();
    settings.database = name_->text().trimmed();
    settings.user = user_->text().trimmed();
    settings.sslMode = ssl_->currentText();
    return settings;
}

bool DatabasePage::apply()
{
    const std::optional<PgSettings> choice = chosen();
    if (sameServer(choice, loaded_))
        return true;
    if (choice && (choice->host.isEmpty() || choice->database.isEmpty())) {
        Dialogs::instance().error(QStringLiteral("Per usare il server dell'ufficio indicare almeno il server e il "
                                                 "database nella pagina \"Database\"."));
        return false;
    }
    QString error;
    if (!DatabaseChoice::nameServer(paths_, choice, &error)) {
        Dialogs::instance().error(error);
        return false;
    }
    loaded_ = choice;
    Dialogs::instance().message(
        choice ? QStringLiteral("Dal prossimo avvio il programma userà il database \"%1\" sul server %2.")
                     .arg(choice->database, choice->host)
               : QStringLiteral("Dal prossimo avvio il programma userà il file del database su questo computer."));
    return true;
}

void DatabasePage::ProvaCollegamentoClick()
{
    std::optional<PgSettings> settings = chosen();
    if (!settings)
        return;
    for (;;) {
        try {
            Database db;
            db.openServer(*settings);
            ServerSchema::checkStructure(db);
            QString text = QStringLiteral("Collegamento riuscito: il database %1 è pronto.").arg(db.description());
            if (db.isReadOnly())
                text += QStringLiteral("\n\n") + db.readOnlyMessage();
            Dialogs::instance().message(text);
            return;
        } catch (const DbPasswordError &e) {
            QString typed;
            if (!Dialogs::instance().password(QStringLiteral(
                                                  "%1\n\nPassword dell'utente %2 per il database \"%3\" sul server %4:")
                                                  .arg(e.text(), settings->user, settings->database, settings->host),
                                              &typed))
                return;
            settings->password = typed;
        } catch (const DbError &e) {
            Dialogs::instance().error(e.text());
            return;
        }
    }
}
