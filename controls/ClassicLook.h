#pragma once

#include <QColor>
#include <QFont>
#include <QFrame>

class QPushButton;

namespace qor {

// The faces, sizes and colours the windows were designed with, in one place.

QFont tahoma(int pixels, bool bold = false);

// A button of a report window's row of commands (print, save, close): bold
// Tahoma, as wide as its neighbours.
QPushButton *commandButton(const QString &text, const QString &objectName, QWidget *parent);

// Makes a small window (a progress window) wide enough for its title, the
// long application title with the day and time, in the frame's bold face.
void widenForTitle(QWidget *window);

// Stand-ins for the Windows system colours of the design.
QColor desktopColor();                  // classic desktop teal
QColor activeCaptionGradientColor();    // the decorative strips
QColor inactiveCaptionGradientColor();  // grid backgrounds
QColor moneyGreen();                    // enrolment cells
QColor lightPink();                     // expulsion cells

// The decorative strip along the top edge of a window's panel: 6 pixels
// high, a lowered bevel in the active-caption colour, as wide as its parent.
class DecorativeStrip : public QFrame
{
    Q_OBJECT

public:
    explicit DecorativeStrip(QWidget *parent = nullptr);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
};

} // namespace qor
