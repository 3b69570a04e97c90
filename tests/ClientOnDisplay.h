#pragma once

// The real client, build/bin/qor, on an X display of its own (Xvfb with the
// openbox window manager), driven as a person drives it: with real key and
// mouse events (xdotool). Controls are found from the windows' fixed layouts:
// the window's position as the X server reports it plus the control's place
// in its form. Every wait has a deadline; screenshots of the whole screen
// are kept, numbered, in a folder of the display's own.

#include <QDeadlineTimer>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRect>
#include <QRegularExpression>
#include <QSet>
#include <QThread>

#include <algorithm>

#include <sys/prctl.h>

#include <csignal>
#include <functional>
#include <optional>

// Generous: a loaded two-core machine may take seconds for what takes
// milliseconds alone.
inline constexpr int StepTimeoutMs = 30000;

// A control's place in its window, as its form gives it.
struct Place
{
    int x, y, width, height;
    QPoint centre() const { return {x + width / 2, y + height / 2}; }
};

class ClientOnDisplay
{
public:
    // What the X server tells about a mapped window of the client.
    struct Window
    {
        QString id;
        QString name;
        QRect rect; // the client area, in screen coordinates
    };

    // work holds the logs and the folder screenshots.
    explicit ClientOnDisplay(QString work) : m_work(std::move(work))
    {
        for (QProcess *p : {&m_xvfb, &m_windowManager, &m_client})
            endWithTheTest(*p);
    }
    ~ClientOnDisplay() { stop(); }
    ClientOnDisplay(const ClientOnDisplay &) = delete;
    ClientOnDisplay &operator=(const ClientOnDisplay &) = delete;

    QString screenshots() const { return m_work + QStringLiteral("/screenshots"); }
    const QString &lastShot() const { return m_lastShot; }
    QProcess &client() { return m_client; }
    const QString &display() const { return m_display; }

    // Xvfb on a display number it picks itself, openbox, and a Russian
    // keyboard layout beside the US one. Empty when all runs, else why not.
    QString startDisplay()
    {
        if (!QDir().mkpath(screenshots()) || !QDir().mkpath(m_work + QStringLiteral("/runtime")))
            return QStringLiteral("Cannot make the folders in %1").arg(m_work);
        QFile::setPermissions(m_work + QStringLiteral("/runtime"),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        m_env = QProcessEnvironment::systemEnvironment();
        m_env.remove(QStringLiteral("QT_QPA_PLATFORM"));                   // the tests' offscreen platform
        m_env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8")); // xdotool reads its text as UTF-8
        m_env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_work + QStringLiteral("/runtime"));

        // A display of its own: Xvfb picks a free number and writes it out.
        m_xvfb.setProcessEnvironment(m_env);
        m_xvfb.setStandardErrorFile(m_work + QStringLiteral("/xvfb.log"));
        m_xvfb.start(QStringLiteral("Xvfb"),
                     {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"), QStringLiteral("0"),
                      QStringLiteral("1280x1024x24"), QStringLiteral("-nolisten"), QStringLiteral("tcp")});
        if (!m_xvfb.waitForStarted())
            return m_xvfb.errorString();
        const bool named = waitFor([&] {
            m_xvfb.waitForReadyRead(100);
            return m_xvfb.canReadLine();
        });
        if (!named)
            return QStringLiteral("Xvfb did not name its display");
        m_display = u':' + QString::fromLatin1(m_xvfb.readLine()).trimmed();
        m_env.insert(QStringLiteral("DISPLAY"), m_display);

        // Without a window manager a new window may not get the keyboard, and
        // windows cannot be closed as a person closes them.
        m_windowManager.setProcessEnvironment(m_env);
        m_windowManager.setStandardOutputFile(m_work + QStringLiteral("/openbox.log"));
        m_windowManager.setStandardErrorFile(m_work + QStringLiteral("/openbox.log"), QIODevice::Append);
        m_windowManager.start(QStringLiteral("openbox"), {});
        const bool managed = waitFor([&] {
            const auto wm =
                tool(QStringLiteral("xprop"), {QStringLiteral("-root"), QStringLiteral("_NET_SUPPORTING_WM_CHECK")});
            return wm && wm->contains(QStringLiteral("window id"));
        });
        if (!managed)
            return QStringLiteral("openbox did not start");
        // A Russian layout beside the US one, so that every Cyrillic letter has a key.
        if (!run(QStringLiteral("setxkbmap"), {QStringLiteral("-layout"), QStringLiteral("us,ru")}))
            return QStringLiteral("setxkbmap failed");
        return {};
    }

    // The client program in its folder, whose Data it reads; its output goes
    // to client.log beside the screenshots.
    QString startClient(const QString &program)
    {
        QProcessEnvironment clientEnv = m_env;
        clientEnv.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        m_client.setProcessEnvironment(clientEnv);
        m_client.setWorkingDirectory(QFileInfo(program).absolutePath());
        m_client.setProcessChannelMode(QProcess::MergedChannels);
        m_client.setStandardOutputFile(m_work + QStringLiteral("/client.log"));
        m_client.start(program, {});
        if (!m_client.waitForStarted())
            return m_client.errorString();
        qInfo().noquote() << "The client runs on display" << m_display << "; screenshots in" << screenshots();
        return {};
    }

    // The client, the window manager and the display end, in that order.
    void stop()
    {
        for (QProcess *p : {&m_client, &m_windowManager, &m_xvfb}) {
            if (p->state() != QProcess::NotRunning) {
                p->terminate();
                if (!p->waitForFinished(5000)) {
                    p->kill();
                    p->waitForFinished();
                }
            }
        }
    }

    // Says why a step failed: the client's end, if it ended, and the screen.
    void reportFailure(const QString &step)
    {
        if (m_client.state() == QProcess::NotRunning)
            qWarning().noquote() << "The client has ended, exit code" << m_client.exitCode()
                                 << "; its output:" << m_work + QStringLiteral("/client.log");
        screenshot(QStringLiteral("failed-%1").arg(step));
        qWarning().noquote() << "Step" << step << "failed; the screen then:" << m_lastShot;
    }

    // Runs a tool on this display to its end; its standard output, or the reason it failed.
    std::optional<QString> tool(const QString &program, const QStringList &args, QString *error = nullptr)
    {
        QProcess p;
        p.setProcessEnvironment(m_env);
        p.start(program, args);
        if (!p.waitForFinished(StepTimeoutMs) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
            if (error)
                *error =
                    QStringLiteral("%1 %2 failed: %3 %4")
                        .arg(program, args.join(u' '), p.errorString(), QString::fromUtf8(p.readAllStandardError()));
            p.kill();
            p.waitForFinished();
            return std::nullopt;
        }
        return QString::fromUtf8(p.readAllStandardOutput());
    }
    bool run(const QString &program, const QStringList &args)
    {
        QString error;
        if (!tool(program, args, &error)) {
            qWarning().noquote() << error;
            return false;
        }
        return true;
    }

    // Polls until the condition holds or the step's time is up.
    static bool waitFor(const std::function<bool()> &condition)
    {
        QDeadlineTimer deadline(StepTimeoutMs);
        while (!condition()) {
            if (deadline.hasExpired())
                return false;
            QThread::msleep(100);
        }
        return true;
    }

    // The client's mapped windows, frames and pop-ups as the X server has them.
    QList<Window> windows()
    {
        const auto mapped = tool(QStringLiteral("xdotool"), {QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                                             QStringLiteral("--class"), QStringLiteral("qor")});
        const auto tree = tool(QStringLiteral("xwininfo"), {QStringLiteral("-root"), QStringLiteral("-tree")});
        if (!mapped || !tree)
            return {};
        QSet<qulonglong> visible;
        for (const QString &id : mapped->split(u'\n', Qt::SkipEmptyParts))
            visible.insert(id.toULongLong());
        // 0x400014 "name": ("qor" "qor")  1042x423+1+20  +119+308
        static const QRegularExpression line(
            QStringLiteral(
                R"re(^\s*(0x[0-9a-f]+) "(.*)": \("qor" "qor"\)\s+(\d+)x(\d+)[+-]-?\d+[+-]-?\d+\s+\+(-?\d+)\+(-?\d+)\s*$)re"),
            QRegularExpression::MultilineOption);
        QList<Window> result;
        for (auto it = line.globalMatch(*tree); it.hasNext();) {
            const auto m = it.next();
            if (!visible.contains(m.captured(1).toULongLong(nullptr, 16)))
                continue;
            result.append(
                {m.captured(1), m.captured(2),
                 QRect(m.captured(5).toInt(), m.captured(6).toInt(), m.captured(3).toInt(), m.captured(4).toInt())});
        }
        return result;
    }
    std::optional<Window> windowTitled(const QString &start)
    {
        for (const Window &w : windows())
            if (w.name.startsWith(start))
                return w;
        return std::nullopt;
    }
    QString activeWindowId()
    {
        const auto id = tool(QStringLiteral("xdotool"), {QStringLiteral("getactivewindow")});
        return id ? QStringLiteral("0x%1").arg(id->trimmed().toULongLong(), 0, 16) : QString();
    }
    // Waits until a window with this title start is shown, has the keyboard
    // and has stopped moving: a window is sized and centred again once the
    // window manager has framed it.
    bool waitForActive(const QString &title)
    {
        std::optional<Window> last;
        int sameRect = 0;
        return waitFor([&] {
            const auto now = windowTitled(title);
            sameRect = now && last && now->id == last->id && now->rect == last->rect ? sameRect + 1 : 0;
            last = now;
            return sameRect >= 2 && activeWindowId() == now->id;
        });
    }
    bool waitUntilGone(const QString &title)
    {
        return waitFor([&] { return !windowTitled(title); });
    }
    // A window shown that was not among those: a menu or a message that opened.
    std::optional<Window> waitForNewWindow(const QList<Window> &shown)
    {
        std::optional<Window> opened;
        waitFor([&] {
            for (const Window &w : windows())
                if (std::none_of(shown.cbegin(), shown.cend(), [&](const Window &s) { return s.id == w.id; }))
                    opened = w;
            return opened.has_value();
        });
        return opened;
    }

    // Clicks a point of a window, read from the X server just before.
    bool click(const std::optional<Window> &w, QPoint at)
    {
        if (!w) {
            qWarning("No window to click in");
            return false;
        }
        at += w->rect.topLeft();
        return run(QStringLiteral("xdotool"), {QStringLiteral("mousemove"), QString::number(at.x()),
                                               QString::number(at.y()), QStringLiteral("click"), QStringLiteral("1")});
    }
    bool click(const QString &title, const Place &place) { return click(windowTitled(title), place.centre()); }
    // One key event per character, to whatever window has the keyboard.
    bool type(const QString &text)
    {
        return run(QStringLiteral("xdotool"),
                   {QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("80"), text});
    }
    bool keys(const QStringList &names)
    {
        return run(QStringLiteral("xdotool"),
                   QStringList{QStringLiteral("key"), QStringLiteral("--delay"), QStringLiteral("80")} + names);
    }
    // A closed lookup list picks the first row that begins with what is typed;
    // Escape first, so that nothing typed before counts.
    bool typeIntoList(const QString &start) { return keys({QStringLiteral("Escape")}) && type(start); }

    // Keeps the whole screen under a numbered name.
    void screenshot(const QString &what)
    {
        const QString file =
            QStringLiteral("%1/%2-%3.png").arg(screenshots()).arg(++m_shot, 2, 10, QLatin1Char('0')).arg(what);
        if (run(QStringLiteral("import"), {QStringLiteral("-window"), QStringLiteral("root"), file}))
            m_lastShot = file;
    }

private:
    // Xvfb, openbox and the client end with the test, also when it is killed
    // or crashes: nothing of it is left running on the machine.
    static void endWithTheTest(QProcess &process)
    {
        process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
    }

    QString m_work;
    QString m_display; // ":N", chosen by Xvfb
    QProcessEnvironment m_env;
    QProcess m_xvfb, m_windowManager, m_client;
    int m_shot = 0;
    QString m_lastShot;
};
