#include "signin/SettingsRecord.h"

#include "engine/CharShift.h"
#include "engine/Error.h"
#include "signin/RawFile.h"

#include <QDir>

#include <algorithm>

namespace qor {

namespace {

constexpr qsizetype fieldSize = 20;

// Each text is a 20-byte field in stored form plus one byte saying how many of
// its characters count.
struct Field
{
    QString TFirstConnectInfo::*member;
    qsizetype offset;
    qsizetype countOffset;
    const char *name;
};

constexpr Field fields[] = {
    {&TFirstConnectInfo::userName, 0, 40, "user name"},
    {&TFirstConnectInfo::password, 20, 41, "password"},
    {&TFirstConnectInfo::serverName, 42, 82, "server name"},
    {&TFirstConnectInfo::databaseName, 62, 83, "database name"},
};

} // namespace

QString settingsFilePath(const QString &exeDir)
{
    return QDir(exeDir).filePath(QStringLiteral("Data/QOR"));
}

TFirstConnectInfo decodeSettingsRecord(QByteArrayView record)
{
    if (record.size() < settingsRecordSize)
        throw Error(QStringLiteral("The settings record is shorter than %1 bytes").arg(settingsRecordSize));
    TFirstConnectInfo info;
    for (const Field &field : fields) {
        // The count may exceed the field; the field then counts whole.
        const qsizetype count = std::min<qsizetype>(static_cast<unsigned char>(record[field.countOffset]), fieldSize);
        info.*field.member = decodeStored(record.sliced(field.offset, count));
    }
    return info;
}

TFirstConnectInfo readSettingsRecord(const QString &path)
{
    RawFile file(path);
    return decodeSettingsRecord(file.read(settingsRecordSize));
}

QByteArray encodeSettingsRecord(const TFirstConnectInfo &info)
{
    QByteArray record(settingsRecordSize, '\0');
    for (const Field &field : fields) {
        bool ok = false;
        const QByteArray stored = encodeStored(info.*field.member, &ok);
        const QString name = QString::fromLatin1(field.name);
        if (!ok)
            throw Error(QStringLiteral("The %1 holds a character that Windows-1251 cannot hold").arg(name));
        if (stored.size() > fieldSize)
            throw Error(QStringLiteral("The %1 is longer than %2 characters").arg(name).arg(fieldSize));
        record.replace(field.offset, stored.size(), stored);
        record[field.countOffset] = char(stored.size());
    }
    return record;
}

} // namespace qor
