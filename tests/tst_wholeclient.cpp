// The real client, build/bin/qor, on the embedded engine: a fresh demo
// database made by qor-admin demo, read back with a connection of its own.
#include "WholeClientScenario.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

namespace {

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

} // namespace

class TestWholeClient : public WholeClientScenario
{
    Q_OBJECT

    QString database() const { return work + QStringLiteral("/client/Data/QOR.db"); }

protected:
    QString folderName() const override { return QStringLiteral("wholeclient"); }
    QString prepare(const QString &folder) override
    {
        return runProgram(bin + QStringLiteral("/qor-admin"), {QStringLiteral("demo"), folder}) ? QString()
                                                                                                 : QStringLiteral("qor-admin demo failed");
    }
    std::optional<Snapshot> readStored() override { return readDatabase(database()); }
};

QTEST_GUILESS_MAIN(TestWholeClient)
#include "tst_wholeclient.moc"
