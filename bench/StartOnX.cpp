#include "StartOnX.h"

#include <QElapsedTimer>

#include <xcb/xcb.h>
#include <xcb/xcbext.h>

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <map>
#include <vector>

#include <poll.h>
#include <sys/uio.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// The DAMAGE extension's requests, as its protocol lays them out (there is no
// xcb-damage library on every machine that builds this).
xcb_extension_t damageExtension = {"DAMAGE", 0};
constexpr uint8_t DamageQueryVersion = 0;
constexpr uint8_t DamageCreate = 1;
constexpr uint8_t ReportNonEmpty = 3;
constexpr uint8_t DamageNotify = 0;

struct QueryVersionRequest
{
    uint8_t major;
    uint8_t minor;
    uint16_t length;
    uint32_t majorVersion;
    uint32_t minorVersion;
};

struct CreateRequest
{
    uint8_t major;
    uint8_t minor;
    uint16_t length;
    uint32_t damage;
    uint32_t drawable;
    uint8_t level;
    uint8_t pad[3];
};

unsigned sendDamageRequest(xcb_connection_t *x, uint8_t minor, void *request, size_t size, bool isVoid)
{
    const xcb_protocol_request_t kind{1, &damageExtension, minor, uint8_t(isVoid)};
    iovec parts[3];
    parts[2].iov_base = request;
    parts[2].iov_len = size;
    return xcb_send_request(x, isVoid ? 0 : XCB_REQUEST_CHECKED, parts + 2, &kind);
}

// The extension's first event code; -1 when the server lacks it.
int startDamage(xcb_connection_t *x)
{
    const xcb_query_extension_reply_t *extension = xcb_get_extension_data(x, &damageExtension);
    if (!extension || !extension->present)
        return -1;
    // A client must say which version it speaks before anything else.
    QueryVersionRequest query{0, 0, 0, 1, 1};
    const unsigned sequence = sendDamageRequest(x, DamageQueryVersion, &query, sizeof query, false);
    xcb_generic_error_t *error = nullptr;
    void *reply = nullptr;
    xcb_poll_for_reply(x, sequence, &reply, &error); // may not be in yet
    if (!reply && !error)
        reply = xcb_wait_for_reply(x, sequence, &error);
    std::free(reply);
    std::free(error);
    return extension->first_event;
}

void watchForDrawing(xcb_connection_t *x, xcb_window_t window)
{
    CreateRequest create{0, 0, 0, xcb_generate_id(x), window, ReportNonEmpty, {}};
    sendDamageRequest(x, DamageCreate, &create, sizeof create, true);
    xcb_flush(x);
}

char **environmentFor(const QString &display, std::vector<QByteArray> &storage)
{
    for (char **variable = environ; *variable; ++variable) {
        const QByteArray text(*variable);
        if (!text.startsWith("DISPLAY=") && !text.startsWith("QT_QPA_PLATFORM="))
            storage.push_back(text);
    }
    storage.push_back("DISPLAY=" + display.toLocal8Bit());
    storage.push_back("QT_QPA_PLATFORM=xcb");
    static std::vector<char *> pointers;
    pointers.clear();
    for (QByteArray &text : storage)
        pointers.push_back(text.data());
    pointers.push_back(nullptr);
    return pointers.data();
}

} // namespace

BenchXServer::BenchXServer()
{
    // Xvfb writes the display number it chose to the descriptor given: its standard output.
    m_server.start(QStringLiteral("Xvfb"), {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                                             QStringLiteral("0"), QStringLiteral("1280x1024x24"), QStringLiteral("-noreset"), QStringLiteral("-nolisten"),
                                             QStringLiteral("tcp")});
    if (!m_server.waitForStarted(10000))
        return;
    QByteArray number;
    QElapsedTimer waited;
    waited.start();
    while (!number.contains('\n') && waited.elapsed() < 20000 && m_server.state() == QProcess::Running) {
        m_server.waitForReadyRead(1000);
        number += m_server.readAllStandardOutput();
    }
    if (number.contains('\n'))
        m_display = QStringLiteral(":") + QString::fromLatin1(number.trimmed());
}

BenchXServer::~BenchXServer()
{
    if (m_server.state() != QProcess::NotRunning) {
        m_server.terminate();
        m_server.waitForFinished(5000);
    }
}

std::optional<StartTimes> timeStartOnX(const QString &display, const QString &program, const QStringList &arguments,
                                       const QString &folder, QString *error)
{
    xcb_connection_t *x = xcb_connect(display.toLocal8Bit().constData(), nullptr);
    if (xcb_connection_has_error(x)) {
        xcb_disconnect(x);
        *error = QStringLiteral("no X server on %1 (error %2)").arg(display).arg(xcb_connection_has_error(x));
        return std::nullopt;
    }
    const int damageEvent = startDamage(x);
    if (damageEvent < 0) {
        xcb_disconnect(x);
        *error = QStringLiteral("the X server has no DAMAGE extension");
        return std::nullopt;
    }
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(x)).data->root;
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(x, root, XCB_CW_EVENT_MASK, &mask);
    xcb_discard_reply(x, xcb_get_input_focus(x).sequence);
    xcb_flush(x);

    std::vector<QByteArray> storage;
    char **environment = environmentFor(display, storage);
    std::vector<QByteArray> argumentBytes{program.toLocal8Bit()};
    for (const QString &argument : arguments)
        argumentBytes.push_back(argument.toLocal8Bit());
    std::vector<char *> argv;
    for (QByteArray &argument : argumentBytes)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    const QByteArray where = folder.toLocal8Bit();

    QElapsedTimer sinceFork;
    sinceFork.start();
    const pid_t child = fork();
    if (child == 0) {
        if (chdir(where.constData()) == 0)
            execve(argv[0], argv.data(), environment);
        _exit(127);
    }

    // Its top-level windows: their sizes, and when the first big one was mapped.
    std::map<xcb_window_t, std::pair<int, int>> sizes;
    std::map<xcb_window_t, double> mappedAt;
    std::optional<StartTimes> times;
    const int fd = xcb_get_file_descriptor(x);
    while (!times && sinceFork.elapsed() < 60000 && !xcb_connection_has_error(x)) {
        xcb_generic_event_t *event = xcb_poll_for_event(x);
        if (!event) {
            pollfd wait{fd, POLLIN, 0};
            poll(&wait, 1, 100);
            continue;
        }
        const double now = sinceFork.nsecsElapsed() / 1e6;
        const int type = event->response_type & 0x7f;
        if (type == XCB_CREATE_NOTIFY) {
            const auto *created = reinterpret_cast<xcb_create_notify_event_t *>(event);
            sizes[created->window] = {created->width, created->height};
            watchForDrawing(x, created->window);
        } else if (type == XCB_CONFIGURE_NOTIFY) {
            const auto *configured = reinterpret_cast<xcb_configure_notify_event_t *>(event);
            sizes[configured->window] = {configured->width, configured->height};
        } else if (type == XCB_MAP_NOTIFY) {
            const auto *mapped = reinterpret_cast<xcb_map_notify_event_t *>(event);
            const auto size = sizes.find(mapped->window);
            if (size != sizes.end() && size->second.first > 1 && size->second.second > 1)
                mappedAt.emplace(mapped->window, now);
        } else if (type == damageEvent + DamageNotify) {
            // The event's layout: type, level, sequence, drawable, damage, ...
            uint32_t drawable = 0;
            std::memcpy(&drawable, reinterpret_cast<const char *>(event) + 4, sizeof drawable);
            const auto mapped = mappedAt.find(drawable);
            if (mapped != mappedAt.end())
                times = StartTimes{mapped->second, now};
        }
        std::free(event);
    }
    kill(child, SIGTERM);
    int status = 0;
    waitpid(child, &status, 0);
    xcb_disconnect(x);
    if (!times)
        *error = QStringLiteral("%1 painted no window within a minute").arg(program);
    return times;
}
