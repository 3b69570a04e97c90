#pragma once

#include "controls/SecondaryWindow.h"

#include <memory>

namespace Ui {
class TForm5;
}

namespace qor {

// The list of expulsion orders, edited in place.
class TForm5 : public SecondaryWindow
{
    Q_OBJECT

public:
    explicit TForm5(QWidget *parent = nullptr);
    ~TForm5() override;

private:
    std::unique_ptr<Ui::TForm5> ui;
};

extern TForm5 *Form5;

} // namespace qor
