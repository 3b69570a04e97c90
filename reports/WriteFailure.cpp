#include "reports/WriteFailure.h"

#include <QDir>
#include <QFileInfo>
#include <QStorageInfo>

#include <cerrno>
#include <cstring>
#include <sys/resource.h>

namespace qor {

namespace {

QString shown(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

// The limit on the size of the files the program writes (ulimit -f), or -1.
qint64 fileSizeLimit()
{
    rlimit limit{};
    if (getrlimit(RLIMIT_FSIZE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY)
        return -1;
    return qint64(limit.rlim_cur);
}

} // namespace

QString writeFailureReason(int errorNumber, const QString &folder)
{
    switch (errorNumber) {
    case EACCES:
    case EPERM:
        return QStringLiteral("нет права на запись в папку «%1». Выберите другую папку или попросите администратора "
                              "дать право записи в неё").arg(shown(folder));
    case EROFS:
        return QStringLiteral("диск с папкой «%1» открыт только для чтения. Выберите папку на другом диске").arg(shown(folder));
    case ENOSPC:
    case EDQUOT:
        return QStringLiteral("на диске не хватает места. Освободите место или выберите другой диск");
    case EFBIG: {
        const qint64 limit = fileSizeLimit();
        if (limit >= 0)
            return QStringLiteral("файл больше предела размера файлов, установленного для программы (%1 байт). "
                                  "Попросите администратора снять этот предел").arg(limit);
        return QStringLiteral("файл больше, чем вмещает файловая система диска. Выберите другой диск");
    }
    case ENAMETOOLONG:
        return QStringLiteral("имя файла слишком длинное. Сократите его: имя вмещает не больше 255 байт, "
                              "а русская буква занимает два");
    case ENOENT:
        // A folder that is there yet takes no files is a system one, such as /proc.
        if (QFileInfo(folder).isDir())
            return QStringLiteral("в папке «%1» нельзя создавать файлы. Выберите другую папку").arg(shown(folder));
        return QStringLiteral("папки «%1» нет. Выберите существующую папку").arg(shown(folder));
    case ENOTDIR:
        return QStringLiteral("папки «%1» нет: часть этого пути — файл. Выберите существующую папку").arg(shown(folder));
    case EISDIR:
        return QStringLiteral("под этим именем уже есть папка. Введите имя файла");
    case EBUSY:
    case ETXTBSY:
        return QStringLiteral("файл занят другой программой. Закройте её и повторите");
    case EIO:
        return QStringLiteral("диск сообщил об ошибке записи. Проверьте диск или выберите другой");
    default:
        return QStringLiteral("система сообщила: %1 (код %2). Повторите или выберите другую папку")
            .arg(QString::fromLocal8Bit(std::strerror(errorNumber)))
            .arg(errorNumber);
    }
}

QString guessedWriteFailureReason(const QString &folder, qint64 bytes)
{
    const qint64 limit = fileSizeLimit();
    if (limit >= 0 && limit < bytes)
        return writeFailureReason(EFBIG, folder);
    const QStorageInfo disk(folder);
    if (disk.isValid() && disk.bytesAvailable() < bytes)
        return writeFailureReason(ENOSPC, folder);
    return QStringLiteral("часть данных не записалась в папку «%1». Повторите; если не выйдет, проверьте диск")
        .arg(shown(folder));
}

} // namespace qor
