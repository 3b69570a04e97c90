#include "screens/TForm5.h"

#include "controls/ClassicLook.h"
#include "controls/WindowPlacement.h"
#include "data/TDM.h"
#include "screens/OrderListWindow.h"
#include "ui_TForm5.h"

namespace qor {

TForm5 *Form5 = nullptr;

TForm5::TForm5(QWidget *parent) : SecondaryWindow(parent), ui(std::make_unique<Ui::TForm5>())
{
    ui->setupUi(this);
    setFont(tahoma(11));
    // No caption: an empty title would show the program's name instead.
    setWindowTitle(QStringLiteral(" "));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint
                   | Qt::WindowCloseButtonHint);
    setOuterSize(this, QSize(484, 456), mainWindow());
    setUpOrderList(ui->DBGridEh1, ui->DBNavigator1, DM->DS_prikaz_leave_slushatel,
                   GridColumn::titled(QStringLiteral("prikaz_leave"), QStringLiteral("Приказ на отчисление"), 147));
    writeOnClosing(ui->DBGridEh1);
}

TForm5::~TForm5() = default;

} // namespace qor
