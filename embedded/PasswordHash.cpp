#include "embedded/PasswordHash.h"

#include "engine/Error.h"

#include <QRegularExpression>

#include <sodium.h>

namespace qor {

namespace {

void initialiseSodium()
{
    static const bool ready = sodium_init() >= 0;
    if (!ready)
        throw Error(QStringLiteral("The password hash library could not start"));
}

} // namespace

QString hashPasswordDigest(const QString &digest)
{
    initialiseSodium();
    const QByteArray input = digest.toLatin1();
    char hash[crypto_pwhash_STRBYTES];
    if (crypto_pwhash_str_alg(hash, input.constData(), quint64(input.size()), PasswordHashPasses,
                              PasswordHashMemoryBytes, crypto_pwhash_ALG_ARGON2ID13)
        != 0)
        throw Error(QStringLiteral("Not enough memory to hash the password"));
    return QString::fromLatin1(hash);
}

bool isBareDigest(const QString &stored)
{
    static const QRegularExpression digest(QStringLiteral("^[0-9A-F]{32}$"));
    return digest.match(stored).hasMatch();
}

bool storedPasswordMatches(const QString &stored, const QString &digest)
{
    const QByteArray given = digest.toLatin1();
    if (isBareDigest(stored)) {
        const QByteArray kept = stored.toLatin1();
        return given.size() == kept.size() && sodium_memcmp(given.constData(), kept.constData(), size_t(kept.size())) == 0;
    }
    initialiseSodium();
    const QByteArray hash = stored.toLatin1();
    if (hash.size() >= crypto_pwhash_STRBYTES)
        return false;
    return crypto_pwhash_str_verify(hash.constData(), given.constData(), quint64(given.size())) == 0;
}

bool storedPasswordNeedsRehash(const QString &stored)
{
    if (isBareDigest(stored))
        return true;
    initialiseSodium();
    const QByteArray hash = stored.toLatin1();
    if (hash.size() >= crypto_pwhash_STRBYTES)
        return true;
    return crypto_pwhash_str_needs_rehash(hash.constData(), PasswordHashPasses, PasswordHashMemoryBytes) != 0;
}

} // namespace qor
