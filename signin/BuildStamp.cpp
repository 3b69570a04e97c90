#include "signin/BuildStamp.h"

#include "engine/Error.h"
#include "signin/RawFile.h"

#include <QFileInfo>
#include <QLocale>
#include <QtEndian>

namespace qor {

namespace {

constexpr qsizetype dosHeaderSize = 64;
constexpr qsizetype peHeaderPositionOffset = 60;
constexpr qsizetype fileHeaderSize = 20;
constexpr qsizetype sectionCountOffset = 2;
constexpr qsizetype optionalHeaderSizeOffset = 16;
constexpr qsizetype sectionHeaderSize = 40;
constexpr qsizetype sectionNameSize = 8;
constexpr qsizetype rawDataPointerOffset = 20;
constexpr qsizetype resourceDirectorySize = 16;
constexpr qsizetype resourceStampOffset = 4;

quint16 le16(const QByteArray &bytes, qsizetype offset)
{
    return qFromLittleEndian<quint16>(bytes.constData() + offset);
}

quint32 le32(const QByteArray &bytes, qsizetype offset)
{
    return qFromLittleEndian<quint32>(bytes.constData() + offset);
}

// Qt's long time format carries the time zone ("HH:mm:ss t"); the title shows
// the clock time alone.
QString withoutTimeZone(const QString &format)
{
    QString result;
    bool quoted = false;
    for (const QChar c : format) {
        if (c == u'\'')
            quoted = !quoted;
        if (quoted || c != u't')
            result += c;
    }
    return result.trimmed();
}

} // namespace

quint32 readPeResourceStamp(const QString &exePath)
{
    RawFile file(exePath);
    const QByteArray dosHeader = file.read(dosHeaderSize);
    file.seek(le32(dosHeader, peHeaderPositionOffset));
    if (file.read(4) != QByteArrayView("PE\0\0", 4))
        throw Error(QStringLiteral("%1 is not a Windows executable").arg(exePath));

    const QByteArray fileHeader = file.read(fileHeaderSize);
    const quint16 sectionCount = le16(fileHeader, sectionCountOffset);
    if (sectionCount == 0)
        throw Error(QStringLiteral("%1 has no sections").arg(exePath));
    // The optional header says its own size: 224 bytes in a 32-bit image, 240 in a 64-bit one.
    file.read(le16(fileHeader, optionalHeaderSizeOffset));

    // Without a section named .rsrc the last section read is taken, as the
    // program has always done.
    QByteArray section;
    for (quint16 i = 0; i < sectionCount; ++i) {
        section = file.read(sectionHeaderSize);
        const QByteArray name = section.first(sectionNameSize);
        if (QByteArrayView(name.constData()) == ".rsrc")
            break;
    }

    file.seek(le32(section, rawDataPointerOffset));
    return le32(file.read(resourceDirectorySize), resourceStampOffset);
}

QDateTime dosDateTimeToDateTime(quint32 stamp)
{
    const quint32 date = stamp >> 16;
    const quint32 time = stamp & 0xFFFF;
    const QDate day(int(date >> 9) + 1980, int((date >> 5) & 0x0F), int(date & 0x1F));
    const QTime clock(int(time >> 11), int((time >> 5) & 0x3F), int(time & 0x1F) * 2);
    const QDateTime result(day, clock);
    if (!day.isValid() || !clock.isValid() || !result.isValid())
        throw Error(QStringLiteral("Invalid date/time stamp 0x%1").arg(stamp, 8, 16, QLatin1Char('0')));
    return result;
}

QDateTime buildDateTime(const QString &exePath)
{
    RawFile file(exePath);
    if (file.readUpTo(2) == "MZ")
        return dosDateTimeToDateTime(readPeResourceStamp(exePath));
    // The linker writes the executable last, so its modification time is the
    // time it was built: nothing has to be rewritten at every build for it.
    return QFileInfo(exePath).lastModified();
}

QString buildStampText(const QDateTime &dateTime)
{
    const QLocale locale;
    const QDateTime local = dateTime.toLocalTime();
    QString text = locale.toString(local.date(), QLocale::ShortFormat);
    if (local.time() != QTime(0, 0))
        text += u' ' + locale.toString(local.time(), withoutTimeZone(locale.timeFormat(QLocale::LongFormat)));
    return text;
}

} // namespace qor
