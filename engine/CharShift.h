#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace qor {

// The stored form of a text (settings file, gate login, server user table) has
// every Windows-1251 byte one less than the real one, wrapping 0x00 to 0xFF.

QString decodeStored(QByteArrayView storedBytes);
inline QString decodeStored(const QByteArray &storedBytes)
{
    return decodeStored(QByteArrayView(storedBytes));
}

// The stored form as the server returns it, as text. Throws qor::Error when the
// text holds a character Windows-1251 cannot hold: it cannot be a stored form,
// and decoding a substitute would turn one name into another.
QString decodeStored(const QString &storedText);

// ok is false when a character has no Windows-1251 byte.
QByteArray encodeStored(const QString &text, bool *ok = nullptr);

// The stored form as text, for the server. Throws qor::Error like decodeStored.
QString encodeStoredText(const QString &text);

} // namespace qor
