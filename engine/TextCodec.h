#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace qor {

// The program keeps and exchanges its texts in the single-byte code page
// Windows-1251: one character, one byte.

// ok is false when a character has no Windows-1251 byte (it then becomes 0x1A).
QByteArray toWindows1251(const QString &text, bool *ok = nullptr);

// Every byte decodes to exactly one character, 0x98 included (U+0098), so any
// byte string survives a round trip.
QString fromWindows1251(QByteArrayView bytes);

} // namespace qor
