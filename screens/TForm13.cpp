#include "screens/TForm13.h"

#include "controls/ClassicLook.h"
#include "controls/DataGrid.h"
#include "controls/MessageBoxes.h"
#include "controls/UserAction.h"
#include "controls/WindowPlacement.h"
#include "data/TDM.h"
#include "screens/QtRussianTexts.h"
#include "ui_TForm13.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QProgressDialog>
#include <QScopeGuard>
#include <QStandardItemModel>
#include <QStandardPaths>

namespace qor {

TForm13 *Form13 = nullptr;

namespace {

// The rows the preview shows; the counts below it cover them all.
constexpr int PreviewRows = 200;

// A wait that may take over a second shows its progress after half of one.
constexpr int ProgressAfterMs = 500;

QList<GridColumn> previewColumns()
{
    return {
        GridColumn::titled(QStringLiteral("row"), QStringLiteral("Строка"), 48),
        GridColumn::titled(QStringLiteral("name"), QStringLiteral("ФИО"), 200),
        GridColumn::titled(QStringLiteral("group"), QStringLiteral("Группа"), 140),
        GridColumn::titled(QStringLiteral("order"), QStringLiteral("Приказ"), 110),
        GridColumn::titled(QStringLiteral("number"), QStringLiteral("№ приказа"), 70),
        GridColumn::titled(QStringLiteral("date"), QStringLiteral("Дата приказа"), 84),
        GridColumn::titled(QStringLiteral("outcome"), QStringLiteral("Что будет"), 300),
    };
}

// A cell of the preview, its whole text also in its tip where the column is narrow.
QStandardItem *cell(const QString &text)
{
    auto *item = new QStandardItem(text);
    item->setEditable(false);
    item->setToolTip(text);
    return item;
}

// "Строка 9 не будет загружена", "Строки 5, 9 и ещё 3 не будут загружены".
QString notLoaded(const QList<int> &rows)
{
    QStringList texts;
    for (int row : rows.mid(0, 20))
        texts.append(QString::number(row));
    QString numbers = texts.join(QStringLiteral(", "));
    if (rows.size() > 20)
        numbers += QStringLiteral(" и ещё %1").arg(rows.size() - 20);
    return rows.size() == 1 ? QStringLiteral("Строка %1 не будет загружена").arg(numbers)
                            : QStringLiteral("Строки %1 не будут загружены").arg(numbers);
}

// Where the file dialog opens: the folder of the list chosen last in this
// run, else the documents folder, else home.
QString &listFolder()
{
    static QString folder = [] {
        const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
        return QDir(documents).exists() ? documents : QDir::homePath();
    }();
    return folder;
}

} // namespace

TForm13::TForm13(QWidget *parent)
    : SecondaryWindow(parent), ui(std::make_unique<Ui::TForm13>()), m_rows(new QStandardItemModel(this))
{
    ui->setupUi(this);
    setFont(tahoma(11));
    for (QWidget *bold : {static_cast<QWidget *>(ui->Label1), static_cast<QWidget *>(ui->Label2)})
        bold->setFont(tahoma(11, true));
    setOuterSize(this, QSize(960, 600), mainWindow());
    // The first thing to do here is to choose a file.
    ui->Button1->setFocus();

    m_rows->setHorizontalHeaderLabels({QStringLiteral("row"), QStringLiteral("name"), QStringLiteral("group"),
                                       QStringLiteral("order"), QStringLiteral("number"), QStringLiteral("date"),
                                       QStringLiteral("outcome")});
    DataGrid *grid = ui->DBGridEh1;
    grid->setGridBackground(inactiveCaptionGradientColor());
    grid->setCellFont(tahoma(11));
    grid->setTitleFont(tahoma(11, true));
    grid->setFitColumns(true);
    grid->setColumns(previewColumns());
    grid->setModel(m_rows);

    connect(ui->Button1, &QPushButton::clicked, this, [this] { runUserAction([this] { Button1Click(); }); });
    connect(ui->ComboBox1, &QComboBox::activated, this, [this] { runUserAction([this] { ComboBox1Change(); }); });
    for (int field = 0; field < ImportFieldCount; ++field) {
        connect(fieldBox(ImportField(field)), &QComboBox::currentIndexChanged, this, [this] {
            if (!m_showing)
                runUserAction([this] { MappingChange(); });
        });
    }
    connect(ui->CheckBox1, &QCheckBox::toggled, this, [this] { runUserAction([this] { CheckBox1Click(); }); });
    connect(ui->Button2, &QPushButton::clicked, this, [this] { runUserAction([this] { Button2Click(); }); });
    connect(ui->Button3, &QPushButton::clicked, this, [this] { runUserAction([this] { Button3Click(); }); });
}

TForm13::~TForm13() = default;

QComboBox *TForm13::fieldBox(ImportField field) const
{
    const QList<QComboBox *> boxes{ui->ComboBox2, ui->ComboBox3, ui->ComboBox4, ui->ComboBox5,
                                   ui->ComboBox6, ui->ComboBox7, ui->ComboBox8, ui->ComboBox9};
    return boxes[int(field)];
}

DataGrid *TForm13::preview() const
{
    return ui->DBGridEh1;
}

void TForm13::Button1Click()
{
    const QtRussianTexts russian;
    const QString path =
        QFileDialog::getOpenFileName(this, QStringLiteral("Список слушателей"), listFolder(),
                                     QStringLiteral("Списки (*.xlsx *.ods *.csv *.txt);;Все файлы (*)"));
    if (path.isEmpty())
        return;
    listFolder() = QFileInfo(path).absolutePath();
    openFile(path);
}

void TForm13::openFile(const QString &path)
{
    // A file that cannot be read leaves the one shown before as it was.
    ImportFile file(path);
    m_file.emplace(std::move(file));
    ui->Edit1->setText(QDir::toNativeSeparators(path));
    m_showing = true;
    ui->ComboBox1->clear();
    ui->ComboBox1->addItems(m_file->sheetNames());
    m_showing = false;
    m_sheet = {};
    m_plan = {};
    showMapping();
    readSheet(0);
}

void TForm13::ComboBox1Change()
{
    if (m_file)
        readSheet(ui->ComboBox1->currentIndex());
}

void TForm13::readSheet(int sheet)
{
    QProgressDialog progress(QStringLiteral("Чтение файла «%1»…").arg(m_file->fileName()), QString(), 0, 100, this);
    progress.setWindowTitle(applicationTitle());
    widenForTitle(&progress);
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(ProgressAfterMs);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const auto restore = qScopeGuard([] { QApplication::restoreOverrideCursor(); });
    try {
        m_sheet = m_file->readSheet(sheet, [&](double share) { progress.setValue(int(share * 100)); });
    } catch (const Error &) {
        m_sheet = {};
        m_plan = {};
        showMapping();
        showPlan();
        throw;
    }
    showMapping();
    showPlan();
}

void TForm13::showMapping()
{
    m_showing = true;
    const auto done = qScopeGuard([this] { m_showing = false; });
    const QStringList columns = m_sheet.columnNames();
    for (int field = 0; field < ImportFieldCount; ++field) {
        QComboBox *box = fieldBox(ImportField(field));
        box->clear();
        box->addItem(QStringLiteral("—"));
        box->addItems(columns);
        box->setCurrentIndex(m_sheet.mapping.columns[size_t(field)] + 1);
    }
}

ColumnMapping TForm13::chosenMapping() const
{
    ColumnMapping mapping;
    for (int field = 0; field < ImportFieldCount; ++field)
        mapping.columns[size_t(field)] = fieldBox(ImportField(field))->currentIndex() - 1;
    return mapping;
}

ImportOptions TForm13::options() const
{
    ImportOptions chosen;
    chosen.namesakes = ui->CheckBox1->isChecked();
    return chosen;
}

void TForm13::MappingChange()
{
    showPlan();
}

void TForm13::CheckBox1Click()
{
    showPlan();
}

void TForm13::showPlan()
{
    m_rows->removeRows(0, m_rows->rowCount());
    ui->Button2->setEnabled(false);
    if (!m_file || m_sheet.rows.empty()) {
        ui->Label3->setText(m_file ? QStringLiteral("В листе нет ни одной строки.")
                                   : QStringLiteral("Выберите файл со списком слушателей: .xlsx, .ods или .csv."));
        return;
    }
    const ColumnMapping mapping = chosenMapping();
    if (!mapping.namesTheStudent()) {
        ui->Label3->setText(m_sheet.recognised
                                ? QStringLiteral("Выберите столбец «ФИО» или столбцы «Фамилия» и «Имя».")
                                : QStringLiteral("Строка заголовков не найдена: выберите, в каком столбце "
                                                 "«ФИО» (или «Фамилия» и «Имя»), и остальные столбцы."));
        return;
    }
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const auto restore = qScopeGuard([] { QApplication::restoreOverrideCursor(); });
    m_plan = planImport(DM->ADOCon->engine(), m_sheet, mapping, options());
    for (size_t i = 0; i < m_plan.rows.size() && i < size_t(PreviewRows); ++i) {
        const RowPlan &row = m_plan.rows[i];
        m_rows->appendRow(
            {cell(QString::number(row.number)), cell(row.name), cell(row.group), cell(row.order), cell(row.orderNumber),
             cell(row.orderDate.isValid() ? row.orderDate.toString(QStringLiteral("dd.MM.yyyy")) : QString()),
             cell(row.description())});
    }
    QString summary = importSummary(m_plan, true);
    summary.replace(u'\n', QStringLiteral("; "));
    ui->Label3->setText(summary);
    ui->Button2->setEnabled(m_plan.added + m_plan.placed > 0);
}

void TForm13::Button2Click()
{
    ImportOptions chosen = options();
    if (!m_plan.newOrders.isEmpty()) {
        chosen.addUnknownOrders =
            askYesNo(QStringLiteral(
                         "В списке есть приказы, которых нет среди приказов на зачисление: «%1». Добавить их в список "
                         "приказов? Если нет, строки с ними не будут загружены.")
                         .arg(m_plan.newOrders.join(QStringLiteral("», «"))));
        if (!chosen.addUnknownOrders)
            m_plan = planImport(DM->ADOCon->engine(), m_sheet, chosenMapping(), chosen);
    }
    if (!m_plan.refusedRows.isEmpty()
        && !askYesNo(notLoaded(m_plan.refusedRows)
                     + QStringLiteral(" (причина — в столбце «Что будет»). Загрузить остальные?")))
        return;

    QProgressDialog progress(QStringLiteral("Импорт слушателей…"), QStringLiteral("Отмена"), 0, 1000, this);
    progress.setWindowTitle(applicationTitle());
    widenForTitle(&progress);
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(ProgressAfterMs);
    ImportPlan done;
    try {
        DM->ADOCon->inTransaction([&](Engine &engine) {
            done = importStudents(engine, m_sheet, chosenMapping(), chosen, [&](double share) {
                progress.setValue(int(share * 1000));
                return !progress.wasCanceled();
            });
        });
    } catch (const ImportCancelled &cancelled) {
        progress.reset();
        showMessage(cancelled.text());
        return;
    }
    progress.reset();
    emit imported(!done.newOrders.isEmpty());
    showMessage(QStringLiteral("Импорт завершён.\n") + importSummary(done));
    showPlan();
}

void TForm13::Button3Click()
{
    close();
}

} // namespace qor
