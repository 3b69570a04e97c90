#include "controls/WindowPlacement.h"

#include <QApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QMainWindow>
#include <QPointer>
#include <QScreen>
#include <QTimer>
#include <QWidget>

namespace qor {

namespace {

void centre(QWidget *window, const QWidget *over)
{
    if (over)
        centreOn(window, over);
    else
        centreOnScreen(window);
}

// Waits for the window system to frame the shown window: the frame becomes
// known some time after the first show, with a move or resize of the window.
class OuterSizer : public QObject
{
public:
    OuterSizer(QWidget *window, const QSize &outer, const QWidget *over)
        : QObject(window), m_window(window), m_outer(outer), m_over(over)
    {
        window->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched != m_window)
            return false;
        switch (event->type()) {
        case QEvent::Show:
            m_shown = true;
            // A window system without frames never sends one: stop waiting.
            QTimer::singleShot(2000, this, [this] { deleteLater(); });
            QTimer::singleShot(0, this, &OuterSizer::fitOnceFramed);
            break;
        case QEvent::Move:
        case QEvent::Resize:
            if (m_shown)
                QTimer::singleShot(0, this, &OuterSizer::fitOnceFramed);
            break;
        default:
            break;
        }
        return false;
    }

private:
    void fitOnceFramed()
    {
        if (!m_window || m_done)
            return;
        const QSize frame = m_window->frameGeometry().size() - m_window->size();
        if (frame.isEmpty())
            return;
        m_done = true;
        m_window->removeEventFilter(this);
        if (m_outer.isValid())
            m_window->resize(m_outer - frame);
        centre(m_window, m_over);
        deleteLater();
    }

    QPointer<QWidget> m_window;
    QSize m_outer;
    QPointer<const QWidget> m_over;
    bool m_shown = false;
    bool m_done = false;
};

} // namespace

const QWidget *mainWindow()
{
    for (const QWidget *widget : QApplication::topLevelWidgets()) {
        if (qobject_cast<const QMainWindow *>(widget))
            return widget;
    }
    return nullptr;
}

void centreOnScreen(QWidget *window)
{
    const QScreen *screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->geometry();
    const QSize size = window->frameGeometry().size();
    window->move(area.x() + (area.width() - size.width()) / 2, area.y() + (area.height() - size.height()) / 2);
}

void centreOn(QWidget *window, const QWidget *over)
{
    const QRect around = over->frameGeometry();
    const QSize size = window->frameGeometry().size();
    window->move(around.x() + (around.width() - size.width()) / 2, around.y() + (around.height() - size.height()) / 2);
}

void centreOnceFramed(QWidget *window, const QWidget *over)
{
    centre(window, over);
    new OuterSizer(window, QSize(), over);
}

void setOuterSize(QWidget *window, const QSize &outer, const QWidget *over)
{
    window->resize(outer);
    centre(window, over);
    new OuterSizer(window, outer, over);
}

} // namespace qor
