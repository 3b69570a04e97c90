#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace qor {

// The server keeps MD5 of the Windows-1251 password as 32 upper-case hex digits.
QString passwordDigest(const QByteArray &windows1251Bytes);

// nullopt when a character has no Windows-1251 byte: its substitute would make
// the digest of another password.
std::optional<QString> passwordDigest(const QString &text);

} // namespace qor
