#pragma once

#include <QWidget>

class QToolButton;

namespace qor {

class DataGrid;

// Buttons that insert, delete and post rows of the data set a grid shows,
// through the grid, so that the text being typed into a cell goes into the
// row first. It shows only the buttons its screen names; all are disabled
// while the data set is closed; insert is enabled while rows can be changed,
// delete while they can be changed and there is a row, post only while a row
// is being edited. The buttons take no focus: the grid keeps its cell.
class Navigator : public QWidget
{
    Q_OBJECT

public:
    enum Button { Insert = 0x1, Delete = 0x2, Post = 0x4 };
    Q_DECLARE_FLAGS(Buttons, Button)

    explicit Navigator(QWidget *parent = nullptr);

    void setGrid(DataGrid *grid, Buttons buttons);
    QToolButton *button(Button which) const;

private:
    void updateButtons();

    DataGrid *m_grid = nullptr;
    QToolButton *m_insert;
    QToolButton *m_delete;
    QToolButton *m_post;
};

Q_DECLARE_OPERATORS_FOR_FLAGS(Navigator::Buttons)

} // namespace qor
