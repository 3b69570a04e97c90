#include "screens/TForm19.h"

#include "controls/ClassicLook.h"
#include "controls/DataGrid.h"
#include "controls/GridReport.h"
#include "controls/UserAction.h"
#include "controls/WindowPlacement.h"
#include "data/DataSource.h"
#include "data/OrderStatements.h"
#include "data/TDM.h"
#include "screens/ReportPreview.h"
#include "screens/ReportSaving.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScopedValueRollback>
#include <QVBoxLayout>

namespace qor {

TForm19 *Form19 = nullptr;

namespace {

const QString Caption = QStringLiteral("Список слушателей по приказу");

QList<GridColumn> orderColumns(OrderKind kind)
{
    const QColor colour = kind == OrderKind::Enrolment ? moneyGreen() : lightPink();
    GridColumn count = GridColumn::titled(QStringLiteral("students"), QStringLiteral("Слушателей"), 70);
    count.alignment = Qt::AlignCenter;
    return {
        GridColumn::titled(QStringLiteral("prikaz"), QStringLiteral("Приказ"), 260, colour),
        GridColumn::titled(QStringLiteral("reg"), QStringLiteral("№"), 90, colour),
        GridColumn::titled(QStringLiteral("order_date"), QStringLiteral("Дата"), 90, colour),
        count,
    };
}

QList<GridColumn> studentColumns()
{
    GridColumn row = GridColumn::titled(QStringLiteral("nn"), QStringLiteral("№ п/п"), 45);
    row.alignment = Qt::AlignCenter;
    return {
        row,
        GridColumn::titled(QStringLiteral("s_fio"), QStringLiteral("ФИО"), 280),
        GridColumn::titled(QStringLiteral("faculty"), QStringLiteral("Факультет"), 250),
        GridColumn::titled(QStringLiteral("name_full"), QStringLiteral("Группа"), 230),
    };
}

DataGrid *readOnlyGrid(const QString &name, QWidget *parent)
{
    auto *grid = new DataGrid(parent);
    grid->setObjectName(name);
    grid->setGridBackground(inactiveCaptionGradientColor());
    grid->setCellFont(tahoma(12));
    grid->setTitleFont(tahoma(11, true));
    grid->setFitColumns(true);
    grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    return grid;
}

} // namespace

TForm19::TForm19(QWidget *parent) : SecondaryWindow(parent)
{
    setFont(tahoma(11));
    setWindowTitle(Caption);
    closeOnEscape();

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 12, 8, 8);
    new DecorativeStrip(this);

    auto *kindLine = new QHBoxLayout;
    auto *kindLabel = new QLabel(QStringLiteral("Приказы:"), this);
    kindLabel->setFont(tahoma(11, true));
    m_enrolment = new QRadioButton(QStringLiteral("на зачисление"), this);
    m_enrolment->setObjectName(QStringLiteral("RadioButton1"));
    m_expulsion = new QRadioButton(QStringLiteral("на отчисление"), this);
    m_expulsion->setObjectName(QStringLiteral("RadioButton2"));
    m_enrolment->setChecked(true);
    kindLine->addWidget(kindLabel);
    kindLine->addWidget(m_enrolment);
    kindLine->addWidget(m_expulsion);
    kindLine->addStretch(1);
    layout->addLayout(kindLine);

    m_orders = new Query(DM->ADOCon, QStringLiteral("ADOQ_orders_used"), this);
    m_orders->setReadOnly(true);
    m_orderSource = new DataSource(m_orders, QStringLiteral("DS_orders_used"), this);
    m_orderGrid = readOnlyGrid(QStringLiteral("DBGridEh1"), this);
    m_orderGrid->setColumns(orderColumns(OrderKind::Enrolment));
    m_orderGrid->setDataSource(m_orderSource);
    m_orderGrid->installEventFilter(this);
    layout->addWidget(m_orderGrid, 2);

    m_heading = new QLabel(this);
    m_heading->setObjectName(QStringLiteral("Label1"));
    m_heading->setFont(tahoma(13, true));
    m_heading->setWordWrap(true);
    m_heading->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(m_heading);

    m_students = new Query(DM->ADOCon, QStringLiteral("ADOQ_order_students"), this);
    m_students->setReadOnly(true);
    m_studentSource = new DataSource(m_students, QStringLiteral("DS_order_students"), this);
    m_studentGrid = readOnlyGrid(QStringLiteral("DBGridEh2"), this);
    m_studentGrid->setColumns(studentColumns());
    m_studentGrid->setDataSource(m_studentSource);
    m_studentGrid->installEventFilter(this);
    layout->addWidget(m_studentGrid, 3);

    auto *buttons = new QHBoxLayout;
    m_print = commandButton(QStringLiteral("Печать…"), QStringLiteral("BitBtn1"), this);
    m_save = commandButton(QStringLiteral("Сохранить…"), QStringLiteral("BitBtn2"), this);
    m_close = commandButton(QStringLiteral("Закрыть"), QStringLiteral("BitBtn3"), this);
    buttons->addStretch(1);
    buttons->addWidget(m_print);
    buttons->addWidget(m_save);
    buttons->addWidget(m_close);
    layout->addLayout(buttons);

    connect(m_enrolment, &QRadioButton::toggled, this, [this] { runUserAction([this] { readOrders(); }); });
    connect(m_orders, &Query::currentRowChanged, this, [this] {
        if (!m_readingOrders)
            runUserAction([this] { readStudents(); });
    });
    connect(m_print, &QPushButton::clicked, this, [this] { runUserAction([this] { BitBtn1Click(); }); });
    connect(m_save, &QPushButton::clicked, this, [this] { runUserAction([this] { BitBtn2Click(); }); });
    connect(m_close, &QPushButton::clicked, this, &QDialog::reject);

    setOuterSize(this, QSize(900, 640), mainWindow());
    readOrders();
    m_orderGrid->setFocus();
}

TForm19::~TForm19() = default;

OrderKind TForm19::kind() const
{
    return m_expulsion->isChecked() ? OrderKind::Expulsion : OrderKind::Enrolment;
}

void TForm19::readOrders()
{
    m_orderGrid->setColumns(orderColumns(kind()));
    {
        QScopedValueRollback reading(m_readingOrders, true);
        TDM::reopen(m_orders, statements::ordersUsed(kind()));
    }
    readStudents();
}

void TForm19::readStudents()
{
    if (m_orders->eof()) {
        m_students->close();
        m_shown = {};
        m_heading->setText(kind() == OrderKind::Enrolment ? QStringLiteral("Ни в одной строке списков нет приказа на зачисление.")
                                                          : QStringLiteral("Ни в одной строке списков нет приказа на отчисление."));
    } else {
        m_shown = OrderUse::fromRow(kind(), *m_orders, m_orders->currentRow());
        TDM::reopen(m_students, statements::studentsUnderOrder(m_shown));
        m_heading->setText(m_shown.heading());
    }
    m_print->setEnabled(m_students->isOpen());
    m_save->setEnabled(m_students->isOpen());
}

ReportTable TForm19::orderReport() const
{
    ReportTable table;
    table.context = m_shown.kind == OrderKind::Enrolment ? QStringLiteral("Список слушателей, зачисленных по приказу")
                                                         : QStringLiteral("Список слушателей, отчисленных по приказу");
    table.subject = m_shown.heading();
    table.asOf = QDate::currentDate();
    table.columns = reportColumnsOf(*m_studentGrid);
    table.rows = readReportRows(*m_students, table.columns);
    return table;
}

void TForm19::BitBtn1Click()
{
    previewReport(this, Caption, orderReport());
}

void TForm19::BitBtn2Click()
{
    saveReportAs(this, Caption, orderReport());
}

bool TForm19::eventFilter(QObject *watched, QEvent *event)
{
    // The grids keep Escape for undoing an edit, which their rows never have here.
    if ((watched == m_orderGrid || watched == m_studentGrid) && event->type() == QEvent::KeyPress
        && static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape) {
        reject();
        return true;
    }
    return SecondaryWindow::eventFilter(watched, event);
}


} // namespace qor
