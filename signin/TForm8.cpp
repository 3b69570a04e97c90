#include "signin/TForm8.h"

#include "app/Application.h"
#include "controls/MessageBoxes.h"
#include "controls/WindowPlacement.h"
#include "controls/UserAction.h"
#include "data/Connection.h"
#include "data/ConnectionString.h"
#include "data/DataFolder.h"
#include "data/Error.h"
#include "data/Statements.h"
#include "data/Query.h"
#include "data/TDM.h"
#include "screens/TForm1.h"
#include "signin/PasswordDigest.h"
#include "signin/SettingsRecord.h"
#include "signin/SigninExchange.h"
#include "signin/TextCodec.h"
#include "ui_TForm8.h"

#include <QCoreApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QToolButton>

#include <optional>

// The pictures live in the window library; a static library registers its
// resources only when asked.
static void initSigninResources()
{
    Q_INIT_RESOURCE(resources);
}

namespace qor {

TForm8 *Form8 = nullptr;

namespace {

constexpr int WindowWidth = 497;
constexpr int FirstHeight = 279;
constexpr int PanelOpenHeight = 416;
constexpr int PanelClosedHeight = 275;
constexpr int MinimumPasswordLength = 6;
constexpr int OutdatedNoticeMilliseconds = 5000;

const QString MustChangePassword = QStringLiteral("Вы должны поменять пароль") + u'\r'
                                 + QStringLiteral("Это делается для безопастности и сохранения данных от злоумышлеников");
const QString WrongLoginOrPassword = QStringLiteral("Неверно ввели логин или пароль.");

QFont pixelFont(const QString &family, int pixels, bool bold)
{
    QFont font(family);
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

QString errorText(const std::exception &e)
{
    if (const auto *error = dynamic_cast<const Error *>(&e))
        return error->text();
    return QString::fromUtf8(e.what());
}

// The first character Windows-1251 cannot hold; empty when there is none.
QString firstUnencodable(const QString &text)
{
    for (const char32_t codePoint : text.toUcs4()) {
        const QString character = QString::fromUcs4(&codePoint, 1);
        bool ok = false;
        toWindows1251(character, &ok);
        if (!ok)
            return character;
    }
    return {};
}

QString connectionStringOf(const TFirstConnectInfo &info)
{
    return composeConnectionString({info.userName, info.password, info.databaseName, info.serverName});
}

} // namespace

TForm8::TForm8(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint), ui(std::make_unique<Ui::TForm8>())
{
    initSigninResources();
    ui->setupUi(this);

    setFont(pixelFont(QStringLiteral("MS Sans Serif"), 11, false));
    ui->RzLabel1->setFont(pixelFont(QStringLiteral("Arial"), 13, true));
    QPalette black = ui->RzLabel1->palette();
    black.setColor(QPalette::WindowText, Qt::black);
    ui->RzLabel1->setPalette(black);
    ui->Label1->setFont(pixelFont(QStringLiteral("MS Sans Serif"), 13, true));

    const auto picture = [](QLabel *label, const QString &resource) {
        label->setPixmap(QPixmap(resource).scaled(label->size(), Qt::KeepAspectRatio, Qt::SmoothTransformation));
    };
    picture(ui->Image1, QStringLiteral(":/signin_top.jpg"));
    picture(ui->Image2, QStringLiteral(":/signin_bottom.jpg"));

    setStyleSheet(QStringLiteral(
        "QLineEdit { background: white; color: black; border: none; lineedit-password-character: 42; }"
        "QToolButton { background: transparent; border: none; }"));

    setFixedSize(WindowWidth, FirstHeight);
    centreOnScreen(this);

    for (QLineEdit *edit : {ui->Login_Edit, ui->Password_Edit, ui->Edit1})
        edit->installEventFilter(this);
    ui->Login_Edit->setFocus();

    connect(ui->SpeedButton2, &QToolButton::clicked, this, [this] { runUserAction([this] { SpeedButton2Click(); }); });
    connect(ui->SpeedButton1, &QToolButton::clicked, this, [this] { runUserAction([this] { SpeedButton1Click(); }); });
    connect(ui->SpeedButton3, &QToolButton::clicked, this, [this] { runUserAction([this] { SpeedButton3Click(); }); });
}

TForm8::~TForm8() = default;

void TForm8::setStatusText(const QString &text)
{
    m_statusText = text;
    ui->RzLabel1->setText(withLineBreaks(text));
}

void TForm8::SpeedButton2Click()
{
    ++m_attempts;
    bool connected = false;
    if (!m_panelOpen) {
        connected = ConnectUser(DM->ADOCon, NoNewPassword);
    } else {
        const QString newPassword = ui->Edit1->text();
        if (newPassword != ui->Edit2->text()) {
            ui->Edit1->clear();
            ui->Edit2->clear();
            setStatusText(QStringLiteral("Новый пароль подтвержден не верно!!!") + u'\r'
                          + QStringLiteral("Подтвердите пароль заново."));
            return;
        }
        if (newPassword.size() < MinimumPasswordLength) {
            ui->Edit1->clear();
            ui->Edit2->clear();
            setStatusText(QStringLiteral("Пароль должен состоять не менее чем из 6 символов!!!") + u'\r'
                          + QStringLiteral("Введите новый пароль заново."));
            return;
        }
        connected = ConnectUser(DM->ADOCon, newPassword);
    }
    if (!connected)
        return;
    {
        Query dateFormat(DM->ADOCon);
        dateFormat.setSql(statements::dateFormatDmy());
        dateFormat.execSql();
    }
    done(mrOk);
}

void TForm8::SpeedButton1Click()
{
    Application::terminate();
    done(mrCancel);
}

void TForm8::SpeedButton3Click()
{
    // The height is set outright, whatever the contents ask for.
    m_panelOpen = !m_panelOpen;
    setFixedSize(WindowWidth, m_panelOpen ? PanelOpenHeight : PanelClosedHeight);
}

bool TForm8::ConnectUser(Connection *connection, const QString &newPassword)
{
    TFirstConnectInfo info = readSettingsRecord(dataFolder() + QStringLiteral("/QOR"));

    // A character the code page cannot hold would turn the login or a
    // password into another one. A password's character is never shown.
    const QString login = ui->Login_Edit->text();
    if (const QString character = firstUnencodable(login); !character.isEmpty()) {
        setStatusText(QStringLiteral("В логине есть знак «%1», которого нет в кодировке Windows-1251.").arg(character)
                      + u'\r' + QStringLiteral("Введите логин заново."));
        return false;
    }
    const std::optional<QString> digest = passwordDigest(ui->Password_Edit->text());
    if (!digest) {
        setStatusText(QStringLiteral("В пароле есть знак, которого нет в кодировке Windows-1251.") + u'\r'
                      + QStringLiteral("Введите пароль заново."));
        return false;
    }
    QString newDigest;
    if (newPassword != NoNewPassword) {
        const std::optional<QString> digestOfNew = passwordDigest(newPassword);
        if (!digestOfNew) {
            ui->Edit1->clear();
            ui->Edit2->clear();
            setStatusText(QStringLiteral("В новом пароле есть знак, которого нет в кодировке Windows-1251.") + u'\r'
                          + QStringLiteral("Введите новый пароль заново."));
            return false;
        }
        newDigest = *digestOfNew;
    }

    // The gate: its failure is reported, and the call below fails on its own.
    connection->close();
    connection->setConnectionString(connectionStringOf(info));
    try {
        connection->open();
    } catch (const std::exception &e) {
        const QString text = errorText(e);
        showMessage(text);
        setStatusText(withoutGateLogin(text, info.userName));
    }

    const QString title = composeTitle(TForm1::designCaption(), titleStampText(QCoreApplication::applicationFilePath()));
    if (Form1) {
        Form1->setWindowTitle(title);
        Application::setTitle(Form1->windowTitle());
    } else {
        Application::setTitle(title);
    }

    auto query = std::make_unique<Query>(connection);
    const QString newArgument = newPasswordArgument(newPassword, newDigest);
    const QString computer = SigninHooks::computerName();
    const QString address = SigninHooks::localAddress();
    const QString statement = getUserStatement(login, *digest, newArgument, address, computer);

    GetUserReply reply;
    try {
        query->setSql(statement);
        query->open();
        reply = readGetUserReply(*query, m_attempts);
        switch (reply.kind) {
        case GetUserReply::Outdated:
            showOutdatedClient();
            return false; // only when the exit is replaced
        case GetUserReply::ServerMessage:
            setStatusText(reply.message);
            query.reset();
            return false;
        case GetUserReply::ForcedChange:
        case GetUserReply::SuggestedChange:
            connection->close();
            setStatusText(MustChangePassword);
            SpeedButton3Click();
            if (reply.kind == GetUserReply::ForcedChange)
                ui->SpeedButton3->setEnabled(false);
            query.reset();
            return false;
        case GetUserReply::WorkingLogin:
            break;
        }
        info.userName = reply.userName;
        info.password = reply.password;
        query.reset();
        connection->close();
        connection->setConnectionString(connectionStringOf(info));
    } catch (const std::exception &e) {
        showMessage(errorText(e));
        setStatusText(WrongLoginOrPassword);
        query.reset();
        connection->close();
        return false;
    }

    try {
        connection->open();
    } catch (const std::exception &) {
        setStatusText(reply.message);
        connection->close();
        return false;
    }
    Application::setShowMainForm(true);
    DM->ADOCon->open();
    return true;
}

void TForm8::showOutdatedClient()
{
    QLabel *label = ui->Label1;
    QPalette blue = label->palette();
    blue.setColor(QPalette::WindowText, QColor(0, 0, 255));
    label->setPalette(blue);
    QFont font = label->font();
    font.setPointSize(10);
    label->setFont(font);
    label->move(14, label->y());
    label->setText(QStringLiteral("Пожалуйста, скачайте новую версию с портала QOR !"));
    label->adjustSize();
    QCoreApplication::processEvents();
    SigninHooks::wait(OutdatedNoticeMilliseconds);
    SigninHooks::exitProcess(0);
}

bool TForm8::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::FocusIn && (watched == ui->Login_Edit || watched == ui->Edit1)) {
        // These two keep their caret on entry: the line edit selects all only
        // when focus comes by the keyboard.
        const auto reason = static_cast<QFocusEvent *>(event)->reason();
        if (reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason || reason == Qt::ShortcutFocusReason) {
            QFocusEvent plain(QEvent::FocusIn, Qt::OtherFocusReason);
            QCoreApplication::sendEvent(watched, &plain);
            return true;
        }
    }
    if (event->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        if (watched == ui->Login_Edit)
            return Login_EditKeyDown(key);
        if (watched == ui->Password_Edit)
            return Password_EditKeyDown(key);
    }
    return QDialog::eventFilter(watched, event);
}

bool TForm8::Login_EditKeyDown(QKeyEvent *event)
{
    return enterSignsIn(event);
}

bool TForm8::Password_EditKeyDown(QKeyEvent *event)
{
    return enterSignsIn(event);
}

bool TForm8::enterSignsIn(QKeyEvent *event)
{
    // Enter signs in whatever modifiers are held, and the edit never sees it.
    if (event->key() != Qt::Key_Return && event->key() != Qt::Key_Enter)
        return false;
    runUserAction([this] { SpeedButton2Click(); });
    return true;
}

void TForm8::keyPressEvent(QKeyEvent *event)
{
    // The window has no cancel button: Escape does not close it.
    if (event->key() == Qt::Key_Escape)
        return;
    QDialog::keyPressEvent(event);
}

void TForm8::reject()
{
    done(mrCancel);
}

} // namespace qor
