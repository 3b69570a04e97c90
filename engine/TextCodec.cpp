#include "engine/TextCodec.h"

#include "engine/Error.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace qor {

namespace {

constexpr char codePage[] = "windows-1251";

// Stateless: a stateful encoder holds a trailing lone surrogate back for the
// next call and reports no error, so the character would vanish unnoticed.
constexpr auto converterFlags = QStringConverter::Flag::Stateless;

[[noreturn]] void throwNoCodePage()
{
    throw Error(QStringLiteral("This Qt build cannot convert Windows-1251 text"));
}

} // namespace

QByteArray toWindows1251(const QString &text, bool *ok)
{
    QStringEncoder encoder(codePage, converterFlags);
    if (!encoder.isValid())
        throwNoCodePage();
    QByteArray bytes = encoder.encode(text);
    if (ok)
        *ok = !encoder.hasError();
    return bytes;
}

QString fromWindows1251(QByteArrayView bytes)
{
    QStringDecoder decoder(codePage, converterFlags);
    if (!decoder.isValid())
        throwNoCodePage();
    return decoder.decode(bytes);
}

} // namespace qor
