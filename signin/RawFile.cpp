#include "signin/RawFile.h"

#include "engine/Error.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qor {

namespace {

[[noreturn]] void throwIoError(int error)
{
    throw Error(QStringLiteral("I/O error %1").arg(error));
}

[[noreturn]] void throwAccessDenied()
{
    throw Error(QStringLiteral("File access denied"));
}

[[noreturn]] void throwOpenError(const QString &path, int error)
{
    switch (error) {
    case ENOENT:
        if (QFileInfo(QFileInfo(path).absolutePath()).isDir())
            throw Error(QStringLiteral("File not found"));
        throw Error(QStringLiteral("Invalid filename"));
    case ENOTDIR:
        throw Error(QStringLiteral("Invalid filename"));
    case EACCES:
    case EPERM:
    case EISDIR:
        throwAccessDenied();
    default:
        throwIoError(error);
    }
}

} // namespace

RawFile::RawFile(const QString &path)
{
    m_fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (m_fd < 0)
        throwOpenError(path, errno);
    // A folder opens read-only on Linux; Windows refuses it as access denied.
    struct stat status {};
    const bool statFailed = ::fstat(m_fd, &status) != 0;
    const int error = errno;
    if (statFailed || S_ISDIR(status.st_mode)) {
        ::close(m_fd);
        if (statFailed)
            throwIoError(error);
        throwAccessDenied();
    }
}

RawFile::~RawFile()
{
    ::close(m_fd);
}

QByteArray RawFile::readUpTo(qsizetype size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    qsizetype done = 0;
    while (done < size) {
        const ssize_t n = ::read(m_fd, bytes.data() + done, size_t(size - done));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            throwIoError(errno);
        }
        if (n == 0)
            break;
        done += n;
    }
    bytes.truncate(done);
    return bytes;
}

QByteArray RawFile::read(qsizetype size)
{
    QByteArray bytes = readUpTo(size);
    if (bytes.size() < size)
        throw Error(QStringLiteral("Read beyond end of file"));
    return bytes;
}

void RawFile::seek(quint32 position)
{
    if (::lseek(m_fd, off_t(position), SEEK_SET) < 0)
        throwIoError(errno);
}

} // namespace qor
