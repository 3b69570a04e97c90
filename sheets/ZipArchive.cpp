#include "sheets/ZipArchive.h"

#include <QFile>
#include <QScopeGuard>

#include <zip.h>

namespace qor {

namespace {

QString normalName(QString name)
{
    if (name.startsWith(u'/'))
        name.remove(0, 1);
    return name.toLower();
}

// The reason in the user's words; libzip words its own in English.
QString zipReason(zip_error_t *error)
{
    switch (zip_error_code_zip(error)) {
    case ZIP_ER_NOZIP:
        return QStringLiteral("это не zip-архив");
    case ZIP_ER_INCONS:
        return QStringLiteral("архив обрезан или испорчен");
    case ZIP_ER_CRC:
    case ZIP_ER_ZLIB:
        return QStringLiteral("данные внутри архива испорчены");
    case ZIP_ER_READ:
    case ZIP_ER_SEEK:
    case ZIP_ER_EOF:
        return QStringLiteral("файл не дочитывается до конца");
    case ZIP_ER_OPEN:
        return QStringLiteral("файл не открывается");
    case ZIP_ER_MEMORY:
        return QStringLiteral("не хватает памяти");
    case ZIP_ER_COMPNOTSUPP:
        return QStringLiteral("части архива сжаты неизвестным способом");
    case ZIP_ER_ENCRNOTSUPP:
    case ZIP_ER_NOPASSWD:
    case ZIP_ER_WRONGPASSWD:
        return QStringLiteral("части архива зашифрованы");
    default:
        return QStringLiteral("ошибка архива %1: %2")
            .arg(zip_error_code_zip(error))
            .arg(QString::fromLocal8Bit(zip_error_strerror(error)));
    }
}

} // namespace

ZipArchive::ZipArchive(const QString &path)
{
    int code = 0;
    m_zip = zip_open(QFile::encodeName(path).constData(), ZIP_RDONLY | ZIP_CHECKCONS, &code);
    if (!m_zip) {
        zip_error_t error;
        zip_error_init_with_code(&error, code);
        const QString reason = zipReason(&error);
        zip_error_fini(&error);
        throw ZipError(reason);
    }
    const zip_int64_t count = zip_get_num_entries(m_zip, 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        const char *name = zip_get_name(m_zip, zip_uint64_t(i), 0);
        m_names.append(name ? normalName(QString::fromUtf8(name)) : QString());
    }
}

ZipArchive::~ZipArchive()
{
    if (m_zip)
        zip_discard(m_zip);
}

qint64 ZipArchive::indexOf(const QString &member) const
{
    return m_names.indexOf(normalName(member));
}

bool ZipArchive::contains(const QString &member) const
{
    return indexOf(member) >= 0;
}

bool ZipArchive::hasEncryptedMember() const
{
    for (qsizetype i = 0; i < m_names.size(); ++i) {
        zip_stat_t stat;
        zip_stat_init(&stat);
        if (zip_stat_index(m_zip, zip_uint64_t(i), 0, &stat) == 0 && (stat.valid & ZIP_STAT_ENCRYPTION_METHOD)
            && stat.encryption_method != ZIP_EM_NONE)
            return true;
    }
    return false;
}

QByteArray ZipArchive::read(const QString &member, qint64 limit) const
{
    QByteArray whole;
    stream(member, [&](const QByteArray &piece, double) {
        if (whole.size() + piece.size() > limit)
            throw ZipError(QStringLiteral("the part %1 is larger than %2 bytes").arg(member).arg(limit));
        whole += piece;
        return true;
    });
    return whole;
}

void ZipArchive::stream(const QString &member, const std::function<bool(const QByteArray &, double)> &piece) const
{
    const qint64 index = indexOf(member);
    if (index < 0)
        throw ZipError(QStringLiteral("the part %1 is missing").arg(member));
    zip_stat_t stat;
    zip_stat_init(&stat);
    zip_stat_index(m_zip, zip_uint64_t(index), 0, &stat);
    const double size = (stat.valid & ZIP_STAT_SIZE) && stat.size > 0 ? double(stat.size) : 0;
    zip_file_t *file = zip_fopen_index(m_zip, zip_uint64_t(index), 0);
    if (!file)
        throw ZipError(zipReason(zip_get_error(m_zip)));
    const auto closing = qScopeGuard([file] { zip_fclose(file); });
    QByteArray buffer(1 << 16, Qt::Uninitialized);
    double done = 0;
    for (;;) {
        // Read to its end, libzip compares the member's CRC.
        const zip_int64_t got = zip_fread(file, buffer.data(), zip_uint64_t(buffer.size()));
        if (got < 0)
            throw ZipError(zipReason(zip_file_get_error(file)));
        if (got == 0)
            return;
        done += double(got);
        if (!piece(QByteArray(buffer.constData(), qsizetype(got)), size > 0 ? std::min(1.0, done / size) : 0))
            return;
    }
}

} // namespace qor
