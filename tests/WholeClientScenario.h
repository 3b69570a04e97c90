#pragma once

// The whole client as a person uses it, on a fresh demo database: sign in,
// pick a faculty and a group by typing, add a student in the dialog, type an
// expulsion date into the roster, add a group to the faculty that had none,
// close the program; then exactly the typed rows are stored. A test names
// the engine: it makes the client's folder (Data/QOR and the database) and
// reads every row of every table apart from the client. Screenshots of every
// window passed are kept in build/tests/<folder>/screenshots; when a step
// fails it names the step and the screenshot of that moment.

#include "ClientOnDisplay.h"

#include <QMap>
#include <QTest>
#include <QVariantMap>

#include <algorithm>
#include <memory>

using Row = QVariantMap;
// Every row of every table, as read apart from the client: integers as
// qlonglong, reals as double, texts and dates ('YYYY-MM-DD HH:MM:SS') as
// QString, NULL as an invalid QVariant.
using Snapshot = QMap<QString, QList<Row>>;

// Sign-in window TForm8 (no frame).
inline constexpr Place LoginEdit{146, 202, 187, 21};
inline constexpr Place PasswordEdit{146, 238, 187, 21};
// Main window TForm1: its top panel starts below the menu bar.
inline constexpr int MenuBarHeight = 20;
inline constexpr Place MenuSlushateli{6, 2, 60, 16};
inline constexpr Place AddStudentButton{570, 26 + MenuBarHeight, 167, 23};
// Add-to-group dialog TForm6.
inline constexpr Place OrderNumberEdit{29, 119, 121, 21};
inline constexpr Place AddButton{27, 191, 108, 22};
inline constexpr Place CancelButton{144, 191, 103, 22};

inline const QString MainTitle = QStringLiteral("QOR Слушатель");
inline const QString AddDialogTitle = QStringLiteral("Добавление слушателя в группу ");
inline const QString GroupWindowTitle = QStringLiteral("Формирование групп для слушателей");



inline QString describe(const Row &row)
{
    QStringList cells;
    for (auto it = row.cbegin(); it != row.cend(); ++it)
        cells.append(it.key() + u'=' + (it.value().isNull() ? QStringLiteral("NULL") : it.value().toString()));
    return u'{' + cells.join(QStringLiteral(", ")) + u'}';
}

// The roster's rows counted per group and pair of dates.
inline QList<Row> countsOfRoster(const QList<Row> &roster)
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
inline Snapshot minus(const Snapshot &a, const Snapshot &b)
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

inline QString describe(const Snapshot &rows)
{
    QStringList lines;
    for (auto it = rows.cbegin(); it != rows.cend(); ++it)
        for (const Row &row : it.value())
            lines.append(it.key() + u' ' + describe(row));
    return lines.isEmpty() ? QStringLiteral("(none)") : lines.join(u'\n');
}

// The one row of a table whose column holds a text.
inline Row rowWhere(const Snapshot &db, const QString &table, const QString &column, const QString &text)
{
    for (const Row &row : db.value(table))
        if (row.value(column).toString() == text)
            return row;
    qWarning("The demo database has no %s with %s '%s'", qPrintable(table), qPrintable(column), qPrintable(text));
    return {};
}

inline Row without(Row row, const QStringList &columns)
{
    for (const QString &column : columns)
        row.remove(column);
    return row;
}

class WholeClientScenario : public QObject
{
    Q_OBJECT

protected:
    // The folder under build/tests the test works in.
    virtual QString folderName() const = 0;
    // Makes folder's Data/QOR and the database it names; empty when done.
    virtual QString prepare(const QString &folder) = 0;
    // Every row of every table, or nothing when they cannot be read now.
    virtual std::optional<Snapshot> readStored() = 0;
    // After the client's display has gone.
    virtual void tearDown() {}
    // A step failed: the screens of that moment are kept.
    virtual void reportFailure(const QString &step)
    {
        if (screen)
            screen->reportFailure(step);
    }

    QString bin;  // build/bin
    QString work; // build/tests/<folder>: the client's folder, logs and screenshots
    std::unique_ptr<ClientOnDisplay> screen;
    Snapshot before;
    bool stepFailed = false;

    // Runs a program to its end; false, with the reason in the log, when it failed.
    static bool runProgram(const QString &program, const QStringList &args)
    {
        QProcess p;
        p.start(program, args);
        if (!p.waitForFinished(StepTimeoutMs * 4) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
            qWarning().noquote() << program << args.join(u' ') << "failed:" << p.errorString() << p.readAllStandardError();
            return false;
        }
        return true;
    }

    // Polls the database, which the client writes as it goes.
    bool waitForStored(const std::function<bool(const Snapshot &)> &stored)
    {
        return ClientOnDisplay::waitFor([&] {
            const auto db = readStored();
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

    // Signs in on the sign-in window, the client's only one, until the main
    // window has the keyboard; empty when done, else what went wrong.
    static QString signInOn(ClientOnDisplay &on, const QString &user, const QString &password)
    {
        // The sign-in window's title is not fixed.
        if (!on.waitForActive(QString()))
            return QStringLiteral("The sign-in window did not appear with the keyboard");
        on.screenshot(QStringLiteral("signin"));
        if (!on.click(QString(), LoginEdit) || !on.type(user) || !on.click(QString(), PasswordEdit) || !on.type(password)
            || !on.keys({QStringLiteral("Return")}))
            return QStringLiteral("The sign-in window took no keys");
        if (!on.waitForActive(MainTitle))
            return QStringLiteral("The main window did not appear with the keyboard after signing in as %1").arg(user);
        on.screenshot(QStringLiteral("main-window"));
        return {};
    }

    // Picks ПК-102 (Охрана труда на предприятии) of Факультет повышения
    // квалификации by typing into the lists, which have the keyboard first.
    static QString pickTheGroupOn(ClientOnDisplay &on)
    {
        if (!on.typeIntoList(QStringLiteral("факультет по")) || !on.keys({QStringLiteral("Tab")})
            || !on.typeIntoList(QStringLiteral("ох")))
            return QStringLiteral("The lists of the main window took no keys");
        on.screenshot(QStringLiteral("group-picked"));
        return {};
    }

private slots:
    void initTestCase()
    {
        bin = qEnvironmentVariable("QOR_TEST_BIN");
        QVERIFY2(!bin.isEmpty(), "QOR_TEST_BIN names the folder of qor and qor-admin");
        work = QDir::cleanPath(bin + QStringLiteral("/../tests/") + folderName());
        QDir(work).removeRecursively();
        QVERIFY(QDir().mkpath(work + QStringLiteral("/client")));
        // The client reads Data beside its executable: a copy keeps build/bin/Data as it is.
        QVERIFY(QFile::copy(bin + QStringLiteral("/qor"), work + QStringLiteral("/client/qor")));
        const QString prepared = prepare(work + QStringLiteral("/client"));
        QVERIFY2(prepared.isEmpty(), qPrintable(prepared));
        const auto demo = readStored();
        QVERIFY(demo);
        before = *demo;

        screen = std::make_unique<ClientOnDisplay>(work);
        const QString display = screen->startDisplay();
        QVERIFY2(display.isEmpty(), qPrintable(display));
        const QString started = screen->startClient(work + QStringLiteral("/client/qor"));
        QVERIFY2(started.isEmpty(), qPrintable(started));
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
        reportFailure(QString::fromLatin1(QTest::currentTestFunction()));
    }

    void cleanupTestCase()
    {
        screen.reset();
        tearDown();
    }

    void signIn()
    {
        const QString failed = signInOn(*screen, QStringLiteral("demo"), QStringLiteral("demo123"));
        QVERIFY2(failed.isEmpty(), qPrintable(failed));
    }

    void pickAFacultyAndAGroupByTyping()
    {
        const QString failed = pickTheGroupOn(*screen);
        QVERIFY2(failed.isEmpty(), qPrintable(failed));
    }

    void addAStudentInTheDialog()
    {
        QVERIFY(screen->click(MainTitle, AddStudentButton));
        QVERIFY2(screen->waitForActive(AddDialogTitle), "The add-to-group dialog did not open: was the group picked and the add button enabled?");
        screen->screenshot(QStringLiteral("add-dialog"));

        // The student list has the keyboard; Tab goes on to the order list, and
        // past the two buttons to the date picker's day.
        QVERIFY(screen->typeIntoList(QStringLiteral("жук")));
        QVERIFY(screen->keys({QStringLiteral("Tab")}));
        QVERIFY(screen->typeIntoList(QStringLiteral("о доп")));
        QVERIFY(screen->keys({QStringLiteral("Tab"), QStringLiteral("Tab"), QStringLiteral("Tab")}));
        QVERIFY(screen->type(QStringLiteral("05032026")));
        QVERIFY(screen->click(AddDialogTitle, OrderNumberEdit));
        QVERIFY(screen->type(QStringLiteral("12'к")));
        screen->screenshot(QStringLiteral("add-dialog-filled"));
        QVERIFY(screen->click(AddDialogTitle, AddButton));

        const Row wanted = addedStudentRow();
        const bool stored = waitForStored([&](const Snapshot &db) {
            return containsRow(minus(db, before).value(QStringLiteral("movement_slushatel")), wanted, {QStringLiteral("id_movement")});
        });
        QVERIFY2(stored, qPrintable(QStringLiteral("No row %1 was stored after pressing \"Добавить\"").arg(describe(wanted))));
        screen->screenshot(QStringLiteral("student-added"));

        QVERIFY(screen->click(AddDialogTitle, CancelButton));
        QVERIFY2(screen->waitUntilGone(AddDialogTitle), "The add-to-group dialog did not close on \"Отмена\"");
        QVERIFY2(screen->waitForActive(MainTitle), "The main window did not get the keyboard back from the add-to-group dialog");
    }

    void editAnExpulsionDateInTheRoster()
    {
        // The add button kept the keyboard; Tab goes on to the roster. Row 3
        // is Кузнецова, after Волков and the Жукова just added; its last
        // column is the expulsion date.
        QVERIFY(screen->keys({QStringLiteral("Tab"), QStringLiteral("ctrl+Home"), QStringLiteral("Down"), QStringLiteral("Down"),
                      QStringLiteral("End")}));
        QVERIFY(screen->type(QStringLiteral("1.11.26")));
        screen->screenshot(QStringLiteral("roster-date-typed"));
        QVERIFY(screen->keys({QStringLiteral("Down")})); // moving on writes the row
        const Row wanted = editedRosterRowAfter();
        const bool stored = waitForStored([&](const Snapshot &db) {
            return db.value(QStringLiteral("movement_slushatel")).contains(wanted);
        });
        QVERIFY2(stored, qPrintable(QStringLiteral("The roster row was not stored as %1 after moving to the next row").arg(describe(wanted))));
        screen->screenshot(QStringLiteral("roster-date-stored"));
    }

    void addAGroupToTheFacultyThatHadNone()
    {
        const QList<ClientOnDisplay::Window> shown = screen->windows();
        QVERIFY(screen->click(MainTitle, MenuSlushateli));
        const std::optional<ClientOnDisplay::Window> menu = screen->waitForNewWindow(shown);
        QVERIFY2(menu, "The menu \"Слушатели\" did not open");
        screen->screenshot(QStringLiteral("menu"));
        // "Группы слушателей" is its first item, some 22 pixels high below a
        // margin of a few, whatever items follow it.
        QVERIFY(screen->click(menu, QPoint(menu->rect.width() / 3, 13)));
        QVERIFY2(screen->waitForActive(GroupWindowTitle), "The group formation window did not open from the menu");
        screen->screenshot(QStringLiteral("group-window"));

        // The faculty list has the keyboard; Tab goes on to the grid, where
        // Insert starts a row and Tab moves from cell to cell.
        QVERIFY(screen->typeIntoList(QStringLiteral("факультет д")));
        QVERIFY(screen->keys({QStringLiteral("Tab"), QStringLiteral("Insert")}));
        QVERIFY(screen->type(QStringLiteral("ДО-1")));
        QVERIFY(screen->keys({QStringLiteral("Tab")}));
        QVERIFY(screen->type(QStringLiteral("Дистанционный курс")));
        QVERIFY(screen->keys({QStringLiteral("Tab")}));
        QVERIFY(screen->type(QStringLiteral("30.6.27")));
        QVERIFY(screen->keys({QStringLiteral("Tab")}));
        QVERIFY(screen->type(QStringLiteral("9900,5")));
        screen->screenshot(QStringLiteral("group-typed"));
        // The navigator along the bottom: insert, delete and post, a third each.
        const auto groups = screen->windowTitled(GroupWindowTitle);
        QVERIFY(groups);
        QVERIFY(screen->click(groups, QPoint(groups->rect.width() * 5 / 6, groups->rect.height() - 12)));
        const Row wanted = addedGroupRow();
        const bool stored = waitForStored([&](const Snapshot &db) {
            return containsRow(minus(db, before).value(QStringLiteral("group_slushatel")), wanted, {QStringLiteral("id_group_slushatel")});
        });
        QVERIFY2(stored, qPrintable(QStringLiteral("No group %1 was stored after pressing the navigator's post button").arg(describe(wanted))));
        screen->screenshot(QStringLiteral("group-stored"));

        QVERIFY(screen->keys({QStringLiteral("alt+F4")}));
        QVERIFY2(screen->waitUntilGone(GroupWindowTitle), "The group formation window did not close on Alt+F4");
        QVERIFY2(screen->waitForActive(MainTitle), "The main window did not get the keyboard back from the group formation window");
        screen->screenshot(QStringLiteral("main-window-at-the-end"));
    }

    void closeTheProgram()
    {
        QVERIFY(screen->keys({QStringLiteral("alt+F4")}));
        QVERIFY2(screen->client().waitForFinished(StepTimeoutMs), "The client did not end when its main window was closed with Alt+F4");
        QCOMPARE(screen->client().exitStatus(), QProcess::NormalExit);
        QCOMPARE(screen->client().exitCode(), 0);
    }

    void exactlyTheTypedRowsAreStored()
    {
        const auto after = readStored();
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
