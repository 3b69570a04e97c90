// qor-bench: what a group pick, the add-to-group dialog and handing a roster
// on (print preview, PDF, spreadsheet) cost the user on large offices,
// beside the engine's own limit (SQLite stepped through its C interface), the
// least each output costs, and a typical Qt program (QSqlQueryModel on QSQLITE).
// The three are timed in turn, pick by pick, in one process; see README.md.
#include "ClientScreens.h"
#include "OrderCommands.h"
#include "PostgresPick.h"
#include "RawEngine.h"
#include "Registers.h"
#include "RosterOutput.h"
#include "Samples.h"
#include "StudentSearchBench.h"
#include "TypicalQt.h"

#include "app/Application.h"
#include "controls/LookupList.h"
#include "data/ConnectionString.h"
#include "data/DataFolder.h"
#include "engine/Error.h"
#include "embedded/SqliteEngine.h"
#include "data/Statements.h"
#include "embedded/TsqlDialect.h"
#include "signin/TForm8.h"
#include "tools/BenchmarkData.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>


#include <cstdio>

using namespace qor;

namespace {

struct Size
{
    int students;
    int groups;
};

QString plain(const QString &statement)
{
    return tsql::stripQualifiers(statement);
}

// A statement as the embedded engine hands it to SQLite: also its days cast to date-times.
QString sqliteReady(const QString &statement)
{
    return tsql::castDateLiterals(tsql::stripQualifiers(statement));
}

QVariant groupOf(int i, int groups)
{
    return 1 + (i * 37) % groups;
}

// The process's peak resident memory. (getrusage would count the parent's
// peak too: Linux keeps it across the exec of a child.)
long peakRssKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    status.open(QIODevice::ReadOnly);
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    }
    return 0;
}

QString workingConnection(const QString &file)
{
    const RowSet login = SqliteEngine::openAsOwner(file)->select(QStringLiteral("SELECT name, password FROM qor_login WHERE name = 'demo'"));
    return composeConnectionString({login.text(0, 0), login.text(0, 1), QStringLiteral("QOR"), QStringLiteral("(embedded)")});
}

void printRow(const char *what, const Samples &ours, const Samples &raw, const Samples *qt = nullptr)
{
    std::printf("| %s | %.2f / %.2f | %.2f / %.2f | %s | x%.2f / x%.2f | %s |\n", what, ours.best(), ours.median(), raw.best(),
                raw.median(), qt ? qPrintable(QStringLiteral("%1 / %2").arg(qt->best(), 0, 'f', 2).arg(qt->median(), 0, 'f', 2)) : "",
                raw.best() > 0 ? ours.best() / raw.best() : 0, raw.median() > 0 ? ours.median() / raw.median() : 0,
                qt && raw.median() > 0 ? qPrintable(QStringLiteral("x%1").arg(qt->median() / raw.median(), 0, 'f', 2)) : "");
}

// Ten picks in a process of its own, for its peak memory: "ours", "raw" or "qt".
int peakAfterTenPicks(const QString &kind, const QString &file, int groups)
{
    setDataFolder(QFileInfo(file).absolutePath());
    if (kind == u"none") {
        // The process itself: the toolkit, its fonts, the offscreen screen.
    } else if (kind == u"ours" || kind == u"ours-handed-on") {
        ClientScreens ours(workingConnection(file));
        for (int i = 0; i < 10; ++i)
            ours.pickGroup(groupOf(i, groups));
        if (kind == u"ours-handed-on")
            handRosterOnOnce(ours);
    } else if (kind == u"raw") {
        RawEngine raw(file);
        for (int i = 0; i < 10; ++i) {
            raw.step(plain(statements::students()));
            raw.step(plain(statements::rosterOfGroup(groupOf(i, groups))));
        }
    } else {
        TypicalQt qt(file);
        for (int i = 0; i < 10; ++i)
            qt.pick(plain(statements::students()), plain(statements::rosterOfGroup(groupOf(i, groups))));
    }
    std::printf("%ld\n", peakRssKiB());
    return 0;
}

double childNumber(const QStringList &arguments)
{
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(), arguments);
    child.waitForFinished(600000);
    return child.readAllStandardOutput().trimmed().toDouble();
}

// With keep, the database is made in that folder once and used again later
// (for profiling, where making it would take long).
void measureSize(const Size &size, int repeat, const QString &keep)
{
    QTemporaryDir dir;
    const QString data = (keep.isEmpty() ? dir.path() : keep) + QStringLiteral("/Data");
    const QString file = data + QStringLiteral("/QOR.db");
    QDir().mkpath(data);
    QElapsedTimer made;
    made.start();
    if (!QFile::exists(file))
        admin::createBenchmarkDatabase(file, {size.students, size.groups, 5 * size.students});
    setDataFolder(data);
    std::printf("\n### %d students, %d groups, %d roster rows (made in %.0f s)\n\n", size.students, size.groups,
                5 * size.students, made.elapsed() / 1000.0);
    std::printf("| ms, best / median | ours | raw engine | typical Qt | ours : raw, best / median | typical Qt : raw, median |\n|---|---|---|---|---|---|\n");

    RawEngine raw(file);
    TypicalQt qt(file);
    ClientScreens ours(workingConnection(file));

    Samples oursPick, rawPick, qtPick;
    for (int i = -1; i < repeat; ++i) { // the first round warms the caches and is not counted
        const QVariant group = groupOf(i + 1, size.groups);
        Samples skip;
        timeOnce(i < 0 ? skip : oursPick, [&] { ours.pickGroup(group); });
        timeOnce(i < 0 ? skip : rawPick, [&] {
            raw.step(plain(statements::students()));
            raw.step(plain(statements::rosterOfGroup(group)));
        });
        timeOnce(i < 0 ? skip : qtPick,
                 [&] { qt.pick(plain(statements::students()), plain(statements::rosterOfGroup(group))); });
    }
    printRow("group pick, to the roster painted", oursPick, rawPick, &qtPick);

    // The contingent of all faculties over the report's first period, this month to today.
    const QDate today = QDate::currentDate();
    const QString movement = sqliteReady(statements::contingentMovement(QDate(today.year(), today.month(), 1), today, QVariant()));
    Samples oursMovement, rawMovement;
    int movementLines = 0;
    for (int i = -1; i < repeat; ++i) {
        Samples skip;
        timeOnce(i < 0 ? skip : oursMovement, [&] { ours.openContingentReport(); });
        movementLines = ours.contingentLines();
        ours.closeContingentReport();
        timeOnce(i < 0 ? skip : rawMovement, [&] { raw.step(movement); });
    }
    const QByteArray movementRow = QStringLiteral("\"Движение контингента\", all faculties (%1 lines), to the table shown")
                                       .arg(movementLines)
                                       .toUtf8();
    printRow(movementRow.constData(), oursMovement, rawMovement);

    const QVariant group = groupOf(0, size.groups);
    ours.pickGroup(group);
    Samples oursOpen, rawOpen, oursIdle, oursDropDown, oursFirstKey, oursKey;
    int candidates = 0;
    for (int i = 0; i < repeat; ++i) {
        timeOnce(oursOpen, [&] { ours.openAddDialog(); });
        // The first moment the dialog is idle: its list readies its type-ahead search.
        timeOnce(oursIdle, [&] { QApplication::processEvents(); });
        candidates = ours.candidateCount();
        timeOnce(rawOpen, [&] { raw.step(plain(statements::studentsNotInGroup(group))); });
        timeOnce(oursDropDown, [&] { ours.openStudentList(); });
        ours.closeStudentList();
        // Names start with a surname: type its first letters, as people do.
        const QString typed = QStringLiteral("Сидоров").left(1 + i % 5);
        LookupList::setClock([] { return qint64(0); });
        for (int k = 0; k < typed.size(); ++k)
            timeOnce(k == 0 ? oursFirstKey : oursKey, [&] { ours.typeIntoStudentList(typed.mid(k, 1)); });
        ours.closeAddDialog();
    }
    printRow("add dialog opened, list ready", oursOpen, rawOpen);
    std::printf("| its student list (%d names) dropped down | %.2f / %.2f | | | | |\n", candidates, oursDropDown.best(),
                oursDropDown.median());
    std::printf("| the dialog's first idle moment (type-ahead search made ready) | %.2f / %.2f | | | | |\n", oursIdle.best(),
                oursIdle.median());
    std::printf("| type-ahead, first key | %.3f / %.3f | | | | |\n", oursFirstKey.best(), oursFirstKey.median());
    std::printf("| type-ahead, further keys | %.3f / %.3f (worst %.3f) | | | | |\n", oursKey.best(), oursKey.median(), oursKey.worst());

    const RosterOutputTimes handedOn = measureRosterOutput(ours, raw, group, repeat);
    std::printf("| its roster (%d rows) read for printing or saving | %.2f / %.2f | %.2f / %.2f (statement) | | x%.2f / x%.2f | |\n",
                handedOn.rows, handedOn.read.best(), handedOn.read.median(), handedOn.readRaw.best(), handedOn.readRaw.median(),
                handedOn.read.best() / handedOn.readRaw.best(), handedOn.read.median() / handedOn.readRaw.median());
    std::printf("| print preview, %d pages laid out | %.2f / %.2f | %.2f / %.2f (texts alone) | | x%.2f / x%.2f | |\n", handedOn.pages,
                handedOn.preview.best(), handedOn.preview.median(), handedOn.previewRaw.best(), handedOn.previewRaw.median(),
                handedOn.preview.best() / handedOn.previewRaw.best(), handedOn.preview.median() / handedOn.previewRaw.median());
    printRow("printed to PDF", handedOn.pdf, handedOn.pdfRaw);
    printRow("saved as .xlsx", handedOn.xlsx, handedOn.xlsxRaw);
    printRow("saved as CSV", handedOn.csv, handedOn.csvRaw);

    measureStudentSearch(ours, raw, file, repeat);

    const size_t bytes = raw.step(plain(statements::students())) + raw.step(plain(statements::rosterOfGroup(group)));
    const QStringList child{QStringLiteral("--peak-after-ten-picks"), QString(), file, QString::number(size.groups)};
    const auto peak = [&](const char *kind) {
        QStringList arguments = child;
        arguments[1] = QString::fromLatin1(kind);
        return childNumber(arguments) / 1024;
    };
    // What each adds to a process that only starts the toolkit.
    const double none = peak("none");
    const double oursPeak = peak("ours") - none, rawPeak = peak("raw") - none, qtPeak = peak("qt") - none;
    const double handedOnPeak = peak("ours-handed-on") - none;
    const double dataMiB = bytes / 1048576.0;
    std::printf("\nPeak memory after ten picks, each in a process of its own, beyond the %.0f MiB of a process that only starts "
                "the toolkit: ours %.1f MiB, raw engine %.1f MiB, typical Qt %.1f MiB. The pick's data is %.1f MiB; ours holds %.1f "
                "times it.\n",
                none, oursPeak, rawPeak, qtPeak, dataMiB, oursPeak / dataMiB);
    std::printf("Then previewing, printing to PDF and saving the last roster (.xlsx, CSV) takes ours to %.1f MiB.\n", handedOnPeak);
}

// From the program's start to the sign-in window painted, in a process of its own.
int startToSignIn(QElapsedTimer &sinceStart)
{
    registerWindowsFonts();
    useRussianWithoutSystemLocale();
    TForm8 signin(nullptr); // shown only: it signs nobody in
    signin.show();
    signin.repaint();
    std::printf("%.1f\n", sinceStart.nsecsElapsed() / 1e6);
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    QElapsedTimer sinceStart;
    sinceStart.start();
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.value(1) == u"--start-to-sign-in")
        return startToSignIn(sinceStart);
    if (args.value(1) == u"--peak-after-ten-picks")
        return peakAfterTenPicks(args.value(2), args.value(3), args.value(4).toInt());
    if (args.value(1) == u"--postgres")
        return postgresPick(args.mid(2));
    if (args.contains(QStringLiteral("--orders")))
        return measureOrderCommands(args);
    // The registers' rows alone: qor-bench --registers [--repeat N] [--keep DIR]
    if (args.contains(QStringLiteral("--registers"))) {
        registerWindowsFonts();
        useRussianWithoutSystemLocale();
        const int at = int(args.indexOf(QStringLiteral("--repeat")));
        const int keepAt = int(args.indexOf(QStringLiteral("--keep")));
        try {
            measureRegisters(at > 0 ? std::max(3, args.value(at + 1).toInt()) : 15, keepAt > 0 ? args.value(keepAt + 1) : QString());
        } catch (const Error &e) {
            std::fprintf(stderr, "qor-bench: %s\n", qPrintable(e.text()));
            return 1;
        }
        return 0;
    }

    int repeat = 15;
    QString keep;
    QList<Size> sizes{{10000, 100}, {50000, 500}, {200000, 2000}};
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == u"--repeat" && i + 1 < args.size())
            repeat = std::max(3, args[++i].toInt());
        else if (args[i] == u"--keep" && i + 1 < args.size())
            keep = args[++i];
        else if (args[i] == u"--million")
            sizes.append({1000000, 10000});
        else if (args[i] == u"--only" && i + 1 < args.size()) {
            const int students = args[++i].toInt();
            sizes = {{students, std::max(1, students / 100)}};
        }
    }
    try {
        registerWindowsFonts();
        useRussianWithoutSystemLocale();
        Samples startup;
        for (int i = 0; i < 5 && keep.isEmpty(); ++i)
            startup.add(childNumber({QStringLiteral("--start-to-sign-in")}));
        std::printf("Start to the sign-in window painted: %.0f ms median of 5 (best %.0f)\n", startup.median(), startup.best());
        for (const Size &size : std::as_const(sizes))
            measureSize(size, repeat, keep);
    } catch (const Error &e) {
        std::fprintf(stderr, "qor-bench: %s\n", qPrintable(e.text()));
        return 1;
    }
    return 0;
}
