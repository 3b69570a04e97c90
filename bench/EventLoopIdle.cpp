#include "EventLoopIdle.h"

#include <QCoreApplication>
#include <QEvent>

namespace {

class EventCounter : public QObject
{
public:
    unsigned long long events = 0;
    unsigned long long paints = 0;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        ++events;
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

EventCounter &counter()
{
    static EventCounter *counting = [] {
        auto *filter = new EventCounter;
        filter->setParent(QCoreApplication::instance());
        QCoreApplication::instance()->installEventFilter(filter);
        return filter;
    }();
    return *counting;
}

} // namespace

void waitUntilIdle()
{
    EventCounter &count = counter();
    // A program that keeps posting would never be idle: give up after many passes.
    for (int pass = 0; pass < 100000; ++pass) {
        const unsigned long long before = count.events;
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        if (count.events == before)
            return;
    }
}

unsigned long long paintsSoFar()
{
    return counter().paints;
}
