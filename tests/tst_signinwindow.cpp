// The sign-in window against the embedded demo database: what each GET_USER
// reply shows, the settings file and gate faults, the new-password panel,
// the Enter key, and the start-up gate in front of the main window.
#include "DemoFixture.h"

#include "app/Application.h"
#include "app/StartUp.h"
#include "controls/MessageBoxes.h"
#include "data/ConnectionString.h"
#include "data/DataFolder.h"
#include "embedded/EmbeddedGetUser.h"
#include "engine/Error.h"
#include "embedded/SqliteEngine.h"
#include "data/TDM.h"
#include "screens/TForm1.h"
#include "signin/SettingsRecord.h"
#include "signin/SigninExchange.h"
#include "signin/TForm8.h"
#include "tools/AdminCommands.h"

#include <QFontInfo>
#include <QLabel>
#include <QPainter>
#include <QLineEdit>
#include <QSignalSpy>
#include <QStyle>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <QtTest>

#include <memory>

using qor::BoxKind;
using qor::BoxRequest;
using qor::TForm8;

namespace {

const QString MustChange = QStringLiteral("Вы должны поменять пароль\rЭто делается для безопастности и сохранения данных от злоумышлеников");
const QString WrongLoginOrPassword = QStringLiteral("Неверно ввели логин или пароль.");
const QString Mismatch = QStringLiteral("Новый пароль подтвержден не верно!!!\rПодтвердите пароль заново.");
const QString TooShort = QStringLiteral("Пароль должен состоять не менее чем из 6 символов!!!\rВведите новый пароль заново.");
const QString Outdated = QStringLiteral("Пожалуйста, скачайте новую версию с портала QOR !");

// What the database is made to hold before a sign-in.
enum Setup { None, Disabled, WorkingLoginGone, MinimumClient13, MinimumClient12, QuoteUser, CyrillicUser };

// Every box, with what the status label said when it came up.
struct BoxLog
{
    struct Entry
    {
        BoxKind kind;
        QString text;
        QString statusThen;
    };
    QList<Entry> boxes;
    const TForm8 *form = nullptr;

    BoxLog()
    {
        qor::boxInterceptor() = [this](const BoxRequest &request) {
            boxes.append({request.kind, request.text, form ? form->statusText() : QString()});
            return QMessageBox::Ok;
        };
    }
    ~BoxLog() { qor::boxInterceptor() = nullptr; }
    QStringList texts(BoxKind kind) const
    {
        QStringList result;
        for (const Entry &entry : boxes) {
            if (entry.kind == kind)
                result << entry.text;
        }
        return result;
    }
};

// The sign-in window, shown, with its controls.
struct SigninWindow
{
    TForm8 form{qor::DM->ADOCon};
    QLineEdit *login = form.findChild<QLineEdit *>(QStringLiteral("Login_Edit"));
    QLineEdit *password = form.findChild<QLineEdit *>(QStringLiteral("Password_Edit"));
    QLineEdit *edit1 = form.findChild<QLineEdit *>(QStringLiteral("Edit1"));
    QLineEdit *edit2 = form.findChild<QLineEdit *>(QStringLiteral("Edit2"));
    QToolButton *signIn = form.findChild<QToolButton *>(QStringLiteral("SpeedButton2"));
    QToolButton *exit = form.findChild<QToolButton *>(QStringLiteral("SpeedButton1"));
    QToolButton *more = form.findChild<QToolButton *>(QStringLiteral("SpeedButton3"));
    QLabel *status = form.findChild<QLabel *>(QStringLiteral("RzLabel1"));
    QLabel *version = form.findChild<QLabel *>(QStringLiteral("Label1"));

    SigninWindow()
    {
        // As the main window's creation wires it.
        QObject::connect(&form, &TForm8::titleStampRead, qor::Form1, &qor::TForm1::showTitle);
        form.show();
    }

    void press(const QString &user, const QString &pass)
    {
        login->setText(user);
        password->setText(pass);
        QTest::mouseClick(signIn, Qt::LeftButton);
    }
    void setNewPassword(const QString &first, const QString &second)
    {
        edit1->setText(first);
        edit2->setText(second);
    }
    bool signedIn() const { return form.result() == TForm8::mrOk && !form.isVisible(); }
};

QString expectedTitle()
{
    return qor::composeTitle(qor::TForm1::designCaption(), qor::titleStampText(QCoreApplication::applicationFilePath()));
}

} // namespace

class TestSigninWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void replies_data();
    void replies();
    void settingsFaults_data();
    void settingsFaults();
    void gateFailure_data();
    void gateFailure();
    void quotesReachServerIntact();
    void panelHeights();
    void attemptCounterWraps();
    void enterKey_data();
    void enterKey();
    void newPasswordChecks_data();
    void newPasswordChecks();
    void changesPassword_data();
    void changesPassword();
    void titleAfterFailures();
    void focusAndMasking();
    void versionLabelDrawsBold();
    void startup_data();
    void startup();

private:
    QString databaseFile() const { return qor::embeddedDatabaseFile(QStringLiteral("QOR")); }
    QString settingsFile() const { return qor::dataFolder() + QStringLiteral("/QOR"); }
    qor::RowSet ownerSelect(const QString &sql) const { return qor::SqliteEngine::openAsOwner(databaseFile())->select(sql); }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<qor::TForm1> m_mainWindow;
    QList<int> m_waits;
    QList<int> m_exits;
};

void TestSigninWindow::initTestCase()
{
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    qor::DM = new qor::TDM(qApp);
    m_mainWindow = std::make_unique<qor::TForm1>();
    qor::Form1 = m_mainWindow.get();
    qor::SigninHooks::computerName = [] { return QStringLiteral("TESTPC"); };
    qor::SigninHooks::localAddress = [] { return QStringLiteral("10.0.0.5"); };
    qor::SigninHooks::wait = [this](int ms) { m_waits << ms; };
    qor::SigninHooks::exitProcess = [this](int code) { m_exits << code; };
}

void TestSigninWindow::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    placeDemo(m_dir->path());
    qor::setDataFolder(m_dir->filePath(QStringLiteral("Data")));
    qor::DM->ADOCon->close();
    qor::setApplicationTitle(QStringLiteral("QOR Слушатели"));
    m_mainWindow->setWindowTitle(qor::TForm1::designCaption());
    m_waits.clear();
    m_exits.clear();
}

void TestSigninWindow::cleanup()
{
    qor::DM->ADOCon->close();
    m_dir.reset();
}

void TestSigninWindow::replies_data()
{
    QTest::addColumn<int>("setup");
    QTest::addColumn<QString>("login");
    QTest::addColumn<QString>("password");
    QTest::addColumn<int>("presses");
    QTest::addColumn<QString>("status");
    QTest::addColumn<bool>("panel");
    QTest::addColumn<bool>("moreEnabled");
    QTest::addColumn<int>("height");
    QTest::addColumn<bool>("signedIn");
    QTest::addColumn<bool>("titled");

    const QString lockedFor = qor::getuser::LockedFor.arg(qor::getuser::LockMinutes);
    QTest::newRow("demo signs in") << int(None) << "demo" << "demo123" << 1 << "" << false << true << 279 << true << true;
    QTest::newRow("wrong password") << int(None) << "demo" << "wrong" << 1 << qor::getuser::WrongCredentials << false << true << 279 << false << true;
    QTest::newRow("unknown login") << int(None) << "nobody" << "x" << 1 << qor::getuser::WrongCredentials << false << true << 279 << false << true;
    QTest::newRow("sixth failure is locked out") << int(None) << "demo" << "wrong" << 6 << lockedFor << false << true << 279 << false << true;
    QTest::newRow("disabled user") << int(Disabled) << "demo" << "demo123" << 1 << qor::getuser::Disabled << false << true << 279 << false << true;
    QTest::newRow("novice must change") << int(None) << "novice" << "novice1" << 1 << MustChange << true << false << 416 << false << true;
    QTest::newRow("expiring is offered a change") << int(None) << "expiring" << "expire1" << 1 << MustChange << true << true << 416 << false << true;
    QTest::newRow("working login fails") << int(WorkingLoginGone) << "demo" << "demo123" << 1 << "" << false << true << 279 << false << true;
    QTest::newRow("outdated client") << int(MinimumClient13) << "demo" << "demo123" << 1 << "" << false << true << 279 << false << true;
    QTest::newRow("client at the minimum") << int(MinimumClient12) << "demo" << "demo123" << 1 << "" << false << true << 279 << true << true;
    QTest::newRow("quote in login") << int(QuoteUser) << "o'brien" << "secret1" << 1 << "" << false << true << 279 << true << true;
    QTest::newRow("cyrillic password") << int(CyrillicUser) << "петров" << "пароль Ёё" << 1 << "" << false << true << 279 << true << true;
    // The password's character is never shown; the login's may be.
    QTest::newRow("password not in Windows-1251")
        << int(None) << "demo" << "demo123☺" << 1
        << "В пароле есть знак, которого нет в кодировке Windows-1251.\rВведите пароль заново."
        << false << true << 279 << false << false;
    QTest::newRow("login not in Windows-1251")
        << int(None) << "demo☺" << "demo123" << 1
        << "В логине есть знак «☺», которого нет в кодировке Windows-1251.\rВведите логин заново."
        << false << true << 279 << false << false;

}

void TestSigninWindow::replies()
{
    QFETCH(int, setup);
    QFETCH(QString, login);
    QFETCH(QString, password);
    QFETCH(int, presses);
    QFETCH(QString, status);
    QFETCH(bool, panel);
    QFETCH(bool, moreEnabled);
    QFETCH(int, height);
    QFETCH(bool, signedIn);
    QFETCH(bool, titled);

    const QString db = databaseFile();
    switch (setup) {
    case Disabled: qor::admin::setLocked(db, QStringLiteral("demo"), true); break;
    case WorkingLoginGone: {
        const auto owner = qor::SqliteEngine::openAsOwner(db);
        owner->execute(QStringLiteral("PRAGMA foreign_keys = OFF"));
        owner->execute(QStringLiteral("UPDATE qor_user SET db_login = 'ghost' WHERE login = 'demo'"));
        break;
    }
    case MinimumClient13: qor::admin::setMinimumClient(db, 13); break;
    case MinimumClient12: qor::admin::setMinimumClient(db, 12); break;
    case QuoteUser: qor::admin::addUser(db, {QStringLiteral("o'brien"), QStringLiteral("secret1"), false, std::nullopt}); break;
    case CyrillicUser: qor::admin::addUser(db, {QStringLiteral("петров"), QStringLiteral("пароль Ёё"), false, std::nullopt}); break;
    default: break;
    }
    const qsizetype signinsBefore = ownerSelect(QStringLiteral("SELECT * FROM qor_signin_log")).rowCount();

    BoxLog boxes;
    SigninWindow window;
    boxes.form = &window.form;
    for (int i = 0; i < presses && window.form.isVisible(); ++i)
        window.press(login, password);

    QCOMPARE(boxes.boxes.size(), 0);
    QCOMPARE(window.form.statusText(), status);
    QCOMPARE(window.form.panelOpen(), panel);
    QCOMPARE(window.more->isEnabled(), moreEnabled);
    QCOMPARE(window.form.height(), height);
    QCOMPARE(window.signedIn(), signedIn);
    QCOMPARE(window.form.attempts(), quint8(presses));
    const QString title = titled ? expectedTitle() : qor::TForm1::designCaption();
    QCOMPARE(qor::Form1->windowTitle(), title);
    if (titled)
        QCOMPARE(qor::applicationTitle(), title);
    if (signedIn) {
        // Reconnected as the user's own database login; closed again once idle.
        QCOMPARE(qor::parseConnectionString(qor::DM->ADOCon->connectionString()).userName, login);
        QVERIFY(!qor::DM->ADOCon->isConnected());
    }
    const bool outdated = setup == MinimumClient13;
    QCOMPARE(m_waits, outdated ? QList<int>{5000} : QList<int>{});
    QCOMPARE(m_exits, outdated ? QList<int>{0} : QList<int>{});
    if (outdated) {
        QCOMPARE(window.version->text(), Outdated);
        QCOMPARE(window.version->x(), 14);
        QCOMPARE(window.version->palette().color(QPalette::WindowText), QColor(0, 0, 255));
        QCOMPARE(window.version->font().pointSize(), 10);
    } else {
        QCOMPARE(window.version->text(), QStringLiteral("V.1"));
    }
    const qsizetype signins = ownerSelect(QStringLiteral("SELECT * FROM qor_signin_log")).rowCount() - signinsBefore;
    QCOMPARE(signins, titled ? presses : 0);
}

void TestSigninWindow::settingsFaults_data()
{
    QTest::addColumn<int>("fault");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("shown");

    QTest::newRow("no settings file") << 0 << "demo123" << "File not found.";
    // The settings file is read first, whatever the edits hold.
    QTest::newRow("no settings file, password not in Windows-1251") << 0 << "demo123☺" << "File not found.";
    QTest::newRow("no Data folder") << 1 << "demo123" << "Invalid filename.";
    QTest::newRow("short file") << 2 << "demo123" << "Read beyond end of file.";
    QTest::newRow("settings file is a folder") << 3 << "demo123" << "File access denied.";
    QTest::newRow("host name does not resolve") << 4 << "demo123" << "Temporary failure in name resolution.";
}

void TestSigninWindow::settingsFaults()
{
    QFETCH(int, fault);
    QFETCH(QString, password);
    QFETCH(QString, shown);

    const auto resolver = qor::SigninHooks::localAddress;
    switch (fault) {
    case 0: QVERIFY(QFile::remove(settingsFile())); break;
    case 1: QVERIFY(QDir(qor::dataFolder()).removeRecursively()); break;
    case 2: {
        QFile file(settingsFile());
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.resize(83));
        break;
    }
    case 3: QVERIFY(QFile::remove(settingsFile()) && QDir().mkdir(settingsFile())); break;
    default:
        qor::SigninHooks::localAddress = []() -> QString { throw qor::Error(QStringLiteral("Temporary failure in name resolution")); };
        break;
    }

    BoxLog boxes;
    SigninWindow window;
    window.press(QStringLiteral("demo"), password);
    qor::SigninHooks::localAddress = resolver;

    QCOMPARE(boxes.texts(BoxKind::ErrorDisplay), QStringList{shown});
    QCOMPARE(boxes.boxes.size(), 1);
    QCOMPARE(window.form.attempts(), quint8(1));
    QVERIFY(window.form.isVisible());
    QCOMPARE(window.form.statusText(), QString());
    QVERIFY(!window.signedIn());
}

void TestSigninWindow::gateFailure_data()
{
    QTest::addColumn<QString>("gateLogin");
    QTest::addColumn<QString>("error");
    QTest::addColumn<QString>("statusAtSecondBox");

    QTest::newRow("wrong gate password") << "qor_gate" << "Login failed for user 'qor_gate'." << "Login failed for user ''.";
    QTest::newRow("gate login twice in the text") << "user" << "Login failed for user 'user'." << "Login failed for  ''.";
}

void TestSigninWindow::gateFailure()
{
    QFETCH(QString, gateLogin);
    QFETCH(QString, error);
    QFETCH(QString, statusAtSecondBox);

    qor::admin::writeSettings(settingsFile(), {gateLogin, QStringLiteral("not the password"), QStringLiteral("QOR"),
                                               QString::fromLatin1(qor::EmbeddedDataSource)});
    BoxLog boxes;
    SigninWindow window;
    boxes.form = &window.form;
    window.press(QStringLiteral("demo"), QStringLiteral("demo123"));

    // Once when the gate opens, once when the call finds it closed.
    QCOMPARE(boxes.texts(BoxKind::Message), (QStringList{error, error}));
    QCOMPARE(boxes.boxes.size(), 2);
    QCOMPARE(boxes.boxes[1].statusThen, statusAtSecondBox);
    QCOMPARE(window.form.statusText(), WrongLoginOrPassword);
    QVERIFY(!qor::DM->ADOCon->isConnected());
    QVERIFY(window.form.isVisible());
}

void TestSigninWindow::quotesReachServerIntact()
{
    qor::admin::addUser(databaseFile(), {QStringLiteral("o'brien"), QStringLiteral("secret1"), false, std::nullopt});
    const auto computer = qor::SigninHooks::computerName;
    qor::SigninHooks::computerName = [] { return QStringLiteral("Bob's PC"); };
    SigninWindow window;
    window.press(QStringLiteral("o'brien"), QStringLiteral("secret1"));
    qor::SigninHooks::computerName = computer;

    QVERIFY(window.signedIn());
    const qor::RowSet log = ownerSelect(QStringLiteral(
        "SELECT login, computer, address, client, outcome FROM qor_signin_log ORDER BY rowid DESC LIMIT 1"));
    QCOMPARE(log.rowCount(), 1);
    QCOMPARE(log.text(0, 0), QStringLiteral("o'brien"));
    QCOMPARE(log.text(0, 1), QStringLiteral("Bob's PC"));
    QCOMPARE(log.text(0, 2), QStringLiteral("10.0.0.5"));
    QCOMPARE(log.text(0, 3), QStringLiteral("QOR 12"));
    QCOMPARE(log.text(0, 4), QStringLiteral("signed in"));
}

void TestSigninWindow::panelHeights()
{
    SigninWindow window;
    const auto editsShown = [&] {
        return window.form.rect().contains(window.edit1->geometry()) && window.form.rect().contains(window.edit2->geometry());
    };
    QCOMPARE(window.form.size(), QSize(497, 279));
    QVERIFY(!editsShown());
    const QList<int> heights{416, 275, 416, 275};
    for (int height : heights) {
        QTest::mouseClick(window.more, Qt::LeftButton);
        QCOMPARE(window.form.size(), QSize(497, height));
        QCOMPARE(window.form.panelOpen(), height == 416);
        QCOMPARE(editsShown(), height == 416);
    }
}

void TestSigninWindow::attemptCounterWraps()
{
    BoxLog boxes;
    SigninWindow window;
    QTest::mouseClick(window.more, Qt::LeftButton);
    // With the panel open and no new password, a press is refused before any
    // database work, so it only counts.
    for (int press = 1; press <= 256; ++press) {
        QTest::mouseClick(window.signIn, Qt::LeftButton);
        QCOMPARE(window.form.attempts(), quint8(press % 256));
        QCOMPARE(window.form.statusText(), TooShort);
    }
    QCOMPARE(window.form.attempts(), quint8(0));
    // The 257th press counts 1 again, so a change is offered again.
    QTest::mouseClick(window.more, Qt::LeftButton);
    window.press(QStringLiteral("expiring"), QStringLiteral("expire1"));
    QCOMPARE(window.form.attempts(), quint8(1));
    QCOMPARE(window.form.statusText(), MustChange);
    QVERIFY(window.form.panelOpen());
    QCOMPARE(boxes.boxes.size(), 0);
}

void TestSigninWindow::enterKey_data()
{
    QTest::addColumn<QString>("edit");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<bool>("signsIn");

    QTest::newRow("login, Return") << "Login_Edit" << int(Qt::Key_Return) << int(Qt::NoModifier) << true;
    QTest::newRow("login, keypad Enter") << "Login_Edit" << int(Qt::Key_Enter) << int(Qt::KeypadModifier) << true;
    QTest::newRow("login, Shift+Return") << "Login_Edit" << int(Qt::Key_Return) << int(Qt::ShiftModifier) << true;
    QTest::newRow("login, Ctrl+Alt+Return") << "Login_Edit" << int(Qt::Key_Return) << int(Qt::ControlModifier | Qt::AltModifier) << true;
    QTest::newRow("password, Return") << "Password_Edit" << int(Qt::Key_Return) << int(Qt::NoModifier) << true;
    QTest::newRow("password, Ctrl+Return") << "Password_Edit" << int(Qt::Key_Return) << int(Qt::ControlModifier) << true;
    QTest::newRow("new password, Return") << "Edit1" << int(Qt::Key_Return) << int(Qt::NoModifier) << false;
    QTest::newRow("confirmation, Return") << "Edit2" << int(Qt::Key_Return) << int(Qt::NoModifier) << false;
    QTest::newRow("login, Escape") << "Login_Edit" << int(Qt::Key_Escape) << int(Qt::NoModifier) << false;
}

void TestSigninWindow::enterKey()
{
    QFETCH(QString, edit);
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(bool, signsIn);

    BoxLog boxes;
    SigninWindow window;
    QVERIFY(QTest::qWaitForWindowActive(&window.form));
    window.login->setText(QStringLiteral("demo"));
    window.password->setText(QStringLiteral("demo123"));
    auto *target = window.form.findChild<QLineEdit *>(edit);
    QSignalSpy returnPressed(target, &QLineEdit::returnPressed);
    target->setFocus();
    QTest::keyClick(target, Qt::Key(key), Qt::KeyboardModifiers(modifiers));

    QCOMPARE(window.form.attempts(), quint8(signsIn ? 1 : 0));
    QCOMPARE(window.signedIn(), signsIn);
    QCOMPARE(window.form.isVisible(), !signsIn);
    if (key != Qt::Key_Escape)
        QCOMPARE(returnPressed.size(), signsIn ? 0 : 1); // the key never reaches an edit that signs in
    QCOMPARE(window.login->text(), QStringLiteral("demo"));
    QCOMPARE(boxes.boxes.size(), 0);
}

void TestSigninWindow::newPasswordChecks_data()
{
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("second");
    QTest::addColumn<QString>("status");
    QTest::addColumn<bool>("emptied");
    QTest::addColumn<bool>("signedIn");

    QTest::newRow("5 characters") << "abcde" << "abcde" << TooShort << true << false;
    QTest::newRow("differ in case") << "Abcdef" << "abcdef" << Mismatch << true << false;
    QTest::newRow("differ, too short as well") << "abc" << "abd" << Mismatch << true << false;
    QTest::newRow("6 characters") << "abcdef" << "abcdef" << "" << false << true;
    QTest::newRow("same as the old one") << "demo123" << "demo123" << qor::getuser::SameNewPassword << false << false;
    QTest::newRow("not in Windows-1251")
        << "abcdef☺" << "abcdef☺"
        << "В новом пароле есть знак, которого нет в кодировке Windows-1251.\rВведите новый пароль заново."
        << true << false;
}

void TestSigninWindow::newPasswordChecks()
{
    QFETCH(QString, first);
    QFETCH(QString, second);
    QFETCH(QString, status);
    QFETCH(bool, emptied);
    QFETCH(bool, signedIn);

    BoxLog boxes;
    SigninWindow window;
    QTest::mouseClick(window.more, Qt::LeftButton);
    window.setNewPassword(first, second);
    window.press(QStringLiteral("demo"), QStringLiteral("demo123"));

    QCOMPARE(window.form.statusText(), status);
    QCOMPARE(window.edit1->text().isEmpty() && window.edit2->text().isEmpty(), emptied);
    QCOMPARE(window.login->text(), QStringLiteral("demo"));
    QCOMPARE(window.password->text(), QStringLiteral("demo123"));
    QCOMPARE(window.form.attempts(), quint8(1));
    QCOMPARE(window.signedIn(), signedIn);
    QCOMPARE(boxes.boxes.size(), 0);

    // The password changed only when the sign-in went through.
    SigninWindow again;
    again.press(QStringLiteral("demo"), signedIn ? first : QStringLiteral("demo123"));
    QVERIFY(again.signedIn());
}

void TestSigninWindow::changesPassword_data()
{
    QTest::addColumn<QString>("login");
    QTest::addColumn<QString>("password");
    QTest::addColumn<int>("passwordDays"); // life of a new password; 0: as made
    QTest::addColumn<bool>("asked");       // the first press asks for the change
    QTest::addColumn<bool>("moreEnabled");

    QTest::newRow("novice must change") << "novice" << "novice1" << 0 << true << false;
    QTest::newRow("expiring is asked, new password lives 14 days") << "expiring" << "expire1" << 14 << true << true;
    // A new password that lives fewer days than a change is suggested below,
    // set at the first press: the call that stored it must not ask for
    // another one.
    QTest::newRow("demo changes unasked, new password lives 14 days") << "demo" << "demo123" << 14 << false << true;
}

void TestSigninWindow::changesPassword()
{
    QFETCH(QString, login);
    QFETCH(QString, password);
    QFETCH(int, passwordDays);
    QFETCH(bool, asked);
    QFETCH(bool, moreEnabled);

    if (passwordDays) {
        qor::SqliteEngine::openAsOwner(databaseFile())
            ->execute(QStringLiteral("UPDATE qor_user SET password_days = %1 WHERE login = '%2'").arg(passwordDays).arg(login));
    }
    BoxLog boxes;
    {
        SigninWindow window;
        if (asked) {
            window.press(login, password);
            QCOMPARE(window.form.statusText(), MustChange);
            QVERIFY(window.form.panelOpen());
            QCOMPARE(window.more->isEnabled(), moreEnabled);
            window.setNewPassword(QStringLiteral("Новый1"), QStringLiteral("Новый1"));
            QTest::mouseClick(window.signIn, Qt::LeftButton);
        } else {
            QTest::mouseClick(window.more, Qt::LeftButton);
            window.setNewPassword(QStringLiteral("Новый1"), QStringLiteral("Новый1"));
            window.press(login, password);
        }
        QCOMPARE(window.form.statusText(), asked ? MustChange : QString());
        QVERIFY(window.signedIn());
        QCOMPARE(window.form.attempts(), quint8(asked ? 2 : 1));
    }
    {
        SigninWindow window;
        window.press(login, password);
        QCOMPARE(window.form.statusText(), qor::getuser::WrongCredentials);
        window.press(login, QStringLiteral("Новый1"));
        QVERIFY(window.signedIn());
    }
    QCOMPARE(boxes.boxes.size(), 0);
}

void TestSigninWindow::titleAfterFailures()
{
    SigninWindow window;
    window.press(QStringLiteral("demo"), QStringLiteral("wrong"));
    window.press(QStringLiteral("demo"), QStringLiteral("wrong"));
    window.press(QStringLiteral("demo"), QStringLiteral("demo123"));
    QVERIFY(window.signedIn());
    const QString title = qor::Form1->windowTitle();
    QCOMPARE(title, expectedTitle());
    QCOMPARE(title.count(QStringLiteral("Слушатели курсов")), 1);
    QCOMPARE(qor::applicationTitle(), title);
    // This build's own date and time, in the Russian short date and long time.
    QVERIFY2(QRegularExpression(QStringLiteral("^QOR Слушатель V0 \\[ \\d\\d\\.\\d\\d\\.\\d{4}( \\d\\d:\\d\\d:\\d\\d)? \\] - Слушатели курсов$"))
                 .match(title).hasMatch(),
             qPrintable(title));
}

void TestSigninWindow::focusAndMasking()
{
    SigninWindow window;
    QVERIFY(QTest::qWaitForWindowActive(&window.form));
    QCOMPARE(QApplication::focusWidget(), window.login);
    for (QLineEdit *edit : {window.login, window.password, window.edit1, window.edit2})
        edit->setText(QStringLiteral("text"));
    // The tab order, and which edits select their text when Tab enters them.
    const QList<QPair<QLineEdit *, bool>> order{
        {window.password, true}, {window.edit1, false}, {window.edit2, true}, {window.login, false}};
    for (const auto &[edit, selects] : order) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), edit);
        QCOMPARE(edit->hasSelectedText(), selects);
    }
    QCOMPARE(window.login->echoMode(), QLineEdit::Normal);
    for (QLineEdit *edit : {window.password, window.edit1, window.edit2}) {
        QCOMPARE(edit->echoMode(), QLineEdit::Password);
        QCOMPARE(edit->style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter, nullptr, edit), int('*'));
    }
    // Escape does not close the window: it has no cancel button.
    QTest::keyClick(window.login, Qt::Key_Escape);
    QVERIFY(window.form.isVisible());
    QVERIFY(!window.form.findChild<QLabel *>(QStringLiteral("Image1"))->pixmap().isNull());
    QVERIFY(!window.form.findChild<QLabel *>(QStringLiteral("Image2"))->pixmap().isNull());
}

// "V.1" and the outdated-client notice are bold: the face must really draw
// bold at their sizes (a bitmap face such as the registered MS Sans Serif
// cannot be emboldened and looks the same either way).
void TestSigninWindow::versionLabelDrawsBold()
{
    qor::registerWindowsFonts(); // as the program does at start
    const auto ink = [](const QFont &font) {
        QImage image(120, 30, QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        painter.setFont(font);
        painter.setPen(Qt::black);
        painter.drawText(2, 22, QStringLiteral("V.1 QOR"));
        painter.end();
        qint64 sum = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x)
                sum += 255 - qGray(image.pixel(x, y));
        }
        return sum;
    };
    SigninWindow window;
    QFont font = window.version->font();
    for (const int pointSize : {0, 10}) { // as designed, then as the notice sets it
        if (pointSize)
            font.setPointSize(pointSize);
        QFont normal = font;
        normal.setBold(false);
        QVERIFY(font.bold());
        QVERIFY2(ink(font) > ink(normal) * 6 / 5, qPrintable(QFontInfo(font).family()));
    }
}

void TestSigninWindow::startup_data()
{
    QTest::addColumn<int>("action");
    QTest::addColumn<bool>("shown");

    QTest::addColumn<QString>("error");

    QTest::newRow("signs in") << 0 << true << "";
    QTest::newRow("exit hot spot") << 1 << false << "";
    QTest::newRow("window closed") << 2 << false << "";
    // Signed in, but the working login cannot read an order list: the error
    // is shown and the program goes on with the main window.
    QTest::newRow("lists cannot be loaded") << 3 << true << "no such table: prikaz_leave_slushatel.";
}

// Through the main window's creation, as the program starts.
void TestSigninWindow::startup()
{
    QFETCH(int, action);
    QFETCH(bool, shown);
    QFETCH(QString, error);

    if (action == 3) {
        qor::SqliteEngine::openAsOwner(databaseFile())->execute(
            QStringLiteral("ALTER TABLE prikaz_leave_slushatel RENAME TO prikaz_leave_gone"));
    }
    BoxLog boxes;
    qor::TForm8 *during = nullptr;
    QPointer<QWidget> watch;
    QTimer::singleShot(0, this, [&] {
        during = qor::Form8;
        watch = during;
        if (!during)
            return;
        switch (action) {
        case 0:
        case 3:
            during->findChild<QLineEdit *>(QStringLiteral("Login_Edit"))->setText(QStringLiteral("demo"));
            during->findChild<QLineEdit *>(QStringLiteral("Password_Edit"))->setText(QStringLiteral("demo123"));
            QTest::mouseClick(during->findChild<QToolButton *>(QStringLiteral("SpeedButton2")), Qt::LeftButton);
            break;
        case 1:
            QTest::mouseClick(during->findChild<QToolButton *>(QStringLiteral("SpeedButton1")), Qt::LeftButton);
            break;
        default:
            during->close();
            break;
        }
    });
    const bool mainWindowShown = qor::runMainWindowCreation(*qor::Form1);

    QVERIFY(during);
    QVERIFY(!qor::Form8);
    QVERIFY(!watch); // freed
    QCOMPARE(mainWindowShown, shown);
    if (shown) {
        QCOMPARE(qor::Form1->windowTitle(), expectedTitle());
        QCOMPARE(qor::applicationTitle(), expectedTitle());
    }
    QCOMPARE(boxes.texts(BoxKind::ErrorDisplay), error.isEmpty() ? QStringList() : QStringList{error});
    QCOMPARE(boxes.boxes.size(), error.isEmpty() ? 0 : 1);
}

QTEST_MAIN(TestSigninWindow)

#include "tst_signinwindow.moc"
