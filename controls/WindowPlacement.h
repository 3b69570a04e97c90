#pragma once

#include <QSize>

class QWidget;

namespace qor {

// Moves a window so that its frame is centred on the screen.
void centreOnScreen(QWidget *window);

// Moves a window so that its frame is centred on another window's frame.
void centreOn(QWidget *window, const QWidget *over);

// Centres a window of a fixed client size on another one, and again once the
// window system has framed it.
void centreOnceFramed(QWidget *window, const QWidget *over);

// The program's main window, which secondary windows are centred on; null
// while there is none.
const QWidget *mainWindow();

// Gives a top-level window an outer size, its frame included: the client area
// takes that size at once, and once the window system has framed the shown
// window the frame is taken off again and the window re-centred, on the
// screen or, when over is given, on that window.
void setOuterSize(QWidget *window, const QSize &outer, const QWidget *over = nullptr);

} // namespace qor
