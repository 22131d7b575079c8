#pragma once

#include <QColor>
#include <QFont>
#include <QString>
#include <QStringList>

#include <functional>

class QWidget;

// Every message, question, file dialog and request to the desktop shell goes through this one small
// interface, so that tests can answer and record them instead of real modal boxes.
class Dialogs
{
public:
    virtual ~Dialogs() = default;

    // A notice with an OK button, titled with the application's title.
    virtual void message(const QString &text) = 0;
    // An error reported by the global error handler.
    virtual void error(const QString &text) = 0;
    // A short word next to `widget` that stops nobody, for instance why a key was refused: a
    // beep and a tip under the widget, gone with the next key or move of the mouse.
    virtual void notice(QWidget *widget, const QString &text);
    // A question with OK and Cancel: true for OK.
    virtual bool question(const QString &text) = 0;
    // A question with "Sì" and "No": true for "Sì".
    virtual bool askYesNo(const QString &text);
    // A line of text to type (shown as "*" when `secret`): false when the user cancelled.
    virtual bool askText(const QString &text, bool secret, QString *answer);
    // Asks the desktop shell to open a web address, a "mailto:" address or a file.
    virtual bool openExternal(const QString &target) = 0;
    // Asks for a password, the typing hidden: false when the user cancelled (as a program
    // with no one to answer does).
    virtual bool password(const QString &text, QString *password);

    // What a file dialog asks: its caption, the folder it starts in and its filters in order
    // ("Excel file (*.xls)"); the filter the user picked comes back in `filter`.
    struct FileRequest
    {
        QString caption;
        QString folder;
        QStringList filters;
        QString defaultSuffix; // added to a typed name without one (save only)
    };
    // The file to write or to read; empty when the user cancelled.
    virtual QString saveFileName(const FileRequest &request, QString *filter = nullptr) = 0;
    virtual QString openFileName(const FileRequest &request, QString *filter = nullptr) = 0;

    // A font with its colour, as the font dialog shows and returns it.
    struct FontChoice
    {
        QFont font;
        QColor color;
    };
    // The font dialog, starting on `choice`, with an apply button that calls `apply` with the
    // font shown at that moment. True when left with OK, the font shown then in `choice`.
    virtual bool chooseFont(FontChoice &choice, const std::function<void(const FontChoice &)> &apply) = 0;

    // The interface in force; the real boxes unless a test installed its own.
    static Dialogs &instance();
    // Installs `dialogs` (Not owned; nullptr goes back to the real boxes).
    static void install(Dialogs *dialogs);
};

// The real message boxes and the desktop shell.
class QtDialogs : public Dialogs
{
public:
    void message(const QString &text) override;
    void error(const QString &text) override;
    bool question(const QString &text) override;
    bool openExternal(const QString &target) override;
    bool password(const QString &text, QString *password) override;
    QString saveFileName(const FileRequest &request, QString *filter = nullptr) override;
    QString openFileName(const FileRequest &request, QString *filter = nullptr) override;
    bool chooseFont(FontChoice &choice, const std::function<void(const FontChoice &)> &apply) override;
};
