#pragma once

#include "controls/SecondaryWindow.h"

#include <memory>

namespace Ui {
class TForm4;
}

namespace qor {

// The list of enrolment orders, edited in place.
class TForm4 : public SecondaryWindow
{
    Q_OBJECT

public:
    explicit TForm4(QWidget *parent = nullptr);
    ~TForm4() override;

private:
    std::unique_ptr<Ui::TForm4> ui;
};

extern TForm4 *Form4;

} // namespace qor
