#include "screens/TForm4.h"

#include "controls/ClassicLook.h"
#include "controls/WindowPlacement.h"
#include "data/TDM.h"
#include "screens/OrderListWindow.h"
#include "ui_TForm4.h"

namespace qor {

TForm4 *Form4 = nullptr;

TForm4::TForm4(QWidget *parent) : SecondaryWindow(parent), ui(std::make_unique<Ui::TForm4>())
{
    ui->setupUi(this);
    setFont(tahoma(11));
    // No caption: an empty title would show the program's name instead.
    setWindowTitle(QStringLiteral(" "));
    // A dialog frame: not sizeable, no minimise or maximise button.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowCloseButtonHint);
    setFixedSize(434, 412);
    centreOnceFramed(this, mainWindow());
    setUpOrderList(ui->DBGridEh1, ui->DBNavigator1, DM->DS_Prikaz_come_slushatel,
                   GridColumn::titled(QStringLiteral("prikaz_come"), QStringLiteral("Приказ на зачисление"), 156));
    writeOnClosing(ui->DBGridEh1);
}

TForm4::~TForm4() = default;

} // namespace qor
