#include "signin/PasswordDigest.h"

#include "engine/TextCodec.h"

#include <QCryptographicHash>

namespace qor {

QString passwordDigest(const QByteArray &windows1251Bytes)
{
    return QString::fromLatin1(QCryptographicHash::hash(windows1251Bytes, QCryptographicHash::Md5).toHex()).toUpper();
}

std::optional<QString> passwordDigest(const QString &text)
{
    bool ok = false;
    const QByteArray bytes = toWindows1251(text, &ok);
    if (!ok)
        return std::nullopt;
    return passwordDigest(bytes);
}

} // namespace qor
