#pragma once

#include "controls/SecondaryWindow.h"

#include <memory>

namespace Ui {
class TForm11;
}

namespace qor {

class DataGrid;

// The student register: every student by name, found by typing the starts
// of the words of a name, added, renamed and deleted in place. A name is
// kept normalised, and one that another student has already is written
// only when the person says so. Read-only where the login may not change
// the students.
class TForm11 : public SecondaryWindow
{
    Q_OBJECT

public:
    explicit TForm11(QWidget *parent = nullptr);
    ~TForm11() override;

    void FormCreate();
    void FormClose();

    DataGrid *grid() const;

signals:
    // A student was written or deleted: names shown elsewhere may be others now.
    void studentsChanged();

protected:
    void closing() override;

private:
    std::unique_ptr<Ui::TForm11> ui;
    bool m_changed = false;
};

extern TForm11 *Form11;

} // namespace qor
