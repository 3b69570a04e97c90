#include "engine/CharShift.h"

#include "engine/Error.h"
#include "engine/TextCodec.h"

namespace qor {

namespace {

QByteArray shifted(QByteArrayView bytes, int delta)
{
    QByteArray result(bytes.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < bytes.size(); ++i)
        result[i] = char(static_cast<unsigned char>(static_cast<unsigned char>(bytes[i]) + delta));
    return result;
}

QByteArray checkedWindows1251(const QString &text)
{
    bool ok = false;
    QByteArray bytes = toWindows1251(text, &ok);
    if (!ok)
        throw Error(QStringLiteral("The text \"%1\" holds a character that Windows-1251 cannot hold").arg(text));
    return bytes;
}

} // namespace

QString decodeStored(QByteArrayView storedBytes)
{
    return fromWindows1251(shifted(storedBytes, +1));
}

QString decodeStored(const QString &storedText)
{
    return decodeStored(checkedWindows1251(storedText));
}

QByteArray encodeStored(const QString &text, bool *ok)
{
    return shifted(toWindows1251(text, ok), -1);
}

QString encodeStoredText(const QString &text)
{
    return fromWindows1251(shifted(checkedWindows1251(text), -1));
}

} // namespace qor
