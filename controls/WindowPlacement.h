#pragma once

#include <QSize>

class QWidget;

namespace qor {

// Moves a window so that its frame is centred on the screen.
void centreOnScreen(QWidget *window);

// Gives a top-level window an outer size, its frame included: the client area
// takes that size at once, and once the window system has framed the shown
// window the frame is taken off again and the window re-centred.
void setOuterSize(QWidget *window, const QSize &outer);

} // namespace qor
