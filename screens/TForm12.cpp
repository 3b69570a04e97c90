#include "screens/TForm12.h"

#include "controls/ClassicLook.h"
#include "controls/DataGrid.h"
#include "controls/WindowPlacement.h"
#include "data/Registers.h"
#include "data/TDM.h"
#include "screens/RegisterWindow.h"
#include "ui_TForm12.h"

namespace qor {

TForm12 *Form12 = nullptr;

namespace {

QList<GridColumn> facultyColumns()
{
    return {
        GridColumn::titled(QStringLiteral("p23-1"), QStringLiteral("Факультет"), 380),
        GridColumn::titled(QStringLiteral("p23-2"), QStringLiteral("Сокращение"), 160),
    };
}

} // namespace

TForm12::TForm12(QWidget *parent) : SecondaryWindow(parent), ui(std::make_unique<Ui::TForm12>())
{
    ui->setupUi(this);
    setFont(tahoma(11));
    ui->Label1->setFont(tahoma(11, true));
    setOuterSize(this, QSize(600, 420), mainWindow());

    setUpRegister({ui->Edit1, ui->Label2, ui->DBGridEh1, ui->DBNavigator1}, DM->DS_Faculty_Register, facultyColumns(),
                  {QStringLiteral("p23-1"), QStringLiteral("p23-2")});
    writeOnClosing(ui->DBGridEh1);

    Query *faculties = DM->ADOQ_Faculty_Register;
    connect(faculties, &Query::rowChanged, this, [this, faculties] { m_changed |= !faculties->isEditing(); });
    connect(faculties, &Query::rowRemoved, this, [this, faculties] { m_changed |= !faculties->isEditing(); });
    FormCreate();
}

TForm12::~TForm12() = default;

void TForm12::FormCreate()
{
    openRegister(this, DM->ADOQ_Faculty_Register, statements::facultyRegister(), QStringLiteral("faculty"),
                 QStringLiteral("только просмотр: нет права изменять факультеты в этой базе"));
}

void TForm12::FormClose()
{
    DM->ADOQ_Faculty_Register->close();
    if (m_changed)
        emit facultiesChanged();
}

DataGrid *TForm12::grid() const
{
    return ui->DBGridEh1;
}

void TForm12::closing()
{
    FormClose();
}

} // namespace qor
