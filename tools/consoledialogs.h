#pragma once

#include "core/dialogs.h"

#include <cstdio>

// The dialogs of the program's workers run by the tests: no boxes, what the program would
// show goes to standard error, every question is answered yes.
class ConsoleDialogs : public Dialogs
{
public:
    void message(const QString &text) override { std::fprintf(stderr, "%s\n", qPrintable(text)); }
    void error(const QString &text) override { std::fprintf(stderr, "%s\n", qPrintable(text)); }
    bool question(const QString &) override { return true; }
    bool openExternal(const QString &) override { return false; }
    QString saveFileName(const FileRequest &, QString *) override { return {}; }
    QString openFileName(const FileRequest &, QString *) override { return {}; }
    bool chooseFont(FontChoice &, const std::function<void(const FontChoice &)> &) override { return false; }
};
