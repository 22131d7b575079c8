#include "core/passwordhash.h"

#include <sodium.h>

#include <algorithm>
#include <array>

namespace {

constexpr auto kOpsLimit = crypto_pwhash_OPSLIMIT_INTERACTIVE;
constexpr auto kMemLimit = crypto_pwhash_MEMLIMIT_INTERACTIVE;

bool sodiumReady()
{
    // sodium_init() may be called more than once; it only reports failure to start.
    static const bool ready = sodium_init() >= 0;
    return ready;
}

// The stored text as libsodium reads it: NUL-terminated inside a buffer of the full hash
// size, so that a short value is never read past its end; fits is false when it cannot
// be a hash.
std::array<char, crypto_pwhash_STRBYTES> hashBuffer(const QString &stored, bool &fits)
{
    std::array<char, crypto_pwhash_STRBYTES> buffer{};
    const QByteArray bytes = stored.toLatin1();
    fits = stored.size() < qsizetype(buffer.size()) && QString::fromLatin1(bytes) == stored && !bytes.contains('\0');
    if (fits)
        std::copy(bytes.cbegin(), bytes.cend(), buffer.begin());
    return buffer;
}

// The typed password as bytes, wiped when it is no longer needed.
class SecretBytes
{
public:
    explicit SecretBytes(const QString &text) : bytes_(text.toUtf8()) {}
    ~SecretBytes() { sodium_memzero(bytes_.data(), size_t(bytes_.size())); }
    SecretBytes(const SecretBytes &) = delete;
    SecretBytes &operator=(const SecretBytes &) = delete;
    const char *data() const { return bytes_.constData(); }
    unsigned long long size() const { return static_cast<unsigned long long>(bytes_.size()); }

private:
    QByteArray bytes_;
};

} // namespace

namespace PasswordHash {

QString hash(const QString &password)
{
    if (!sodiumReady())
        return {};
    std::array<char, crypto_pwhash_STRBYTES> out{};
    const SecretBytes secret(password);
    if (crypto_pwhash_str(out.data(), secret.data(), secret.size(), kOpsLimit, kMemLimit) != 0)
        return {};
    return QString::fromLatin1(out.data());
}

bool isHash(const QString &stored)
{
    if (!sodiumReady() || !stored.startsWith(QLatin1String(crypto_pwhash_STRPREFIX)))
        return false;
    bool fits = false;
    const auto buffer = hashBuffer(stored, fits);
    // -1 is a text that does not decode as a hash: a plain password that merely starts alike.
    return fits && crypto_pwhash_str_needs_rehash(buffer.data(), kOpsLimit, kMemLimit) != -1;
}

bool isRequired(const QString &stored) { return !stored.isEmpty(); }

Check check(const QString &stored, const QString &typed)
{
    if (!isRequired(stored))
        return {true, false};
    if (!isHash(stored)) {
        // A password an older version kept as it was typed.
        const bool equal = stored == typed;
        return {equal, equal};
    }
    bool fits = false;
    const auto buffer = hashBuffer(stored, fits);
    const SecretBytes secret(typed);
    if (crypto_pwhash_str_verify(buffer.data(), secret.data(), secret.size()) != 0)
        return {false, false};
    return {true, crypto_pwhash_str_needs_rehash(buffer.data(), kOpsLimit, kMemLimit) != 0};
}

Confirmation confirm(const QString &password, const QString &verification)
{
    Confirmation result;
    if (password != verification) {
        result.message = QStringLiteral("    Attenzione: La password deve essere uguale in entrambi i campi!");
        return result;
    }
    if (password.isEmpty()) {
        result.store = true;
        result.message = QStringLiteral("    Password cancellata!");
        result.confirmOptions = true;
        return result;
    }
    result.codice = hash(password);
    if (result.codice.isEmpty()) {
        // Storing the empty result would silently remove the password.
        result.message = QStringLiteral("    Attenzione: Impossibile salvare la password!");
        return result;
    }
    result.store = true;
    result.message = QStringLiteral("    Password salvata!");
    result.confirmOptions = true;
    return result;
}

} // namespace PasswordHash
