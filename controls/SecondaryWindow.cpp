#include "controls/SecondaryWindow.h"

#include "controls/DataGrid.h"
#include "controls/UserAction.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QPushButton>

namespace qor {

SecondaryWindow::SecondaryWindow(QWidget *parent) : QDialog(parent) {}

void SecondaryWindow::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Escape:
        event->accept();
        if (m_closesOnEscape)
            reject();
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

void SecondaryWindow::closeEvent(QCloseEvent *event)
{
    for (DataGrid *grid : std::as_const(m_grids)) {
        if (!grid->leaveRow()) {
            event->ignore();
            return;
        }
    }
    bool closed = false;
    runUserAction([&] {
        closing();
        closed = true;
    });
    if (!closed) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

} // namespace qor
