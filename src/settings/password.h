#pragma once

#include <QDialog>

class Workspace;
class QLabel;
class QLineEdit;
class QPushButton;

// The start-up password prompt. Shown before the main window when a password is stored;
// the main window appears only after the right one is typed.
class Password : public QDialog
{
    Q_OBJECT

public:
    // `mainWindow` is shown after the right password, closed by "Annulla" (Not owned).
    Password(Workspace &workspace, QWidget *mainWindow);

    // Whether a password is stored, so that the prompt must be passed first.
    bool isRequired() const { return !code_.isEmpty(); }
    // Shows the prompt without waiting for it: the event loop of the program runs it.
    void showPrompt();

    // "Conferma" and the Enter key.
    void ConfermaClick();
    // "Annulla": closes the main window, which ends the program.
    void AnnullaClick();

    QLineEdit *edit() const { return Edit1; }

    // Writes Applicazione.Codice at once (a hash, or empty for no password); throws when refused.
    static void storeCodice(Workspace &workspace, const QString &codice);

protected:
    void reject() override;
    void closeEvent(QCloseEvent *event) override;

private:
    void storeHash(const QString &password);

    Workspace &workspace_;
    QWidget *main_; // Not owned.
    QString code_;
    QLabel *Label1 = nullptr;
    QLineEdit *Edit1 = nullptr;
    QPushButton *Button1 = nullptr;
    QPushButton *Button2 = nullptr;
};
