#include "Registers.h"

#include "EventLoopIdle.h"

#include "RawEngine.h"
#include "Samples.h"

#include "controls/DataGrid.h"
#include "data/Connection.h"
#include "data/ConnectionString.h"
#include "data/DataFolder.h"
#include "data/StudentImport.h"
#include "data/TDM.h"
#include "embedded/RussianCollation.h"
#include "embedded/SqliteEngine.h"
#include "screens/TForm1.h"
#include "screens/TForm11.h"
#include "tools/BenchmarkData.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>

#include <sqlite3.h>
#include <xlsxwriter.h>

using namespace qor;

namespace {

QString workingLogin(const QString &file)
{
    const RowSet login = SqliteEngine::openAsOwner(file)->select(
        QStringLiteral("SELECT name, password FROM qor_login WHERE name = 'demo'"));
    return composeConnectionString(
        {login.text(0, 0), login.text(0, 1), QStringLiteral("QOR"), QStringLiteral("(embedded)")});
}

// A database of the size in the folder, made once when keep names one.
QString benchmarkDatabase(const QString &folder, int students)
{
    const QString data = folder + QStringLiteral("/Data");
    const QString file = data + QStringLiteral("/QOR.db");
    QDir().mkpath(data);
    if (!QFile::exists(file))
        admin::createBenchmarkDatabase(file, {students, 100, 1000});
    setDataFolder(data);
    return file;
}

// What people type into the search, a key at a time: a surname's start,
// then a first name's.
const QStringList Typed{QStringLiteral("Ивано"), QStringLiteral("Фёд"), QStringLiteral("пет ник"),
                        QStringLiteral("Ел")};

// The scan a program without an index would make for the words typed so
// far: every name read and compared, here by SQLite's LIKE on each word's
// start (exact letters only; the register also ignores case and ё).
QString scanFor(const QString &typed)
{
    QString where;
    for (const QString &word : typed.split(u' ', Qt::SkipEmptyParts)) {
        if (!where.isEmpty())
            where += QStringLiteral(" AND ");
        where += QStringLiteral("(s_fio LIKE '%1%' OR s_fio LIKE '% %1%')").arg(word);
    }
    return QStringLiteral("SELECT id_student, s_fio FROM s_fio WHERE %1 ORDER BY s_fio").arg(where);
}

void measureSearch(int repeat, const QString &keep)
{
    QTemporaryDir dir;
    const int students = 1000000;
    QElapsedTimer made;
    made.start();
    const QString file = benchmarkDatabase(keep.isEmpty() ? dir.path() : keep, students);
    std::printf("\n### The student register's search, %d students (made in %.0f s)\n\n", students,
                made.elapsed() / 1000.0);

    TDM dm;
    DM = &dm;
    DM->ADOCon->setConnectionString(workingLogin(file));
    Form1 = new TForm1;
    Form1->loadLists();
    QElapsedTimer opened;
    opened.start();
    Form11 = Form1->newStudentRegister();
    Form11->show();
    waitUntilIdle();
    const double openMs = opened.nsecsElapsed() / 1e6;
    auto *search = Form11->findChild<QLineEdit *>(QStringLiteral("Edit1"));
    search->setFocus();
    RawEngine raw(file);

    Samples ours, scan, firstKey, erased, allAgain;
    int shownAfterFirst = 0;
    for (int round = -1; round < repeat; ++round) { // the first round warms the caches and is not counted
        const QString typed = Typed[size_t(round + 1) % size_t(Typed.size())];
        for (int k = 0; k < typed.size(); ++k) {
            Samples skip;
            Samples &key = round < 0 ? skip : k == 0 ? firstKey : ours;
            timeOnce(key, [&] {
                QTest::sendKeyEvent(QTest::Click, search, Qt::Key_unknown, typed.mid(k, 1), Qt::NoModifier);
                waitUntilIdle();
            });
            if (k == 0)
                shownAfterFirst = Form11->grid()->model()->rowCount();
            if (typed[k] != u' ')
                timeOnce(round < 0 ? skip : scan, [&] { raw.step(scanFor(typed.left(k + 1))); });
        }
        // Erased again key by key; the last Backspace shows every name again.
        for (int k = int(typed.size()); k > 0; --k) {
            Samples skip;
            timeOnce(round < 0 ? skip : k == 1 ? allAgain : erased, [&] {
                QTest::keyClick(search, Qt::Key_Backspace);
                waitUntilIdle();
            });
        }
    }
    std::printf(
        "| ms, best / median (worst) | ours | SQLite scanning the names | ours : scan, median |\n|---|---|---|---|\n");
    std::printf("| register opened, %d names read, indexed, to idle | %.0f | | |\n", students, openMs);
    std::printf("| first key (one letter: %d names shown) | %.2f / %.2f (%.2f) | | |\n", shownAfterFirst,
                firstKey.best(), firstKey.median(), firstKey.worst());
    std::printf("| further keys, to idle | %.2f / %.2f (%.2f) | %.2f / %.2f (%.2f) | x%.3f |\n",
                ours.best(), ours.median(), ours.worst(), scan.best(), scan.median(), scan.worst(),
                ours.median() / scan.median());
    std::printf("| Backspace, to idle | %.2f / %.2f (%.2f) | | |\n", erased.best(), erased.median(),
                erased.worst());
    std::printf("| the last Backspace, all %d names shown again | %.2f / %.2f (%.2f) | | |\n", students, allAgain.best(),
                allAgain.median(), allAgain.worst());
    delete Form11;
    Form11 = nullptr;
    delete Form1;
    Form1 = nullptr;
    DM = nullptr;
}

// A list of students as an office's spreadsheet has them: full names, each
// once, and with groups their placements.
struct ListRow
{
    QString name;
    QString group;
};

QList<ListRow> studentList(int students, int groups)
{
    static const QStringList surnames{
        QStringLiteral("Абрамов"),  QStringLiteral("Белов"),    QStringLiteral("Воронин"), QStringLiteral("Гусев"),
        QStringLiteral("Давыдов"),  QStringLiteral("Ершов"),    QStringLiteral("Жданов"),  QStringLiteral("Зуев"),
        QStringLiteral("Исаев"),    QStringLiteral("Калинин"),  QStringLiteral("Лазарев"), QStringLiteral("Медведев"),
        QStringLiteral("Никитин"),  QStringLiteral("Осипов"),   QStringLiteral("Панов"),   QStringLiteral("Родионов"),
        QStringLiteral("Савельев"), QStringLiteral("Тимофеев"), QStringLiteral("Ульянов"), QStringLiteral("Фомин")};
    static const QStringList names{QStringLiteral("Антон"),    QStringLiteral("Борис"), QStringLiteral("Виктор"),
                                   QStringLiteral("Григорий"), QStringLiteral("Денис"), QStringLiteral("Егор"),
                                   QStringLiteral("Захар"),    QStringLiteral("Игорь"), QStringLiteral("Кирилл"),
                                   QStringLiteral("Леонид")};
    QList<ListRow> rows;
    rows.reserve(students);
    // Surname, name, patronymic and a number of the list: every row another person.
    for (int i = 0; i < students; ++i) {
        rows.append(
            {QStringLiteral("%1 %2 %3овна%4")
                 .arg(surnames[i % surnames.size()], names[(i / 20) % names.size()], names[(i / 200) % names.size()])
                 .arg(i / 2000),
             groups > 0 ? QStringLiteral("Г-%1").arg(1 + i % groups) : QString()});
    }
    return rows;
}

QString writeList(const QString &folder, const QList<ListRow> &rows)
{
    const QString path = folder + QStringLiteral("/list.xlsx");
    lxw_workbook *book = workbook_new(QFile::encodeName(path).constData());
    lxw_worksheet *sheet = workbook_add_worksheet(book, nullptr);
    worksheet_write_string(sheet, 0, 0, "ФИО", nullptr);
    const bool groups = !rows.first().group.isEmpty();
    if (groups) {
        worksheet_write_string(sheet, 0, 1, "Группа", nullptr);
        worksheet_write_string(sheet, 0, 2, "Приказ", nullptr);
        worksheet_write_string(sheet, 0, 3, "№ приказа", nullptr);
    }
    for (int r = 0; r < rows.size(); ++r) {
        worksheet_write_string(sheet, lxw_row_t(r + 1), 0, rows[r].name.toUtf8().constData(), nullptr);
        if (groups) {
            worksheet_write_string(sheet, lxw_row_t(r + 1), 1, rows[r].group.toUtf8().constData(), nullptr);
            worksheet_write_string(sheet, lxw_row_t(r + 1), 2, "Приказ о зачислении 1", nullptr);
            worksheet_write_string(sheet, lxw_row_t(r + 1), 3, "12-к", nullptr);
        }
    }
    workbook_close(book);
    return path;
}

struct ImportTimes
{
    Samples all, read, plan, database, raw;
};

// The engine's own limit: the same rows inserted by SQLite with one
// prepared statement each, in one transaction, on a handle opened as the
// client opens its own.
double rawInsert(const QString &file, const QList<ListRow> &rows, const QHash<QString, qint64> &groupIds)
{
    sqlite3 *db = nullptr;
    sqlite3_open_v2(QFile::encodeName(file).constData(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
    registerRussianCollation(db);
    // The date triggers' function: the days come in their stored form here.
    sqlite3_create_function_v2(
        db, "tsql_datetime", 1, SQLITE_UTF8, nullptr,
        [](sqlite3_context *context, int, sqlite3_value **argv) { sqlite3_result_value(context, argv[0]); }, nullptr,
        nullptr, nullptr);
    sqlite3_exec(db, "PRAGMA foreign_keys = ON", nullptr, nullptr, nullptr);
    QElapsedTimer timer;
    timer.start();
    sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
    sqlite3_stmt *student = nullptr;
    sqlite3_stmt *placement = nullptr;
    sqlite3_prepare_v2(db, "INSERT INTO s_fio (s_fio) VALUES (?)", -1, &student, nullptr);
    sqlite3_prepare_v2(
        db,
        "INSERT INTO movement_slushatel (id_student, id_group_slushatel, id_prikaz_come_slushatel, come_reg) "
        "VALUES (?, ?, 1, '12-к')",
        -1, &placement, nullptr);
    for (const ListRow &row : rows) {
        const QByteArray name = row.name.toUtf8();
        sqlite3_bind_text(student, 1, name.constData(), int(name.size()), SQLITE_TRANSIENT);
        if (sqlite3_step(student) != SQLITE_DONE)
            throw Error(QString::fromUtf8(sqlite3_errmsg(db)));
        sqlite3_reset(student);
        if (row.group.isEmpty())
            continue;
        sqlite3_bind_int64(placement, 1, sqlite3_last_insert_rowid(db));
        sqlite3_bind_int64(placement, 2, groupIds.value(row.group));
        if (sqlite3_step(placement) != SQLITE_DONE)
            throw Error(QString::fromUtf8(sqlite3_errmsg(db)));
        sqlite3_reset(placement);
    }
    sqlite3_finalize(student);
    sqlite3_finalize(placement);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    const double ms = timer.nsecsElapsed() / 1e6;
    sqlite3_close(db);
    return ms;
}

void replaceFile(const QString &from, const QString &to)
{
    for (const QString &part : {QString(), QStringLiteral("-wal"), QStringLiteral("-shm")})
        QFile::remove(to + part);
    QFile::copy(from, to);
}

void measureImport(int repeat, const QString &keep, int students, bool withGroups)
{
    QTemporaryDir dir;
    const QString folder = keep.isEmpty() ? dir.path() : keep + QStringLiteral("/import");
    QDir().mkpath(folder + QStringLiteral("/Data"));
    const QString base = folder + QStringLiteral("/base.db");
    const int there = 200000;
    const int groups = 2000;
    if (!QFile::exists(base))
        admin::createBenchmarkDatabase(base, {there, groups, 1000});
    const QList<ListRow> rows = studentList(students, withGroups ? groups : 0);
    const QString list = writeList(folder, rows);
    const QString file = folder + QStringLiteral("/Data/QOR.db");
    setDataFolder(folder + QStringLiteral("/Data"));
    QHash<QString, qint64> groupIds;
    {
        const RowSet ids = SqliteEngine::openAsOwner(base)->select(
            QStringLiteral("SELECT name_short, id_group_slushatel FROM group_slushatel"));
        for (int row = 0; row < ids.rowCount(); ++row)
            groupIds.insert(ids.text(row, 0), ids.integer(row, 1));
    }

    ImportTimes times;
    for (int round = -1; round < repeat; ++round) { // the first round warms the caches and is not counted
        ImportTimes skip;
        ImportTimes &t = round < 0 ? skip : times;
        replaceFile(base, file);
        {
            Connection connection;
            connection.setConnectionString(workingLogin(file));
            ImportPlan plan;
            ImportSheet sheet;
            QElapsedTimer timer;
            timer.start();
            sheet = ImportFile(list).readSheet(0);
            const double readMs = timer.nsecsElapsed() / 1e6;
            // The plan alone, as the window previews it; the import plans again, in its transaction.
            timer.restart();
            planImport(connection.engine(), sheet, sheet.mapping, {});
            const double planMs = timer.nsecsElapsed() / 1e6;
            timer.restart();
            connection.inTransaction([&](Engine &engine) { plan = importStudents(engine, sheet, sheet.mapping, {}); });
            const double importMs = timer.nsecsElapsed() / 1e6;
            t.read.add(readMs);
            t.plan.add(planMs);
            t.all.add(readMs + importMs);
            t.database.add(importMs - planMs);
            if (plan.added != students)
                throw Error(QStringLiteral("the import added %1 of %2 students").arg(plan.added).arg(students));
        }
        replaceFile(base, file);
        t.raw.add(rawInsert(file, rows, groupIds));
    }
    const QByteArray what = withGroups ? QByteArray("students, each placed into a group") : QByteArray("students");
    std::printf("\n### Import of %d %s from an .xlsx (%.1f MiB), into a database of %d students\n\n", students,
                what.constData(), QFileInfo(list).size() / 1048576.0, there);
    std::printf(
        "| ms, best / median | ours | SQLite inserting the same rows in one transaction | ours : raw, median |\n|---|---|---|---|\n");
    std::printf("| in all: file read, rows planned, written, committed | %.0f / %.0f | | |\n", times.all.best(),
                times.all.median());
    std::printf("| of which the .xlsx read | %.0f / %.0f | | |\n", times.read.best(), times.read.median());
    std::printf("| of which the plan (names compared with those there, groups, orders) | %.0f / %.0f | | |\n",
                times.plan.best(), times.plan.median());
    std::printf("| the database part: inserts and commit | %.0f / %.0f | %.0f / %.0f | x%.2f |\n",
                times.database.best(), times.database.median(), times.raw.best(), times.raw.median(),
                times.database.median() / times.raw.median());
}

} // namespace

void measureRegisters(int repeat, const QString &keep)
{
    measureImport(std::max(3, repeat / 3), keep, 100000, false);
    measureImport(3, keep, 100000, true);
    measureSearch(repeat, keep);
}
