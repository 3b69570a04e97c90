#pragma once

#include <QString>

namespace qor {

// What the embedded sign-in tables keep of a password: a salted, slow hash
// (Argon2id, libsodium's crypto_pwhash) of the MD5 digest the client sends,
// in libsodium's text form "$argon2id$v=19$m=19456,t=2,p=1$<salt>$<hash>".
// The client's exchange stays as it is; only what a copied database file
// gives away changes: one guess at a password costs a hash of 19 MiB and
// two passes instead of one MD5.
//
// Databases made before kept the bare digest (32 hexadecimal digits). It
// still matches, and is replaced by its hash at the next successful sign-in
// or by qor-admin.

// The Argon2id costs of a new hash: two passes over 19 MiB.
inline constexpr unsigned long long PasswordHashPasses = 2;
inline constexpr size_t PasswordHashMemoryBytes = size_t(19) * 1024 * 1024;

// The hash of a digest, with a fresh random salt. Throws qor::Error when it
// cannot be made (no memory for it).
QString hashPasswordDigest(const QString &digest);

// Whether digest is the password stored: a hash is checked with its own salt
// and costs; a bare digest is compared in constant time.
bool storedPasswordMatches(const QString &stored, const QString &digest);

// A bare digest as older databases kept it.
bool isBareDigest(const QString &stored);

// Whether stored is to be written again: a bare digest, or a hash made with
// other costs than a new one.
bool storedPasswordNeedsRehash(const QString &stored);

} // namespace qor
