#pragma once

#include "core/dialogs.h"

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

// Dialogs for tests: records every message, error and shell request, and answers the
// questions from a script (OK when the script is empty). Installed for its lifetime.
class ScriptedDialogs : public Dialogs
{
public:
    ScriptedDialogs();
    ~ScriptedDialogs() override;

    void message(const QString &text) override { messages << text; }
    void error(const QString &text) override { errors << text; }
    void notice(QWidget *widget, const QString &text) override
    {
        Q_UNUSED(widget);
        notices << text;
    }
    bool question(const QString &text) override;
    // Recorded among the questions and answered from the same script.
    bool askYesNo(const QString &text) override { return question(text); }
    // Answered from textAnswers in turn (none left: cancelled); recorded in textQuestions.
    bool askText(const QString &text, bool secret, QString *answer) override
    {
        Q_UNUSED(secret);
        textQuestions << text;
        if (textAnswers.isEmpty())
            return false;
        *answer = textAnswers.takeFirst();
        return true;
    }
    bool openExternal(const QString &target) override
    {
        opened << target;
        return openSucceeds;
    }

    // Password questions answer from their own script (empty: cancelled) and are recorded.
    bool password(const QString &text, QString *password) override
    {
        passwordQuestions << text;
        if (passwords.isEmpty())
            return false;
        *password = passwords.takeFirst();
        return true;
    }

    // File dialogs answer from their own script (empty: cancelled) and record what they asked.
    QString saveFileName(const FileRequest &request, QString *filter = nullptr) override;
    QString openFileName(const FileRequest &request, QString *filter = nullptr) override;

    // The font dialog: each font of the next script is applied in turn, then the dialog is
    // left with OK (showing `chosen`) or Cancel. No script: left with Cancel.
    bool chooseFont(FontChoice &choice, const std::function<void(const FontChoice &)> &apply) override;
    struct FontScript
    {
        QList<FontChoice> applied;
        bool ok = false;
        FontChoice chosen;
    };
    void answerNextFont(const QList<FontChoice> &applied, bool ok, const FontChoice &chosen = {})
    {
        fontScripts << FontScript{applied, ok, chosen};
    }

    void answerNext(bool ok) { answers << ok; }
    // The next file dialog returns `path`, with `filter` as the filter picked.
    void answerNextFile(const QString &path, const QString &filter = QString()) { files << qMakePair(path, filter); }
    void clear();

    QStringList messages;
    QStringList errors;
    QStringList notices; // words next to an editor, such as a refused key's
    QStringList questions;
    QStringList textQuestions;
    QStringList textAnswers;
    QStringList opened;
    bool openSucceeds = true; // false: the desktop has no program for what is opened
    QList<bool> answers;
    QStringList passwordQuestions;
    QStringList passwords;
    QList<FileRequest> fileRequests;
    QList<QPair<QString, QString>> files;
    QList<FontChoice> fontRequests; // the font each dialog opened on
    QList<FontScript> fontScripts;
};
