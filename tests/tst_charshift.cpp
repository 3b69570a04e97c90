#include "engine/CharShift.h"
#include "engine/Error.h"
#include "engine/TextCodec.h"

#include <QtTest>

class TestCharShift : public QObject
{
    Q_OBJECT

private slots:
    void decode_data();
    void decode();
    void roundTrip_data();
    void roundTrip();
    void unrepresentable_data();
    void unrepresentable();
};

void TestCharShift::decode_data()
{
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<QString>("text");

    QTest::newRow("latin") << QByteArray("@`") << QStringLiteral("Aa");
    QTest::newRow("digits") << QByteArray("/8") << QStringLiteral("09");
    QTest::newRow("cyrillic") << QByteArray::fromHex("bfdfdffe") << QStringLiteral("Ааая");
    QTest::newRow("0xff wraps to 0x00") << QByteArray("\xff") << QString(QChar(0));
    QTest::newRow("0x00 is 0x01") << QByteArray(1, '\0') << QString(QChar(1));
    QTest::newRow("0x97 is the undefined 0x98") << QByteArray("\x97") << QString(QChar(0x98));
}

void TestCharShift::decode()
{
    QFETCH(QByteArray, stored);
    QFETCH(QString, text);

    QCOMPARE(qor::decodeStored(stored), text);
    QCOMPARE(qor::decodeStored(qor::fromWindows1251(stored)), text);
    bool ok = false;
    QCOMPARE(qor::encodeStored(text, &ok), stored);
    QVERIFY(ok);
    QCOMPARE(qor::encodeStoredText(text), qor::fromWindows1251(stored));
}

void TestCharShift::roundTrip_data()
{
    QTest::addColumn<QString>("text");

    QString cyrillic = QStringLiteral("Ёё");
    for (char16_t c = u'А'; c <= u'я'; ++c)
        cyrillic += QChar(c);
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all.append(char(b));

    QTest::newRow("cyrillic") << cyrillic;
    QTest::newRow("latin") << QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    QTest::newRow("digits") << QStringLiteral("0123456789");
    QTest::newRow("every byte") << qor::fromWindows1251(all);
}

void TestCharShift::roundTrip()
{
    QFETCH(QString, text);

    bool ok = false;
    const QByteArray stored = qor::encodeStored(text, &ok);
    QVERIFY(ok);
    QCOMPARE(stored.size(), text.size());
    const QByteArray real = qor::toWindows1251(text);
    for (qsizetype i = 0; i < stored.size(); ++i)
        QCOMPARE(quint8(stored[i] + 1), quint8(real[i]));
    QCOMPARE(qor::decodeStored(stored), text);
    QCOMPARE(qor::decodeStored(qor::encodeStoredText(text)), text);
}

void TestCharShift::unrepresentable_data()
{
    QTest::addColumn<QString>("text");

    QTest::newRow("chinese") << QStringLiteral("имя中");
    QTest::newRow("lone surrogate") << (QStringLiteral("имя") + QChar(0xD800));
}

void TestCharShift::unrepresentable()
{
    QFETCH(QString, text);

    bool ok = true;
    qor::encodeStored(text, &ok);
    QVERIFY(!ok);
    QVERIFY_THROWS_EXCEPTION(qor::Error, qor::encodeStoredText(text));
    QVERIFY_THROWS_EXCEPTION(qor::Error, qor::decodeStored(text));
}

QTEST_GUILESS_MAIN(TestCharShift)
#include "tst_charshift.moc"
