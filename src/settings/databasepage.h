#pragma once

#include "data/pgconnection.h"

#include <QWidget>

#include <optional>

class ProgramPaths;
class QComboBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;

// The options' "Database" page: the file of this desk, or the office's PostgreSQL server
// (host, port, database, user, encryption), with a button that tries the connection. What it
// sets is written into Default.ini's [DATABASE] section by apply() and holds from the next
// start; the server's password is never written there.
class DatabasePage : public QWidget
{
    Q_OBJECT

public:
    explicit DatabasePage(const ProgramPaths &paths, QWidget *parent = nullptr);

    // Shows what Default.ini names now.
    void load();
    // The server the page names; nullopt for the file.
    std::optional<PgSettings> chosen() const;
    // Writes the choice into Default.ini when it differs from what is there, and tells the
    // user it holds from the next start. False, said to the user, when it cannot be written.
    bool apply();
    // Opens a connection with the page's settings and says how it went.
    void ProvaCollegamentoClick();

    QRadioButton *fileButton() const { return fileButton_; }
    QRadioButton *serverButton() const { return serverButton_; }
    QLineEdit *hostEdit() const { return host_; }
    QSpinBox *portEdit() const { return port_; }
    QLineEdit *nameEdit() const { return name_; }
    QLineEdit *userEdit() const { return user_; }
    QComboBox *sslBox() const { return ssl_; }
    QPushButton *testButton() const { return test_; }

private:
    void showServer(const PgSettings &settings);
    void enableServerFields();

    const ProgramPaths &paths_;
    std::optional<PgSettings> loaded_;
    QRadioButton *fileButton_ = nullptr;
    QRadioButton *serverButton_ = nullptr;
    QLineEdit *host_ = nullptr;
    QSpinBox *port_ = nullptr;
    QLineEdit *name_ = nullptr;
    QLineEdit *user_ = nullptr;
    QComboBox *ssl_ = nullptr;
    QPushButton *test_ = nullptr;
};
