#include "engine/TextCodec.h"
#include "signin/PasswordDigest.h"

#include <QtTest>

class TestPasswordDigest : public QObject
{
    Q_OBJECT

private slots:
    void digest_data();
    void digest();
    void unrepresentableHasNoDigest_data();
    void unrepresentableHasNoDigest();
};

void TestPasswordDigest::digest_data()
{
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("digest");

    // RFC 1321, appendix A.5
    QTest::newRow("empty") << QString() << QStringLiteral("D41D8CD98F00B204E9800998ECF8427E");
    QTest::newRow("a") << QStringLiteral("a") << QStringLiteral("0CC175B9C0F1B6A831C399E269772661");
    QTest::newRow("abc") << QStringLiteral("abc") << QStringLiteral("900150983CD24FB0D6963F7D28E17F72");
    QTest::newRow("message digest") << QStringLiteral("message digest") << QStringLiteral("F96B697D7CB7938D525A2F31AAF161D0");
    QTest::newRow("alphabet") << QStringLiteral("abcdefghijklmnopqrstuvwxyz") << QStringLiteral("C3FCD3D76192E4007DFB496CCA67E13B");
    QTest::newRow("alphanumeric")
        << QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789")
        << QStringLiteral("D174AB98D277D9F5A5611C2C9F419D9F");
    QTest::newRow("digits x8") << QStringLiteral("1234567890").repeated(8) << QStringLiteral("57EDF4A22BE3C955AC49DA2E2107B67A");
    // printf 'пароль' | iconv -f utf-8 -t cp1251 | md5sum
    QTest::newRow("cyrillic") << QStringLiteral("пароль") << QStringLiteral("749789E4982B0C563F6729AAC100A614");
}

void TestPasswordDigest::digest()
{
    QFETCH(QString, password);
    QFETCH(QString, digest);

    QCOMPARE(qor::passwordDigest(password).value_or(QStringLiteral("none")), digest);
    QCOMPARE(qor::passwordDigest(qor::toWindows1251(password)), digest);
}

void TestPasswordDigest::unrepresentableHasNoDigest_data()
{
    QTest::addColumn<QString>("password");

    QTest::newRow("chinese") << QStringLiteral("пароль中");
    QTest::newRow("accented latin") << QStringLiteral("passé");
}

void TestPasswordDigest::unrepresentableHasNoDigest()
{
    QFETCH(QString, password);

    QVERIFY(!qor::passwordDigest(password).has_value());
}

QTEST_GUILESS_MAIN(TestPasswordDigest)
#include "tst_passworddigest.moc"
