#include "controls/ClassicLook.h"

#include <QEvent>
#include <QFontMetrics>
#include <QPushButton>

namespace qor {

QFont tahoma(int pixels, bool bold)
{
    QFont font(QStringLiteral("Tahoma"));
    font.setPixelSize(pixels);
    font.setBold(bold);
    // Wine's Tahoma Bold is drawn for crisp pixels: smoothed, its strokes
    // come out as thin as the regular face's.
    if (bold)
        font.setStyleStrategy(QFont::NoAntialias);
    return font;
}

QPushButton *commandButton(const QString &text, const QString &objectName, QWidget *parent)
{
    auto *button = new QPushButton(text, parent);
    button->setObjectName(objectName);
    button->setFont(tahoma(11, true));
    button->setMinimumWidth(110);
    return button;
}

void widenForTitle(QWidget *window)
{
    QFont bold = window->font();
    bold.setBold(true);
    // The frame's buttons and the margins beside the text.
    constexpr int FrameExtra = 120;
    window->setMinimumWidth(QFontMetrics(bold).horizontalAdvance(window->windowTitle()) + FrameExtra);
}

QColor desktopColor()
{
    return QColor(0, 128, 128);
}

QColor activeCaptionGradientColor()
{
    return QColor(0xB9, 0xD1, 0xEA);
}

QColor inactiveCaptionGradientColor()
{
    return QColor(0xD7, 0xE4, 0xF2);
}

QColor moneyGreen()
{
    return QColor(192, 220, 192);
}

QColor lightPink()
{
    return QColor(254, 222, 240);
}

DecorativeStrip::DecorativeStrip(QWidget *parent) : QFrame(parent)
{
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(1);
    setAutoFillBackground(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, activeCaptionGradientColor());
    setPalette(palette);
    if (parent) {
        parent->installEventFilter(this);
        setGeometry(0, 0, parent->width(), 6);
    }
}

bool DecorativeStrip::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == parentWidget() && event->type() == QEvent::Resize)
        setGeometry(0, 0, parentWidget()->width(), 6);
    return QFrame::eventFilter(watched, event);
}

} // namespace qor
