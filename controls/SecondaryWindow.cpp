#include "controls/SecondaryWindow.h"

#include <QKeyEvent>
#include <QPushButton>

namespace qor {

SecondaryWindow::SecondaryWindow(QWidget *parent) : QDialog(parent) {}

void SecondaryWindow::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Escape:
        event->accept();
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (auto *button = qobject_cast<QPushButton *>(focusWidget()); button && button->isEnabled())
            button->click();
        event->accept();
        return;
    default:
        QDialog::keyPressEvent(event);
    }
}

void SecondaryWindow::showEvent(QShowEvent *event)
{
    // QDialog would make a button the default one on showing.
    for (QPushButton *button : findChildren<QPushButton *>()) {
        button->setAutoDefault(false);
        button->setDefault(false);
    }
    QDialog::showEvent(event);
}

} // namespace qor
