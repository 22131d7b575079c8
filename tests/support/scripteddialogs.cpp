#include "support/scripteddialogs.h"

ScriptedDialogs::ScriptedDialogs()
{
    Dialogs::install(this);
}

ScriptedDialogs::~ScriptedDialogs()
{
    Dialogs::install(nullptr);
}

bool ScriptedDialogs::question(const QString &text)
{
    questions << text;
    return answers.isEmpty() ? true : answers.takeFirst();
}

void ScriptedDialogs::clear()
{
    messages.clear();
    errors.clear();
    questions.clear();
    opened.clear();
    answers.clear();
}
