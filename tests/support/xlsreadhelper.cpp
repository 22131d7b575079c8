// Every test finds pratilio-xlsread and pratilio-mdbread, which are built into the program
// folder and not beside the test executables.
#include "exchange/jetreader.h"
#include "exchange/xlssheetreader.h"

#include <QCoreApplication>

namespace {

void useBuiltXlsReader()
{
    XlsSheetReader::setFallbackHelper(QStringLiteral(PRATILIO_XLSREAD));
    JetReader::setFallbackHelper(QStringLiteral(PRATILIO_MDBREAD));
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(useBuiltXlsReader)
