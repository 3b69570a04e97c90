#include "controls/WindowPlacement.h"

#include <QEvent>
#include <QGuiApplication>
#include <QPointer>
#include <QScreen>
#include <QTimer>
#include <QWidget>

namespace qor {

namespace {

// Waits for the first show, when the frame becomes known.
class OuterSizer : public QObject
{
public:
    OuterSizer(QWidget *window, const QSize &outer) : QObject(window), m_window(window), m_outer(outer)
    {
        window->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == m_window && event->type() == QEvent::Show) {
            m_window->removeEventFilter(this);
            QTimer::singleShot(0, m_window, [window = m_window, outer = m_outer] {
                if (!window)
                    return;
                const QSize frame = window->frameGeometry().size() - window->size();
                if (!frame.isEmpty()) {
                    window->resize(outer - frame);
                    centreOnScreen(window);
                }
            });
            deleteLater();
        }
        return false;
    }

private:
    QPointer<QWidget> m_window;
    QSize m_outer;
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

void setOuterSize(QWidget *window, const QSize &outer)
{
    window->resize(outer);
    new OuterSizer(window, outer);
}

} // namespace qor
