// The real client, build/bin/qor, on a PostgreSQL server of the test's own:
// qor-admin demo --server installs server/postgresql's scripts into it with
// the demo data and writes the client's settings, the whole scenario runs on
// it, and then two clients at once, each on a display of its own, edit the
// same roster row: the first is stored, the second is refused with the
// usual text and stores nothing over it.
#include "ThrowawayPostgres.h"
#include "WholeClientScenario.h"

#include "engine/Error.h"
#include "postgres/PostgresEngine.h"

namespace {

// Cells as the scenario's rows write them.
QVariant cellOf(const qor::RowSet &rows, int row, int column)
{
    if (rows.isNull(row, column))
        return {};
    switch (rows.columns()[column].type) {
    case qor::ColumnType::Integer:
    case qor::ColumnType::BigInt:
        return qlonglong(rows.integer(row, column));
    case qor::ColumnType::Float:
        return rows.value(row, column).toDouble();
    default:
        return rows.text(row, column);
    }
}

// The first roster row of ПК-102 by name, and the text the two clients type
// into its expulsion order number.
const QString EditedStudent = QStringLiteral("Волков Сергей Михайлович");
const QString FirstClientTypes = QStringLiteral("5-о");
const QString SecondClientTypes = QStringLiteral("7-о");

} // namespace

class TestPostgresWholeClient : public WholeClientScenario
{
    Q_OBJECT

    std::unique_ptr<ThrowawayPostgres> server;
    // The two clients editing one row at once, each on a display of its own.
    std::unique_ptr<ClientOnDisplay> first, second;

    std::unique_ptr<qor::PostgresEngine> owner() const
    {
        return std::make_unique<qor::PostgresEngine>(*qor::postgresServer(server->serverName()), QStringLiteral("QOR"),
                                                     QString::fromLatin1(ThrowawayPostgres::SuperUser),
                                                     QString::fromLatin1(ThrowawayPostgres::SuperPassword));
    }

    QString expulsionNumberOf(const QString &student)
    {
        return owner()
            ->query(QStringLiteral(
                        "SELECT m.leave_reg FROM movement_slushatel m JOIN s_fio s ON s.id_student = m.id_student "
                        "JOIN group_slushatel g ON g.id_group_slushatel = m.id_group_slushatel "
                        "WHERE s.s_fio = $1 AND g.name_short = 'ПК-102'"),
                    {student})
            .text(0, 0);
    }

protected:
    QString folderName() const override { return QStringLiteral("pgwholeclient"); }

    QString prepare(const QString &folder) override
    {
        server = std::make_unique<ThrowawayPostgres>();
        if (!server->error().isEmpty())
            return server->error();
        const bool made =
            runProgram(bin + QStringLiteral("/qor-admin"),
                       {QStringLiteral("demo"), folder, QStringLiteral("--server"), server->serverName(),
                        QStringLiteral("--admin-user"), QString::fromLatin1(ThrowawayPostgres::SuperUser),
                        QStringLiteral("--admin-password"), QString::fromLatin1(ThrowawayPostgres::SuperPassword)});
        return made ? QString() : QStringLiteral("qor-admin demo --server %1 failed").arg(server->serverName());
    }

    std::optional<Snapshot> readStored() override
    {
        try {
            const auto db = owner();
            const qor::RowSet tables =
                db->query(QStringLiteral("SELECT tablename FROM pg_catalog.pg_tables WHERE schemaname = 'public'"));
            Snapshot snapshot;
            for (int t = 0; t < tables.rowCount(); ++t) {
                const QString table = tables.text(t, 0);
                const qor::RowSet rows = db->query(QStringLiteral("SELECT * FROM \"%1\"").arg(table));
                QList<Row> &list = snapshot[table];
                for (int row = 0; row < rows.rowCount(); ++row) {
                    Row values;
                    for (int column = 0; column < rows.columnCount(); ++column)
                        values.insert(rows.columns()[column].name, cellOf(rows, row, column));
                    list.append(values);
                }
            }
            return snapshot;
        } catch (const qor::Error &error) {
            qWarning().noquote() << "Cannot read the server's tables:" << error.text();
            return std::nullopt;
        }
    }

    void tearDown() override
    {
        first.reset();
        second.reset();
        server.reset();
    }

    void reportFailure(const QString &step) override
    {
        WholeClientScenario::reportFailure(step);
        for (ClientOnDisplay *on : {first.get(), second.get()}) {
            if (on)
                on->reportFailure(step);
        }
    }

private slots:
    void twoClientsAtOnceEditTheSameRosterRow()
    {
        first = std::make_unique<ClientOnDisplay>(work + QStringLiteral("/first"));
        second = std::make_unique<ClientOnDisplay>(work + QStringLiteral("/second"));
        for (ClientOnDisplay *on : {first.get(), second.get()}) {
            const QString display = on->startDisplay();
            QVERIFY2(display.isEmpty(), qPrintable(display));
            const QString started = on->startClient(work + QStringLiteral("/client/qor"));
            QVERIFY2(started.isEmpty(), qPrintable(started));
        }
        // Both read the roster before either writes.
        for (ClientOnDisplay *on : {first.get(), second.get()}) {
            QString failed = signInOn(*on, QStringLiteral("demo"), QStringLiteral("demo123"));
            QVERIFY2(failed.isEmpty(), qPrintable(failed));
            failed = pickTheGroupOn(*on);
            QVERIFY2(failed.isEmpty(), qPrintable(failed));
        }
        const QString before = expulsionNumberOf(EditedStudent);

        // Past the add button to the roster, its first row (Волков), and the
        // expulsion order's number, the last column but one; moving on writes.
        const QStringList toTheCell{QStringLiteral("Tab"), QStringLiteral("Tab"), QStringLiteral("ctrl+Home"),
                                    QStringLiteral("End"), QStringLiteral("Left")};
        QVERIFY(first->keys(toTheCell));
        QVERIFY(first->type(FirstClientTypes));
        first->screenshot(QStringLiteral("first-typed"));
        QVERIFY(first->keys({QStringLiteral("Down")}));
        QVERIFY2(
            ClientOnDisplay::waitFor([&] { return expulsionNumberOf(EditedStudent) == FirstClientTypes; }),
            qPrintable(QStringLiteral("The first client's %1 was not stored over %2").arg(FirstClientTypes, before)));
        first->screenshot(QStringLiteral("first-stored"));

        // The second still shows the row as it read it: its write is refused.
        QVERIFY(second->keys(toTheCell));
        QVERIFY(second->type(SecondClientTypes));
        second->screenshot(QStringLiteral("second-typed"));
        const QList<ClientOnDisplay::Window> shown = second->windows();
        QVERIFY(second->keys({QStringLiteral("Down")}));
        const auto message = second->waitForNewWindow(shown);
        QVERIFY2(message, "The second client showed no message when its write was refused");
        second->screenshot(QStringLiteral("second-refused"));
        QCOMPARE(expulsionNumberOf(EditedStudent), FirstClientTypes);

        // The message closes; the second client still holds what was typed,
        // and nothing it did reached the server.
        QVERIFY(second->keys({QStringLiteral("Return")}));
        QVERIFY2(ClientOnDisplay::waitFor([&] {
                     const QList<ClientOnDisplay::Window> now = second->windows();
                     return std::none_of(now.cbegin(), now.cend(),
                                         [&](const ClientOnDisplay::Window &w) { return w.id == message->id; });
                 }),
                 "The message did not close on Return");
        second->screenshot(QStringLiteral("second-after-the-message"));
        QCOMPARE(expulsionNumberOf(EditedStudent), FirstClientTypes);
    }
};

QTEST_GUILESS_MAIN(TestPostgresWholeClient)
#include "tst_pgwholeclient.moc"
