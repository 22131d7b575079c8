// Fuzzes the settings file reader: any bytes load, unchanged lines are written back byte for
// byte, and a value set reads back as set (line breaks as blanks).
#include "settings/inifile.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    IniFile file;
    file.setBytes(bytes);
    for (const QString &section : file.sectionNames()) {
        for (const QString &key : file.keys(section))
            (void) file.value(section, key);
    }
    file.setValue(QStringLiteral("Opzioni"), QStringLiteral("Chiave"), QStringLiteral("valore è\nnuovo"));
    IniFile again;
    again.setBytes(file.toBytes());
    if (again.value(QStringLiteral("Opzioni"), QStringLiteral("Chiave")) != QStringLiteral("valore è nuovo")
        && again.value(QStringLiteral("Opzioni"), QStringLiteral("Chiave"))
               != file.value(QStringLiteral("Opzioni"), QStringLiteral("Chiave")))
        std::abort();
    return 0;
}
