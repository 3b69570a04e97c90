#pragma once

#include "controls/SecondaryWindow.h"

#include <memory>

namespace Ui {
class TForm12;
}

namespace qor {

class DataGrid;

// The faculty register: every faculty by name, with its second text (the
// abbreviation), found by typing the starts of the words of either, added,
// renamed and deleted in place. Both texts are kept normalised, and no two
// faculties share a name. Read-only where the login may not change the
// faculties.
class TForm12 : public SecondaryWindow
{
    Q_OBJECT

public:
    explicit TForm12(QWidget *parent = nullptr);
    ~TForm12() override;

    void FormCreate();
    void FormClose();

    DataGrid *grid() const;

signals:
    // A faculty was written or deleted: the lists of faculties are read again.
    void facultiesChanged();

protected:
    void closing() override;

private:
    std::unique_ptr<Ui::TForm12> ui;
    bool m_changed = false;
};

extern TForm12 *Form12;

} // namespace qor
