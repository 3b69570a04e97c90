// Editing the roster through the data module: each change written to its
// movement_slushatel row, the before-post rules, look-ups and conflicts.
#include "DemoFixture.h"

#include "engine/Error.h"
#include "data/TDM.h"

#include <QLocale>
#include <QTest>

using namespace qor;

namespace {

const QString RosterOfGroup = QStringLiteral(
    "SELECT ROW_NUMBER() OVER(ORDER BY s_fio.s_fio) AS Row,s_fio.s_fio,* FROM movement_slushatel Inner Join s_fio on "
    "s_fio.id_student=movement_slushatel.id_student WHERE id_group_slushatel=%1 Order by s_fio.s_fio");

void reopen(Query *query, const QString &sql)
{
    query->close();
    query->setSql(sql);
    query->open();
}

} // namespace

class TestRosterData : public QObject
{
    Q_OBJECT

    DemoFixture *demo = nullptr;
    TDM *dm = nullptr;
    Query *roster = nullptr;

    // What the database holds, read apart from the data module.
    RowSet stored(const QString &where)
    {
        return demo->owner()->select(QStringLiteral(
            "SELECT id_student, id_group_slushatel, id_prikaz_leave_slushatel, leave_date, leave_reg, come_reg, id_movement "
            "FROM movement_slushatel WHERE ") + where);
    }
    qint64 movementKey(int row) { return roster->rows().integer(row, roster->rows().indexOf(QStringLiteral("id_movement"))); }

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia)); }

    void init()
    {
        demo = new DemoFixture;
        dm = new TDM;
        dm->chosen.group = 1;
        dm->ADOCon->setConnectionString(demo->workingConnectionString(QStringLiteral("demo")));
        reopen(dm->ADOQ_Prikaz_come_slushatel, QStringLiteral("Select * FROM [QOR].[dbo].[prikaz_come_slushatel]"));
        reopen(dm->ADOQ_prikaz_leave_slushatel, QStringLiteral("Select * FROM [QOR].[dbo].[prikaz_leave_slushatel]"));
        reopen(dm->ADOQ_Student, QStringLiteral("Select * FROM [QOR].[dbo].[s_fio]"));
        roster = dm->ADOQ_movement_slushatel;
        reopen(roster, RosterOfGroup.arg(1));
    }
    void cleanup()
    {
        delete dm;
        delete demo;
    }

    void exposesTheRosterColumnsWithLookups()
    {
        QStringList names;
        for (int i = 0; i < roster->fieldCount(); ++i)
            names.append(roster->field(i).name);
        QCOMPARE(names, QStringList({"row", "FIO", "id_student", "id_group_slushatel", "id_prikaz_come_slushatel", "come_date",
                                     "id_prikaz_leave_slushatel", "leave_date", "Prikaz_come", "Prikaz_leave", "come_reg", "leave_reg"}));
        QCOMPARE(roster->rowCount(), 7);
        QCOMPARE(roster->asInteger(QStringLiteral("row")), 1);
        QCOMPARE(roster->asString(QStringLiteral("FIO")), QStringLiteral("Алексеев Дмитрий Юрьевич"));
        QCOMPARE(roster->asString(QStringLiteral("Prikaz_come")), QStringLiteral("О зачислении слушателей ФПК"));
        QCOMPARE(roster->asString(QStringLiteral("Prikaz_leave")), QString());
        QCOMPARE(roster->value(QStringLiteral("come_date")).toDateTime(), QDateTime(QDate(2026, 9, 1), QTime(0, 0)));

        // Changing the key changes the looked-up text at once; a missing key reads empty.
        roster->setValue(QStringLiteral("Prikaz_come"), 2);
        QCOMPARE(roster->asString(QStringLiteral("Prikaz_come")), QStringLiteral("О зачислении слушателей ФПП"));
        roster->setValue(QStringLiteral("id_prikaz_come_slushatel"), 999);
        QCOMPARE(roster->asString(QStringLiteral("Prikaz_come")), QString());
        roster->cancel();
        QCOMPARE(roster->asString(QStringLiteral("Prikaz_come")), QStringLiteral("О зачислении слушателей ФПК"));
    }

    void writesAnEditWhenTheUserMovesOn()
    {
        const qint64 key = movementKey(0);
        roster->setValue(QStringLiteral("Prikaz_leave"), 2);
        roster->setText(roster->findField(QStringLiteral("leave_reg")), QStringLiteral("77-о"));
        roster->setText(roster->findField(QStringLiteral("leave_date")), QStringLiteral("15.10.2026"));
        QCOMPARE(roster->state(), Query::State::Edit);
        QCOMPARE(stored(QStringLiteral("id_movement = %1").arg(key)).text(0, 4), QString()); // not yet written
        roster->next();
        QCOMPARE(roster->state(), Query::State::Browse);
        const RowSet row = stored(QStringLiteral("id_movement = %1").arg(key));
        QCOMPARE(row.integer(0, 2), 2);
        QCOMPARE(row.text(0, 3), QStringLiteral("2026-10-15 00:00:00"));
        QCOMPARE(row.text(0, 4), QStringLiteral("77-о"));
        QCOMPARE(row.integer(0, 1), 1);
    }

    void theGroupChosenInTheMainWindowIsWritten()
    {
        const qint64 key = movementKey(0);
        dm->chosen.group = 2;
        roster->setValue(QStringLiteral("leave_reg"), QStringLiteral("1"));
        roster->post();
        QCOMPARE(stored(QStringLiteral("id_movement = %1").arg(key)).integer(0, 1), 2);
    }

    void aNullGroupWritesNothing()
    {
        const qint64 key = movementKey(0);
        dm->chosen.group = QVariant();
        roster->setValue(QStringLiteral("leave_reg"), QStringLiteral("1"));
        QCOMPARE(errorOf([&] { roster->post(); }), QStringLiteral("Could not convert variant of type (Null) into type (Integer)"));
        QCOMPARE(roster->state(), Query::State::Edit);
        QCOMPARE(stored(QStringLiteral("id_movement = %1").arg(key)).text(0, 4), QString());
    }

    void refusesTypedTextOfTheWrongType_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("error");
        QTest::newRow("date") << "leave_date" << "32.13.2026" << "'32.13.2026' is not a valid date and time";
        QTest::newRow("integer") << "id_prikaz_leave_slushatel" << "x1" << "'x1' is not a valid integer value for field 'id_prikaz_leave_slushatel'";
        QTest::newRow("empty clears a date") << "come_date" << "" << "";
    }
    void refusesTypedTextOfTheWrongType()
    {
        QFETCH(QString, field);
        QFETCH(QString, text);
        QFETCH(QString, error);
        QCOMPARE(errorOf([&] { roster->setText(roster->findField(field), text); }), error);
        if (error.isEmpty())
            QVERIFY(roster->value(field).isNull());
    }

    void aFailedWriteKeepsTheRowInEditingAndTheDatabaseUnchanged()
    {
        const qint64 key = movementKey(0);
        roster->setValue(QStringLiteral("come_reg"), QString(21, u'9'));
        QCOMPARE(errorOf([&] { roster->next(); }), QStringLiteral("String or binary data would be truncated."));
        QCOMPARE(roster->state(), Query::State::Edit);
        QCOMPARE(roster->currentRow(), 0);
        QCOMPARE(stored(QStringLiteral("id_movement = %1").arg(key)).text(0, 5), QStringLiteral("10-к"));
    }

    // Another client's change, even of letter case only, is never written
    // over nor deleted unseen: the row must still hold exactly what was read.
    void neverWritesOverAnotherClientsChange_data()
    {
        QTest::addColumn<QString>("other");
        QTest::addColumn<QString>("column"); // the column edited here; empty: the row is deleted here
        const QString changed = QStringLiteral("UPDATE movement_slushatel SET leave_reg = 'other' WHERE id_movement = %1");
        const QString caseOnly = QStringLiteral("UPDATE movement_slushatel SET come_reg = '10-К' WHERE id_movement = %1");
        const QString deleted = QStringLiteral("DELETE FROM movement_slushatel WHERE id_movement = %1");
        QTest::newRow("edit, row changed") << changed << "leave_reg";
        QTest::newRow("edit, row deleted") << deleted << "leave_reg";
        QTest::newRow("edit, letter case changed") << caseOnly << "come_reg";
        QTest::newRow("delete, row changed") << changed << "";
        QTest::newRow("delete, letter case changed") << caseOnly << "";
    }
    void neverWritesOverAnotherClientsChange()
    {
        QFETCH(QString, other);
        QFETCH(QString, column);
        const qint64 key = movementKey(0);
        QCOMPARE(roster->asString(QStringLiteral("come_reg")), QStringLiteral("10-к"));
        demo->owner()->execute(other.arg(key));
        const auto storedRow = [&] {
            const RowSet row = stored(QStringLiteral("id_movement = %1").arg(key));
            return row.rowCount() ? row.rowValues(0) : QList<QVariant>();
        };
        const QList<QVariant> left = storedRow();
        const QString refused = QStringLiteral("Row cannot be located for updating. Some values may have been changed since it was last read.");
        if (column.isEmpty()) {
            QCOMPARE(errorOf([&] { roster->deleteCurrent(); }), refused);
            QCOMPARE(roster->rowCount(), 7);
        } else {
            roster->setValue(column, QStringLiteral("mine"));
            QCOMPARE(errorOf([&] { roster->post(); }), refused);
            QCOMPARE(roster->state(), Query::State::Edit);
        }
        QCOMPARE(storedRow(), left);
    }

    void insertsOnlyRowsWithAStudent()
    {
        const qint64 before = stored(QStringLiteral("1 = 1")).rowCount();
        roster->insert();
        QCOMPARE(roster->state(), Query::State::Insert);
        QCOMPARE(roster->rowCount(), 8);
        roster->setValue(QStringLiteral("come_reg"), QStringLiteral("5-к"));
        QVERIFY(errorOf([&] { roster->post(); }).contains(QStringLiteral("не указан слушатель")));
        QCOMPARE(stored(QStringLiteral("1 = 1")).rowCount(), before);

        roster->setValue(QStringLiteral("id_student"), 24);
        roster->post();
        const RowSet added = stored(QStringLiteral("id_student = 24 AND id_group_slushatel = 1"));
        QCOMPARE(added.rowCount(), 1);
        QCOMPARE(added.text(0, 5), QStringLiteral("5-к"));
        QCOMPARE(movementKey(roster->currentRow()), added.integer(0, 6)); // the row took the assigned key
        QCOMPARE(roster->asString(QStringLiteral("FIO")), QStringLiteral("Макаров Егор Станиславович"));
    }

    void anUntouchedNewRowIsDroppedWhenLeft()
    {
        roster->setCurrentRow(6);
        roster->append();
        QCOMPARE(roster->rowCount(), 8);
        roster->setCurrentRow(2);
        QCOMPARE(roster->rowCount(), 7);
        QCOMPARE(roster->currentRow(), 2);
        QCOMPARE(roster->state(), Query::State::Browse);
    }

    void deletesTheRosterRowButNeverTheStudent()
    {
        const qint64 key = movementKey(0);
        const qint64 student = roster->asInteger(QStringLiteral("id_student"));
        roster->deleteCurrent();
        QCOMPARE(roster->rowCount(), 6);
        QCOMPARE(stored(QStringLiteral("id_movement = %1").arg(key)).rowCount(), 0);
        QCOMPARE(demo->owner()->select(QStringLiteral("SELECT count(*) FROM s_fio WHERE id_student = %1").arg(student)).integer(0, 0), 1);
    }

    void rowNumbersAndNamesCannotBeEdited()
    {
        QVERIFY(!errorOf([&] { roster->setValue(QStringLiteral("row"), 5); }).isEmpty());
        QVERIFY(!errorOf([&] { roster->setValue(QStringLiteral("FIO"), 3); }).isEmpty());
    }

    // SQL Server's float holds neither NaN nor an infinity: such a fee is no number.
    void aFeeMustBeAFiniteNumber_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QVariant>("stored"); // invalid: refused
        QTest::newRow("letters") << "abc" << QVariant();
        QTest::newRow("nan") << "nan" << QVariant();
        QTest::newRow("NaN") << "NaN" << QVariant();
        QTest::newRow("inf") << "inf" << QVariant();
        QTest::newRow("-inf") << "-inf" << QVariant();
        QTest::newRow("+INF") << "+INF" << QVariant();
        QTest::newRow("infinity") << "infinity" << QVariant();
        QTest::newRow("too large") << "1e400" << QVariant();
        QTest::newRow("decimal comma") << "1500,5" << QVariant(1500.5);
        QTest::newRow("full stop") << "1500.5" << QVariant(1500.5);
        QTest::newRow("exponent") << "-2e3" << QVariant(-2000.0);
    }
    void aFeeMustBeAFiniteNumber()
    {
        QFETCH(QString, typed);
        QFETCH(QVariant, stored);
        Query *groups = dm->ADOQ_GroupSlushatel_Formation;
        dm->chosen.formationFaculty = 1;
        reopen(groups, QStringLiteral("SELECT * FROM [group_slushatel] Where id_faculty=1"));
        const int fee = groups->findField(QStringLiteral("oplata"));
        const QVariant before = groups->value(fee);
        const QString error = errorOf([&] { groups->setText(fee, typed); });
        if (!stored.isValid()) {
            QCOMPARE(error, QStringLiteral("'%1' is not a valid floating point value for field 'oplata'").arg(typed));
            QCOMPARE(groups->value(fee), before);
            return;
        }
        QCOMPARE(error, QString());
        const qint64 key = groups->rows().integer(groups->currentRow(), groups->rows().indexOf(QStringLiteral("id_group_slushatel")));
        groups->post();
        const RowSet row = demo->owner()->select(
            QStringLiteral("SELECT oplata FROM group_slushatel WHERE id_group_slushatel = %1").arg(key));
        QCOMPARE(row.value(0, 0).toDouble(), stored.toDouble());
    }

    void groupFormationWritesTheChosenFaculty()
    {
        Query *groups = dm->ADOQ_GroupSlushatel_Formation;
        dm->chosen.formationFaculty = 4;
        reopen(groups, QStringLiteral("SELECT * FROM [group_slushatel] Where id_faculty=4"));
        QCOMPARE(groups->rowCount(), 0);
        groups->append();
        groups->setText(groups->findField(QStringLiteral("name_short")), QStringLiteral("ДО-1"));
        QCOMPARE(errorOf([&] { groups->setText(groups->findField(QStringLiteral("oplata")), QStringLiteral("дорого")); }),
                 QStringLiteral("'дорого' is not a valid floating point value for field 'oplata'"));
        groups->setText(groups->findField(QStringLiteral("oplata")), QStringLiteral("1500,5"));
        groups->post();
        const RowSet row = demo->owner()->select(QStringLiteral("SELECT id_faculty, oplata FROM group_slushatel WHERE name_short = 'ДО-1'"));
        QCOMPARE(row.integer(0, 0), 4);
        QCOMPARE(row.value(0, 1).toDouble(), 1500.5);
    }
};

QTEST_GUILESS_MAIN(TestRosterData)
#include "tst_rosterdata.moc"
