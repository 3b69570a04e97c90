#pragma once

#include <QByteArray>
#include <QString>

namespace qor {

// A file read as raw bytes, read-only. Failures throw qor::Error with the texts
// the program has always shown for them: "File not found", "Invalid filename"
// (the folder is missing), "File access denied", "Read beyond end of file",
// "I/O error <errno>".
class RawFile
{
public:
    explicit RawFile(const QString &path);
    ~RawFile();
    RawFile(const RawFile &) = delete;
    RawFile &operator=(const RawFile &) = delete;

    // Exactly size bytes from the current position.
    QByteArray read(qsizetype size);
    // Fewer bytes only at the end of the file.
    QByteArray readUpTo(qsizetype size);
    void seek(quint32 position);

private:
    int m_fd = -1;
};

} // namespace qor
