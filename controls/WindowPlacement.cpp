#include "controls/WindowPlacement.h"

#include <QEvent>
#include <QGuiApplication>
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

// Waits for the first show, when the frame becomes known.
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
        if (watched == m_window && event->type() == QEvent::Show) {
            m_window->removeEventFilter(this);
            QTimer::singleShot(0, m_window, [window = m_window, outer = m_outer, over = m_over] {
                if (!window)
                    return;
                const QSize frame = window->frameGeometry().size() - window->size();
                if (!frame.isEmpty()) {
                    window->resize(outer - frame);
                    centre(window, over);
                }
            });
            deleteLater();
        }
        return false;
    }

private:
    QPointer<QWidget> m_window;
    QSize m_outer;
    QPointer<const QWidget> m_over;
};

} // namespace

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

void setOuterSize(QWidget *window, const QSize &outer, const QWidget *over)
{
    window->resize(outer);
    centre(window, over);
    new OuterSizer(window, outer, over);
}

} // namespace qor
