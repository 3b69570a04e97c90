#include "engine/TextCodec.h"

#include <QtTest>

class TestTextCodec : public QObject
{
    Q_OBJECT

private slots:
    void encode_data();
    void encode();
    void everyByteRoundTrips();
};

void TestTextCodec::encode_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("ok");

    QTest::newRow("latin and digits") << QStringLiteral("Qor 2014") << QByteArray("Qor 2014") << true;
    QTest::newRow("cyrillic") << QStringLiteral("АЯаяЁё") << QByteArray::fromHex("c0dfe0ffa8b8") << true;
    QTest::newRow("symbols of the code page") << QStringLiteral("€№—") << QByteArray::fromHex("88b997") << true;
    QTest::newRow("empty") << QString() << QByteArray() << true;
    QTest::newRow("outside the code page") << QStringLiteral("a中b") << QByteArray("a\x1a" "b") << false;
    QTest::newRow("latin letter with accent") << QStringLiteral("À") << QByteArray("\x1a") << false;
    QTest::newRow("emoji") << QStringLiteral("😀") << QByteArray("\x1a") << false;
    QTest::newRow("trailing lone surrogate") << (QStringLiteral("a") + QChar(0xD800)) << QByteArray("a") << false;
}

void TestTextCodec::encode()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    QFETCH(bool, ok);

    bool encoded = !ok;
    QCOMPARE(qor::toWindows1251(text, &encoded), bytes);
    QCOMPARE(encoded, ok);
    if (ok)
        QCOMPARE(qor::fromWindows1251(bytes), text);
}

void TestTextCodec::everyByteRoundTrips()
{
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all.append(char(b));
    const QString text = qor::fromWindows1251(all);
    QCOMPARE(text.size(), 256);
    bool ok = false;
    QCOMPARE(qor::toWindows1251(text, &ok), all);
    QVERIFY(ok);
}

QTEST_GUILESS_MAIN(TestTextCodec)
#include "tst_textcodec.moc"
