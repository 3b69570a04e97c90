#include "screens/TForm11.h"

#include "controls/ClassicLook.h"
#include "controls/DataGrid.h"
#include "controls/MessageBoxes.h"
#include "controls/WindowPlacement.h"
#include "data/Registers.h"
#include "data/TDM.h"
#include "screens/RegisterWindow.h"
#include "ui_TForm11.h"

namespace qor {

TForm11 *Form11 = nullptr;

namespace {

QString namesakeQuestion(const QString &name)
{
    return QStringLiteral("Слушатель «%1» уже есть. Добавить ещё одного с тем же ФИО?").arg(name);
}

} // namespace

TForm11::TForm11(QWidget *parent) : SecondaryWindow(parent), ui(std::make_unique<Ui::TForm11>())
{
    ui->setupUi(this);
    setFont(tahoma(11));
    ui->Label1->setFont(tahoma(11, true));
    setOuterSize(this, QSize(600, 520), mainWindow());

    setUpRegister({ui->Edit1, ui->Label2, ui->DBGridEh1, ui->DBNavigator1}, DM->DS_Student_Register,
                  {GridColumn::titled(QStringLiteral("s_fio"), QStringLiteral("ФИО"), 400)}, {QStringLiteral("s_fio")});
    writeOnClosing(ui->DBGridEh1);
    DM->confirmNamesake = [](const QString &name) { return askYesNo(namesakeQuestion(name)); };

    // Whatever is written or deleted here, names shown elsewhere are read again.
    Query *students = DM->ADOQ_Student_Register;
    connect(students, &Query::rowChanged, this, [this, students] { m_changed |= !students->isEditing(); });
    connect(students, &Query::rowRemoved, this, [this, students] { m_changed |= !students->isEditing(); });
    FormCreate();
}

TForm11::~TForm11()
{
    if (DM)
        DM->confirmNamesake = nullptr;
}

void TForm11::FormCreate()
{
    openRegister(this, DM->ADOQ_Student_Register, statements::studentRegister(), QStringLiteral("s_fio"),
                 QStringLiteral("только просмотр: нет права изменять слушателей в этой базе"));
}

void TForm11::FormClose()
{
    // A million names need not stay in memory once nobody looks at them.
    DM->ADOQ_Student_Register->close();
    if (m_changed)
        emit studentsChanged();
}

DataGrid *TForm11::grid() const
{
    return ui->DBGridEh1;
}

void TForm11::closing()
{
    FormClose();
}

} // namespace qor
