// The sign-in exchange apart from its window: the GET_USER call text, the
// reading of its reply, the title and the gate error text.
#include "DemoFixture.h"

#include "data/Connection.h"
#include "data/ConnectionString.h"
#include "data/DataFolder.h"
#include "engine/Error.h"
#include "data/Query.h"
#include "embedded/SqliteEngine.h"
#include "signin/SigninExchange.h"
#include "tools/AdminCommands.h"

#include <QDateTime>
#include <QTemporaryDir>
#include <QtTest>

using qor::GetUserReply;

Q_DECLARE_METATYPE(GetUserReply::Kind)

namespace {

const QString Digest = QStringLiteral("0123456789ABCDEF0123456789ABCDEF");

} // namespace

class TestSigninExchange : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void statement_data();
    void statement();
    void title_data();
    void title();
    void withoutGateLogin_data();
    void withoutGateLogin();
    void reply_data();
    void reply();

private:
    QTemporaryDir m_dir;
    qor::Connection m_worker; // a working login, to shape replies with SELECT
};

void TestSigninExchange::initTestCase()
{
    QVERIFY(m_dir.isValid());
    placeDemo(m_dir.path());
    qor::setDataFolder(m_dir.filePath(QStringLiteral("Data")));
    const auto owner = qor::SqliteEngine::openAsOwner(qor::embeddedDatabaseFile(QStringLiteral("QOR")));
    const qor::RowSet login = owner->select(QStringLiteral("SELECT password FROM qor_login WHERE name = 'demo'"));
    QCOMPARE(login.rowCount(), 1);
    m_worker.setConnectionString(qor::composeConnectionString(
        {QStringLiteral("demo"), login.text(0, 0), QStringLiteral("QOR"), QString::fromLatin1(qor::EmbeddedDataSource)}));
}

void TestSigninExchange::statement_data()
{
    QTest::addColumn<QString>("login");
    QTest::addColumn<QString>("newPassword");
    QTest::addColumn<QString>("computer");
    QTest::addColumn<QString>("expected");

    QTest::newRow("plain login, no new password")
        << "ivanov" << qor::NoNewPassword << "PC01"
        << "EXEC GET_USER 'ivanov','" + Digest + "',NULL, 'QOR 12', '10.0.0.5', 'PC01', 'ivanov','0','4'";
    QTest::newRow("new password")
        << "ivanov" << "secret1" << "PC01"
        << "EXEC GET_USER 'ivanov','" + Digest + "','" + Digest + "', 'QOR 12', '10.0.0.5', 'PC01', 'ivanov','0','34'";
    QTest::newRow("quote in login")
        << "o'brien" << qor::NoNewPassword << "PC01"
        << "EXEC GET_USER 'o''brien','" + Digest + "',NULL, 'QOR 12', '10.0.0.5', 'PC01', 'o''brien','0','4'";
    QTest::newRow("login that would close the literal")
        << "x','y'--" << qor::NoNewPassword << "PC01"
        << "EXEC GET_USER 'x'',''y''--','" + Digest + "',NULL, 'QOR 12', '10.0.0.5', 'PC01', 'x'',''y''--','0','4'";
    QTest::newRow("quote in computer name")
        << "петров" << qor::NoNewPassword << "Bob's PC"
        << "EXEC GET_USER 'петров','" + Digest + "',NULL, 'QOR 12', '10.0.0.5', 'Bob''s PC', 'петров','0','4'";
}

void TestSigninExchange::statement()
{
    QFETCH(QString, login);
    QFETCH(QString, newPassword);
    QFETCH(QString, computer);
    QFETCH(QString, expected);

    const QString argument = qor::newPasswordArgument(newPassword, Digest);
    QCOMPARE(qor::getUserStatement(login, Digest, argument, QStringLiteral("10.0.0.5"), computer), expected);
}

void TestSigninExchange::title_data()
{
    QTest::addColumn<QString>("stamp");
    QTest::addColumn<QString>("expected");

    QTest::newRow("stamp") << "09.09.2014 15:48:16" << "QOR Слушатель V0 [ 09.09.2014 15:48:16 ] - Слушатели курсов";
    QTest::newRow("no stamp") << "" << "QOR Слушатель V0 [  ] - Слушатели курсов";
}

void TestSigninExchange::title()
{
    QFETCH(QString, stamp);
    QFETCH(QString, expected);
    QCOMPARE(qor::composeTitle(QStringLiteral("QOR Слушатель"), stamp), expected);
    // An executable that cannot be read still gets a title.
    QCOMPARE(qor::titleStampText(m_dir.filePath(QStringLiteral("no such program"))), QString());
}

void TestSigninExchange::withoutGateLogin_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("gate");
    QTest::addColumn<QString>("expected");

    QTest::newRow("once") << "Login failed for user 'qor_gate'." << "qor_gate" << "Login failed for user ''.";
    QTest::newRow("twice") << "Login failed for user 'user'." << "user" << "Login failed for  ''.";
    QTest::newRow("case differs") << "Login failed for user 'USER'." << "user" << "Login failed for  'USER'.";
    QTest::newRow("empty gate login") << "Login failed for user ''." << "" << "Login failed for user ''.";
}

void TestSigninExchange::withoutGateLogin()
{
    QFETCH(QString, text);
    QFETCH(QString, gate);
    QFETCH(QString, expected);
    QCOMPARE(qor::withoutGateLogin(text, gate), expected);
}

void TestSigninExchange::reply_data()
{
    QTest::addColumn<QString>("select");
    QTest::addColumn<int>("attempt");
    QTest::addColumn<GetUserReply::Kind>("kind");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("userName");
    QTest::addColumn<QString>("error");

    using K = GetUserReply;
    // "catrdq" is the stored form of "dbuser", "o`rr" of "pass".
    QTest::newRow("working") << "SELECT 'catrdq', 'o`rr', 7, 999, '', 0" << 1 << K::WorkingLogin << "" << "dbuser" << "";
    QTest::newRow("no rows") << "SELECT 'catrdq', 'o`rr', 7, 5, '', 1 WHERE 0" << 1 << K::WorkingLogin << "" << "" << "";
    QTest::newRow("all null") << "SELECT NULL, NULL, NULL, NULL, NULL, NULL" << 1 << K::WorkingLogin << "" << "" << "";
    QTest::newRow("message") << "SELECT NULL, NULL, NULL, 0, 'Заблокирован', 0" << 1 << K::ServerMessage << "Заблокирован" << "" << "";
    QTest::newRow("outdated wins over message") << "SELECT NULL, NULL, NULL, 0, 'Заблокирован', 1" << 1 << K::Outdated << "Заблокирован" << "" << "";
    QTest::newRow("forced") << "SELECT NULL, NULL, 7, -1, '', 0" << 2 << K::ForcedChange << "" << "" << "";
    QTest::newRow("standing 19, first attempt") << "SELECT 'catrdq', 'o`rr', 7, 19, '', 0" << 1 << K::SuggestedChange << "" << "" << "";
    QTest::newRow("standing 20, first attempt") << "SELECT 'catrdq', 'o`rr', 7, 20, '', 0" << 1 << K::WorkingLogin << "" << "dbuser" << "";
    QTest::newRow("standing 19, second attempt") << "SELECT 'catrdq', 'o`rr', 7, 19, '', 0" << 2 << K::WorkingLogin << "" << "dbuser" << "";
    QTest::newRow("standing 0, no login") << "SELECT '', '', 7, 0, '', 0" << 1 << K::WorkingLogin << "" << "" << "";
    QTest::newRow("digits as text") << "SELECT 'catrdq', 'o`rr', '7', '-1', '', '0'" << 1 << K::ForcedChange << "" << "" << "";
    QTest::newRow("text in flag") << "SELECT NULL, NULL, 7, 0, '', 'abc'" << 1 << K::Outdated << "" << "" << "'abc' is not a valid integer value";
    QTest::newRow("text in standing") << "SELECT NULL, NULL, 7, 'x', '', 0" << 1 << K::Outdated << "" << "" << "'x' is not a valid integer value";
    QTest::newRow("text in standing, never read") << "SELECT NULL, NULL, 7, 'x', 'Сообщение', 0" << 1 << K::ServerMessage << "Сообщение" << "" << "";
    QTest::newRow("text in id") << "SELECT 'catrdq', 'o`rr', 'x', 999, '', 0" << 1 << K::Outdated << "" << "" << "'x' is not a valid integer value";
    QTest::newRow("five columns") << "SELECT NULL, NULL, NULL, 0, ''" << 1 << K::Outdated << "" << "" << "List index out of bounds (5)";
    QTest::newRow("four columns") << "SELECT NULL, NULL, NULL, 0" << 1 << K::Outdated << "" << "" << "List index out of bounds (4)";
}

void TestSigninExchange::reply()
{
    QFETCH(QString, select);
    QFETCH(int, attempt);
    QFETCH(GetUserReply::Kind, kind);
    QFETCH(QString, message);
    QFETCH(QString, userName);
    QFETCH(QString, error);

    qor::Query query(&m_worker);
    query.setSql(select);
    query.open();
    try {
        const GetUserReply reply = qor::readGetUserReply(query, quint8(attempt));
        QVERIFY2(error.isEmpty(), qPrintable(QStringLiteral("expected the error ") + error));
        QCOMPARE(reply.kind, kind);
        QCOMPARE(reply.message, message);
        QCOMPARE(reply.userName, userName);
        if (kind == GetUserReply::WorkingLogin && !userName.isEmpty())
            QCOMPARE(reply.password, QStringLiteral("pass"));
    } catch (const qor::Error &e) {
        QCOMPARE(e.text(), error);
    }
}

QTEST_GUILESS_MAIN(TestSigninExchange)

#include "tst_signinexchange.moc"
