#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>

#include "engine/Error.h"

typedef struct zip zip_t;

namespace qor {

// What the archive itself fails at, told apart from what a reader of its
// parts throws while it streams.
class ZipError : public Error
{
public:
    using Error::Error;
};

// A zip archive on disk, read member by member (the parts of an .xlsx or
// .ods workbook). Member names compare without regard to case and to a
// leading slash, as the workbooks' own references may differ in both.
// Failures throw ZipError with the reason in libzip's words; the caller
// says what it means for the file.
class ZipArchive
{
public:
    // Throws when the file is no whole zip archive.
    explicit ZipArchive(const QString &path);
    ~ZipArchive();
    ZipArchive(const ZipArchive &) = delete;
    ZipArchive &operator=(const ZipArchive &) = delete;

    bool contains(const QString &member) const;
    // A member whole, at most limit bytes of it (a larger one throws).
    QByteArray read(const QString &member, qint64 limit = 64 << 20) const;
    // A member in pieces as they are unpacked; piece returns false to stop.
    // Told the share unpacked so far (0 to 1) with each piece.
    void stream(const QString &member, const std::function<bool(const QByteArray &piece, double share)> &piece) const;
    // Whether any member is encrypted.
    bool hasEncryptedMember() const;

private:
    qint64 indexOf(const QString &member) const;

    zip_t *m_zip = nullptr;
    QStringList m_names; // by index, lower case, without a leading slash
};

} // namespace qor
