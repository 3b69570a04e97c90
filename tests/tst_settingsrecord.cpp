#include "engine/Error.h"
#include "signin/SettingsRecord.h"

#include <QtTest>

#include <cerrno>
#include <unistd.h>

using qor::TFirstConnectInfo;

Q_DECLARE_METATYPE(TFirstConnectInfo)

namespace {

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

} // namespace

class TestSettingsRecord : public QObject
{
    Q_OBJECT

private slots:
    void filePath();
    void roundTrip_data();
    void roundTrip();
    void layout_data();
    void layout();
    void countByte_data();
    void countByte();
    void shortRecord();
    void encodeErrors_data();
    void encodeErrors();
    void readErrors_data();
    void readErrors();

private:
    QTemporaryDir m_dir;
};

void TestSettingsRecord::filePath()
{
    QCOMPARE(qor::settingsFilePath(QStringLiteral("/opt/qor")), QStringLiteral("/opt/qor/Data/QOR"));
}

void TestSettingsRecord::roundTrip_data()
{
    QTest::addColumn<TFirstConnectInfo>("info");

    QTest::newRow("cyrillic") << TFirstConnectInfo{QStringLiteral("Шлюз"), QStringLiteral("пароль Ёё"), QStringLiteral("ВУЗ"), QStringLiteral("(embedded)")};
    QTest::newRow("latin") << TFirstConnectInfo{QStringLiteral("gate"), QStringLiteral("S3cret!"), QStringLiteral("QOR"), QStringLiteral("db.example,1433")};
    QTest::newRow("empty") << TFirstConnectInfo{};
    QTest::newRow("full fields") << TFirstConnectInfo{QStringLiteral("u").repeated(20), QStringLiteral("я").repeated(20), QStringLiteral("0123456789").repeated(2), QStringLiteral("srv\\INSTANCE_NAME_20")};
}

void TestSettingsRecord::roundTrip()
{
    QFETCH(TFirstConnectInfo, info);

    const QByteArray record = qor::encodeSettingsRecord(info);
    QCOMPARE(record.size(), qor::settingsRecordSize);
    QCOMPARE(qor::decodeSettingsRecord(record), info);

    const QString path = m_dir.filePath(QStringLiteral("QOR"));
    writeFile(path, record + QByteArray("ignored"));
    QCOMPARE(qor::readSettingsRecord(path), info);
}

void TestSettingsRecord::layout_data()
{
    QTest::addColumn<TFirstConnectInfo>("info");
    QTest::addColumn<int>("offset");
    QTest::addColumn<int>("countOffset");

    const QString text = QStringLiteral("Bя");
    QTest::newRow("user name") << TFirstConnectInfo{text, {}, {}, {}} << 0 << 40;
    QTest::newRow("password") << TFirstConnectInfo{{}, text, {}, {}} << 20 << 41;
    QTest::newRow("server name") << TFirstConnectInfo{{}, {}, {}, text} << 42 << 82;
    QTest::newRow("database name") << TFirstConnectInfo{{}, {}, text, {}} << 62 << 83;
}

void TestSettingsRecord::layout()
{
    QFETCH(TFirstConnectInfo, info);
    QFETCH(int, offset);
    QFETCH(int, countOffset);

    QByteArray expected(qor::settingsRecordSize, '\0');
    expected[offset] = 'A';
    expected[offset + 1] = char(0xFE);
    expected[countOffset] = 2;
    QCOMPARE(qor::encodeSettingsRecord(info).toHex(), expected.toHex());
}

void TestSettingsRecord::countByte_data()
{
    QTest::addColumn<QString>("written");
    QTest::addColumn<int>("count");
    QTest::addColumn<QString>("read");

    const QString full = QStringLiteral("abcdefghijklmnopqrst");
    QTest::newRow("0") << full << 0 << QString();
    QTest::newRow("3") << full << 3 << QStringLiteral("abc");
    QTest::newRow("25 keeps the whole field") << full << 25 << full;
    QTest::newRow("255 keeps the whole field") << full << 255 << full;
    // Unused bytes are stored zeros, that is characters 0x01.
    QTest::newRow("past the text") << QStringLiteral("ab") << 5 << QStringLiteral("ab\u0001\u0001\u0001");
}

void TestSettingsRecord::countByte()
{
    QFETCH(QString, written);
    QFETCH(int, count);
    QFETCH(QString, read);

    QByteArray record = qor::encodeSettingsRecord({written, {}, {}, {}});
    record[40] = char(count);
    QCOMPARE(qor::decodeSettingsRecord(record).userName, read);
}

void TestSettingsRecord::shortRecord()
{
    QVERIFY_THROWS_EXCEPTION(qor::Error, qor::decodeSettingsRecord(QByteArray(qor::settingsRecordSize - 1, '\0')));
}

void TestSettingsRecord::encodeErrors_data()
{
    QTest::addColumn<TFirstConnectInfo>("info");
    QTest::addColumn<QString>("error");

    const QString tooLong = QStringLiteral("x").repeated(21);
    const QString foreign = QStringLiteral("名");
    QTest::newRow("long user name") << TFirstConnectInfo{tooLong, {}, {}, {}} << QStringLiteral("The user name is longer than 20 characters");
    QTest::newRow("long password") << TFirstConnectInfo{{}, tooLong, {}, {}} << QStringLiteral("The password is longer than 20 characters");
    QTest::newRow("long database name") << TFirstConnectInfo{{}, {}, tooLong, {}} << QStringLiteral("The database name is longer than 20 characters");
    QTest::newRow("long server name") << TFirstConnectInfo{{}, {}, {}, tooLong} << QStringLiteral("The server name is longer than 20 characters");
    QTest::newRow("foreign password") << TFirstConnectInfo{{}, foreign, {}, {}} << QStringLiteral("The password holds a character that Windows-1251 cannot hold");
    QTest::newRow("foreign server name") << TFirstConnectInfo{{}, {}, {}, foreign} << QStringLiteral("The server name holds a character that Windows-1251 cannot hold");
}

void TestSettingsRecord::encodeErrors()
{
    QFETCH(TFirstConnectInfo, info);
    QFETCH(QString, error);

    try {
        qor::encodeSettingsRecord(info);
        QFAIL("no error");
    } catch (const qor::Error &e) {
        QCOMPARE(e.text(), error);
    }
}

void TestSettingsRecord::readErrors_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("error");

    const QString missing = m_dir.filePath(QStringLiteral("missing"));
    const QString shortFile = m_dir.filePath(QStringLiteral("short"));
    writeFile(shortFile, QByteArray(qor::settingsRecordSize - 1, '\0'));
    const QString locked = m_dir.filePath(QStringLiteral("locked"));
    writeFile(locked, QByteArray(qor::settingsRecordSize, '\0'));
    QVERIFY(QFile::setPermissions(locked, {}));
    const QString loop = m_dir.filePath(QStringLiteral("loop"));
    QVERIFY(QFile::link(loop, loop));

    QTest::newRow("file missing") << missing << QStringLiteral("File not found");
    QTest::newRow("folder missing") << missing + QStringLiteral("/QOR") << QStringLiteral("Invalid filename");
    QTest::newRow("folder") << m_dir.path() << QStringLiteral("File access denied");
    QTest::newRow("no permission") << locked << QStringLiteral("File access denied");
    QTest::newRow("short file") << shortFile << QStringLiteral("Read beyond end of file");
    QTest::newRow("symbolic link loop") << loop << QStringLiteral("I/O error %1").arg(ELOOP);
}

void TestSettingsRecord::readErrors()
{
    QFETCH(QString, path);
    QFETCH(QString, error);

    if (QTest::currentDataTag() == QByteArrayView("no permission") && ::geteuid() == 0)
        QSKIP("root reads any file");
    try {
        qor::readSettingsRecord(path);
        QFAIL("no error");
    } catch (const qor::Error &e) {
        QCOMPARE(e.text(), error);
    }
}

QTEST_GUILESS_MAIN(TestSettingsRecord)
#include "tst_settingsrecord.moc"
