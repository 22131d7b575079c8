#include "exchange/jetfile.h"

#include <QFile>

#include <array>
#include <cstring>

namespace JetFile {
namespace {

constexpr int kSignatureOffset = 4;
constexpr int kVersionOffset = 0x14;
// Jet masks part of its first page with a fixed RC4 key stream: 126 bytes in Jet 3, 128 in
// Jet 4, from this offset.
constexpr int kMaskedOffset = 0x18;
constexpr int kMaskedLength = 128;
constexpr quint32 kMaskKey = 0x6b39dac7;
// Jet 4's password: 20 UTF-16 characters, masked again with the whole days of the file's
// creation date (a double) as four little-endian bytes.
constexpr int kPasswordOffset = 0x42;
constexpr int kPasswordLength = 40;
constexpr int kCreationDateOffset = 0x72;

std::array<quint8, kMaskedLength> headerMask()
{
    std::array<quint8, 256> state;
    for (int i = 0; i < 256; ++i)
        state[std::size_t(i)] = quint8(i);
    const quint8 key[4] = {quint8(kMaskKey), quint8(kMaskKey >> 8), quint8(kMaskKey >> 16), quint8(kMaskKey >> 24)};
    for (int i = 0, j = 0; i < 256; ++i) {
        j = (j + state[std::size_t(i)] + key[i % 4]) & 0xff;
        std::swap(state[std::size_t(i)], state[std::size_t(j)]);
    }
    std::array<quint8, kMaskedLength> mask;
    for (int n = 0, i = 0, j = 0; n < kMaskedLength; ++n) {
        i = (i + 1) & 0xff;
        j = (j + state[std::size_t(i)]) & 0xff;
        std::swap(state[std::size_t(i)], state[std::size_t(j)]);
        mask[std::size_t(n)] = state[std::size_t((state[std::size_t(i)] + state[std::size_t(j)]) & 0xff)];
    }
    return mask;
}

QString jet4Password(QByteArray page)
{
    static const std::array<quint8, kMaskedLength> mask = headerMask();
    for (int i = 0; i < kMaskedLength; ++i)
        page[kMaskedOffset + i] = char(quint8(page[kMaskedOffset + i]) ^ mask[std::size_t(i)]);
    double created = 0;
    std::memcpy(&created, page.constData() + kCreationDateOffset, sizeof created);
    // Whole days, as a 32-bit integer; a date past that range is no date Jet writes.
    const qint32 days = created > -2147483648.0 && created < 2147483648.0 ? qint32(created) : 0;
    const quint8 dateMask[4] = {quint8(days), quint8(days >> 8), quint8(days >> 16), quint8(quint32(days) >> 24)};
    QString password;
    for (int i = 0; i + 1 < kPasswordLength; i += 2) {
        const quint8 low = quint8(page[kPasswordOffset + i]) ^ dateMask[i % 4];
        const quint8 high = quint8(page[kPasswordOffset + i + 1]) ^ dateMask[(i + 1) % 4];
        const char16_t unit = char16_t(low | (high << 8));
        if (unit == 0)
            break;
        password.append(QChar(unit));
    }
    return password;
}

} // namespace

Header inspectPage(const QByteArray &page)
{
    Header header;
    const QByteArray signature = page.mid(kSignatureOffset, 15);
    if (signature != "Standard Jet DB" && signature != "Standard ACE DB") {
        header.format = Format::NotJet;
        return header;
    }
    if (page.size() < kMaskedOffset + kMaskedLength) {
        header.format = Format::Damaged;
        return header;
    }
    const quint8 version = quint8(page[kVersionOffset]);
    if (signature == "Standard ACE DB" || version >= 2)
        header.format = Format::Accdb;
    else if (version == 0)
        header.format = Format::Jet3;
    else
        header.format = Format::Jet4;
    if (header.format == Format::Jet4)
        header.password = jet4Password(page);
    return header;
}

Header inspect(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return inspectPage(file.read(kMaskedOffset + kMaskedLength));
}

bool isJetFile(const QString &path)
{
    const Format format = inspect(path).format;
    return format != Format::NotJet && format != Format::Unreadable;
}

QString formatName(Format format)
{
    switch (format) {
    case Format::Jet3:
        return QStringLiteral("Access 97 o precedente (Jet 3)");
    case Format::Jet4:
        return QStringLiteral("Access 2000-2003 (Jet 4)");
    case Format::Accdb:
        return QStringLiteral("Access 2007 o successivo (.accdb)");
    case Format::NotJet:
        return QStringLiteral("non Access");
    case Format::Damaged:
        return QStringLiteral("Access, danneggiato");
    case Format::Unreadable:
        break;
    }
    return QStringLiteral("illeggibile");
}

} // namespace JetFile
