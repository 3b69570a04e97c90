#include "OrderCommands.h"

#include "ClientScreens.h"
#include "EventLoopIdle.h"
#include "RawEngine.h"
#include "Samples.h"

#include "app/Application.h"
#include "controls/DataGrid.h"
#include "controls/DatePicker.h"
#include "controls/LookupList.h"
#include "controls/MessageBoxes.h"
#include "controls/OrderFields.h"
#include "data/BulkOrders.h"
#include "data/ConnectionString.h"
#include "data/DataFolder.h"
#include "data/OrderStatements.h"
#include "data/Statements.h"
#include "data/TDM.h"
#include "embedded/RussianCollation.h"
#include "embedded/SqliteEngine.h"
#include "embedded/TsqlDialect.h"
#include "engine/Error.h"
#include "screens/TForm1.h"
#include "screens/TForm17.h"
#include "screens/TForm19.h"
#include "tools/BenchmarkData.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QTemporaryDir>

#include <sqlite3.h>

#include <cstdio>

using namespace qor;

namespace {

const QDate ExpulsionDay(2026, 12, 20);

QString sqliteReady(const QString &statement)
{
    return tsql::castDateLiterals(tsql::stripQualifiers(statement));
}

QString workingConnection(const QString &file)
{
    const RowSet login =
        SqliteEngine::openAsOwner(file)->select(QStringLiteral("SELECT name, password FROM qor_login WHERE name = 'demo'"));
    return composeConnectionString({login.text(0, 0), login.text(0, 1), QStringLiteral("QOR"), QStringLiteral("(embedded)")});
}

// The dates a trigger normalises are written in the stored form already.
void storedFormAsIs(sqlite3_context *context, int, sqlite3_value **values)
{
    sqlite3_result_value(context, values[0]);
}

// The same writes through SQLite's C interface: one prepared update, bound
// values, each row only while every column holds what was read, in one
// transaction (as the client writes them).
class RawWriter
{
public:
    explicit RawWriter(const QString &file)
    {
        if (sqlite3_open_v2(file.toUtf8().constData(), &m_db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr) != SQLITE_OK)
            throw Error(QStringLiteral("raw writer: cannot open %1").arg(file));
        registerRussianCollation(m_db);
        sqlite3_create_function_v2(m_db, "tsql_datetime", 1, SQLITE_UTF8, nullptr, storedFormAsIs, nullptr, nullptr, nullptr);
        sqlite3_busy_timeout(m_db, 5000);
    }
    ~RawWriter() { sqlite3_close(m_db); }

    // The group's rows as read: every column, in the table's order.
    QList<QList<QVariant>> rowsOf(int group)
    {
        QList<QList<QVariant>> rows;
        sqlite3_stmt *stmt = prepare(QStringLiteral("SELECT id_movement, id_student, id_group_slushatel, id_prikaz_come_slushatel, "
                                                    "id_prikaz_leave_slushatel, come_date, leave_date, come_reg, leave_reg "
                                                    "FROM movement_slushatel WHERE id_group_slushatel = %1")
                                         .arg(group));
        while (sqlite3_step(stmt) == SQLITE_ROW) {
            QList<QVariant> row;
            for (int c = 0; c < 9; ++c) {
                switch (sqlite3_column_type(stmt, c)) {
                case SQLITE_NULL:
                    row.append(QVariant());
                    break;
                case SQLITE_INTEGER:
                    row.append(sqlite3_column_int64(stmt, c));
                    break;
                default:
                    row.append(QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(stmt, c))));
                }
            }
            rows.append(row);
        }
        sqlite3_finalize(stmt);
        return rows;
    }

    void expel(const QList<QList<QVariant>> &rows, const QString &number)
    {
        exec("BEGIN IMMEDIATE");
        sqlite3_stmt *stmt = prepare(QStringLiteral(
            "UPDATE movement_slushatel SET id_prikaz_leave_slushatel = ?1, leave_reg = ?2, leave_date = ?3 "
            "WHERE id_movement = ?4 AND id_student IS ?5 AND id_group_slushatel IS ?6 AND id_prikaz_come_slushatel IS ?7 "
            "AND id_prikaz_leave_slushatel IS ?8 AND come_date IS ?9 AND leave_date IS ?10 AND come_reg IS ?11 "
            "AND leave_reg IS ?12"));
        const QByteArray reg = number.toUtf8();
        const QByteArray day = ExpulsionDay.toString(QStringLiteral("yyyy-MM-dd 00:00:00")).toUtf8();
        for (const QList<QVariant> &row : rows) {
            sqlite3_bind_int64(stmt, 1, 1);
            sqlite3_bind_text(stmt, 2, reg.constData(), int(reg.size()), SQLITE_STATIC);
            sqlite3_bind_text(stmt, 3, day.constData(), int(day.size()), SQLITE_STATIC);
            QList<QByteArray> texts;
            for (int c = 0; c < 9; ++c) {
                const QVariant &value = row[c];
                if (value.isNull())
                    sqlite3_bind_null(stmt, 4 + c);
                else if (value.typeId() == QMetaType::LongLong)
                    sqlite3_bind_int64(stmt, 4 + c, value.toLongLong());
                else {
                    texts.append(value.toString().toUtf8());
                    sqlite3_bind_text(stmt, 4 + c, texts.last().constData(), int(texts.last().size()), SQLITE_TRANSIENT);
                }
            }
            if (sqlite3_step(stmt) != SQLITE_DONE || sqlite3_changes(m_db) != 1)
                throw Error(QStringLiteral("raw writer: %1").arg(QString::fromUtf8(sqlite3_errmsg(m_db))));
            sqlite3_reset(stmt);
        }
        sqlite3_finalize(stmt);
        exec("COMMIT");
    }

private:
    sqlite3_stmt *prepare(const QString &sql)
    {
        sqlite3_stmt *stmt = nullptr;
        const QByteArray text = sql.toUtf8();
        if (sqlite3_prepare_v2(m_db, text.constData(), int(text.size()), &stmt, nullptr) != SQLITE_OK)
            throw Error(QStringLiteral("raw writer: %1").arg(QString::fromUtf8(sqlite3_errmsg(m_db))));
        return stmt;
    }
    void exec(const char *sql)
    {
        if (sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr) != SQLITE_OK)
            throw Error(QStringLiteral("raw writer: %1").arg(QString::fromUtf8(sqlite3_errmsg(m_db))));
    }

    sqlite3 *m_db = nullptr;
};

void printRow(const char *what, const Samples &ours, const Samples &raw)
{
    std::printf("| %s | %.2f / %.2f | %.2f / %.2f | x%.2f / x%.2f |\n", what, ours.best(), ours.median(), raw.best(),
                raw.median(), raw.best() > 0 ? ours.best() / raw.best() : 0, raw.median() > 0 ? ours.median() / raw.median() : 0);
}

// The window's line of the order with the number; -1 when none.
int orderLine(const TForm19 &window, const QString &number)
{
    const QAbstractItemModel *orders = window.orderGrid()->model();
    for (int row = 0; row < orders->rowCount(); ++row) {
        if (orders->index(row, window.orderGrid()->modelColumn(1)).data().toString() == number)
            return row;
    }
    return -1;
}

void showOrderLine(TForm19 &window, int line)
{
    window.orderGrid()->setCurrentIndex(window.orderGrid()->model()->index(line, window.orderGrid()->modelColumn(0)));
    waitUntilIdle();
}

} // namespace

int measureOrderCommands(const QStringList &args)
{
    int students = 1000000, repeat = 7;
    QString keep;
    for (int i = 0; i < args.size(); ++i) {
        if (args[i] == u"--students" && i + 1 < args.size())
            students = std::max(100, args[++i].toInt());
        else if (args[i] == u"--repeat" && i + 1 < args.size())
            repeat = std::max(3, args[++i].toInt());
        else if (args[i] == u"--keep" && i + 1 < args.size())
            keep = args[++i];
    }
    try {
        registerWindowsFonts();
        useRussianWithoutSystemLocale();
        QTemporaryDir dir;
        const QString data = (keep.isEmpty() ? dir.path() : keep) + QStringLiteral("/Data");
        const QString file = data + QStringLiteral("/QOR.db");
        QDir().mkpath(data);
        const admin::BenchmarkSize size = admin::officeOfStudents(students);
        const int groups = size.groups;
        if (!QFile::exists(file))
            admin::createBenchmarkDatabase(file, size);
        setDataFolder(data);
        ClientScreens ours(workingConnection(file)); // opens the file first: a file made before gets the order indexes
        RawEngine raw(file);
        RawWriter rawWriter(file);
        std::printf("\n### One order for many students: %d students, %d groups, %d roster rows\n\n", students, groups,
                    admin::rosterRowCount(size));
        std::printf("| ms, best / median | ours | raw engine | ours : raw, best / median |\n|---|---|---|---|\n");

        // A box would wait for a person: the bench stops with its text instead.
        boxInterceptor() = [](const BoxRequest &box) -> QMessageBox::StandardButton { throw Error(box.text); };
        // Each round expels a group of its own that nobody left yet (a kept
        // file has groups expelled by earlier runs), by a number of its own.
        const QString run = QString::number(QDateTime::currentSecsSinceEpoch() % 100000);
        const RowSet fresh = SqliteEngine::openAsOwner(file)->select(
            QStringLiteral("SELECT id_group_slushatel FROM movement_slushatel GROUP BY id_group_slushatel "
                           "HAVING MAX(leave_date) IS NULL ORDER BY id_group_slushatel LIMIT %1")
                .arg(2 * (repeat + 1)));
        if (fresh.rowCount() < 2 * (repeat + 1))
            throw Error(QStringLiteral("too few groups left without expulsions: make the file afresh"));
        Samples oursExpel, rawExpel;
        int expelled = 0;
        for (int i = -1; i < repeat; ++i) {
            Samples skip;
            const int oursGroup = int(fresh.value(2 * (i + 1), 0).toLongLong()),
                      rawGroup = int(fresh.value(2 * (i + 1) + 1, 0).toLongLong());
            const QString oursNumber = QStringLiteral("%1-%2о").arg(run).arg(2 * (i + 1)),
                          rawNumber = QStringLiteral("%1-%2о").arg(run).arg(2 * (i + 1) + 1);
            ours.pickGroup(oursGroup);
            Form1->rosterGrid()->selectAllRows();
            timeOnce(i < 0 ? skip : oursExpel, [&] {
                Query *roster = DM->ADOQ_movement_slushatel;
                TForm17 dialog(roster, Form1->rosterGrid()->selectedQueryRows());
                dialog.orderFields()->orderList()->setKeyValue(1);
                dialog.orderFields()->numberField()->setText(oursNumber);
                dialog.orderFields()->dateField()->setDate(ExpulsionDay);
                expelled = dialog.expelledList()->count();
                dialog.Button1Click();
                Form1->rereadRoster();
                waitUntilIdle();
            });
            const QList<QList<QVariant>> rows = rawWriter.rowsOf(rawGroup);
            timeOnce(i < 0 ? skip : rawExpel, [&] {
                rawWriter.expel(rows, rawNumber);
                raw.step(sqliteReady(statements::students()));
                raw.step(sqliteReady(statements::rosterOfGroup(rawGroup)));
            });
        }
        const QByteArray expelRow =
            QStringLiteral("%1 selected rows expelled under one order, to the roster read again, idle").arg(expelled).toUtf8();
        printRow(expelRow.constData(), oursExpel, rawExpel);

        // The window opened on the enrolment orders used: every roster row grouped.
        Samples oursOpen, rawOpen, oursSmall, rawSmall, oursLarge, rawLarge;
        int orderCount = 0, smallRows = 0, largeRows = 0;
        for (int i = -1; i < repeat; ++i) {
            Samples skip;
            std::unique_ptr<TForm19> window;
            timeOnce(i < 0 ? skip : oursOpen, [&] {
                window = std::make_unique<TForm19>();
                window->show();
                waitUntilIdle();
            });
            orderCount = window->orderGrid()->model()->rowCount();
            timeOnce(i < 0 ? skip : rawOpen, [&] { raw.step(sqliteReady(statements::ordersUsed(OrderKind::Enrolment))); });

            // An intake's order as the generated data has it: a fifth of the rows share each number.
            const int large = window->orderGrid()->model()->rowCount() - 1 - std::max(0, i) % 3;
            timeOnce(i < 0 ? skip : oursLarge, [&] { showOrderLine(*window, large); });
            largeRows = window->studentGrid()->model()->rowCount();
            OrderUse largeUse = OrderUse::fromRow(OrderKind::Enrolment, *window->findChild<Query *>(QStringLiteral("ADOQ_orders_used")), large);
            timeOnce(i < 0 ? skip : rawLarge, [&] { raw.step(sqliteReady(statements::studentsUnderOrder(largeUse))); });

            // An expulsion order of a group, as expelled above.
            window->expulsionChoice()->setChecked(true);
            const QString number = QStringLiteral("%1-%2о").arg(run).arg(2 * (std::max(0, i) % 3));
            const int small = orderLine(*window, number);
            if (small < 0)
                throw Error(QStringLiteral("no order %1 listed").arg(number));
            showOrderLine(*window, small == 0 ? 1 : 0); // from another line
            timeOnce(i < 0 ? skip : oursSmall, [&] { showOrderLine(*window, small); });
            smallRows = window->studentGrid()->model()->rowCount();
            OrderUse smallUse = OrderUse::fromRow(OrderKind::Expulsion, *window->findChild<Query *>(QStringLiteral("ADOQ_orders_used")), small);
            timeOnce(i < 0 ? skip : rawSmall, [&] { raw.step(sqliteReady(statements::studentsUnderOrder(smallUse))); });
        }
        const QByteArray openRow =
            QStringLiteral("\"Список по приказу\" opened: %1 enrolment orders counted over every roster row").arg(orderCount).toUtf8();
        printRow(openRow.constData(), oursOpen, rawOpen);
        const QByteArray smallRow = QStringLiteral("the students under a group's expulsion order (%1 rows), shown").arg(smallRows).toUtf8();
        printRow(smallRow.constData(), oursSmall, rawSmall);
        const QByteArray largeRow =
            QStringLiteral("the students under one of the generated enrolment orders (%1 rows), shown").arg(largeRows).toUtf8();
        printRow(largeRow.constData(), oursLarge, rawLarge);
    } catch (const Error &e) {
        std::fprintf(stderr, "qor-bench: %s\n", qPrintable(e.text()));
        return 1;
    }
    return 0;
}
