#include "reports/ZipReading.h"

#include <QScopeGuard>

#include <zip.h>

#include <optional>

namespace qor {

namespace {

// A member read to its end: libzip compares the CRC on reaching it.
std::optional<QByteArray> wholeMember(zip_t *archive, zip_uint64_t index, zip_uint64_t size)
{
    zip_file_t *member = zip_fopen_index(archive, index, 0);
    if (!member)
        return std::nullopt;
    const auto closing = qScopeGuard([member] { zip_fclose(member); });
    QByteArray content(qsizetype(size), Qt::Uninitialized);
    char beyond = 0;
    if (zip_fread(member, content.data(), size) != zip_int64_t(size) || zip_fread(member, &beyond, 1) != 0)
        return std::nullopt;
    return content;
}

} // namespace

QHash<QString, QByteArray> wholeZipMembers(const QByteArray &archive)
{
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t *source = zip_source_buffer_create(archive.constData(), zip_uint64_t(archive.size()), 0, &error);
    zip_t *zip = source ? zip_open_from_source(source, ZIP_RDONLY | ZIP_CHECKCONS, &error) : nullptr;
    zip_error_fini(&error);
    if (!zip) {
        zip_source_free(source);
        return {};
    }
    const auto closing = qScopeGuard([zip] { zip_discard(zip); }); // frees the source too

    QHash<QString, QByteArray> members;
    const zip_int64_t count = zip_get_num_entries(zip, 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        zip_stat_t stat;
        zip_stat_init(&stat);
        if (zip_stat_index(zip, zip_uint64_t(i), 0, &stat) != 0 || !(stat.valid & ZIP_STAT_NAME) || !(stat.valid & ZIP_STAT_SIZE))
            return {};
        const std::optional<QByteArray> content = wholeMember(zip, zip_uint64_t(i), stat.size);
        if (!content)
            return {};
        members.insert(QString::fromUtf8(stat.name), *content);
    }
    return members;
}

} // namespace qor
