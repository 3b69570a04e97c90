#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace qor {

// What the settings file tells the sign-in: the gate login and where the
// database is.
struct TFirstConnectInfo
{
    QString userName;
    QString password;
    QString databaseName;
    QString serverName;

    bool operator==(const TFirstConnectInfo &) const = default;
};

// The settings file is a fixed record; bytes after it are ignored.
inline constexpr qsizetype settingsRecordSize = 84;

// "Data/QOR" in the folder holding the executable.
QString settingsFilePath(const QString &exeDir);

// Throws qor::Error when the record is shorter than settingsRecordSize.
TFirstConnectInfo decodeSettingsRecord(QByteArrayView record);

// Throws qor::Error with the file error texts of RawFile.
TFirstConnectInfo readSettingsRecord(const QString &path);

// For qor-admin. Throws qor::Error naming the field when a text is longer than
// its 20 characters or holds a character Windows-1251 cannot hold.
QByteArray encodeSettingsRecord(const TFirstConnectInfo &info);

} // namespace qor
