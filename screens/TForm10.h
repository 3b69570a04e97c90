#pragma once

#include "screens/ReportWindow.h"

namespace qor {

// "Группы с истёкшим сроком обучения" as of today, read when the window opens.
class TForm10 : public ReportWindow
{
    Q_OBJECT

public:
    explicit TForm10(QWidget *parent = nullptr);
    ~TForm10() override;

protected:
    GroupReport readReport() override;
};

extern TForm10 *Form10;

} // namespace qor
