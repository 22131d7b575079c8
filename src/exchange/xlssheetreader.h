#pragma once

#include "exchange/sheetreader.h"

#include <QByteArray>

// Reads a 97-2003 workbook through libfreexl in a child process, pratilio-xlsread: the
// library can crash, abort or hang on a damaged file, and then only the child ends. This
// side takes a sheet only from a whole, well-formed answer of a child that ended normally;
// anything else refuses the file with an Italian reason.
class XlsSheetReader : public SheetReader
{
public:
    static const QString kHelperName; // "pratilio-xlsread"
    static constexpr int kMaxRows = 65536;

    bool read(const QString &path, SheetContent *content) override;

    // How long the child may read before it is killed as hung.
    void setTimeout(int ms) { timeoutMs_ = ms; }

    // The helper the program runs: the one beside the running program, else the fallback.
    static QString helperProgram();
    // The fallback is for the tests and the benchmark, whose executables live in other build
    // folders than the program.
    static void setFallbackHelper(const QString &program);

    // Takes the sheet, or the refusal with its reason, from a child's answer about `path`
    // (see xlsanswer.h); anything but a whole, well-formed answer is refused. Also how the
    // in-process reader and the tests read an answer.
    bool readAnswer(const QByteArray &answer, const QString &path, SheetContent *content);

private:
    int timeoutMs_ = 120000;
};
