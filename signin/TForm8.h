#pragma once

#include <QDialog>
#include <QString>

#include <memory>

namespace Ui {
class TForm8;
}

namespace qor {

class Connection;
struct SigninOutcome;

// The sign-in window: a login and a password, a lower panel for a new
// password, and the exchange that opens the shared connection as the user.
class TForm8 : public QDialog
{
    Q_OBJECT

public:
    enum ModalResult { mrOk = 1, mrCancel = 2 };

    // connection: the one the sign-in opens as the user.
    explicit TForm8(Connection *connection, QWidget *parent = nullptr);
    ~TForm8() override;

    // Opens connection as the user typed in the window: true when the working
    // connection is open. newPassword is NoNewPassword or the new password.
    bool ConnectUser(Connection *connection, const QString &newPassword);

    quint8 attempts() const { return m_attempts; }
    bool panelOpen() const { return m_panelOpen; }
    // The status label's text as set; the label shows its carriage returns as line breaks.
    const QString &statusText() const { return m_statusText; }

    // The hot spots' actions. They throw; the window runs them as user actions.
    void SpeedButton2Click(); // sign in
    void SpeedButton1Click(); // exit
    void SpeedButton3Click(); // more: opens and closes the new-password panel

signals:
    // At every attempt that composes the title, with the executable's build
    // stamp as the title shows it: the main window takes its title from it.
    void titleStampRead(const QString &stampText);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void reject() override;

private:
    bool Login_EditKeyDown(QKeyEvent *event);
    bool Password_EditKeyDown(QKeyEvent *event);
    bool enterSignsIn(QKeyEvent *event);
    bool showOutcome(const SigninOutcome &outcome, Connection &connection);
    void setStatusText(const QString &text);
    void showOutdatedClient();

    std::unique_ptr<Ui::TForm8> ui;
    Connection *m_connection;
    quint8 m_attempts = 0; // wraps from 255 to 0
    bool m_panelOpen = false;
    QString m_statusText;
};

// The sign-in window while it exists.
extern TForm8 *Form8;

} // namespace qor
