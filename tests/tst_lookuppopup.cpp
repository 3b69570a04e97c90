// The open drop-down of a lookup list as the user sees it: whole letters in
// its rows, and a scroll bar when it holds more rows than it shows.
#include "DemoFixture.h"

#include "app/Application.h"
#include "controls/ClassicLook.h"
#include "controls/LookupList.h"
#include "data/Connection.h"
#include "data/DataSource.h"
#include "data/Query.h"

#include <QAbstractItemView>
#include <QDir>
#include <QImage>
#include <QScrollBar>
#include <QTest>

using namespace qor;

class TestLookupPopup : public QObject
{
    Q_OBJECT

    DemoFixture *demo = nullptr;
    Connection *connection = nullptr;
    Query *students = nullptr;
    DataSource *source = nullptr;
    LookupList *list = nullptr;

    // A list of the first `rows` demo students, shown as the windows show it.
    void showList(int rows)
    {
        students->setSql(QStringLiteral("Select * from [s_fio] where id_student <= %1 order by s_fio").arg(rows));
        students->open();
        QCOMPARE(students->rowCount(), rows);
        list = new LookupList;
        list->setFont(tahoma(11));
        list->setListSource(source, QStringLiteral("s_fio"), QStringLiteral("id_student"));
        list->resize(420, 21);
        list->show();
        QVERIFY(QTest::qWaitForWindowExposed(list));
        list->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(list));
    }
    int rowOf(const QString &name) const
    {
        for (int row = 0; row < list->count(); ++row) {
            if (list->itemText(row) == name)
                return row;
        }
        return -1;
    }
    // The topmost dark pixel of a row's first letter, as the open list draws it.
    int topOfFirstLetter(int row) const
    {
        QAbstractItemView *view = list->view();
        const QRect rect = view->visualRect(view->model()->index(row, 0));
        const QImage picture = view->viewport()->grab(rect).toImage();
        const int letterColumns = QFontMetrics(view->font()).horizontalAdvance(u'Ё') + 4; // after the margin
        for (int y = 0; y < picture.height(); ++y) {
            for (int x = 0; x < letterColumns && x < picture.width(); ++x) {
                if (qGray(picture.pixel(x, y)) < 160)
                    return y;
            }
        }
        return -1;
    }
    // The open pop-up, kept beside the test for a look.
    void keepPicture(const QString &name)
    {
        const QString folder = QCoreApplication::applicationDirPath() + QStringLiteral("/lookuppopup");
        QDir().mkpath(folder);
        list->view()->window()->grab().save(folder + u'/' + name + QStringLiteral(".png"));
    }

private slots:
    void initTestCase()
    {
        registerWindowsFonts(); // as the program does at start
    }

    void init()
    {
        demo = new DemoFixture;
        connection = new Connection;
        connection->setConnectionString(demo->workingConnectionString(QStringLiteral("demo")));
        students = new Query(connection, QStringLiteral("students"));
        source = new DataSource(students, QStringLiteral("DS_students"), nullptr);
    }
    void cleanup()
    {
        delete list;
        list = nullptr;
        delete source;
        delete students;
        delete connection;
        delete demo;
    }

    void aScrollBarShowsThereAreMoreRows_data()
    {
        QTest::addColumn<int>("rows");
        QTest::addColumn<bool>("byMouse");
        QTest::addColumn<bool>("scrollBar");
        QTest::newRow("17 rows, click") << 17 << true << true;
        QTest::newRow("17 rows, Alt+Down") << 17 << false << true;
        QTest::newRow("16 rows all shown") << 16 << false << false;
        QTest::newRow("3 rows, click") << 3 << true << false;
        QTest::newRow("3 rows, Alt+Down") << 3 << false << false;
    }
    void aScrollBarShowsThereAreMoreRows()
    {
        QFETCH(int, rows);
        QFETCH(bool, byMouse);
        QFETCH(bool, scrollBar);
        showList(rows);
        if (byMouse)
            QTest::mouseClick(list, Qt::LeftButton, {}, QPoint(20, 10));
        else
            QTest::keyClick(list, Qt::Key_Down, Qt::AltModifier);
        QAbstractItemView *view = list->view();
        QTRY_VERIFY(view->isVisible());
        // It shows whole rows, at most 16, and scrolls a row at a time through the rest.
        const int shown = std::min(rows, list->maxVisibleItems());
        QTRY_COMPARE(view->verticalScrollBar()->maximum(), rows - shown);
        QVERIFY(view->viewport()->rect().contains(view->visualRect(view->model()->index(shown - 1, 0))));
        QTRY_COMPARE(view->verticalScrollBar()->isVisible(), scrollBar);
        keepPicture(QStringLiteral("%1-rows").arg(rows));
        QTest::keyClick(view, Qt::Key_Escape);
        QTRY_VERIFY(!view->isVisible());
    }

    void aCapitalLetterKeepsItsAccent()
    {
        showList(17);
        const int yo = rowOf(QStringLiteral("Ёлкина Мария Петровна"));
        const int ye = rowOf(QStringLiteral("Елисеев Константин Олегович"));
        QVERIFY(yo >= 0 && ye >= 0);
        QTest::keyClick(list, Qt::Key_Down, Qt::AltModifier);
        QAbstractItemView *view = list->view();
        QTRY_VERIFY(view->isVisible());
        keepPicture(QStringLiteral("yo"));
        // The dots of Ё are drawn above the top of the plain Е of the row beside it.
        const int dots = topOfFirstLetter(yo);
        const int plain = topOfFirstLetter(ye);
        QVERIFY2(dots >= 0 && dots < plain, qPrintable(QStringLiteral("Ё from %1, Е from %2").arg(dots).arg(plain)));
        QTest::keyClick(view, Qt::Key_Escape);
    }
};

QTEST_MAIN(TestLookupPopup)
#include "tst_lookuppopup.moc"
