#pragma once

#include <QByteArray>
#include <QString>
#include <exception>

namespace qor {

// The one error class of the program: every failure of the data layer, the
// sign-in formats and the engines carries the text the user is shown.
class Error : public std::exception
{
public:
    explicit Error(QString text) : m_text(std::move(text)), m_utf8(m_text.toUtf8()) {}

    const QString &text() const noexcept { return m_text; }
    const char *what() const noexcept override { return m_utf8.constData(); }

private:
    QString m_text;
    QByteArray m_utf8;
};

// The person was asked and said no: what was being done stops, and nothing
// more is shown.
class Declined : public Error
{
public:
    Declined() : Error(QString()) {}
};

} // namespace qor
