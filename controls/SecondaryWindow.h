#pragma once

#include <QDialog>
#include <QList>

namespace qor {

class DataGrid;

// A window the main window opens modally. As in the rest of the program,
// Escape does not close it and Enter presses only a button that has the
// focus: no button is a window's default or cancel button.
//
// Nothing typed into its grids is lost by closing it: the row being edited
// is written first, and when it cannot be, the window stays open with the
// reason shown.
class SecondaryWindow : public QDialog
{
    Q_OBJECT

public:
    explicit SecondaryWindow(QWidget *parent = nullptr);

protected:
    // For a window that holds nothing typed (a report, a search): Escape
    // closes it, as it closes a read-only window anywhere.
    void closeOnEscape() { m_closesOnEscape = true; }
    void writeOnClosing(DataGrid *grid) { m_grids.append(grid); }
    // Runs once the rows are written, as the window closes; an error keeps it open.
    virtual void closing() {}

    void keyPressEvent(QKeyEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    QList<DataGrid *> m_grids;
    bool m_closesOnEscape = false;
};

// Creates a window, keeps it in its program-wide variable while it is shown
// modally, then frees it and clears the variable, also when its creation or
// its display fails.
template <typename Window>
void showModal(Window *&variable)
{
    showModal(variable, [] { return new Window; });
}

// The same for a window that its opener makes (given what it works on,
// its announcements connected).
template <typename Window, typename Make>
void showModal(Window *&variable, Make make)
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
    variable = make();
    variable->exec();
}

} // namespace qor
