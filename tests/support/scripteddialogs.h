#pragma once

#include "core/dialogs.h"

#include <QList>
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
    bool question(const QString &text) override;
    bool openExternal(const QString &target) override
    {
        opened << target;
        return true;
    }

    void answerNext(bool ok) { answers << ok; }
    void clear();

    QStringList messages;
    QStringList errors;
    QStringList questions;
    QStringList opened;
    QList<bool> answers;
};
