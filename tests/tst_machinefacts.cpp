#include "engine/Error.h"
#include "signin/MachineFacts.h"
#include "signin/SigninExchange.h"

#include <QtTest>

class TestMachineFacts : public QObject
{
    Q_OBJECT

private slots:
    void computerName();
    void localIPv4Address();
};

// The exchange sends the host's name as Qt reads it, within the 255
// characters of the original buffer.
void TestMachineFacts::computerName()
{
    const QString name = qor::SigninHooks::computerName();
    QVERIFY(!name.isEmpty());
    QVERIFY(name.size() <= 255);
    QCOMPARE(name, QSysInfo::machineHostName());
}

void TestMachineFacts::localIPv4Address()
{
    QString address;
    try {
        address = qor::localIPv4Address();
    } catch (const qor::Error &e) {
        QSKIP(qPrintable(QStringLiteral("this host's name does not resolve: ") + e.text()));
    }
    const QStringList parts = address.split(u'.');
    QCOMPARE(parts.size(), 4);
    for (const QString &part : parts) {
        bool ok = false;
        QVERIFY2(part.toInt(&ok) <= 255 && ok && part == QString::number(part.toInt()), qPrintable(address));
    }
}

QTEST_GUILESS_MAIN(TestMachineFacts)
#include "tst_machinefacts.moc"
