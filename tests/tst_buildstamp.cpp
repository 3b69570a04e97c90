#include "engine/Error.h"
#include "signin/BuildStamp.h"

#include <QtEndian>
#include <QtTest>

namespace {

// 09.09.2014 15:48:16 as an MS-DOS date and time.
constexpr quint32 september9th = 0x45297E08;

// Section i's resource directory header carries the stamp september9th + i
// (two seconds later each).
QByteArray peImage(const QList<QByteArray> &sectionNames, int declaredSections)
{
    QByteArray image(64, '\0');
    image[0] = 'M';
    image[1] = 'Z';
    qToLittleEndian<quint32>(0x80, image.data() + 60);
    image.resize(0x80, '\0');
    image += QByteArray("PE\0\0", 4);

    QByteArray fileHeader(20, '\0');
    qToLittleEndian<quint16>(0x14C, fileHeader.data());
    qToLittleEndian<quint16>(quint16(declaredSections), fileHeader.data() + 2);
    qToLittleEndian<quint16>(224, fileHeader.data() + 16);
    image += fileHeader + QByteArray(224, '\0');

    const qsizetype dataStart = image.size() + 40 * sectionNames.size();
    for (qsizetype i = 0; i < sectionNames.size(); ++i) {
        QByteArray header(40, '\0');
        header.replace(0, sectionNames[i].size(), sectionNames[i]);
        qToLittleEndian<quint32>(quint32(dataStart + 16 * i), header.data() + 20);
        image += header;
    }
    for (qsizetype i = 0; i < sectionNames.size(); ++i) {
        QByteArray directory(16, '\0');
        qToLittleEndian<quint32>(september9th + quint32(i), directory.data() + 4);
        image += directory;
    }
    return image;
}

QString writeTemp(QTemporaryDir &dir, const QByteArray &bytes)
{
    static int n = 0;
    const QString path = dir.filePath(QString::number(++n));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

} // namespace

class TestBuildStamp : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void peStamp_data();
    void peStamp();
    void dosDateTime_data();
    void dosDateTime();
    void windowsBuild();
    void linuxBuild();
    void text_data();
    void text();

private:
    QTemporaryDir m_dir;
};

void TestBuildStamp::initTestCase()
{
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
}

void TestBuildStamp::cleanupTestCase()
{
    QLocale::setDefault(QLocale::c());
}

void TestBuildStamp::peStamp_data()
{
    QTest::addColumn<QByteArray>("image");
    QTest::addColumn<quint32>("stamp");
    QTest::addColumn<QString>("error");

    const QByteArray textRsrc = peImage({".text", ".rsrc"}, 2);
    QTest::newRow(".rsrc last") << textRsrc << september9th + 1 << QString();
    QTest::newRow(".rsrc first stops the search") << peImage({".rsrc", ".text"}, 2) << september9th << QString();
    QTest::newRow("no .rsrc takes the last section") << peImage({".text", ".data", ".reloc"}, 3) << september9th + 2 << QString();
    QTest::newRow("only the declared sections")  << peImage({".text", ".rsrc"}, 1) << september9th << QString();
    QTest::newRow("name ends at a zero") << peImage({".rsrcx", QByteArray(".rsrc\0\1", 7), ".data"}, 3) << september9th + 1 << QString();
    QTest::newRow("no sections") << peImage({}, 0) << 0u << QStringLiteral("has no sections");
    QTest::newRow("not PE") << QByteArray(textRsrc).replace("PE\0\0", 4, "NE\0\0", 4) << 0u << QStringLiteral("is not a Windows executable");
    QTest::newRow("short MS-DOS header") << textRsrc.first(40) << 0u << QStringLiteral("Read beyond end of file");
    QTest::newRow("short section headers") << textRsrc.first(0x80 + 4 + 20 + 224 + 60) << 0u << QStringLiteral("Read beyond end of file");
    QTest::newRow("short resource directory") << textRsrc.first(textRsrc.size() - 8) << 0u << QStringLiteral("Read beyond end of file");
}

void TestBuildStamp::peStamp()
{
    QFETCH(QByteArray, image);
    QFETCH(quint32, stamp);
    QFETCH(QString, error);

    const QString path = writeTemp(m_dir, image);
    try {
        QCOMPARE(qor::readPeResourceStamp(path), stamp);
        QVERIFY(error.isEmpty());
    } catch (const qor::Error &e) {
        QVERIFY2(!error.isEmpty() && e.text().endsWith(error), qPrintable(e.text()));
    }
}

void TestBuildStamp::dosDateTime_data()
{
    QTest::addColumn<quint32>("stamp");
    QTest::addColumn<QDateTime>("dateTime");

    QTest::newRow("09.09.2014 15:48:16") << september9th << QDateTime(QDate(2014, 9, 9), QTime(15, 48, 16));
    QTest::newRow("first") << 0x00210000u << QDateTime(QDate(1980, 1, 1), QTime(0, 0));
    QTest::newRow("last") << 0xFF9FBF7Du << QDateTime(QDate(2107, 12, 31), QTime(23, 59, 58));
    QTest::newRow("zero") << 0u << QDateTime();
    QTest::newRow("month 13") << 0x45A97E08u << QDateTime();
    QTest::newRow("30 February") << 0x445E7E08u << QDateTime();
    QTest::newRow("hour 24") << 0x4529C008u << QDateTime();
    QTest::newRow("minute 60") << 0x45297F88u << QDateTime();
    QTest::newRow("second 60") << 0x45297E1Eu << QDateTime();
}

void TestBuildStamp::dosDateTime()
{
    QFETCH(quint32, stamp);
    QFETCH(QDateTime, dateTime);

    if (dateTime.isValid())
        QCOMPARE(qor::dosDateTimeToDateTime(stamp), dateTime);
    else
        QVERIFY_THROWS_EXCEPTION(qor::Error, qor::dosDateTimeToDateTime(stamp));
}

void TestBuildStamp::windowsBuild()
{
    const QString path = writeTemp(m_dir, peImage({".text", ".rsrc"}, 2));
    QCOMPARE(qor::buildDateTime(path), QDateTime(QDate(2014, 9, 9), QTime(15, 48, 18)));
}

void TestBuildStamp::linuxBuild()
{
    const QDateTime built = qor::buildDateTime(QCoreApplication::applicationFilePath());
    QVERIFY(built.isValid());
    QVERIFY(built <= QDateTime::currentDateTime());
    QVERIFY(built > QDateTime(QDate(2024, 1, 1), QTime(0, 0)));
}

void TestBuildStamp::text_data()
{
    QTest::addColumn<QDateTime>("dateTime");
    QTest::addColumn<QString>("text");

    QTest::newRow("afternoon") << QDateTime(QDate(2014, 9, 9), QTime(15, 48, 16)) << QStringLiteral("09.09.2014 15:48:16");
    QTest::newRow("morning") << QDateTime(QDate(2003, 2, 1), QTime(4, 5, 6)) << QStringLiteral("01.02.2003 04:05:06");
    QTest::newRow("midnight") << QDateTime(QDate(2014, 9, 9), QTime(0, 0)) << QStringLiteral("09.09.2014");
    QTest::newRow("a second past midnight") << QDateTime(QDate(2014, 9, 9), QTime(0, 0, 1)) << QStringLiteral("09.09.2014 00:00:01");
}

void TestBuildStamp::text()
{
    QFETCH(QDateTime, dateTime);
    QFETCH(QString, text);

    QCOMPARE(qor::buildStampText(dateTime), text);
}

QTEST_GUILESS_MAIN(TestBuildStamp)
#include "tst_buildstamp.moc"
