// The real client, build/bin/qor, driven as a person drives it: on an X
// display of its own (Xvfb with the openbox window manager), with real key
// and mouse events (xdotool), on a fresh demo database made by qor-admin.
// What it stored is read back afterwards with a connection of its own.
//
// Controls are found from the windows' fixed layouts: the window's position
// as the X server reports it plus the control's place in its form. Every
// wait has a deadline; a step that fails says what it waited for, and the
// screen at that moment is kept beside the other screenshots in
// build/tests/wholeclient/screenshots.
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTest>
#include <QThread>

#include <sys/prctl.h>

#include <algorithm>
#include <csignal>
#include <functional>
#include <optional>

namespace {

// Generous: a loaded two-core machine may take seconds for what takes
// milliseconds alone.
constexpr int StepTimeoutMs = 30000;

// What the X server tells about a mapped window of the client.
struct Window
{
    QString id;
    QString name;
    QRect rect; // the client area, in screen coordinates
};

// A control's place in its window, as its form gives it.
struct Place
{
    int x, y, width, height;
    QPoint centre() const { return {x + width / 2, y + height / 2}; }
};

// Sign-in window TForm8 (no frame).
constexpr Place LoginEdit{146, 202, 187, 21};
constexpr Place PasswordEdit{146, 238, 187, 21};
// Main window TForm1: its top panel starts below the menu bar.
constexpr int MenuBarHeight = 20;
constexpr Place MenuSlushateli{6, 2, 60, 16};
constexpr Place AddStudentButton{570, 26 + MenuBarHeight, 167, 23};
// Add-to-group dialog TForm6.
constexpr Place OrderNumberEdit{29, 119, 121, 21};
constexpr Place AddButton{27, 191, 108, 22};
constexpr Place CancelButton{144, 191, 103, 22};

const QString MainTitle = QStringLiteral("QOR Слушатель");
const QString AddDialogTitle = QStringLiteral("Добавление слушателя в группу ");
const QString GroupWindowTitle = QStringLiteral("Формирование групп для слушателей");

using Row = QVariantMap;
// Every row of every table, as read apart from the client.
using Snapshot = QMap<QString, QList<Row>>;

QString describe(const Row &row)
{
    QStringList cells;
    for (auto it = row.cbegin(); it != row.cend(); ++it)
        cells.append(it.key() + u'=' + (it.value().isNull() ? QStringLiteral("NULL") : it.value().toString()));
    return u'{' + cells.join(QStringLiteral(", ")) + u'}';
}

// Read-only, beside the client, which may be writing it.
std::optional<Snapshot> readDatabase(const QString &file)
{
    std::optional<Snapshot> snapshot = Snapshot();
    const QString name = QStringLiteral("check");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(file);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_BUSY_TIMEOUT=10000"));
        QSqlQuery tables(db);
        // sqlite_sequence only counts keys handed out.
        if (!db.open() || !tables.exec(QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table' AND name <> 'sqlite_sequence'"))) {
            qWarning().noquote() << "Cannot read" << file << db.lastError().text() << tables.lastError().text();
            snapshot.reset();
        }
        while (snapshot && tables.next()) {
            const QString table = tables.value(0).toString();
            QSqlQuery rows(db);
            if (!rows.exec(QStringLiteral("SELECT * FROM [%1]").arg(table))) {
                qWarning().noquote() << "Cannot read" << table << rows.lastError().text();
                snapshot.reset();
                break;
            }
            QList<Row> &list = (*snapshot)[table];
            while (rows.next()) {
                Row row;
                const QSqlRecord record = rows.record();
                // A NULL of any column is one null, as the expected rows write it.
                for (int i = 0; i < record.count(); ++i)
                    row.insert(record.fieldName(i), record.isNull(i) ? QVariant() : record.value(i));
                list.append(row);
            }
        }
    }
    QSqlDatabase::removeDatabase(name);
    return snapshot;
}

// The roster's rows counted per group and pair of dates.
QList<Row> countsOfRoster(const QList<Row> &roster)
{
    QMap<QString, Row> counts;
    for (const Row &row : roster) {
        Row key;
        for (const char *field : {"id_group_slushatel", "come_date", "leave_date"})
            key.insert(QString::fromLatin1(field), row.value(QString::fromLatin1(field)));
        Row &count = counts[describe(key)];
        if (count.isEmpty())
            count = key;
        count.insert(QStringLiteral("roster_rows"), count.value(QStringLiteral("roster_rows")).toLongLong() + 1);
    }
    return counts.values();
}

// Rows of a that b lacks, table by table.
Snapshot minus(const Snapshot &a, const Snapshot &b)
{
    Snapshot result;
    for (auto it = a.cbegin(); it != a.cend(); ++it) {
        QList<Row> rest = b.value(it.key());
        for (const Row &row : it.value()) {
            if (!rest.removeOne(row))
                result[it.key()].append(row);
        }
    }
    return result;
}

QString describe(const Snapshot &rows)
{
    QStringList lines;
    for (auto it = rows.cbegin(); it != rows.cend(); ++it)
        for (const Row &row : it.value())
            lines.append(it.key() + u' ' + describe(row));
    return lines.isEmpty() ? QStringLiteral("(none)") : lines.join(u'\n');
}

// The one row of a table whose column holds a text.
Row rowWhere(const Snapshot &db, const QString &table, const QString &column, const QString &text)
{
    for (const Row &row : db.value(table))
        if (row.value(column).toString() == text)
            return row;
    qWarning("The demo database has no %s with %s '%s'", qPrintable(table), qPrintable(column), qPrintable(text));
    return {};
}

// Xvfb, openbox and the client end with the test, also when it is killed
// or crashes: nothing of it is left running on the machine.
void endWithTheTest(QProcess &process)
{
    process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
}

Row without(Row row, const QStringList &columns)
{
    for (const QString &column : columns)
        row.remove(column);
    return row;
}

} // namespace

class TestWholeClient : public QObject
{
    Q_OBJECT

    QString work;        // build/tests/wholeclient: the client's folder and the screenshots
    QString bin;         // build/bin
    QString display;     // ":N", chosen by Xvfb
    QProcessEnvironment env;
    QProcess xvfb, windowManager, client;
    Snapshot before;
    int shot = 0;
    QString lastShot;
    bool stepFailed = false;

    QString screenshots() const { return work + QStringLiteral("/screenshots"); }
    QString database() const { return work + QStringLiteral("/client/Data/QOR.db"); }

    // Runs a tool to its end; its standard output, or the reason it failed.
    std::optional<QString> tool(const QString &program, const QStringList &args, QString *error = nullptr)
    {
        QProcess p;
        p.setProcessEnvironment(env);
        p.start(program, args);
        if (!p.waitForFinished(StepTimeoutMs) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
            if (error)
                *error = QStringLiteral("%1 %2 failed: %3 %4").arg(program, args.join(u' '), p.errorString(),
                                                                    QString::fromUtf8(p.readAllStandardError()));
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
            QStringLiteral(R"re(^\s*(0x[0-9a-f]+) "(.*)": \("qor" "qor"\)\s+(\d+)x(\d+)[+-]-?\d+[+-]-?\d+\s+\+(-?\d+)\+(-?\d+)\s*$)re"),
            QRegularExpression::MultilineOption);
        QList<Window> result;
        for (auto it = line.globalMatch(*tree); it.hasNext();) {
            const auto m = it.next();
            if (!visible.contains(m.captured(1).toULongLong(nullptr, 16)))
                continue;
            result.append({m.captured(1), m.captured(2),
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

    // Clicks a point of a window, read from the X server just before.
    bool click(const std::optional<Window> &w, QPoint at)
    {
        if (!w) {
            qWarning("No window to click in");
            return false;
        }
        at += w->rect.topLeft();
        return run(QStringLiteral("xdotool"), {QStringLiteral("mousemove"), QString::number(at.x()), QString::number(at.y()),
                                              QStringLiteral("click"), QStringLiteral("1")});
    }
    bool click(const QString &title, const Place &place) { return click(windowTitled(title), place.centre()); }
    // One key event per character, to whatever window has the keyboard.
    bool type(const QString &text)
    {
        return run(QStringLiteral("xdotool"), {QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("80"), text});
    }
    bool keys(const QStringList &names)
    {
        return run(QStringLiteral("xdotool"), QStringList{QStringLiteral("key"), QStringLiteral("--delay"), QStringLiteral("80")} + names);
    }
    // A closed lookup list picks the first row that begins with what is typed;
    // Escape first, so that nothing typed before counts.
    bool typeIntoList(const QString &start) { return keys({QStringLiteral("Escape")}) && type(start); }

    // Keeps the whole screen under a numbered name.
    void screenshot(const QString &what)
    {
        const QString file = QStringLiteral("%1/%2-%3.png").arg(screenshots()).arg(++shot, 2, 10, QLatin1Char('0')).arg(what);
        if (run(QStringLiteral("import"), {QStringLiteral("-window"), QStringLiteral("root"), file}))
            lastShot = file;
    }

    // Polls the database file, which the client writes as it goes.
    bool waitForStored(const std::function<bool(const Snapshot &)> &stored)
    {
        return waitFor([&] {
            const auto db = readDatabase(database());
            return db && stored(*db);
        });
    }

    Row studentNamed(const QString &name) { return rowWhere(before, QStringLiteral("s_fio"), QStringLiteral("s_fio"), name); }
    Row movementOf(const QString &student, const QString &group)
    {
        const QVariant id = studentNamed(student).value(QStringLiteral("id_student"));
        const QVariant groupId = rowWhere(before, QStringLiteral("group_slushatel"), QStringLiteral("name_short"), group)
                                     .value(QStringLiteral("id_group_slushatel"));
        for (const Row &row : before.value(QStringLiteral("movement_slushatel")))
            if (row.value(QStringLiteral("id_student")) == id && row.value(QStringLiteral("id_group_slushatel")) == groupId)
                return row;
        qWarning("%s is not in %s in the demo database", qPrintable(student), qPrintable(group));
        return {};
    }

    // The scenario's rows, as the steps below type them.
    Row addedStudentRow()
    {
        return {
            {QStringLiteral("id_student"), studentNamed(QStringLiteral("Жукова Дарья Викторовна")).value(QStringLiteral("id_student"))},
            {QStringLiteral("id_group_slushatel"), rowWhere(before, QStringLiteral("group_slushatel"), QStringLiteral("name_short"),
                                                            QStringLiteral("ПК-102")).value(QStringLiteral("id_group_slushatel"))},
            {QStringLiteral("id_prikaz_come_slushatel"),
             rowWhere(before, QStringLiteral("prikaz_come_slushatel"), QStringLiteral("prikaz_come"), QStringLiteral("О дополнительном зачислении"))
                 .value(QStringLiteral("id_prikaz_come_slushatel"))},
            {QStringLiteral("come_date"), QStringLiteral("2026-03-05 00:00:00")},
            {QStringLiteral("come_reg"), QStringLiteral("12'к")},
            {QStringLiteral("id_prikaz_leave_slushatel"), QVariant()},
            {QStringLiteral("leave_date"), QVariant()},
            {QStringLiteral("leave_reg"), QVariant()},
        };
    }
    Row editedRosterRowBefore() { return movementOf(QStringLiteral("Кузнецова Ольга Николаевна"), QStringLiteral("ПК-102")); }
    Row editedRosterRowAfter()
    {
        Row row = editedRosterRowBefore();
        row.insert(QStringLiteral("leave_date"), QStringLiteral("2026-11-01 00:00:00"));
        return row;
    }
    Row addedGroupRow()
    {
        return {
            {QStringLiteral("id_faculty"), rowWhere(before, QStringLiteral("faculty"), QStringLiteral("p23-1"),
                                                    QStringLiteral("Факультет дистанционного обучения")).value(QStringLiteral("id_faculty"))},
            {QStringLiteral("name_short"), QStringLiteral("ДО-1")},
            {QStringLiteral("name_full"), QStringLiteral("Дистанционный курс")},
            {QStringLiteral("srok_obuchenia"), QStringLiteral("2027-06-30 00:00:00")},
            {QStringLiteral("oplata"), 9900.5},
        };
    }
    static bool containsRow(const QList<Row> &rows, const Row &wanted, const QStringList &ignored)
    {
        for (const Row &row : rows)
            if (without(row, ignored) == wanted)
                return true;
        return false;
    }

private slots:
    void initTestCase()
    {
        bin = qEnvironmentVariable("QOR_TEST_BIN");
        QVERIFY2(!bin.isEmpty(), "QOR_TEST_BIN names the folder of qor and qor-admin");
        work = QDir::cleanPath(bin + QStringLiteral("/../tests/wholeclient"));
        QDir(work).removeRecursively();
        QVERIFY(QDir().mkpath(work + QStringLiteral("/client")) && QDir().mkpath(screenshots()));
        QVERIFY(QDir().mkpath(work + QStringLiteral("/runtime")));
        QFile::setPermissions(work + QStringLiteral("/runtime"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

        // The client reads Data beside its executable: a copy keeps build/bin/Data as it is.
        QVERIFY(QFile::copy(bin + QStringLiteral("/qor"), work + QStringLiteral("/client/qor")));
        env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("QT_QPA_PLATFORM")); // the tests' offscreen platform
        env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8")); // xdotool reads its text as UTF-8
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), work + QStringLiteral("/runtime"));
        QVERIFY(run(bin + QStringLiteral("/qor-admin"), {QStringLiteral("demo"), work + QStringLiteral("/client")}));
        const auto demo = readDatabase(database());
        QVERIFY(demo);
        before = *demo;

        // A display of its own: Xvfb picks a free number and writes it out.
        for (QProcess *p : {&xvfb, &windowManager, &client})
            endWithTheTest(*p);
        xvfb.setProcessEnvironment(env);
        xvfb.setStandardErrorFile(work + QStringLiteral("/xvfb.log"));
        xvfb.start(QStringLiteral("Xvfb"), {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"), QStringLiteral("0"),
                                            QStringLiteral("1280x1024x24"), QStringLiteral("-nolisten"), QStringLiteral("tcp")});
        QVERIFY2(xvfb.waitForStarted(), qPrintable(xvfb.errorString()));
        const bool named = waitFor([&] {
            xvfb.waitForReadyRead(100);
            return xvfb.canReadLine();
        });
        QVERIFY2(named, "Xvfb did not name its display");
        display = u':' + QString::fromLatin1(xvfb.readLine()).trimmed();
        env.insert(QStringLiteral("DISPLAY"), display);

        // Without a window manager a new window may not get the keyboard, and
        // windows cannot be closed as a person closes them.
        windowManager.setProcessEnvironment(env);
        windowManager.setStandardOutputFile(work + QStringLiteral("/openbox.log"));
        windowManager.setStandardErrorFile(work + QStringLiteral("/openbox.log"), QIODevice::Append);
        windowManager.start(QStringLiteral("openbox"), {});
        const bool managed = waitFor([&] {
            const auto wm = tool(QStringLiteral("xprop"), {QStringLiteral("-root"), QStringLiteral("_NET_SUPPORTING_WM_CHECK")});
            return wm && wm->contains(QStringLiteral("window id"));
        });
        QVERIFY2(managed, "openbox did not start");
        // A Russian layout beside the US one, so that every Cyrillic letter has a key.
        QVERIFY(run(QStringLiteral("setxkbmap"), {QStringLiteral("-layout"), QStringLiteral("us,ru")}));

        QProcessEnvironment clientEnv = env;
        clientEnv.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        client.setProcessEnvironment(clientEnv);
        client.setWorkingDirectory(work + QStringLiteral("/client"));
        client.setProcessChannelMode(QProcess::MergedChannels);
        client.setStandardOutputFile(work + QStringLiteral("/client.log"));
        client.start(work + QStringLiteral("/client/qor"), {});
        QVERIFY2(client.waitForStarted(), qPrintable(client.errorString()));
        qInfo().noquote() << "The client runs on display" << display << "; screenshots in" << screenshots();
    }

    void init()
    {
        if (stepFailed)
            QSKIP("An earlier step failed");
    }

    void cleanup()
    {
        if (!QTest::currentTestFailed())
            return;
        stepFailed = true;
        if (client.state() == QProcess::NotRunning)
            qWarning().noquote() << "The client has ended, exit code" << client.exitCode() << "; its output:" << work + QStringLiteral("/client.log");
        screenshot(QStringLiteral("failed-%1").arg(QString::fromLatin1(QTest::currentTestFunction())));
        qWarning().noquote() << "Step" << QTest::currentTestFunction() << "failed; the screen then:" << lastShot;
    }

    void cleanupTestCase()
    {
        for (QProcess *p : {&client, &windowManager, &xvfb}) {
            if (p->state() != QProcess::NotRunning) {
                p->terminate();
                if (!p->waitForFinished(5000)) {
                    p->kill();
                    p->waitForFinished();
                }
            }
        }
    }

    void signIn()
    {
        // The sign-in window is the client's only window; its title is not fixed.
        QVERIFY2(waitForActive(QString()), "The sign-in window did not appear with the keyboard");
        screenshot(QStringLiteral("signin"));
        QVERIFY(click(QString(), LoginEdit));
        QVERIFY(type(QStringLiteral("demo")));
        QVERIFY(click(QString(), PasswordEdit));
        QVERIFY(type(QStringLiteral("demo123")));
        QVERIFY(keys({QStringLiteral("Return")}));
        QVERIFY2(waitForActive(MainTitle), "The main window did not appear with the keyboard after signing in as demo");
        screenshot(QStringLiteral("main-window"));
    }

    void pickAFacultyAndAGroupByTyping()
    {
        // The faculty list has the keyboard first; the group list is next.
        QVERIFY(typeIntoList(QStringLiteral("фак"))); // Факультет повышения квалификации
        QVERIFY(keys({QStringLiteral("Tab")}));
        QVERIFY(typeIntoList(QStringLiteral("ох"))); // ПК-102, Охрана труда на предприятии
        screenshot(QStringLiteral("group-picked"));
    }

    void addAStudentInTheDialog()
    {
        QVERIFY(click(MainTitle, AddStudentButton));
        QVERIFY2(waitForActive(AddDialogTitle), "The add-to-group dialog did not open: was the group picked and the add button enabled?");
        screenshot(QStringLiteral("add-dialog"));

        // The student list has the keyboard; Tab goes on to the order list, and
        // past the two buttons to the date picker's day.
        QVERIFY(typeIntoList(QStringLiteral("жук")));
        QVERIFY(keys({QStringLiteral("Tab")}));
        QVERIFY(typeIntoList(QStringLiteral("о доп")));
        QVERIFY(keys({QStringLiteral("Tab"), QStringLiteral("Tab"), QStringLiteral("Tab")}));
        QVERIFY(type(QStringLiteral("05032026")));
        QVERIFY(click(AddDialogTitle, OrderNumberEdit));
        QVERIFY(type(QStringLiteral("12'к")));
        screenshot(QStringLiteral("add-dialog-filled"));
        QVERIFY(click(AddDialogTitle, AddButton));

        const Row wanted = addedStudentRow();
        const bool stored = waitForStored([&](const Snapshot &db) {
            return containsRow(minus(db, before).value(QStringLiteral("movement_slushatel")), wanted, {QStringLiteral("id_movement")});
        });
        QVERIFY2(stored, qPrintable(QStringLiteral("No row %1 was stored after pressing \"Добавить\"").arg(describe(wanted))));
        screenshot(QStringLiteral("student-added"));

        QVERIFY(click(AddDialogTitle, CancelButton));
        QVERIFY2(waitUntilGone(AddDialogTitle), "The add-to-group dialog did not close on \"Отмена\"");
        QVERIFY2(waitForActive(MainTitle), "The main window did not get the keyboard back from the add-to-group dialog");
    }

    void editAnExpulsionDateInTheRoster()
    {
        // The add button kept the keyboard; Tab goes on to the roster. Row 3
        // is Кузнецова, after Волков and the Жукова just added; its last
        // column is the expulsion date.
        QVERIFY(keys({QStringLiteral("Tab"), QStringLiteral("ctrl+Home"), QStringLiteral("Down"), QStringLiteral("Down"),
                      QStringLiteral("End")}));
        QVERIFY(type(QStringLiteral("1.11.26")));
        screenshot(QStringLiteral("roster-date-typed"));
        QVERIFY(keys({QStringLiteral("Down")})); // moving on writes the row
        const Row wanted = editedRosterRowAfter();
        const bool stored = waitForStored([&](const Snapshot &db) {
            return db.value(QStringLiteral("movement_slushatel")).contains(wanted);
        });
        QVERIFY2(stored, qPrintable(QStringLiteral("The roster row was not stored as %1 after moving to the next row").arg(describe(wanted))));
        screenshot(QStringLiteral("roster-date-stored"));
    }

    void addAGroupToTheFacultyThatHadNone()
    {
        const QList<Window> shown = windows();
        QVERIFY(click(MainTitle, MenuSlushateli));
        std::optional<Window> menu;
        const bool opened = waitFor([&] {
            for (const Window &w : windows())
                if (std::none_of(shown.cbegin(), shown.cend(), [&](const Window &s) { return s.id == w.id; }))
                    menu = w;
            return menu.has_value();
        });
        QVERIFY2(opened, "The menu \"Слушатели\" did not open");
        screenshot(QStringLiteral("menu"));
        // "Группы слушателей" is its first item, some 22 pixels high below a
        // margin of a few, whatever items follow it.
        QVERIFY(click(menu, QPoint(menu->rect.width() / 3, 13)));
        QVERIFY2(waitForActive(GroupWindowTitle), "The group formation window did not open from the menu");
        screenshot(QStringLiteral("group-window"));

        // The faculty list has the keyboard; Tab goes on to the grid, where
        // Insert starts a row and Tab moves from cell to cell.
        QVERIFY(typeIntoList(QStringLiteral("факультет д")));
        QVERIFY(keys({QStringLiteral("Tab"), QStringLiteral("Insert")}));
        QVERIFY(type(QStringLiteral("ДО-1")));
        QVERIFY(keys({QStringLiteral("Tab")}));
        QVERIFY(type(QStringLiteral("Дистанционный курс")));
        QVERIFY(keys({QStringLiteral("Tab")}));
        QVERIFY(type(QStringLiteral("30.6.27")));
        QVERIFY(keys({QStringLiteral("Tab")}));
        QVERIFY(type(QStringLiteral("9900,5")));
        screenshot(QStringLiteral("group-typed"));
        // The navigator along the bottom: insert, delete and post, a third each.
        const auto groups = windowTitled(GroupWindowTitle);
        QVERIFY(groups);
        QVERIFY(click(groups, QPoint(groups->rect.width() * 5 / 6, groups->rect.height() - 12)));
        const Row wanted = addedGroupRow();
        const bool stored = waitForStored([&](const Snapshot &db) {
            return containsRow(minus(db, before).value(QStringLiteral("group_slushatel")), wanted, {QStringLiteral("id_group_slushatel")});
        });
        QVERIFY2(stored, qPrintable(QStringLiteral("No group %1 was stored after pressing the navigator's post button").arg(describe(wanted))));
        screenshot(QStringLiteral("group-stored"));

        QVERIFY(keys({QStringLiteral("alt+F4")}));
        QVERIFY2(waitUntilGone(GroupWindowTitle), "The group formation window did not close on Alt+F4");
        QVERIFY2(waitForActive(MainTitle), "The main window did not get the keyboard back from the group formation window");
        screenshot(QStringLiteral("main-window-at-the-end"));
    }

    void closeTheProgram()
    {
        QVERIFY(keys({QStringLiteral("alt+F4")}));
        QVERIFY2(client.waitForFinished(StepTimeoutMs), "The client did not end when its main window was closed with Alt+F4");
        QCOMPARE(client.exitStatus(), QProcess::NormalExit);
        QCOMPARE(client.exitCode(), 0);
    }

    void exactlyTheTypedRowsAreStored()
    {
        const auto after = readDatabase(database());
        QVERIFY(after);
        Snapshot added = minus(*after, before);
        Snapshot removed = minus(before, *after);

        // The sign-in is logged.
        const QList<Row> log = added.take(QStringLiteral("qor_signin_log"));
        QCOMPARE(log.size(), 1);
        QCOMPARE(log.first().value(QStringLiteral("login")).toString(), QStringLiteral("demo"));
        QCOMPARE(log.first().value(QStringLiteral("outcome")).toString(), QStringLiteral("signed in"));

        // The reports' counts follow the roster, whatever was typed into it.
        added.remove(QStringLiteral("movement_counts"));
        removed.remove(QStringLiteral("movement_counts"));
        const auto byText = [](QList<Row> rows) {
            std::sort(rows.begin(), rows.end(), [](const Row &a, const Row &b) { return describe(a) < describe(b); });
            return rows;
        };
        QCOMPARE(byText(after->value(QStringLiteral("movement_counts"))),
                 byText(countsOfRoster(after->value(QStringLiteral("movement_slushatel")))));

        Snapshot expectedAdded, expectedRemoved;
        expectedRemoved[QStringLiteral("movement_slushatel")] = {editedRosterRowBefore()};
        expectedAdded[QStringLiteral("movement_slushatel")] = {editedRosterRowAfter(), addedStudentRow()};
        expectedAdded[QStringLiteral("group_slushatel")] = {addedGroupRow()};
        // New rows get keys of the database's choosing.
        for (Row &row : added[QStringLiteral("movement_slushatel")])
            if (row.value(QStringLiteral("id_movement")) != editedRosterRowBefore().value(QStringLiteral("id_movement")))
                row.remove(QStringLiteral("id_movement"));
        for (Row &row : added[QStringLiteral("group_slushatel")])
            row.remove(QStringLiteral("id_group_slushatel"));

        const auto sorted = [](Snapshot s) {
            for (QList<Row> &rows : s)
                std::sort(rows.begin(), rows.end(), [](const Row &a, const Row &b) { return describe(a) < describe(b); });
            return s;
        };
        QVERIFY2(sorted(added) == sorted(expectedAdded), qPrintable(QStringLiteral("Rows added:\n%1\nexpected:\n%2")
                                                                        .arg(describe(sorted(added)), describe(sorted(expectedAdded)))));
        QVERIFY2(removed == expectedRemoved, qPrintable(QStringLiteral("Rows changed or removed:\n%1\nexpected:\n%2")
                                                            .arg(describe(removed), describe(expectedRemoved))));
    }
};

QTEST_GUILESS_MAIN(TestWholeClient)
#include "tst_wholeclient.moc"
