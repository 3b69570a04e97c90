// qor-bench: what the client's start, a group pick, the add-to-group dialog
// and handing a roster on (print preview, PDF, spreadsheet) cost the user on
// large offices,
// beside the engine's own limit (SQLite stepped through its C interface), the
// least each output costs, and a typical Qt program (QSqlQueryModel on QSQLITE).
// The three are timed in turn, pick by pick, in one process; see README.md.
#include "BenchFlags.h"
#include "ClientScreens.h"
#include "OrderCommands.h"
#include "PostgresPick.h"
#include "RawEngine.h"
#include "Registers.h"
#include "RosterOutput.h"
#include "Samples.h"
#include "StartOnX.h"
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

// With keep, each size's database is made in a folder of its own there once
// and used again later (for profiling, where making it would take long).
void measureSize(const admin::BenchmarkSize &size, int repeat, const QString &keep)
{
    QTemporaryDir dir;
    const QString data =
        (keep.isEmpty() ? dir.path() : keep + QStringLiteral("/") + QString::number(size.students)) + QStringLiteral("/Data");
    const QString file = data + QStringLiteral("/QOR.db");
    QDir().mkpath(data);
    QElapsedTimer made;
    made.start();
    const bool kept = QFile::exists(file);
    if (!kept)
        admin::createBenchmarkDatabase(file, size);
    setDataFolder(data);
    std::printf("\n### %d students, %d groups, %d roster rows, each student in one to three groups (seed %d; %s)\n\n",
                size.students, size.groups, admin::rosterRowCount(size), size.seed,
                kept ? "made by an earlier run" : qPrintable(QStringLiteral("made in %1 s").arg(made.elapsed() / 1000.0, 0, 'f', 0)));
    std::printf("| ms, best / median | ours | raw engine | typical Qt | ours : raw, best / median | typical Qt : raw, median |\n|---|---|---|---|---|---|\n");

    RawEngine raw(file);
    TypicalQt qt(file);
    ClientScreens ours(workingConnection(file));

    Samples oursPick, rawPick, qtPick;
    int rosterPaints = 0, rosterRows = 0;
    for (int i = -1; i < repeat; ++i) { // the first round warms the caches and is not counted
        const QVariant group = groupOf(i + 1, size.groups);
        Samples skip;
        timeOnce(i < 0 ? skip : oursPick, [&] { ours.pickGroup(group); });
        rosterPaints = std::max(rosterPaints, ours.rosterPaintsOfLastPick());
        rosterRows = std::max(rosterRows, ours.rosterRows());
        timeOnce(i < 0 ? skip : rawPick, [&] {
            raw.step(plain(statements::students()));
            raw.step(plain(statements::rosterOfGroup(group)));
        });
        timeOnce(i < 0 ? skip : qtPick,
                 [&] { qt.pick(plain(statements::students()), plain(statements::rosterOfGroup(group))); });
    }
    const QByteArray pickRow = QStringLiteral("group pick (rosters of up to %1 rows), to idle; the roster painted %2")
                                   .arg(rosterRows)
                                   .arg(rosterPaints == 1 ? QStringLiteral("once") : QStringLiteral("up to %1 times").arg(rosterPaints))
                                   .toUtf8();
    printRow(pickRow.constData(), oursPick, rawPick, &qtPick);

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
    const QByteArray movementRow = QStringLiteral("\"Движение контингента\", all faculties (%1 lines), to idle")
                                       .arg(movementLines)
                                       .toUtf8();
    printRow(movementRow.constData(), oursMovement, rawMovement);

    const QVariant group = groupOf(0, size.groups);
    ours.pickGroup(group);
    // The type-ahead's pauses never end a word here: each key adds to the last.
    LookupList::setClock([] { return qint64(0); });
    Samples oursOpen, rawOpen, oursDropDown, oursKey;
    int candidates = 0;
    for (int i = -1; i < repeat; ++i) { // the first round warms the caches and is not counted
        Samples skip;
        // Names start with a surname: type its first letters, as people do.
        const QString typed = QStringLiteral("Сидоров").left(2 + (i + 1) % 5);
        bool chosen = false;
        timeOnce(i < 0 ? skip : oursOpen, [&] { chosen = ours.openAddDialogAndType(typed.left(1)); });
        if (!chosen)
            throw Error(QStringLiteral("the add dialog's first key chose no student"));
        candidates = ours.candidateCount();
        for (int k = 1; k < typed.size(); ++k)
            timeOnce(i < 0 ? skip : oursKey, [&] { ours.typeIntoStudentList(typed.mid(k, 1)); });
        timeOnce(i < 0 ? skip : oursDropDown, [&] { ours.openStudentList(); });
        ours.closeStudentList();
        ours.closeAddDialog();
        timeOnce(i < 0 ? skip : rawOpen, [&] { raw.step(plain(statements::studentsNotInGroup(group))); });
    }
    printRow(qPrintable(QStringLiteral("add dialog opened (%1 students listed), to its first key handled, idle").arg(candidates)),
             oursOpen, rawOpen);
    std::printf("| type-ahead, further keys, to idle | %.3f / %.3f (worst %.3f) | | | | |\n", oursKey.best(), oursKey.median(),
                oursKey.worst());
    std::printf("| its student list dropped down, to idle | %.2f / %.2f | | | | |\n", oursDropDown.best(), oursDropDown.median());

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

// The client's start as a person meets it: qor from the fork to its sign-in
// window mapped and painted on an X server, beside a bare Qt program showing
// one empty dialog of the same size, interleaved.
void measureStart(int repeat)
{
    const QString bin = QCoreApplication::applicationDirPath();
    const QSize signInSize = TForm8(nullptr).size();
    QTemporaryDir folder; // the processes' working folder
    BenchXServer server;
    std::printf("### Start, to the first window painted, on an X server of its own (Xvfb, no window manager)\n\n");
    if (server.display().isEmpty()) {
        std::printf("Not measured: Xvfb did not start.\n");
        return;
    }
    Samples oursMapped, oursPainted, bareMapped, barePainted;
    QString error;
    for (int i = -1; i < repeat; ++i) { // the first round warms the caches and is not counted
        const auto ours = timeStartOnX(server.display(), bin + QStringLiteral("/qor"), {}, folder.path(), &error);
        const auto bare = timeStartOnX(server.display(), bin + QStringLiteral("/qor-bench-bare-dialog"),
                                       {QString::number(signInSize.width()), QString::number(signInSize.height())},
                                       folder.path(), &error);
        if (!ours || !bare) {
            std::printf("Not measured: %s.\n", qPrintable(error));
            return;
        }
        if (i < 0)
            continue;
        oursMapped.add(ours->mapped);
        oursPainted.add(ours->painted);
        bareMapped.add(bare->mapped);
        barePainted.add(bare->painted);
    }
    std::printf("| ms from the fork, best / median | qor, its sign-in window (%dx%d) | a bare Qt program, one empty dialog "
                "of that size | qor : bare, best / median |\n|---|---|---|---|\n",
                signInSize.width(), signInSize.height());
    const auto row = [](const char *what, const Samples &ours, const Samples &bare) {
        std::printf("| %s | %.1f / %.1f | %.1f / %.1f | x%.2f / x%.2f |\n", what, ours.best(), ours.median(), bare.best(),
                    bare.median(), ours.best() / bare.best(), ours.median() / bare.median());
    };
    row("the window mapped", oursMapped, bareMapped);
    row("the window painted", oursPainted, barePainted);
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    // Its own child processes' work.
    if (args.value(1) == u"--peak-after-ten-picks")
        return peakAfterTenPicks(args.value(2), args.value(3), args.value(4).toInt());

    QString error;
    const BenchFlags flags = parseBenchFlags(args.mid(1), &error);
    if (!error.isEmpty()) {
        std::fprintf(stderr, "qor-bench: %s (qor-bench --help lists the flags)\n", qPrintable(error));
        return 2;
    }
    try {
        switch (flags.mode) {
        case BenchFlags::Mode::Help:
            std::printf("%s", qPrintable(benchUsage()));
            return 0;
        case BenchFlags::Mode::Postgres:
            return postgresPick(flags);
        case BenchFlags::Mode::Orders: {
            QStringList orders{QStringLiteral("--repeat"), QString::number(flags.repeat)};
            if (flags.orderStudents > 0)
                orders += {QStringLiteral("--students"), QString::number(flags.orderStudents)};
            if (!flags.keep.isEmpty())
                orders += {QStringLiteral("--keep"), flags.keep};
            return measureOrderCommands(orders);
        }
        case BenchFlags::Mode::Registers:
            registerWindowsFonts();
            useRussianWithoutSystemLocale();
            measureRegisters(flags.repeat, flags.keep);
            return 0;
        case BenchFlags::Mode::Sizes:
            registerWindowsFonts();
            useRussianWithoutSystemLocale();
            measureStart(flags.repeat);
            for (const int students : flags.sizes)
                measureSize(admin::officeOfStudents(students), flags.repeat, flags.keep);
            return 0;
        }
    } catch (const Error &e) {
        std::fprintf(stderr, "qor-bench: %s\n", qPrintable(e.text()));
        return 1;
    }
    return 0;
}
