#pragma once

#include "controls/SecondaryWindow.h"

#include <memory>

namespace Ui {
class TForm3;
}

namespace qor {

class LookupList;

// The group formation window: the groups of one faculty at a time, any
// faculty, edited in place. Closing it reloads the main window's faculty
// list, so that a faculty with its first group appears there.
class TForm3 : public SecondaryWindow
{
    Q_OBJECT

public:
    explicit TForm3(QWidget *parent = nullptr);
    ~TForm3() override;

    void FormCreate();
    void DBLookupComboBox1Click();
    void FormClose();

    LookupList *facultyList() const;

protected:
    void closing() override;

private:
    std::unique_ptr<Ui::TForm3> ui;
};

extern TForm3 *Form3;

} // namespace qor
