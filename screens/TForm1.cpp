#include "screens/TForm1.h"

#include "app/Application.h"
#include "controls/DataGrid.h"
#include "controls/GridBinding.h"
#include "controls/LookupList.h"
#include "controls/UserAction.h"
#include "controls/WindowPlacement.h"
#include "data/Statements.h"
#include "data/TDM.h"
#include "signin/TForm8.h"
#include "ui_TForm1.h"


namespace qor {

TForm1 *Form1 = nullptr;

namespace {

QFont tahoma(int pixels, bool bold = false)
{
    QFont font(QStringLiteral("Tahoma"));
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

// The system's active-caption gradient colour of the decorative strips.
const QColor StripColour(0xB9, 0xD1, 0xEA);
const QColor MoneyGreen(192, 220, 192);
const QColor LightPink(254, 222, 240);

} // namespace

TForm1::TForm1(QWidget *parent) : QMainWindow(parent), ui(std::make_unique<Ui::TForm1>())
{
    ui->setupUi(this);
    setFont(tahoma(11));
    for (QWidget *label : {static_cast<QWidget *>(ui->Label1), static_cast<QWidget *>(ui->Label2),
                           static_cast<QWidget *>(ui->BitBtn1)})
        label->setFont(tahoma(11, true));
    ui->Strip1->setStyleSheet(QStringLiteral("QFrame#Strip1 { background: %1; border: 1px inset gray; }").arg(StripColour.name()));

    setOuterSize(this, QSize(1044, 448));
    centreOnScreen(this);

    if (DM) {
        ui->DBLookupComboBox1->setListSource(DM->DS_Faculty, QStringLiteral("p23-1"), QStringLiteral("id_faculty"));
        ui->DBLookupComboBox2->setListSource(DM->DS_GroupSlushatel, QStringLiteral("name_full"), QStringLiteral("id_group_slushatel"));
        // The roster's before-post rule writes the group chosen here.
        DM->chosenGroupKey = [this] { return ui->DBLookupComboBox2->keyValue(); };
        setUpRoster();
    }
    connect(ui->DBLookupComboBox1, &LookupList::picked, this, [this] { runUserAction([this] { DBLookupComboBox1Click(); }); });
    connect(ui->DBLookupComboBox2, &LookupList::picked, this, [this] { runUserAction([this] { DBLookupComboBox2Click(); }); });
    connect(ui->BitBtn1, &QPushButton::clicked, this, [this] { runUserAction([this] { BitBtn1Click(); }); });
    connect(ui->N2, &QAction::triggered, this, [this] { runUserAction([this] { N2Click(); }); });
    connect(ui->N3, &QAction::triggered, this, [this] { runUserAction([this] { N3Click(); }); });
    connect(ui->N4, &QAction::triggered, this, [this] { runUserAction([this] { N4Click(); }); });
}

TForm1::~TForm1()
{
    if (DM)
        DM->chosenGroupKey = nullptr;
}

void TForm1::setUpRoster()
{
    DataGrid *grid = ui->DBGridEh1;
    grid->setGridBackground(inactiveCaptionGradientColor());
    grid->setCellFont(tahoma(12));
    grid->setTitleFont(tahoma(11, true));
    grid->setTwoLevelTitles(true);
    grid->setFitColumns(true);

    Query *roster = DM->ADOQ_movement_slushatel;
    const auto column = [](const char *field, const char *upper, const char *lower, int width, QColor color) {
        GridColumn c;
        c.field = QString::fromLatin1(field);
        c.upperTitle = QString::fromUtf8(upper);
        c.lowerTitle = QString::fromUtf8(lower);
        c.width = width;
        c.color = color;
        return c;
    };
    GridColumn row = column("row", "№ П/П", "", 37, {});
    row.alignment = Qt::AlignCenter;
    row.readOnly = true;
    row.kind = GridColumn::Kind::Integer;
    GridColumn fio = column("FIO", "ФИО", "", 294, {});
    fio.readOnly = true;
    GridColumn comeOrder = column("Prikaz_come", "Зачисление", "Приказ", 128, MoneyGreen);
    comeOrder.kind = GridColumn::Kind::Lookup;
    comeOrder.lookup = lookupChoicesOf(roster, comeOrder.field);
    GridColumn comeNumber = column("come_reg", "Зачисление", "№", 112, MoneyGreen);
    GridColumn comeDate = column("come_date", "Зачисление", "Дата", 101, MoneyGreen);
    comeDate.kind = GridColumn::Kind::DateTime;
    GridColumn leaveOrder = column("Prikaz_leave", "Отчисление", "Приказ", 113, LightPink);
    leaveOrder.kind = GridColumn::Kind::Lookup;
    leaveOrder.lookup = lookupChoicesOf(roster, leaveOrder.field);
    GridColumn leaveNumber = column("leave_reg", "Отчисление", "№", 110, LightPink);
    GridColumn leaveDate = column("leave_date", "Отчисление", "Дата", 92, LightPink);
    leaveDate.kind = GridColumn::Kind::DateTime;

    // The shared upper titles and the "№" lower titles in the desktop colour, the rest black.
    for (GridColumn *c : {&comeOrder, &comeNumber, &comeDate, &leaveOrder, &leaveNumber, &leaveDate})
        c->upperTitleColor = desktopColor();
    comeNumber.lowerTitleColor = desktopColor();
    leaveNumber.lowerTitleColor = desktopColor();

    const QList<GridColumn> columns{row, fio, comeOrder, comeNumber, comeDate, leaveOrder, leaveNumber, leaveDate};
    QStringList fields;
    for (const GridColumn &c : columns)
        fields.append(c.field);
    bindGrid(grid, DM->DS_movement_slushatel, fields);
    grid->setColumns(columns);
}

QString TForm1::designCaption()
{
    return QStringLiteral("QOR Слушатель");
}

void TForm1::FormCreate()
{
    Form8 = new TForm8;
    if (Form8->exec() == TForm8::mrCancel) {
        Application::terminate();
        close();
    } else {
        loadLists();
    }
    delete Form8;
    Form8 = nullptr;
}

void TForm1::loadLists()
{
    DM->loadLists();
}

void TForm1::DBLookupComboBox1Click()
{
    TDM::reopen(DM->ADOQ_GroupSlushatel, statements::groupsOfFaculty(ui->DBLookupComboBox1->keyValue()));
}

void TForm1::DBLookupComboBox2Click()
{
    const QVariant group = ui->DBLookupComboBox2->keyValue();
    TDM::reopen(DM->ADOQ_Student, statements::students());
    TDM::reopen(DM->ADOQ_movement_slushatel, statements::rosterOfGroup(group));
    ui->BitBtn1->setEnabled(group.isValid() && !group.isNull());
}

// The add-to-group dialog and the group and order windows come with their own screens.
void TForm1::BitBtn1Click() {}
void TForm1::N2Click() {}
void TForm1::N3Click() {}
void TForm1::N4Click() {}

LookupList *TForm1::facultyList() const
{
    return ui->DBLookupComboBox1;
}

LookupList *TForm1::groupList() const
{
    return ui->DBLookupComboBox2;
}

DataGrid *TForm1::rosterGrid() const
{
    return ui->DBGridEh1;
}

void TForm1::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    ui->Strip1->setGeometry(0, 0, width(), 6);
}

} // namespace qor
