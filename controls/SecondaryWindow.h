#pragma once

#include <QDialog>

#include <memory>

namespace qor {

// A window the main window opens modally. As in the rest of the program,
// Escape does not close it and Enter presses only a button that has the
// focus: no button is a window's default or cancel button.
class SecondaryWindow : public QDialog
{
    Q_OBJECT

public:
    explicit SecondaryWindow(QWidget *parent = nullptr);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void showEvent(QShowEvent *event) override;
};

// Creates a window, keeps it in its program-wide variable while it is shown
// modally, then frees it and clears the variable, also when its creation or
// its display fails.
template <typename Window>
void showModal(Window *&variable)
{
    struct Clear
    {
        Window *&variable;
        ~Clear()
        {
            delete variable;
            variable = nullptr;
        }
    } clear{variable};
    variable = new Window;
    variable->exec();
}

} // namespace qor
