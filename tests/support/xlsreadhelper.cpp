// Every test finds pratilio-xlsread, which is built into the program folder and not beside
// the test executables.
#include "exchange/xlssheetreader.h"

#include <QCoreApplication>

namespace {

void useBuiltXlsReader() { XlsSheetReader::setFallbackHelper(QStringLiteral(PRATILIO_XLSREAD)); }

} // namespace

Q_COREAPP_STARTUP_FUNCTION(useBuiltXlsReader)
