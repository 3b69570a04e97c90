#include "signin/TForm8.h"

#include "controls/MessageBoxes.h"
#include "controls/UserAction.h"
#include "controls/WindowPlacement.h"
#include "data/Connection.h"
#include "data/Query.h"
#include "data/Statements.h"
#include "signin/SigninExchange.h"
#include "ui_TForm8.h"

#include <QCoreApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QToolButton>

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

QFont pixelFont(const QString &family, int pixels, bool bold)
{
    QFont font(family);
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

} // namespace

TForm8::TForm8(Connection *connection, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint), ui(std::make_unique<Ui::TForm8>()), m_connection(connection)
{
    initSigninResources();
    ui->setupUi(this);

    setFont(pixelFont(QStringLiteral("MS Sans Serif"), 11, false));
    ui->RzLabel1->setFont(pixelFont(QStringLiteral("Arial"), 13, true));
    QPalette black = ui->RzLabel1->palette();
    black.setColor(QPalette::WindowText, Qt::black);
    ui->RzLabel1->setPalette(black);
    // MS Sans Serif, as the window was drawn, is a bitmap face that cannot
    // be emboldened; Liberation Sans Bold (fonts-liberation2, Arial's
    // metrics) draws "V.1" and the outdated-client notice bold.
    QFont version = pixelFont(QStringLiteral("Liberation Sans"), 13, true);
    version.setFamilies({QStringLiteral("Liberation Sans"), QStringLiteral("Arial")});
    ui->Label1->setFont(version);

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
        connected = ConnectUser(m_connection, NoNewPassword);
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
        connected = ConnectUser(m_connection, newPassword);
    }
    if (!connected)
        return;
    {
        Query dateFormat(m_connection);
        dateFormat.setSql(statements::dateFormatDmy());
        dateFormat.execSql();
    }
    done(mrOk);
}

void TForm8::SpeedButton1Click()
{
    // The program ends: the modal loop ends with Cancel, and the main
    // window's creation ends the program.
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
    SigninProgress progress;
    progress.gateFailed = [this](const QString &errorText, const QString &statusText) {
        showMessage(errorText);
        setStatusText(statusText);
    };
    progress.titleStampRead = [this](const QString &stampText) { emit titleStampRead(stampText); };
    const SigninRequest request{ui->Login_Edit->text(), ui->Password_Edit->text(), newPassword, m_attempts};
    return showOutcome(runSigninExchange(*connection, request, progress), *connection);
}

bool TForm8::showOutcome(const SigninOutcome &outcome, Connection &connection)
{
    switch (outcome.kind) {
    case SigninOutcome::SignedIn:
        connection.open();
        return true;
    case SigninOutcome::Outdated:
        showOutdatedClient();
        return false; // only when the exit is replaced
    case SigninOutcome::ForcedChange:
    case SigninOutcome::SuggestedChange:
        setStatusText(outcome.statusText);
        SpeedButton3Click();
        if (outcome.kind == SigninOutcome::ForcedChange)
            ui->SpeedButton3->setEnabled(false);
        return false;
    case SigninOutcome::CallFailed:
        showMessage(outcome.errorText);
        break;
    case SigninOutcome::Refused:
    case SigninOutcome::ServerMessage:
    case SigninOutcome::WorkingLoginFailed:
        break;
    }
    if (outcome.clearNewPassword) {
        ui->Edit1->clear();
        ui->Edit2->clear();
    }
    setStatusText(outcome.statusText);
    return false;
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
