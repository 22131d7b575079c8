// Fuzzes the address card reader and its mapping onto a person: any bytes read, and a
// person written back as a card reads back as the same person.
#include "exchange/vcardmapping.h"
#include "exchange/vcardreader.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    for (const VCard &card : VCardReader::read(bytes)) {
        const ImportedPerson person = VCardMapping::fromCard(card);
        (void) person.displayName();
        const QList<VCard> again = VCardReader::read(VCardMapping::toCard(person.values, VCardMapping::Version::V4));
        if (again.size() != 1)
            std::abort();
        // Read back, a value may only lose blanks at its ends (a field is one line but the note).
        const PersonValues back = VCardMapping::fromCard(again.first()).values;
        for (auto it = person.values.cbegin(); it != person.values.cend(); ++it) {
            if (back.value(it.key()) != it.value().trimmed() && !it.value().trimmed().isEmpty()
                && it.key() != QLatin1String("Sito_internet"))
                std::abort();
        }
    }
    return 0;
}
