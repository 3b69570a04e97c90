#pragma once

#include "signin/SettingsRecord.h"

#include <QString>

#include <optional>

namespace qor::admin {

// What the administration tool does to an embedded QOR database. Every
// function throws qor::Error with a clear text; none leaves half a change.

// A new database file with the schema and a gate login; fails when it exists.
void createDatabase(const QString &file, const QString &gateUser, const QString &gatePassword);

struct NewUser
{
    QString login;
    QString password;
    bool mustChange = false;
    std::optional<int> expiresInDays; // days left before the password must change
};
// Adds a person who signs in, with a working database login of the same
// name and a random password of its own.
void addUser(const QString &file, const NewUser &user);
void setPassword(const QString &file, const QString &login, const QString &password);
void setLocked(const QString &file, const QString &login, bool locked);
void setMinimumClient(const QString &file, int number);

// Brings a database made by an older qor-admin up to date: the bare MD5
// digests it kept for passwords become salted Argon2id hashes of them.
// Returns how many were converted; nothing is left half done.
int upgradePasswords(const QString &file);

// Writes a settings record file (the client reads Data/QOR).
void writeSettings(const QString &file, const TFirstConnectInfo &info);

// The digest the client sends for a password (MD5 of its Windows-1251
// bytes); throws for a character Windows-1251 cannot hold.
QString digestOf(const QString &password);

// A random password of letters and digits.
QString randomSecret(int length = 16);

// Imports the students of a spreadsheet (.xlsx, .ods, CSV; its first sheet)
// into a database as the client's import window does: the same recognition
// of the titles, the same rule for names already there (namesakes only
// added anew with namesakes), enrolment orders the list names added to
// their list, all in one transaction. Nothing is written when the file
// cannot be read or any row is refused, nor with dryRun; the text returned
// says what was done or would be, and why each refused row is. Throws
// qor::Error with that text when nothing could be written.
QString importStudents(const QString &database, const QString &file, bool dryRun, bool namesakes);

// DIR/Data/QOR and DIR/Data/QOR.db with demo faculties, groups, students,
// orders and the users demo, novice and expiring. Without force an existing
// database or settings file is an error; with force both are replaced.
void createDemo(const QString &dir, bool force);

} // namespace qor::admin
