// The import window on the demo data: a list opened, its columns as
// recognised and as the user changes them, the preview of each row, the
// questions before writing, the roster shown afterwards; and no window for
// a login that may not add students.
#include "ForwardingEngine.h"
#include "MainWindowFixture.h"

#include "controls/DataGrid.h"
#include "controls/UserAction.h"
#include "data/Connection.h"
#include "data/TDM.h"
#include "screens/TForm1.h"
#include "screens/TForm13.h"

#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTest>

using namespace qor;

class TestImportWindow : public QObject
{
    Q_OBJECT

    MainWindowFixture *mainWindow = nullptr;
    QList<BoxRequest> asked;

    qint64 count(const QString &sql) { return mainWindow->demo.owner()->select(sql).integer(0, 0); }
    QString place(const QString &name, const QByteArray &bytes)
    {
        const QString path = mainWindow->demo.dir.path() + u'/' + name;
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        file.write(bytes);
        return path;
    }
    QString shown(int row, int column)
    {
        DataGrid *grid = Form13->preview();
        return grid->model()->index(row, grid->modelColumn(column)).data().toString();
    }

private slots:
    void init()
    {
        mainWindow = new MainWindowFixture;
        asked.clear();
        boxInterceptor() = [this](const BoxRequest &box) {
            asked.append(box);
            return box.kind == BoxKind::Question ? QMessageBox::Yes : QMessageBox::Ok;
        };
        Form1->show();
        QVERIFY(QTest::qWaitForWindowActive(Form1));
    }
    void cleanup()
    {
        delete Form13;
        Form13 = nullptr;
        delete mainWindow;
    }

    void aListIsPreviewedThenImportedIntoTheRoster()
    {
        typeInto(Form1->facultyList(), QStringLiteral("фак"));
        typeInto(Form1->groupList(), QStringLiteral("б")); // Бухгалтерский учёт и налогообложение: 7 students
        QCOMPARE(Form1->rosterGrid()->model()->rowCount(), 7);

        Form13 = Form1->newImportWindow();
        Form13->show();
        QVERIFY(QTest::qWaitForWindowActive(Form13));
        Form13->openFile(place(QStringLiteral("list.csv"), QStringLiteral("Фамилия;Имя;Отчество;Группа;Приказ\n"
                                                                          "Зайцев;Пётр;;ПК-101;Приказ № 5\n"
                                                                          "Иванов;Иван;Иванович;ПК-101;\n"
                                                                          "Попов;Глеб;;Нет такой;\n")
                                                               .toUtf8()));
        // The titles name the columns.
        QCOMPARE(Form13->fieldBox(ImportField::Surname)->currentText(), QStringLiteral("A: Фамилия"));
        QCOMPARE(Form13->fieldBox(ImportField::Group)->currentText(), QStringLiteral("D: Группа"));
        QCOMPARE(Form13->fieldBox(ImportField::FullName)->currentText(), QStringLiteral("—"));
        QCOMPARE(Form13->preview()->model()->rowCount(), 3);
        QCOMPARE(shown(0, 1), QStringLiteral("Зайцев Пётр"));
        QCOMPARE(shown(0, 6), QStringLiteral("новый слушатель; в группу «Бухгалтерский учёт и налогообложение»"));
        QCOMPARE(shown(1, 6), QStringLiteral("уже есть в базе; уже в группе «Бухгалтерский учёт и налогообложение»"));
        QVERIFY(shown(2, 6).startsWith(QStringLiteral("отказ: группы «Нет такой» нет")));
        QCOMPARE(shown(2, 2), QStringLiteral("Нет такой")); // a refused row shows what was read

        // The group's column chosen away, with the keyboard: nobody is placed.
        QComboBox *group = Form13->fieldBox(ImportField::Group);
        group->setFocus();
        QTest::keyClick(group, Qt::Key_Home);
        QCOMPARE(shown(0, 6), QStringLiteral("отказ: приказ, его номер или дата указаны без группы"));
        QTest::keyClick(group, Qt::Key_End);
        QTest::keyClick(group, Qt::Key_Up); // D: Группа, of five columns
        QCOMPARE(group->currentText(), QStringLiteral("D: Группа"));

        QTest::mouseClick(Form13->findChild<QPushButton *>(QStringLiteral("Button2")), Qt::LeftButton);
        QCOMPARE(asked.size(), 3);
        QVERIFY(asked[0].text.contains(QStringLiteral("«Приказ № 5»")));
        QVERIFY(asked[1].text.startsWith(QStringLiteral("Строка 4 не будет загружена")));
        QCOMPARE(asked[2].text,
                 QStringLiteral("Импорт завершён.\nДобавлено слушателей: 1\nУже были в базе: 1\n"
                                "Включено в группы: 1\nУже были в своих группах: 1\n"
                                "Добавлены приказы на зачисление: «Приказ № 5»\nОтказано: 1 (строка 4)"));
        QCOMPARE(count(QStringLiteral("SELECT count(*) FROM s_fio WHERE s_fio = 'Зайцев Пётр'")), 1);
        // The roster and the order lists show what was added.
        QCOMPARE(Form1->rosterGrid()->model()->rowCount(), 8);
        QCOMPARE(DM->ADOQ_Prikaz_come_slushatel->rowCount(), 5);
        // Imported again, everyone is there already.
        QCOMPARE(shown(0, 6), QStringLiteral("уже есть в базе; уже в группе «Бухгалтерский учёт и налогообложение»"));
        QVERIFY(!Form13->findChild<QPushButton *>(QStringLiteral("Button2"))->isEnabled());
    }

    void aFileThatCannotBeReadSaysWhy()
    {
        Form13 = Form1->newImportWindow();
        Form13->show();
        QVERIFY(QTest::qWaitForWindowActive(Form13));
        const QString empty = place(QStringLiteral("empty.xlsx"), QByteArray());
        runUserAction([&] { Form13->openFile(empty); });
        QCOMPARE(asked.size(), 1);
        QCOMPARE(asked[0].text, QStringLiteral("Файл «empty.xlsx» пуст."));
        QVERIFY(!Form13->findChild<QPushButton *>(QStringLiteral("Button2"))->isEnabled());
    }

    void noWindowForALoginThatMayNotAddStudents()
    {
        delete Form1;
        Form1 = nullptr;
        delete DM;
        DM = new TDM(new ReadOnlyConnection);
        DM->ADOCon->setConnectionString(mainWindow->demo.workingConnectionString(QStringLiteral("demo")));
        Form1 = new TForm1;
        Form1->loadLists();
        Form1->N23Click();
        QCOMPARE(Form13, nullptr);
        QCOMPARE(asked.size(), 1);
        QCOMPARE(asked[0].text, QStringLiteral("Нет права добавлять слушателей в эту базу."));
    }
};

QTEST_MAIN(TestImportWindow)
#include "tst_importwindow.moc"
