#include "reports/SpreadsheetSaving.h"

#include "engine/Error.h"
#include "reports/CsvWriting.h"
#include "reports/WriteFailure.h"
#include "reports/XlsxWriting.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qor {

namespace {

QString earlierFileNote(const QString &fileName)
{
    const QFileInfo info(fileName);
    return info.exists() && !info.isDir() ? QStringLiteral(" Прежний файл остался как был.") : QString();
}

[[noreturn]] void failToWrite(const QString &fileName, const QString &reason)
{
    const QString shown = QDir::toNativeSeparators(QFileInfo(fileName).absoluteFilePath());
    throw Error(QStringLiteral("Не удалось записать файл «%1»: %2.").arg(shown, reason) + earlierFileNote(fileName));
}

// Where the bytes go: through a link to the file it names, as an editor
// saving over a linked file does.
QString placeOf(const QString &fileName)
{
    const QFileInfo info(fileName);
    if (info.isSymLink() && info.exists())
        return info.canonicalFilePath();
    return info.absoluteFilePath();
}

// A new file in the folder under a short name of its own, so that a file
// name of the longest length the file system allows still has one beside
// it. Returns the descriptor, or -1 with errno set.
int createBeside(const QString &folder, QByteArray *name)
{
    static const char letters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    for (int attempt = 0; attempt < 100; ++attempt) {
        QByteArray made = QFile::encodeName(folder) + "/.qor-";
        for (int i = 0; i < 8; ++i)
            made += letters[QRandomGenerator::global()->bounded(int(sizeof letters - 1))];
        const int fd = ::open(made.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) {
            *name = made;
            return fd;
        }
    }
    return -1; // errno is EEXIST
}

// Writes all the bytes, going on after a write cut short: the next one
// fails with the reason (a full disk, a size limit). False with errno set.
bool writeAll(int fd, const QByteArray &bytes)
{
    const char *data = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, data, size_t(left));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        data += written;
        left -= written;
    }
    return true;
}

// Writes the bytes into a new file beside the place and returns 0, or the
// error number of the step that failed, the new file then removed.
int writeBeside(const QString &folder, const QByteArray &place, const QByteArray &bytes)
{
    QByteArray temporary;
    const int fd = createBeside(folder, &temporary);
    if (fd < 0)
        return errno;
    int error = 0;
    if (!writeAll(fd, bytes))
        error = errno;
    struct stat earlier{};
    if (!error && ::stat(place.constData(), &earlier) == 0)
        ::fchmod(fd, earlier.st_mode & 07777); // the earlier file's permissions stay; where they cannot, no matter
    // On the disk before it takes the name, so that a crash leaves the
    // earlier file or the whole new one.
    if (!error && ::fsync(fd) != 0 && errno != EINVAL)
        error = errno;
    if (::close(fd) != 0 && !error && errno != EINTR)
        error = errno;
    if (!error && ::rename(temporary.constData(), place.constData()) != 0)
        error = errno;
    if (error)
        ::unlink(temporary.constData());
    return error;
}

} // namespace

SpreadsheetFormat spreadsheetFormatOf(const QString &fileName)
{
    return fileName.endsWith(QStringLiteral(".csv"), Qt::CaseInsensitive) ? SpreadsheetFormat::Csv : SpreadsheetFormat::Xlsx;
}

void saveSpreadsheet(const ReportTable &table, const QString &fileName, SpreadsheetFormat format)
{
    QByteArray bytes;
    try {
        bytes = format == SpreadsheetFormat::Csv ? csvBytes(table) : xlsxBytes(table);
    } catch (const Error &error) {
        throw Error(error.text() + earlierFileNote(fileName));
    }
    saveFileWhole(fileName, bytes);
}

void saveFileWhole(const QString &fileName, const QByteArray &bytes)
{
    const QString place = placeOf(fileName);
    const QFileInfo info(place);
    const QString folder = info.absolutePath();
    if (info.isDir())
        failToWrite(fileName, QStringLiteral("«%1» — это папка, а не файл. Введите имя файла").arg(QDir::toNativeSeparators(place)));
    const QByteArray encoded = QFile::encodeName(place);
    // The earlier file's own protection holds, though the folder would let
    // it be replaced; asked with the rights a write would have.
    if (info.exists() && ::faccessat(AT_FDCWD, encoded.constData(), W_OK, AT_EACCESS) != 0) {
        if (errno == EROFS)
            failToWrite(fileName, writeFailureReason(EROFS, folder));
        failToWrite(fileName, QStringLiteral("файл открыт только для чтения. Снимите с него этот признак "
                                             "или сохраните под другим именем"));
    }
    if (const int error = writeBeside(folder, encoded, bytes))
        failToWrite(fileName, writeFailureReason(error, folder));
}

} // namespace qor
