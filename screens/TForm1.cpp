#include "screens/TForm1.h"

#include "controls/ClassicLook.h"
#include "controls/DataGrid.h"
#include "controls/GridReport.h"
#include "controls/LookupList.h"
#include "controls/MessageBoxes.h"
#include "controls/RowEditor.h"
#include "controls/UserAction.h"
#include "controls/WindowPlacement.h"
#include "reports/RosterReport.h"
#include "data/Registers.h"
#include "data/Statements.h"
#include "data/StudentSearch.h"
#include "data/StudentTransfer.h"
#include "data/TDM.h"
#include "screens/ReportPreview.h"
#include "screens/ReportSaving.h"
#include "screens/TForm3.h"
#include "screens/TForm4.h"
#include "screens/TForm5.h"
#include "screens/TForm6.h"
#include "screens/TForm9.h"
#include "screens/TForm10.h"
#include "screens/TForm11.h"
#include "screens/TForm12.h"
#include "screens/TForm13.h"
#include "screens/TForm14.h"
#include "screens/TForm15.h"
#include "screens/TForm16.h"
#include "screens/TForm17.h"
#include "screens/TForm18.h"
#include "screens/TForm19.h"
#include "signin/SigninExchange.h"
#include "signin/TForm8.h"
#include "ui_TForm1.h"

#include <QCloseEvent>
#include <QScopeGuard>

namespace qor {

TForm1 *Form1 = nullptr;

namespace {

// The roster's columns. The enrolment and expulsion columns share their upper
// titles, drawn with the "№" titles in the desktop colour; the rest is black.
QList<GridColumn> rosterColumns()
{
    GridColumn row = GridColumn::titled(QStringLiteral("row"), QStringLiteral("№ П/П"), 37);
    row.alignment = Qt::AlignCenter;
    const auto order = [](const char *field, const char *caption, int width, const QColor &color) {
        GridColumn column = GridColumn::titled(QString::fromLatin1(field), QString::fromUtf8(caption), width, color);
        column.upperTitleColor = desktopColor();
        if (column.lowerTitle == QStringLiteral("№"))
            column.lowerTitleColor = desktopColor();
        return column;
    };
    return {
        row,
        GridColumn::titled(QStringLiteral("FIO"), QStringLiteral("ФИО"), 294),
        order("Prikaz_come", "Зачисление|Приказ", 128, moneyGreen()),
        order("come_reg", "Зачисление|№", 112, moneyGreen()),
        order("come_date", "Зачисление|Дата", 101, moneyGreen()),
        order("Prikaz_leave", "Отчисление|Приказ", 113, lightPink()),
        order("leave_reg", "Отчисление|№", 110, lightPink()),
        order("leave_date", "Отчисление|Дата", 92, lightPink()),
    };
}

} // namespace

TForm1::TForm1(QWidget *parent) : QMainWindow(parent), ui(std::make_unique<Ui::TForm1>())
{
    ui->setupUi(this);
    setFont(tahoma(11));
    for (QWidget *bold : {static_cast<QWidget *>(ui->Label1), static_cast<QWidget *>(ui->Label2),
                          static_cast<QWidget *>(ui->BitBtn1)})
        bold->setFont(tahoma(11, true));

    setOuterSize(this, QSize(1044, 448));

    if (DM) {
        ui->DBLookupComboBox1->setListSource(DM->DS_Faculty, QStringLiteral("p23-1"), QStringLiteral("id_faculty"));
        ui->DBLookupComboBox2->setListSource(DM->DS_GroupSlushatel, QStringLiteral("name_full"), QStringLiteral("id_group_slushatel"));
        // A group pick re-runs the roster, whose rows are written with the group chosen here.
        ui->DBLookupComboBox2->setRowsWrittenBeforePick({DM->ADOQ_movement_slushatel});
        setUpRoster();
    }
    connect(ui->DBLookupComboBox1, &LookupList::picked, this, [this] { runUserAction([this] { DBLookupComboBox1Click(); }); });
    connect(ui->DBLookupComboBox2, &LookupList::picked, this, [this] { runUserAction([this] { DBLookupComboBox2Click(); }); });
    connect(ui->BitBtn1, &QPushButton::clicked, this, [this] { runUserAction([this] { BitBtn1Click(); }); });
    connect(ui->N2, &QAction::triggered, this, [this] { runUserAction([this] { N2Click(); }); });
    connect(ui->N3, &QAction::triggered, this, [this] { runUserAction([this] { N3Click(); }); });
    connect(ui->N4, &QAction::triggered, this, [this] { runUserAction([this] { N4Click(); }); });
    connect(ui->N5, &QAction::triggered, this, [this] { runUserAction([this] { N5Click(); }); });
    connect(ui->N6, &QAction::triggered, this, [this] { runUserAction([this] { N6Click(); }); });
    connect(ui->N8, &QAction::triggered, this, [this] { runUserAction([this] { N8Click(); }); });
    connect(ui->N9, &QAction::triggered, this, [this] { runUserAction([this] { N9Click(); }); });
    connect(ui->N21, &QAction::triggered, this, [this] { runUserAction([this] { N21Click(); }); });
    connect(ui->N22, &QAction::triggered, this, [this] { runUserAction([this] { N22Click(); }); });
    connect(ui->N23, &QAction::triggered, this, [this] { runUserAction([this] { N23Click(); }); });
    // The roster's own menu offers the same two commands.
    ui->DBGridEh1->addActions({ui->N5, ui->N6});
    ui->DBGridEh1->setContextMenuPolicy(Qt::ActionsContextMenu);

    // Finding a student; the card and the transfer of the roster's current student.
    connect(ui->N30, &QAction::triggered, this, [this] { runUserAction([this] { N30Click(); }); });
    connect(ui->N31, &QAction::triggered, this, [this] { runUserAction([this] { N31Click(); }); });
    connect(ui->N32, &QAction::triggered, this, [this] { runUserAction([this] { N32Click(); }); });
    auto *studentCommands = new QAction(this);
    studentCommands->setSeparator(true);
    ui->DBGridEh1->addActions({studentCommands, ui->N31, ui->N32});

    // One order for many students; the roster selects several rows for the first.
    connect(ui->N40, &QAction::triggered, this, [this] { runUserAction([this] { N40Click(); }); });
    connect(ui->N41, &QAction::triggered, this, [this] { runUserAction([this] { N41Click(); }); });
    connect(ui->N42, &QAction::triggered, this, [this] { runUserAction([this] { N42Click(); }); });
    ui->DBGridEh1->addAction(ui->N40);
    ui->DBGridEh1->setRowsSelectable(true);
    if (DM) {
        Query *roster = DM->ADOQ_movement_slushatel;
        for (auto change : {&Query::opened, &Query::closed, &Query::stateChanged})
            connect(roster, change, this, &TForm1::enableStudentCommands);
        for (auto change : {&Query::currentRowChanged, &Query::rowChanged, &Query::rowRemoved})
            connect(roster, change, this, &TForm1::enableStudentCommands);
    }
}

TForm1::~TForm1()
{
    if (DM)
        DM->chosen = {};
}

void TForm1::setUpRoster()
{
    DataGrid *grid = ui->DBGridEh1;
    grid->setGridBackground(inactiveCaptionGradientColor());
    grid->setCellFont(tahoma(12));
    grid->setTitleFont(tahoma(11, true));
    grid->setTwoLevelTitles(true);
    grid->setFitColumns(true);
    grid->setColumns(rosterColumns());
    grid->setDataSource(DM->DS_movement_slushatel);
}

QString TForm1::designCaption()
{
    return QStringLiteral("QOR Слушатель");
}

void TForm1::FormCreate()
{
    // Freed whatever happens, also when the lists fail to load.
    const std::unique_ptr<TForm8> signin(new TForm8(DM->ADOCon));
    Form8 = signin.get();
    const auto clearForm8 = qScopeGuard([] { Form8 = nullptr; });
    connect(signin.get(), &TForm8::titleStampRead, this, &TForm1::showTitle);
    m_signIn = signin->exec() == TForm8::mrCancel ? SignIn::Cancelled : SignIn::Succeeded;
    if (m_signIn == SignIn::Cancelled) {
        close();
        return;
    }
    loadLists();
}

void TForm1::showTitle(const QString &stampText)
{
    // Always from the design caption, so that repeated attempts give one title.
    setWindowTitle(composeTitle(designCaption(), stampText));
    setApplicationTitle(windowTitle());
}

void TForm1::loadLists()
{
    DM->loadLists();
}

void TForm1::DBLookupComboBox1Click()
{
    DM->chosen.faculty = ui->DBLookupComboBox1->keyValue();
    TDM::reopen(DM->ADOQ_GroupSlushatel, statements::groupsOfFaculty(DM->chosen.faculty));
}

void TForm1::DBLookupComboBox2Click()
{
    // The roster's rows are written with this group from now on.
    const QVariant group = ui->DBLookupComboBox2->keyValue();
    DM->chosen.group = group;
    TDM::reopen(DM->ADOQ_Student, statements::students());
    TDM::reopen(DM->ADOQ_movement_slushatel, statements::rosterOfGroup(group));
    const bool chosen = group.isValid() && !group.isNull();
    ui->BitBtn1->setEnabled(chosen);
    enableRosterOutput(chosen);
    enableGroupCommands(chosen);
}

void TForm1::BitBtn1Click()
{
    // The dialog re-runs the roster after each addition: a change typed
    // into it is written first, with the group it was typed in.
    if (writeRosterRow())
        showModal(Form6, [this] { return newAddDialog(); });
}

TForm6 *TForm1::newAddDialog()
{
    auto *dialog = new TForm6(DM->chosen.group);
    // Each student added shows in the roster at once, read as a pick reads it.
    connect(dialog, &TForm6::studentAdded, this, [this] { runUserAction([this] { DBLookupComboBox2Click(); }); });
    return dialog;
}

void TForm1::N2Click()
{
    showModal(Form3);
}

void TForm1::N3Click()
{
    showModal(Form4);
}

void TForm1::N4Click()
{
    showModal(Form5);
}

void TForm1::N5Click()
{
    // What is printed is what is stored: a row being edited is written first.
    if (writeRosterRow())
        previewReport(this, ui->N5->text().remove(u'…'), rosterReport());
}

void TForm1::N6Click()
{
    if (writeRosterRow())
        saveReportAs(this, ui->N6->text().remove(u'…'), rosterReport());
}

template <typename Window>
Window *TForm1::newReportWindow()
{
    auto *window = new Window;
    connect(window, &ReportWindow::groupChosen, this,
            [this](const QVariant &faculty, const QVariant &group) { runUserAction([&] { showGroup(faculty, group); }); });
    return window;
}

void TForm1::N8Click()
{
    // The reports count what is stored: a row being edited is written first.
    if (writeRosterRow())
        showModal(Form9, [this] { return newReportWindow<TForm9>(); });
}

void TForm1::N9Click()
{
    if (writeRosterRow())
        showModal(Form10, [this] { return newReportWindow<TForm10>(); });
}

void TForm1::N21Click()
{
    showModal(Form11, [this] { return newStudentRegister(); });
}

TForm11 *TForm1::newStudentRegister()
{
    auto *window = new TForm11;
    // The roster shows the names as they are now.
    connect(window, &TForm11::studentsChanged, this, [] {
        runUserAction([] {
            if (DM->ADOQ_Student->isOpen())
                TDM::reopen(DM->ADOQ_Student, statements::students());
        });
    });
    return window;
}

void TForm1::N22Click()
{
    showModal(Form12, [this] { return newFacultyRegister(); });
}

TForm12 *TForm1::newFacultyRegister()
{
    auto *window = new TForm12;
    // Faculties renamed or gone show so in the list, which keeps its choice.
    connect(window, &TForm12::facultiesChanged, this,
            [] { runUserAction([] { TDM::reopen(DM->ADOQ_Faculty, statements::facultiesWithGroups()); }); });
    return window;
}

void TForm1::N23Click()
{
    // The import shows its students in the roster, read again: a row being edited is written first.
    if (!writeRosterRow())
        return;
    if (!permissionsOn(DM->ADOCon->engine(), QStringLiteral("s_fio")).insert) {
        showMessage(QStringLiteral("Нет права добавлять слушателей в эту базу."));
        return;
    }
    showModal(Form13, [this] { return newImportWindow(); });
}

TForm13 *TForm1::newImportWindow()
{
    auto *window = new TForm13;
    connect(window, &TForm13::imported, this, [this](bool ordersAdded) {
        runUserAction([&] {
            if (ordersAdded)
                TDM::reopen(DM->ADOQ_Prikaz_come_slushatel, statements::enrolmentOrders());
            // The roster on screen shows whom the list placed into its group.
            if (DM->ADOQ_movement_slushatel->isOpen())
                DBLookupComboBox2Click();
        });
    });
    return window;
}

bool TForm1::showGroup(const QVariant &faculty, const QVariant &group)
{
    // As a pick does: the roster's row is written with the group it was typed in.
    if (!writeRosterRow())
        return false;
    ui->DBLookupComboBox1->setKeyValue(faculty);
    DBLookupComboBox1Click();
    ui->DBLookupComboBox2->setKeyValue(group);
    DBLookupComboBox2Click();
    return true;
}

TForm14 *TForm1::newSearchWindow()
{
    auto *window = new TForm14;
    connect(window, &TForm14::studentChosen, this,
            [this](const StudentPlace &place) { runUserAction([&] { showStudentRow(place); }); });
    connect(window, &TForm14::studentTransferred, this, [this] { runUserAction([this] { rereadRoster(); }); });
    return window;
}

void TForm1::N30Click()
{
    // What is found, shown on a card and transferred is what is stored: a
    // row being edited is written first.
    if (writeRosterRow())
        showModal(Form14, [this] { return newSearchWindow(); });
}

void TForm1::N31Click()
{
    Query *roster = DM->ADOQ_movement_slushatel;
    if (!writeRosterRow() || roster->eof())
        return;
    const QVariant student = roster->value(QStringLiteral("id_student"));
    bool transferred = false;
    showModal(Form15, [&] {
        auto *card = new TForm15(student);
        connect(card, &TForm15::studentTransferred, this, [&] { transferred = true; });
        return card;
    });
    if (transferred)
        rereadRoster();
}

void TForm1::N32Click()
{
    Query *roster = DM->ADOQ_movement_slushatel;
    if (!writeRosterRow())
        return;
    const int row = roster->eof() ? -1 : roster->currentRow();
    if (const QString reason = Transfer::refusalOfRow(*roster, row); !reason.isEmpty()) {
        showMessage(reason);
        return;
    }
    bool transferred = false;
    showModal(Form16, [&] {
        auto *dialog = new TForm16(roster, row, roster->asString(QStringLiteral("FIO")));
        connect(dialog, &TForm16::transferred, this, [&] { transferred = true; });
        return dialog;
    });
    if (transferred)
        rereadRoster();
}

void TForm1::N40Click()
{
    // The rows are written only while they hold what was read: a row being edited is written first.
    Query *roster = DM->ADOQ_movement_slushatel;
    if (!writeRosterRow() || roster->eof())
        return;
    const QList<int> chosen = ui->DBGridEh1->selectedQueryRows();
    bool reread = false;
    showModal(Form17, [&] {
        auto *dialog = new TForm17(roster, chosen);
        connect(dialog, &TForm17::expelled, this, [&] { reread = true; });
        connect(dialog, &TForm17::rowsChangedElsewhere, this, [&] { reread = true; });
        return dialog;
    });
    if (reread)
        rereadRoster();
}

void TForm1::N41Click()
{
    // The roster is read again after the enrolment: a change typed into it is written first.
    if (!writeRosterRow())
        return;
    bool enrolled = false;
    showModal(Form18, [&] {
        auto *dialog = new TForm18(DM->chosen.group);
        connect(dialog, &TForm18::enrolled, this, [&] { enrolled = true; });
        return dialog;
    });
    if (enrolled)
        rereadRoster();
}

void TForm1::N42Click()
{
    // What is listed is what is stored: a row being edited is written first.
    if (writeRosterRow())
        showModal(Form19);
}

void TForm1::showStudentRow(const StudentPlace &place)
{
    if (!showGroup(place.faculty, place.group))
        return;
    selectRosterRow(place.movement);
    // Back from the window that found the row: the keys go to the roster.
    activateWindow();
    ui->DBGridEh1->setFocus();
}

void TForm1::selectRosterRow(const QVariant &movement)
{
    const int row = DM->ADOQ_movement_slushatel->lookupRow(QStringLiteral("id_movement"), movement);
    DataGrid *grid = ui->DBGridEh1;
    if (row < 0 || row >= grid->model()->rowCount())
        return;
    const int name = grid->modelColumn(1);
    grid->setCurrentIndex(grid->model()->index(row, std::max(0, name)));
    grid->scrollTo(grid->currentIndex());
}

void TForm1::rereadRoster()
{
    const QVariant group = DM->chosen.group;
    if (!group.isValid() || group.isNull())
        return;
    const Query *roster = DM->ADOQ_movement_slushatel;
    const int key = roster->rows().indexOf(QStringLiteral("id_movement"));
    const QVariant current = roster->eof() || key < 0 ? QVariant() : roster->rows().value(roster->currentRow(), key);
    DBLookupComboBox2Click();
    selectRosterRow(current);
}

void TForm1::enableStudentCommands()
{
    const Query *roster = DM->ADOQ_movement_slushatel;
    const bool onStudent = roster->isOpen() && !roster->eof() && !roster->value(QStringLiteral("id_student")).isNull();
    ui->N31->setEnabled(onStudent);
    ui->N32->setEnabled(onStudent && Transfer::refusalOfRow(*roster, roster->currentRow()).isEmpty());
    ui->N40->setEnabled(onStudent);
}

void TForm1::enableGroupCommands(bool groupChosen)
{
    // As the add button: the list is enrolled into the group chosen.
    ui->N41->setEnabled(groupChosen);
}

ReportTable TForm1::rosterReport() const
{
    return qor::rosterReport(*DM, DM->chosen.group, reportColumnsOf(*ui->DBGridEh1), QDate::currentDate());
}

void TForm1::enableRosterOutput(bool enabled)
{
    ui->N5->setEnabled(enabled);
    ui->N6->setEnabled(enabled);
}

bool TForm1::writeRosterRow()
{
    return ui->DBGridEh1->leaveRow();
}

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

bool TForm1::writePendingChanges()
{
    if (!DM)
        return true;
    bool written = false;
    runUserAction([&] {
        if (RowEditor::of(DM->ADOQ_movement_slushatel)->commitText()) {
            DM->writePendingRows();
            written = true;
        }
    });
    return written;
}

void TForm1::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    // Straight from the sign-in, the keys go to the main window.
    activateWindow();
}

void TForm1::closeEvent(QCloseEvent *event)
{
    // Nothing typed is lost when the program ends: a row that cannot be
    // written keeps the program open, with the reason shown. A cancelled
    // sign-in leaves nothing to write.
    if (m_signIn != SignIn::Cancelled && !writePendingChanges()) {
        event->ignore();
        return;
    }
    QMainWindow::closeEvent(event);
}

} // namespace qor
