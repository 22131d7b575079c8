#include "support/scripteddialogs.h"

ScriptedDialogs::ScriptedDialogs() { Dialogs::install(this); }

ScriptedDialogs::~ScriptedDialogs() { Dialogs::install(nullptr); }

bool ScriptedDialogs::question(const QString &text)
{
    questions << text;
    return answers.isEmpty() ? true : answers.takeFirst();
}

static QString nextFile(ScriptedDialogs &dialogs, const Dialogs::FileRequest &request, QString *filter)
{
    dialogs.fileRequests << request;
    if (dialogs.files.isEmpty())
        return {};
    const auto [path, picked] = dialogs.files.takeFirst();
    if (filter)
        *filter = picked.isEmpty() && !request.filters.isEmpty() ? request.filters.constFirst() : picked;
    return path;
}

QString ScriptedDialogs::saveFileName(const FileRequest &request, QString *filter)
{
    return nextFile(*this, request, filter);
}

QString ScriptedDialogs::openFileName(const FileRequest &request, QString *filter)
{
    return nextFile(*this, request, filter);
}

bool ScriptedDialogs::chooseFont(FontChoice &choice, const std::function<void(const FontChoice &)> &apply)
{
    fontRequests << choice;
    if (fontScripts.isEmpty())
        return false;
    const FontScript script = fontScripts.takeFirst();
    for (const FontChoice &font : script.applied)
        apply(font);
    if (script.ok)
        choice = script.chosen;
    return script.ok;
}

void ScriptedDialogs::clear()
{
    messages.clear();
    errors.clear();
    notices.clear();
    questions.clear();
    textQuestions.clear();
    textAnswers.clear();
    opened.clear();
    answers.clear();
    fileRequests.clear();
    files.clear();
    fontRequests.clear();
    fontScripts.clear();
}
