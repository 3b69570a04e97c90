#include "screens/ReportWindow.h"

#include "controls/ClassicLook.h"
#include "controls/TwoLevelHeader.h"
#include "controls/UserAction.h"
#include "controls/WindowPlacement.h"
#include "screens/ReportPreview.h"
#include "screens/ReportSaving.h"

#include <QAbstractTableModel>
#include <QApplication>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QSet>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

namespace qor {

namespace {
// Long enough for the next digit of a date, short enough to feel immediate.
constexpr int TypingPauseMs = 300;
constexpr int MaxFacultyWidth = 330;

// The widest text of a column as the table shows it, bold as on a line of sums.
int widestText(const ReportTable &table, int column, const QFont &font)
{
    const QFontMetrics metrics(font);
    QSet<QString> seen;
    int widest = 0;
    for (const QList<QVariant> &row : table.rows) {
        const QString text = row.value(column).toString();
        if (!seen.contains(text)) {
            seen.insert(text);
            widest = std::max(widest, metrics.horizontalAdvance(text));
        }
    }
    return widest + 12; // the cell's margins
}
} // namespace

// The report's rows as the table shows them; lines of sums in bold.
class ReportModel : public QAbstractTableModel
{
public:
    using QAbstractTableModel::QAbstractTableModel;

    void setReport(const GroupReport *report)
    {
        beginResetModel();
        m_report = report;
        endResetModel();
    }

    int rowCount(const QModelIndex &parent = {}) const override
    {
        return parent.isValid() || !m_report ? 0 : int(m_report->table.rows.size());
    }
    int columnCount(const QModelIndex &parent = {}) const override
    {
        return parent.isValid() || !m_report ? 0 : int(m_report->table.columns.size());
    }

    QVariant data(const QModelIndex &index, int role) const override
    {
        if (!index.isValid() || !m_report)
            return {};
        switch (role) {
        case Qt::DisplayRole:
            return reportText(m_report->table.rows[index.row()].value(index.column()));
        case Qt::TextAlignmentRole:
            return int(m_report->table.columns[index.column()].alignment | Qt::AlignVCenter);
        case Qt::FontRole:
            return isSum(index.row()) ? QVariant(tahoma(12, true)) : QVariant();
        case Qt::BackgroundRole:
            return isSum(index.row()) ? QVariant(activeCaptionGradientColor()) : QVariant();
        default:
            return {};
        }
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (role != Qt::DisplayRole || orientation != Qt::Horizontal || !m_report)
            return {};
        const ReportColumn &column = m_report->table.columns.value(section);
        return column.lowerTitle.isEmpty() ? column.upperTitle : column.upperTitle + u'|' + column.lowerTitle;
    }

private:
    bool isSum(int row) const { return m_report->lines.value(row).group.isNull(); }

    const GroupReport *m_report = nullptr;
};

ReportWindow::ReportWindow(const QString &caption, QWidget *parent) : SecondaryWindow(parent), m_caption(caption)
{
    setFont(tahoma(11));
    setWindowTitle(caption);
    closeOnEscape();

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 10, 8, 8);
    auto *strip = new DecorativeStrip(this);
    Q_UNUSED(strip);
    m_choices = new QHBoxLayout;
    layout->addLayout(m_choices);

    m_view = new QTableView(this);
    m_view->setObjectName(QStringLiteral("DBGridEh1"));
    auto *header = new TwoLevelHeader(m_view);
    header->setTwoLevels(true);
    header->setFont(tahoma(11, true));
    m_view->setHorizontalHeader(header);
    m_view->setFont(tahoma(12));
    m_view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_view->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_view->setSelectionMode(QAbstractItemView::SingleSelection);
    m_view->setTabKeyNavigation(false); // Tab goes on to the buttons and the choices
    m_view->installEventFilter(this);
    m_view->verticalHeader()->setDefaultSectionSize(lineHeight(tahoma(12)) + 4);
    m_view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_view->verticalHeader()->hide();
    QPalette palette = m_view->palette();
    palette.setColor(QPalette::Base, inactiveCaptionGradientColor());
    m_view->setPalette(palette);
    m_model = new ReportModel(this);
    m_view->setModel(m_model);
    layout->addWidget(m_view, 1);
    connect(m_view, &QTableView::doubleClicked, this, [this](const QModelIndex &index) { chooseLine(index.row()); });

    m_notes = new QLabel(this);
    m_notes->setObjectName(QStringLiteral("Label3"));
    m_notes->setWordWrap(true);
    layout->addWidget(m_notes);

    auto *buttons = new QHBoxLayout;
    m_print = commandButton(QStringLiteral("Печать…"), QStringLiteral("BitBtn1"), this);
    m_save = commandButton(QStringLiteral("Сохранить…"), QStringLiteral("BitBtn2"), this);
    m_close = commandButton(QStringLiteral("Закрыть"), QStringLiteral("BitBtn3"), this);
    buttons->addStretch(1);
    buttons->addWidget(m_print);
    buttons->addWidget(m_save);
    buttons->addWidget(m_close);
    layout->addLayout(buttons);
    connect(m_print, &QPushButton::clicked, this, [this] { runUserAction([this] { BitBtn1Click(); }); });
    connect(m_save, &QPushButton::clicked, this, [this] { runUserAction([this] { BitBtn2Click(); }); });
    connect(m_close, &QPushButton::clicked, this, &QDialog::reject);

    m_typingPause = new QTimer(this);
    m_typingPause->setSingleShot(true);
    m_typingPause->setInterval(TypingPauseMs);
    connect(m_typingPause, &QTimer::timeout, this, &ReportWindow::refresh);

    setOuterSize(this, QSize(1240, 600), mainWindow());
}

ReportWindow::~ReportWindow() = default;

void ReportWindow::refresh()
{
    m_typingPause->stop();
    // Emptied first: a failed reading shows no figures of an earlier one.
    showReport({});
    GroupReport read;
    bool done = false;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    runUserAction([&] {
        read = readReport();
        done = true;
    });
    QApplication::restoreOverrideCursor();
    if (done)
        showReport(std::move(read));
}

void ReportWindow::refreshSoon()
{
    m_typingPause->start();
}

bool ReportWindow::readHeldBack()
{
    if (!m_typingPause->isActive())
        return false;
    refresh();
    return true;
}

void ReportWindow::showReport(GroupReport report)
{
    m_report = std::move(report);
    m_model->setReport(&m_report);
    const ReportTable &table = m_report.table;
    auto *header = static_cast<TwoLevelHeader *>(m_view->horizontalHeader());
    header->clearTitles();
    for (int c = 0; c < table.columns.size(); ++c) {
        header->setTitle(c, table.columns[c].upperTitle, table.columns[c].lowerTitle);
        m_view->setColumnWidth(c, table.columns[c].width);
    }
    header->setStretchLastSection(false);
    if (!table.columns.isEmpty()) {
        // The faculty's name whole, up to a limit; the group's name takes the room left.
        m_view->setColumnWidth(0, std::clamp(widestText(table, 0, tahoma(12, true)), table.columns[0].width, MaxFacultyWidth));
        header->setSectionResizeMode(1, QHeaderView::Stretch);
    }
    m_notes->setText(table.notes.join(u'\n'));
    const bool shown = !table.columns.isEmpty();
    m_print->setEnabled(shown);
    m_save->setEnabled(shown);
}

void ReportWindow::orderTabs(const QList<QWidget *> &choices)
{
    QList<QWidget *> chain = choices;
    chain << m_view << m_print << m_save << m_close;
    for (int i = 1; i < chain.size(); ++i)
        setTabOrder(chain[i - 1], chain[i]);
    m_view->setFocus(); // the table first: Enter on a line, arrows through it
}

void ReportWindow::showNoReport(const QString &reason)
{
    m_typingPause->stop();
    showReport({});
    m_notes->setText(reason);
}

void ReportWindow::chooseLine(int row)
{
    // A line of a report about to be read again may stand for another group.
    if (readHeldBack())
        return;
    const GroupReport::Line line = m_report.lines.value(row);
    if (line.group.isNull())
        return;
    accept();
    emit groupChosen(line.faculty, line.group);
}

bool ReportWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_view && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if ((key == Qt::Key_Return || key == Qt::Key_Enter) && m_view->currentIndex().isValid()) {
            chooseLine(m_view->currentIndex().row());
            return true;
        }
    }
    return SecondaryWindow::eventFilter(watched, event);
}


void ReportWindow::BitBtn1Click()
{
    readHeldBack();
    if (!m_report.table.columns.isEmpty())
        previewReport(this, m_caption, m_report.table);
}

void ReportWindow::BitBtn2Click()
{
    readHeldBack();
    if (!m_report.table.columns.isEmpty())
        saveReportAs(this, m_caption, m_report.table);
}

} // namespace qor
