#include "screens/TForm3.h"

#include "controls/ClassicLook.h"
#include "controls/DataGrid.h"
#include "controls/LookupList.h"
#include "controls/Navigator.h"
#include "controls/UserAction.h"
#include "controls/WindowPlacement.h"
#include "data/Statements.h"
#include "data/TDM.h"
#include "ui_TForm3.h"

namespace qor {

TForm3 *Form3 = nullptr;

namespace {

// Fixed widths: the columns are not fitted to the grid.
QList<GridColumn> groupColumns()
{
    return {
        GridColumn::titled(QStringLiteral("name_short"), QStringLiteral("Группа"), 167),
        GridColumn::titled(QStringLiteral("name_full"), QStringLiteral("Полное Название группы"), 208),
        GridColumn::titled(QStringLiteral("srok_obuchenia"), QStringLiteral("Срок обучения до"), 142),
        GridColumn::titled(QStringLiteral("oplata"), QStringLiteral("Оплата за обучение"), 126),
    };
}

} // namespace

TForm3::TForm3(QWidget *parent) : SecondaryWindow(parent), ui(std::make_unique<Ui::TForm3>())
{
    ui->setupUi(this);
    setFont(tahoma(11));
    ui->Label1->setFont(tahoma(11, true));
    setOuterSize(this, QSize(714, 474), mainWindow());

    ui->DBLookupComboBox1->setListSource(DM->DS_all_faculties, QStringLiteral("p23-1"), QStringLiteral("id_faculty"));
    // A faculty pick re-runs the groups, whose rows are written with the faculty chosen here.
    ui->DBLookupComboBox1->setRowsWrittenBeforePick({DM->ADOQ_GroupSlushatel_Formation});
    // The list opens with no faculty chosen.
    DM->chosen.formationFaculty = {};

    DataGrid *grid = ui->DBGridEh1;
    grid->setGridBackground(inactiveCaptionGradientColor());
    grid->setCellFont(tahoma(11));
    grid->setTitleFont(tahoma(11, true));
    grid->setColumns(groupColumns());
    grid->setDataSource(DM->DS_GroupSlushatel_Formation);
    ui->DBNavigator1->setGrid(grid, Navigator::Insert | Navigator::Delete | Navigator::Post);
    writeOnClosing(grid);

    connect(ui->DBLookupComboBox1, &LookupList::picked, this, [this] { runUserAction([this] { DBLookupComboBox1Click(); }); });
    FormCreate();
}

TForm3::~TForm3()
{
    // Without this window no faculty is chosen: a group row left pending is
    // refused until a faculty is picked in its next opening.
    if (DM)
        DM->chosen.formationFaculty = {};
}

void TForm3::FormCreate()
{
    TDM::reopen(DM->ADOQ_all_faculties, statements::allFaculties());
}

void TForm3::DBLookupComboBox1Click()
{
    DM->chosen.formationFaculty = ui->DBLookupComboBox1->keyValue();
    TDM::reopen(DM->ADOQ_GroupSlushatel_Formation, statements::groupsOfFaculty(DM->chosen.formationFaculty));
}

void TForm3::FormClose()
{
    TDM::reopen(DM->ADOQ_Faculty, statements::facultiesWithGroups());
}

LookupList *TForm3::facultyList() const
{
    return ui->DBLookupComboBox1;
}

void TForm3::closing()
{
    FormClose();
}

} // namespace qor
