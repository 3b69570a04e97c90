#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

#include <optional>

// A program's start as a person meets it: a real process on an X server,
// timed from the fork to its first window mapped and to that window's first
// paint. The X server reports both: the map as a MapNotify on the root
// window (no window manager runs, so a window is mapped as the program asks),
// and the paint through the DAMAGE extension, a DamageNotify as soon as
// anything is drawn into the window (Qt's windows have no background of
// the server's, so nothing else draws into them).

// A throwaway X server (Xvfb) on a display number it finds free.
class BenchXServer
{
public:
    BenchXServer();
    ~BenchXServer();
    // ":N", or empty when the server did not start.
    QString display() const { return m_display; }

private:
    QProcess m_server;
    QString m_display;
};

struct StartTimes
{
    double mapped = 0;  // ms from the fork
    double painted = 0; // ms from the fork
};

// Runs program with arguments on display, in folder, until its first window
// is painted, then ends it. Nothing when it did not paint within a minute or
// the server lacks DAMAGE; error says why.
std::optional<StartTimes> timeStartOnX(const QString &display, const QString &program, const QStringList &arguments,
                                       const QString &folder, QString *error);
