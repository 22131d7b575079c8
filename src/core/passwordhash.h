#pragma once

#include <QString>

// The start-up password as the database keeps it in Applicazione.Codice: an Argon2id hash
// (libsodium's crypto_pwhash_str, interactive limits), never the password itself. An empty
// Codice means no password. Older databases hold the password as plain text; it is still
// accepted, and the caller is told to replace it by its hash.
namespace PasswordHash {

// The value to store for a password; empty when hashing failed (out of memory), which the
// caller must treat as a failure, not as "no password".
QString hash(const QString &password);
// Whether the stored value is a hash this program can check (and not a plain-text password).
bool isHash(const QString &stored);
bool isRequired(const QString &stored);

struct Check
{
    bool accepted = false;
    // The stored value is plain text, or a hash made with weaker limits: store hash(typed).
    bool needsRehash = false;
};

// The typed text against the stored value, exactly and case-sensitively. An empty stored
// value accepts anything, since there is no password.
Check check(const QString &stored, const QString &typed);

// What "Conferma password" of the options dialog does with its two entries.
struct Confirmation
{
    bool store = false;          // whether to write codice into Applicazione.Codice
    QString codice;              // the hash, or empty to clear the password
    QString message;             // the notice to show
    bool confirmOptions = false; // the dialog then performs "Ok"
};

Confirmation confirm(const QString &password, const QString &verification);

} // namespace PasswordHash
