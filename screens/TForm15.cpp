#include "screens/TForm15.h"

#include "controls/ClassicLook.h"
#include "controls/DataGrid.h"
#include "controls/GridReport.h"
#include "controls/MessageBoxes.h"
#include "controls/UserAction.h"
#include "controls/WindowPlacement.h"
#include "data/DataSource.h"
#include "data/StudentStatements.h"
#include "data/StudentTransfer.h"
#include "data/TDM.h"
#include "screens/ReportPreview.h"
#include "screens/ReportSaving.h"
#include "screens/StudentColumns.h"
#include "screens/TForm16.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace qor {

TForm15 *Form15 = nullptr;

namespace {

const QString Caption = QStringLiteral("Карточка слушателя");

QList<GridColumn> cardColumns()
{
    GridColumn termEnd = GridColumn::titled(QStringLiteral("srok_obuchenia"), QStringLiteral("Срок обучения до"), 95);
    termEnd.alignment = Qt::AlignCenter;
    QList<GridColumn> columns{
        GridColumn::titled(QStringLiteral("name_full"), QStringLiteral("Группа"), 220),
        GridColumn::titled(QStringLiteral("faculty"), QStringLiteral("Факультет"), 180),
        termEnd,
    };
    columns.append(enrolmentAndExpulsionColumns());
    return columns;
}

} // namespace

TForm15::TForm15(const QVariant &student, QWidget *parent) : SecondaryWindow(parent), m_student(student)
{
    setFont(tahoma(11));
    setWindowTitle(Caption);
    closeOnEscape();

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 12, 8, 8);
    new DecorativeStrip(this);

    auto *nameLine = new QHBoxLayout;
    auto *label = new QLabel(QStringLiteral("Слушатель:"), this);
    label->setObjectName(QStringLiteral("Label1"));
    label->setFont(tahoma(11, true));
    m_nameLabel = new QLabel(this);
    m_nameLabel->setObjectName(QStringLiteral("Label2"));
    m_nameLabel->setFont(tahoma(14, true));
    m_nameLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    nameLine->addWidget(label);
    nameLine->addWidget(m_nameLabel, 1);
    layout->addLayout(nameLine);

    m_rows = new Query(DM->ADOCon, QStringLiteral("ADOQ_card"), this);
    m_rows->setReadOnly(true);
    m_rows->setUniqueTable(QStringLiteral("movement_slushatel"));
    m_source = new DataSource(m_rows, QStringLiteral("DS_card"), this);
    m_grid = new DataGrid(this);
    m_grid->setObjectName(QStringLiteral("DBGridEh1"));
    m_grid->setGridBackground(inactiveCaptionGradientColor());
    m_grid->setCellFont(tahoma(12));
    m_grid->setTitleFont(tahoma(11, true));
    m_grid->setTwoLevelTitles(true);
    m_grid->setFitColumns(true);
    m_grid->setColumns(cardColumns());
    m_grid->setDataSource(m_source);
    m_grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_grid->installEventFilter(this);
    layout->addWidget(m_grid, 1);

    m_notes = new QLabel(this);
    m_notes->setObjectName(QStringLiteral("Label3"));
    m_notes->setWordWrap(true);
    layout->addWidget(m_notes);

    auto *buttons = new QHBoxLayout;
    m_transfer = commandButton(QStringLiteral("Перевести в другую группу…"), QStringLiteral("BitBtn1"), this);
    m_print = commandButton(QStringLiteral("Печать…"), QStringLiteral("BitBtn2"), this);
    m_save = commandButton(QStringLiteral("Сохранить…"), QStringLiteral("BitBtn3"), this);
    m_close = commandButton(QStringLiteral("Закрыть"), QStringLiteral("BitBtn4"), this);
    buttons->addWidget(m_transfer);
    buttons->addStretch(1);
    buttons->addWidget(m_print);
    buttons->addWidget(m_save);
    buttons->addWidget(m_close);
    layout->addLayout(buttons);
    connect(m_transfer, &QPushButton::clicked, this, [this] { runUserAction([this] { BitBtn1Click(); }); });
    connect(m_print, &QPushButton::clicked, this, [this] { runUserAction([this] { BitBtn2Click(); }); });
    connect(m_save, &QPushButton::clicked, this, [this] { runUserAction([this] { BitBtn3Click(); }); });
    connect(m_close, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_rows, &Query::currentRowChanged, this, &TForm15::enableTransfer);

    setOuterSize(this, QSize(1120, 420), mainWindow());
    readCard();
    m_grid->setFocus();
}

TForm15::~TForm15() = default;

void TForm15::readCard()
{
    Query name(DM->ADOCon);
    name.setSql(statements::studentName(m_student));
    name.open();
    m_name = name.isEmpty() ? QString() : name.asString(0);
    name.close();
    m_nameLabel->setText(m_name);

    TDM::reopen(m_rows, statements::studentCard(m_student));
    m_notes->setText(m_rows->isEmpty()
                         ? QStringLiteral("Слушатель не зачислен ни в одну группу.")
                         : QStringLiteral("Строк в списках групп: %1, по датам зачисления.").arg(m_rows->rowCount()));
    // The last row is the latest placement: where a transfer starts from.
    if (!m_rows->isEmpty())
        m_rows->setCurrentRow(m_rows->rowCount() - 1);
    enableTransfer();
}

void TForm15::showRow(const QVariant &movement)
{
    const int row = m_rows->lookupRow(QStringLiteral("id_movement"), movement);
    if (row >= 0)
        m_rows->setCurrentRow(row);
}

void TForm15::enableTransfer()
{
    m_transfer->setEnabled(Transfer::refusalOfRow(*m_rows, m_rows->currentRow()).isEmpty());
}

ReportTable TForm15::cardReport() const
{
    ReportTable table;
    table.context = Caption;
    table.subject = m_name;
    table.asOf = QDate::currentDate();
    table.columns = reportColumnsOf(*m_grid);
    table.rows = readReportRows(*m_rows, table.columns);
    return table;
}

void TForm15::BitBtn1Click()
{
    const int row = m_rows->currentRow();
    if (const QString reason = Transfer::refusalOfRow(*m_rows, row); !reason.isEmpty()) {
        showMessage(reason);
        return;
    }
    QVariant added;
    showModal(Form16, [&] {
        auto *dialog = new TForm16(m_rows, row, m_name);
        connect(dialog, &TForm16::transferred, this, [&](const QVariant &key) { added = key; });
        return dialog;
    });
    if (added.isNull() || !added.isValid())
        return;
    readCard();
    showRow(added);
    emit studentTransferred();
}

void TForm15::BitBtn2Click()
{
    previewReport(this, Caption, cardReport());
}

void TForm15::BitBtn3Click()
{
    saveReportAs(this, Caption, cardReport());
}

bool TForm15::eventFilter(QObject *watched, QEvent *event)
{
    // The grid keeps Escape for undoing an edit, which its rows never have here.
    if (watched == m_grid && event->type() == QEvent::KeyPress
        && static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape) {
        reject();
        return true;
    }
    return SecondaryWindow::eventFilter(watched, event);
}


} // namespace qor
