// Finding people by the starts of the words of their names: the rule as a
// table, checked one name at a time and through the index over many names,
// which must agree.

#include "data/NameIndex.h"
#include "engine/RowSet.h"

#include <QtTest>

using namespace qor;

namespace {

RowSet namesOf(const QStringList &names)
{
    RowSet rows({Column{QStringLiteral("s_fio"), ColumnType::Text, 100, {}}});
    for (const QString &name : names) {
        const int row = rows.appendRow();
        const QByteArray utf8 = name.toUtf8();
        rows.setText(row, 0, utf8.constData(), utf8.size());
    }
    return rows;
}

} // namespace

class TestNameIndex : public QObject
{
    Q_OBJECT

private slots:
    void theRule_data();
    void theRule();
    void rowsComeBackInTheirOrder();
    void nothingTypedFindsEveryRow();
    void agreesWithTheRuleOnManyWords();
};

void TestNameIndex::theRule_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("found");

    QTest::newRow("surname start") << "Иванов Пётр Сергеевич"
                                   << "иван" << true;
    QTest::newRow("first name start") << "Петров Иван"
                                      << "иван" << true;
    QTest::newRow("capitals typed") << "Петров Иван"
                                    << "ИВАН" << true;
    QTest::newRow("whole name") << "Петров Иван"
                                << "петров иван" << true;
    QTest::newRow("several words narrow") << "Петров Иван"
                                          << "пет ив" << true;
    QTest::newRow("words in any order") << "Петров Иван"
                                        << "ив пет" << true;
    QTest::newRow("one word does not match") << "Петров Иван"
                                             << "пет сид" << false;
    QTest::newRow("inside a word is no start") << "Петров Иван"
                                               << "етров" << false;
    QTest::newRow("е typed finds ё") << "Пётр Соколов"
                                     << "петр" << true;
    QTest::newRow("ё typed finds е") << "Федоров Алексей"
                                     << "фёд" << true;
    QTest::newRow("Ё capital") << "Ёлкин Семён"
                               << "елк" << true;
    QTest::newRow("ё inside") << "Ёлкин Семён"
                              << "семе" << true;
    QTest::newRow("hyphen separates words") << "Петрова-Водкина Анна"
                                            << "водк" << true;
    QTest::newRow("hyphen typed") << "Петрова-Водкина Анна"
                                  << "петрова-вод" << true;
    QTest::newRow("double spaces") << "Сидоров   Олег"
                                   << "олег" << true;
    QTest::newRow("spaces typed around") << "Сидоров Олег"
                                         << "  сид  " << true;
    QTest::newRow("Latin letters") << "Smith John"
                                   << "JOH" << true;
    QTest::newRow("digits") << "Группа 12 Иванов"
                            << "12" << true;
    QTest::newRow("longer than the word") << "Иванов Пётр"
                                          << "ивановский" << false;
    QTest::newRow("no match") << "Иванов Пётр"
                              << "кузн" << false;
    QTest::newRow("other letters") << "Ümit Öztürk"
                                   << "öz" << true;
    QTest::newRow("nothing but separators") << "Иванов Пётр"
                                            << " - " << true;
}

void TestNameIndex::theRule()
{
    QFETCH(QString, name);
    QFETCH(QString, typed);
    QFETCH(bool, found);

    QCOMPARE(NameIndex::matches(name, typed), found);

    // The index over a list with the name among others agrees.
    const RowSet rows = namesOf({QStringLiteral("Абрамов Борис"), name, QStringLiteral("Яковлева Юлия")});
    const NameIndex index(rows, 0);
    const std::vector<int> matching = index.matchingRows(typed);
    QCOMPARE(std::find(matching.begin(), matching.end(), 1) != matching.end(), found);
    for (int row : matching)
        QVERIFY(NameIndex::matches(QString::fromStdString(std::string(rows.utf8(row, 0))), typed));
}

void TestNameIndex::rowsComeBackInTheirOrder()
{
    // Rows as they were read (by name), many of them sharing word starts,
    // more than one 64-bit word of the result's bit set.
    QStringList names;
    for (int i = 0; i < 200; ++i)
        names << QStringLiteral("%1 %2 %3")
                     .arg(i % 3 ? QStringLiteral("Иванов") : QStringLiteral("Петров"),
                          i % 2 ? QStringLiteral("Иван") : QStringLiteral("Пётр"))
                     .arg(i);
    const NameIndex index(namesOf(names), 0);

    QList<int> expected;
    for (int i = 0; i < names.size(); ++i) {
        if (NameIndex::matches(names[i], QStringLiteral("петр ив")))
            expected << i;
    }
    QVERIFY(!expected.isEmpty());
    const std::vector<int> found = index.matchingRows(QStringLiteral("петр ив"));
    QCOMPARE(QList<int>(found.begin(), found.end()), expected);
}

void TestNameIndex::nothingTypedFindsEveryRow()
{
    const NameIndex index(namesOf({QStringLiteral("Б"), QStringLiteral("А"), QStringLiteral("В")}), 0);
    QCOMPARE(index.matchingRows(QString()), (std::vector<int>{0, 1, 2}));
    QCOMPARE(index.matchingRows(QStringLiteral("я")), std::vector<int>{});
    QCOMPARE(NameIndex().matchingRows(QStringLiteral("а")), std::vector<int>{});
}

void TestNameIndex::agreesWithTheRuleOnManyWords()
{
    // Thousands of distinct words, many alike in their first eight bytes
    // (four Cyrillic letters), so that the words are ordered past their
    // starts and the table of distinct words has to grow.
    const QStringList stems = {QStringLiteral("Иванов"), QStringLiteral("Иваненко"), QStringLiteral("Ивановский"),
                               QStringLiteral("Иван"), QStringLiteral("Ивашов")};
    QStringList names;
    for (int i = 0; i < 5000; ++i)
        names << QStringLiteral("%1%2 %3 Ё%4").arg(stems[i % stems.size()]).arg(i % 700).arg(stems[(i / 5) % stems.size()]).arg(i);
    const NameIndex index(namesOf(names), 0);

    for (const QString typed : {QStringLiteral("иванов"), QStringLiteral("иванов1"), QStringLiteral("иваненко69"),
                                QStringLiteral("ивановский ивашов"), QStringLiteral("иван е49"), QStringLiteral("ивашов699"),
                                QStringLiteral("иванова")}) {
        QList<int> expected;
        for (int i = 0; i < names.size(); ++i) {
            if (NameIndex::matches(names[i], typed))
                expected << i;
        }
        const std::vector<int> found = index.matchingRows(typed);
        QCOMPARE(QList<int>(found.begin(), found.end()), expected);
    }
}

QTEST_GUILESS_MAIN(TestNameIndex)
#include "tst_nameindex.moc"
