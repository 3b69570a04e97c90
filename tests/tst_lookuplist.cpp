// Lookup lists driven by keys and the mouse: when the pick handler runs,
// type-ahead with its shared pause, and what never chooses a row.
#include "DemoFixture.h"

#include "controls/LookupList.h"
#include "data/Connection.h"
#include "data/DataSource.h"
#include "data/Query.h"

#include <QAbstractItemView>
#include <QSignalSpy>
#include <QTest>

using namespace qor;

namespace {

qint64 now = 0; // the type-ahead clock, moved by the tests

void type(QWidget *widget, const QString &text)
{
    for (QChar ch : text)
        QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(ch), Qt::NoModifier);
}

} // namespace

class TestLookupList : public QObject
{
    Q_OBJECT

    DemoFixture *demo = nullptr;
    Connection *connection = nullptr;
    Query *students = nullptr;
    DataSource *source = nullptr;
    LookupList *list = nullptr;
    LookupList *other = nullptr;

    LookupList *makeList()
    {
        auto *l = new LookupList;
        l->setListSource(source, QStringLiteral("s_fio"), QStringLiteral("id_student"));
        l->resize(420, 21);
        return l;
    }
    QString chosenName(LookupList *l)
    {
        const int row = students->lookupRow(QStringLiteral("id_student"), l->keyValue());
        return row < 0 ? QString() : students->valueAt(row, students->fieldIndex(QStringLiteral("s_fio"))).toString();
    }

private slots:
    void initTestCase()
    {
        LookupList::setClock([] { return now; });
    }

    void init()
    {
        demo = new DemoFixture;
        // Latin names and a long one beside the demo's Russian ones.
        demo->owner()->execute(QStringLiteral(
            "INSERT INTO s_fio (s_fio) VALUES ('Smith John'), ('smyth Anne'), "
            "('Константинопольский Константин Константинович')"));
        connection = new Connection;
        connection->setConnectionString(demo->workingConnectionString(QStringLiteral("demo")));
        students = new Query(connection, QStringLiteral("students"));
        students->setSql(QStringLiteral("Select * from [s_fio] order by s_fio"));
        students->open();
        source = new DataSource(students, QStringLiteral("DS_students"), nullptr);
        list = makeList();
        other = makeList();
        list->show();
        QVERIFY(QTest::qWaitForWindowExposed(list));
        list->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(list));
        now += 100000; // well past any earlier typing
    }
    void cleanup()
    {
        delete list;
        delete other;
        delete source;
        delete students;
        delete connection;
        delete demo;
    }

    void typeAhead_data()
    {
        QTest::addColumn<QStringList>("typed"); // characters typed, "+N" lets N ms pass, "\b" is Backspace
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<int>("picks");

        QTest::newRow("one letter") << QStringList{"ж"} << "Жукова Дарья Викторовна" << 1;
        QTest::newRow("collected") << QStringList{"Е", "л", "и"} << "Елисеев Константин Олегович" << 3;
        QTest::newRow("Ё is its own letter, either case") << QStringList{"ё", "Л"} << "Ёлкина Мария Петровна" << 2;
        QTest::newRow("Latin, either case") << QStringList{"S", "M", "Y"} << "smyth Anne" << 3;
        QTest::newRow("no match is dropped") << QStringList{"ж", "щ", "у"} << "Жукова Дарья Викторовна" << 2;
        QTest::newRow("2000 ms is no pause") << QStringList{"с", "+2000", "м"} << "Смирнов Алексей Владимирович" << 2;
        QTest::newRow("a longer pause starts afresh") << QStringList{"с", "+2001", "м"} << "Макаров Егор Станиславович" << 2;
        QTest::newRow("Backspace starts afresh") << QStringList{"с", "\b", "м"} << "Макаров Егор Станиславович" << 2;
        QTest::newRow("nothing found, nothing chosen") << QStringList{"ъъ"} << "" << 0;
    }

    void typeAhead()
    {
        QFETCH(QStringList, typed);
        QFETCH(QString, chosen);
        QFETCH(int, picks);
        QSignalSpy picked(list, &LookupList::picked);
        for (const QString &step : typed) {
            if (step.startsWith(u'+'))
                now += step.mid(1).toInt();
            else if (step == QStringLiteral("\b"))
                QTest::keyClick(list, Qt::Key_Backspace);
            else
                type(list, step);
        }
        QCOMPARE(chosenName(list), chosen);
        QCOMPARE(picked.count(), picks);
    }

    void typeAheadHoldsAtMost32Characters()
    {
        QSignalSpy picked(list, &LookupList::picked);
        type(list, QStringLiteral("Константинопольский Константин Константинович"));
        QCOMPARE(picked.count(), 32);
        QCOMPARE(chosenName(list), QStringLiteral("Константинопольский Константин Константинович"));
    }

    void thePauseIsOneForAllLists()
    {
        type(other, QStringLiteral("Е"));
        now += 2500;
        type(list, QStringLiteral("Ж")); // typed in another list, but typed
        now += 500;
        type(other, QStringLiteral("л"));
        QCOMPARE(chosenName(other), QStringLiteral("Елисеев Константин Олегович"));
    }

    void arrowsOnTheClosedListChooseOneRowAPress()
    {
        QSignalSpy picked(list, &LookupList::picked);
        QTest::keyClick(list, Qt::Key_Down); // no choice yet: the first row
        QCOMPARE(list->currentIndex(), 0);
        QTest::keyClick(list, Qt::Key_Down);
        QTest::keyClick(list, Qt::Key_Down);
        QTest::keyClick(list, Qt::Key_Up);
        QCOMPARE(list->currentIndex(), 1);
        QCOMPARE(picked.count(), 4);
        QTest::keyClick(list, Qt::Key_Up);
        QTest::keyClick(list, Qt::Key_Up); // nothing above the first row
        QCOMPARE(list->currentIndex(), 0);
        QCOMPARE(picked.count(), 5);
        QCOMPARE(list->keyValue(), students->valueAt(0, 0));
    }

    void theWheelAndCodeNeverChoose()
    {
        QSignalSpy picked(list, &LookupList::picked);
        QWheelEvent wheel(QPointF(10, 10), list->mapToGlobal(QPointF(10, 10)), {}, QPoint(0, -120), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(list, &wheel);
        QCOMPARE(list->currentIndex(), -1);
        list->setKeyValue(students->valueAt(3, 0));
        QCOMPARE(list->currentIndex(), 3);
        QCOMPARE(picked.count(), 0);
    }

    void openingOnlyOpens_data()
    {
        QTest::addColumn<bool>("byMouse");
        QTest::newRow("click") << true;
        QTest::newRow("Alt+Down") << false;
    }
    void openingOnlyOpens()
    {
        QFETCH(bool, byMouse);
        QSignalSpy picked(list, &LookupList::picked);
        if (byMouse)
            QTest::mouseClick(list, Qt::LeftButton, {}, QPoint(20, 10));
        else
            QTest::keyClick(list, Qt::Key_Down, Qt::AltModifier);
        QTRY_VERIFY(list->view()->isVisible());
        QCOMPARE(picked.count(), 0);
        // Escape closes it without choosing.
        QTest::keyClick(list->view(), Qt::Key_Escape);
        QTRY_VERIFY(!list->view()->isVisible());
        QCOMPARE(picked.count(), 0);
        QCOMPARE(list->currentIndex(), -1);
    }

    void acceptingTheOpenList_data()
    {
        QTest::addColumn<int>("chosenBefore"); // -1: a fresh list
        QTest::addColumn<int>("downs");        // arrows pressed in the open list
        QTest::addColumn<int>("accept");       // the key that accepts
        QTest::addColumn<int>("chosenAfter");

        QTest::newRow("Enter on a fresh list: no row, the key stays null") << -1 << 0 << int(Qt::Key_Return) << -1;
        QTest::newRow("Alt+Up on a fresh list") << -1 << 0 << int(Qt::Key_Up) << -1;
        QTest::newRow("the first arrow goes to the first row") << -1 << 1 << int(Qt::Key_Return) << 0;
        QTest::newRow("the row already chosen") << 2 << 0 << int(Qt::Key_Enter) << 2;
        QTest::newRow("another row, Alt+Down") << 2 << 2 << int(Qt::Key_Down) << 4;
    }
    void acceptingTheOpenList()
    {
        QFETCH(int, chosenBefore);
        QFETCH(int, downs);
        QFETCH(int, accept);
        QFETCH(int, chosenAfter);
        if (chosenBefore >= 0)
            list->setKeyValue(students->valueAt(chosenBefore, 0));
        QSignalSpy picked(list, &LookupList::picked);
        QTest::keyClick(list, Qt::Key_Down, Qt::AltModifier);
        QTRY_VERIFY(list->view()->isVisible());
        for (int i = 0; i < downs; ++i)
            QTest::keyClick(list->view(), Qt::Key_Down);
        const bool alt = accept == Qt::Key_Up || accept == Qt::Key_Down;
        QTest::keyClick(list->view(), Qt::Key(accept), alt ? Qt::AltModifier : Qt::NoModifier);
        QTRY_VERIFY(!list->view()->isVisible());
        QCOMPARE(picked.count(), 1);
        QCOMPARE(list->currentIndex(), chosenAfter);
        QCOMPARE(list->keyValue().isNull(), chosenAfter < 0);
    }

    void aClickOnARowChoosesIt()
    {
        QSignalSpy picked(list, &LookupList::picked);
        QTest::mouseClick(list, Qt::LeftButton, {}, QPoint(20, 10));
        QTRY_VERIFY(list->view()->isVisible());
        QTest::qWait(QApplication::doubleClickInterval() + 100); // the opening click's release is no choice
        QAbstractItemView *view = list->view();
        const QRect third = view->visualRect(view->model()->index(2, 0));
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, third.center());
        QTRY_VERIFY(!view->isVisible());
        QCOMPARE(picked.count(), 1);
        QCOMPARE(list->currentIndex(), 2);
    }
};

QTEST_MAIN(TestLookupList)
#include "tst_lookuplist.moc"
