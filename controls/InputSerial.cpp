#include "controls/InputSerial.h"

#include <QCoreApplication>
#include <QEvent>

namespace qor {

namespace {

class InputCounter : public QObject
{
public:
    quint64 serial = 0;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        switch (event->type()) {
        case QEvent::KeyPress:
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
        case QEvent::Close: // a window's close button is pressed outside the program
            ++serial;
            break;
        default:
            break;
        }
        return false;
    }
};

InputCounter *counter()
{
    static InputCounter *instance = [] {
        auto *c = new InputCounter;
        c->setParent(QCoreApplication::instance());
        QCoreApplication::instance()->installEventFilter(c);
        return c;
    }();
    return instance;
}

} // namespace

quint64 inputSerial()
{
    return counter()->serial;
}

} // namespace qor
