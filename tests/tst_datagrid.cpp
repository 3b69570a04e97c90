#include "controls/ColumnFitting.h"
#include "controls/DataGrid.h"
#include "controls/DateTimeDelegate.h"
#include "controls/LookupDelegate.h"
#include "controls/TwoLevelHeader.h"
#include "data/DateTimeText.h"

#include <QComboBox>
#include <QHeaderView>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStandardItemModel>
#include <QTableView>
#include <QtTest>

using qor::GridColumn;

using Moves = QList<std::pair<int, int>>; // visual from, visual to

namespace {

const QList<double> RosterWidths{37, 294, 128, 112, 101, 113, 110, 92};

const QStringList RosterCaptions{"№ П/П", "ФИО", "Зачисление|Приказ", "Зачисление|№", "Зачисление|Дата",
                                  "Отчисление|Приказ", "Отчисление|№", "Отчисление|Дата"};

QList<GridColumn> rosterColumns()
{
    const QStringList fields{"row", "FIO", "Prikaz_come", "come_reg", "come_date",
                             "Prikaz_leave", "leave_reg", "leave_date"};
    QList<GridColumn> columns;
    for (int i = 0; i < fields.size(); ++i) {
        GridColumn column;
        column.field = fields[i];
        std::tie(column.upperTitle, column.lowerTitle) = qor::TwoLevelHeader::splitCaption(RosterCaptions[i]);
        column.width = int(RosterWidths[i]);
        column.readOnly = fields[i] == "FIO";
        columns.append(column);
    }
    return columns;
}

// Model columns in a different order than the grid shows them, named by field.
void fillRoster(QStandardItemModel *model, int rows)
{
    const QStringList fields{"leave_date", "FIO", "row", "come_reg", "Prikaz_come",
                             "come_date", "Prikaz_leave", "leave_reg", "id_movement"};
    model->setHorizontalHeaderLabels(fields);
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < fields.size(); ++c)
            model->setItem(r, c, new QStandardItem(QStringLiteral("%1.%2").arg(r).arg(c)));
}

QStandardItemModel *rosterModel(int rows, QObject *parent)
{
    auto *model = new QStandardItemModel(parent);
    fillRoster(model, rows);
    return model;
}

int shownSectionsWidth(const qor::DataGrid &grid)
{
    int total = 0;
    for (int c = 0; c < grid.model()->columnCount(); ++c)
        if (!grid.isColumnHidden(c))
            total += grid.columnWidth(c);
    return total;
}

QString spansText(const qor::TwoLevelHeader &header)
{
    QStringList spans;
    for (int v = 0; v < header.count(); ++v) {
        const auto [first, last] = header.upperSpan(v);
        spans << (first == last ? QString::number(first) : QStringLiteral("%1-%2").arg(first).arg(last));
    }
    return spans.join(u' ');
}

} // namespace

class TestDataGrid : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia)); }

    void fitWidths_data();
    void fitWidths();
    void fitFillsClientWidth_data();
    void fitFillsClientWidth();
    void drag_data();
    void drag();
    void gridFits_data();
    void gridFits();
    void gridDrag_data();
    void gridDrag();
    void gridKeepsUserLayoutOverReset();
    void upperSpans_data();
    void upperSpans();
    void headerHeight();
    void tabSkipsReadOnly_data();
    void tabSkipsReadOnly();
    void lookupEditor_data();
    void lookupEditor();
    void dateTimeCommit_data();
    void dateTimeCommit();
    void calendarPickKeepsTime_data();
    void calendarPickKeepsTime();
    void datesTypedByLocalRules_data();
    void datesTypedByLocalRules();
};

void TestDataGrid::fitWidths_data()
{
    QTest::addColumn<QList<double>>("proportions");
    QTest::addColumn<int>("clientWidth");
    QTest::addColumn<QList<int>>("widths");

    // available = client - 11 (indicator) - 1 (its line) - one line per column
    QTest::newRow("roster at design size") << RosterWidths << 1007 << QList<int>{37, 294, 128, 112, 101, 113, 110, 92};
    QTest::newRow("roster, 1000 available") << RosterWidths << 1020 << QList<int>{37, 298, 130, 113, 102, 114, 111, 95};
    QTest::newRow("roster, narrow") << RosterWidths << 700 << QList<int>{25, 203, 88, 77, 70, 78, 76, 63};
    QTest::newRow("roster, wide") << RosterWidths << 1400 << QList<int>{52, 411, 179, 157, 141, 158, 154, 128};
    QTest::newRow("no columns") << QList<double>{} << 500 << QList<int>{};
    QTest::newRow("one column takes all") << QList<double>{80} << 100 << QList<int>{87};
    QTest::newRow("zero sum shares alike") << QList<double>{0, 0, 0} << 75 << QList<int>{20, 20, 20};
    QTest::newRow("zero proportion gets nothing") << QList<double>{50, 0, 50} << 115 << QList<int>{50, 0, 50};
    QTest::newRow("narrower than the lines") << QList<double>{10, 20} << 8 << QList<int>{0, 0};
    // 5/3 rounds up to 2 twice: the last column would be -1.
    QTest::newRow("rounding overshoot") << QList<double>{1, 1, 1, 0} << 21 << QList<int>{2, 2, 1, 0};
}

void TestDataGrid::fitWidths()
{
    QFETCH(QList<double>, proportions);
    QFETCH(int, clientWidth);
    QFETCH(QList<int>, widths);
    QCOMPARE(qor::fitColumnWidths(proportions, clientWidth), widths);
}

void TestDataGrid::fitFillsClientWidth_data()
{
    QTest::addColumn<int>("clientWidth");
    for (int width : {1007, 1028, 640, 333, 1919, 2560})
        QTest::addRow("%d", width) << width;
}

void TestDataGrid::fitFillsClientWidth()
{
    QFETCH(int, clientWidth);
    const QList<int> widths = qor::fitColumnWidths(RosterWidths, clientWidth);
    int total = qor::IndicatorWidth + 1;
    for (int width : widths) {
        QVERIFY(width >= 0);
        total += width + 1;
    }
    QCOMPARE(total, clientWidth);
}

void TestDataGrid::drag_data()
{
    QTest::addColumn<QList<double>>("before");
    QTest::addColumn<int>("column");
    QTest::addColumn<int>("oldWidth");
    QTest::addColumn<int>("newWidth");
    QTest::addColumn<QList<double>>("after");

    QTest::newRow("widen first") << QList<double>{100, 200, 300} << 0 << 50 << 75 << QList<double>{150, 150, 300};
    QTest::newRow("narrow middle") << QList<double>{100, 200, 300} << 1 << 100 << 50 << QList<double>{100, 100, 400};
    QTest::newRow("next stops at 0") << QList<double>{100, 50, 10} << 0 << 10 << 30 << QList<double>{300, 0, 10};
    QTest::newRow("last has no next") << QList<double>{100, 200} << 1 << 100 << 150 << QList<double>{100, 300};
    QTest::newRow("old width 0 cannot scale") << QList<double>{100, 200} << 0 << 0 << 40 << QList<double>{100, 200};
    QTest::newRow("negative width is 0") << QList<double>{100, 200} << 0 << 20 << -5 << QList<double>{0, 300};
    QTest::newRow("no such column") << QList<double>{100, 200} << 2 << 20 << 40 << QList<double>{100, 200};
}

void TestDataGrid::drag()
{
    QFETCH(QList<double>, before);
    QFETCH(int, column);
    QFETCH(int, oldWidth);
    QFETCH(int, newWidth);
    QFETCH(QList<double>, after);
    qor::applyColumnDrag(before, column, oldWidth, newWidth);
    QCOMPARE(before, after);
}

void TestDataGrid::gridFits_data()
{
    QTest::addColumn<int>("gridWidth");
    QTest::addColumn<int>("rows");
    QTest::newRow("roster window") << 1044 << 5;
    QTest::newRow("narrow, scrolled rows") << 640 << 200;
    QTest::newRow("wide") << 1700 << 3;
}

void TestDataGrid::gridFits()
{
    QFETCH(int, gridWidth);
    QFETCH(int, rows);
    qor::DataGrid grid;
    grid.setModel(rosterModel(rows, &grid));
    grid.setColumns(rosterColumns());
    grid.setTwoLevelTitles(true);
    grid.setFitColumns(true);
    grid.resize(gridWidth, 400);
    grid.show();
    QVERIFY(QTest::qWaitForWindowExposed(&grid));

    QCOMPARE(grid.fittingClientWidth(), grid.viewport()->width() + qor::IndicatorWidth + 1);
    QCOMPARE(shownSectionsWidth(grid), grid.viewport()->width());
    QVERIFY(!grid.horizontalScrollBar()->isVisible());
    QCOMPARE(grid.horizontalScrollBar()->maximum(), 0);
    QCOMPARE(grid.columnProportions(), RosterWidths);
    QCOMPARE(grid.isColumnHidden(8), true); // id_movement is not described
    // Shown in the described order, whatever the model's order.
    QCOMPARE(grid.horizontalHeader()->logicalIndex(0), 2);
    QCOMPARE(grid.horizontalHeader()->logicalIndex(7), 0);
}

void TestDataGrid::gridDrag_data()
{
    // Model columns: 0 leave_date, 1 FIO, 2 row, 3 come_reg, 4 Prikaz_come,
    // 5 come_date, 6 Prikaz_leave, 7 leave_reg; shown in the roster's order.
    QTest::addColumn<int>("column");
    QTest::addColumn<int>("delta");
    QTest::addColumn<int>("next");      // the next column shown, -1 for none
    QTest::addColumn<bool>("nextGone"); // the next column ends at width 0

    QTest::newRow("FIO wider") << 1 << 60 << 4 << false;
    QTest::newRow("come_reg narrower") << 3 << -50 << 5 << false;
    QTest::newRow("past the next column's width") << 1 << 500 << 4 << true;
    QTest::newRow("last column, no next") << 0 << 50 << -1 << false;
    QTest::newRow("narrowed to nothing") << 3 << -200 << 5 << false;
}

void TestDataGrid::gridDrag()
{
    QFETCH(int, column);
    QFETCH(int, delta);
    QFETCH(int, next);
    QFETCH(bool, nextGone);

    qor::DataGrid grid;
    grid.setModel(rosterModel(3, &grid));
    grid.setColumns(rosterColumns());
    grid.setFitColumns(true);
    grid.resize(1044, 300);
    grid.show();
    QVERIFY(QTest::qWaitForWindowExposed(&grid));

    // The drag scales the column's proportion by its new width over its old
    // one, the next column's takes the opposite change (not below 0), and the
    // columns are fitted again.
    QList<double> expected = grid.columnProportions();
    const int position = grid.horizontalHeader()->visualIndex(column);
    const int before = grid.columnWidth(column);
    const int after = std::max(1, before + delta); // a section keeps its line
    qor::applyColumnDrag(expected, position, before - 1, after - 1);
    grid.horizontalHeader()->resizeSection(column, after); // as a user's drag does, down to its least width

    QCOMPARE(grid.columnProportions(), expected);
    QCOMPARE(shownSectionsWidth(grid), grid.viewport()->width());
    QCOMPARE(grid.horizontalScrollBar()->maximum(), 0);
    if (next >= 0)
        QCOMPARE(grid.columnWidth(next) == 1, nextGone);
    if (delta < 0 && before + delta <= 1)
        QCOMPARE(grid.columnWidth(column), 1); // width 0 and its line

    // Resizing the grid keeps the dragged proportions.
    const QList<double> proportions = grid.columnProportions();
    grid.resize(800, 300);
    QTRY_COMPARE(shownSectionsWidth(grid), grid.viewport()->width());
    QCOMPARE(grid.columnProportions(), proportions);
}

void TestDataGrid::gridKeepsUserLayoutOverReset()
{
    qor::DataGrid grid;
    auto *model = rosterModel(3, &grid);
    grid.setModel(model);
    grid.setColumns(rosterColumns());
    grid.setFitColumns(true);
    grid.resize(1044, 300);
    grid.show();
    QVERIFY(QTest::qWaitForWindowExposed(&grid));

    grid.horizontalHeader()->moveSection(1, 4); // FIO after come_date
    grid.horizontalHeader()->resizeSection(0, grid.columnWidth(0) + 40);
    const QList<double> proportions = grid.columnProportions();

    // Re-running a query resets its model; the user's layout stays.
    QSignalSpy reset(model, &QAbstractItemModel::modelReset);
    model->clear();
    fillRoster(model, 4);
    QCOMPARE(reset.count(), 1);

    QCOMPARE(grid.horizontalHeader()->logicalIndex(4), 1);
    QCOMPARE(grid.columnProportions(), proportions);
    QCOMPARE(shownSectionsWidth(grid), grid.viewport()->width());
}

void TestDataGrid::upperSpans_data()
{
    QTest::addColumn<bool>("twoLevels");
    QTest::addColumn<Moves>("moves");
    QTest::addColumn<int>("hidden");
    QTest::addColumn<QString>("spans");

    QTest::newRow("roster") << true << Moves{} << -1 << "0 1 2-4 2-4 2-4 5-7 5-7 5-7";
    QTest::newRow("one level") << false << Moves{} << -1 << "0 1 2 3 4 5 6 7";
    QTest::newRow("№ moved to the end") << true << Moves{{3, 7}} << -1 << "0 1 2-3 2-3 4-6 4-6 4-6 7";
    QTest::newRow("FIO moved into Зачисление") << true << Moves{{1, 3}} << -1 << "0 1-2 1-2 3 4 5-7 5-7 5-7";
    QTest::newRow("moved out and back") << true << Moves{{3, 7}, {7, 3}} << -1 << "0 1 2-4 2-4 2-4 5-7 5-7 5-7";
    QTest::newRow("groups swapped") << true << Moves{{2, 7}, {2, 7}, {2, 7}} << -1 << "0 1 2-4 2-4 2-4 5-7 5-7 5-7";
    QTest::newRow("hidden column passed over") << true << Moves{{1, 3}} << 1 << "0 1-4 1-4 3 1-4 5-7 5-7 5-7";
}

void TestDataGrid::upperSpans()
{
    QFETCH(bool, twoLevels);
    QFETCH(Moves, moves);
    QFETCH(int, hidden);
    QFETCH(QString, spans);

    QStandardItemModel model(2, int(RosterCaptions.size()));
    model.setHorizontalHeaderLabels(RosterCaptions);
    QTableView view;
    auto *header = new qor::TwoLevelHeader(&view);
    view.setHorizontalHeader(header);
    view.setModel(&model);
    header->setTwoLevels(twoLevels);
    for (const auto &[from, to] : moves)
        header->moveSection(from, to);
    if (hidden >= 0)
        header->hideSection(hidden);
    QCOMPARE(spansText(*header), spans);
}

void TestDataGrid::headerHeight()
{
    qor::TwoLevelHeader header;
    const int one = header.sizeHint().height();
    header.setTwoLevels(true);
    QCOMPARE(header.sizeHint().height(), 2 * one);
}

void TestDataGrid::tabSkipsReadOnly_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("visual");
    QTest::addColumn<bool>("back");
    QTest::addColumn<int>("toRow");
    QTest::addColumn<int>("toVisual");

    QTest::newRow("over FIO") << 0 << 0 << false << 0 << 2;
    QTest::newRow("back over FIO") << 0 << 2 << true << 0 << 0;
    QTest::newRow("on to the next row") << 0 << 7 << false << 1 << 0;
    QTest::newRow("back to the previous row") << 1 << 0 << true << 0 << 7;
}

void TestDataGrid::tabSkipsReadOnly()
{
    QFETCH(int, row);
    QFETCH(int, visual);
    QFETCH(bool, back);
    QFETCH(int, toRow);
    QFETCH(int, toVisual);

    qor::DataGrid grid;
    grid.setModel(rosterModel(3, &grid));
    grid.setColumns(rosterColumns());
    grid.resize(1044, 300);
    grid.show();
    QVERIFY(QTest::qWaitForWindowActive(&grid));
    auto *header = grid.horizontalHeader();
    grid.setCurrentIndex(grid.model()->index(row, header->logicalIndex(visual)));
    QTest::keyClick(&grid, back ? Qt::Key_Backtab : Qt::Key_Tab, back ? Qt::ShiftModifier : Qt::NoModifier);
    QCOMPARE(grid.currentIndex().row(), toRow);
    QCOMPARE(header->visualIndex(grid.currentIndex().column()), toVisual);
}

void TestDataGrid::lookupEditor_data()
{
    QTest::addColumn<QVariant>("key");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<int>("choose");
    QTest::addColumn<QVariant>("stored");
    QTest::addColumn<int>("writes");

    QTest::newRow("choose another") << QVariant(qlonglong(20)) << "№ 2 от 02.09.2014" << 2 << QVariant(30) << 1;
    QTest::newRow("same choice writes nothing") << QVariant(qlonglong(20)) << "№ 2 от 02.09.2014" << 1
                                                << QVariant(qlonglong(20)) << 0;
    QTest::newRow("null key shows nothing") << QVariant() << "" << 0 << QVariant(10) << 1;
    QTest::newRow("unknown key shows nothing") << QVariant(qlonglong(99)) << "" << -1 << QVariant(qlonglong(99)) << 0;
}

void TestDataGrid::lookupEditor()
{
    QFETCH(QVariant, key);
    QFETCH(QString, shown);
    QFETCH(int, choose);
    QFETCH(QVariant, stored);
    QFETCH(int, writes);

    GridColumn column;
    column.kind = GridColumn::Kind::Lookup;
    column.lookup.items = [] {
        return QList<std::pair<QVariant, QString>>{
            {10, "№ 1 от 01.09.2014"}, {20, "№ 2 от 02.09.2014"}, {30, "№ 3 от 03.09.2014"}};
    };
    qor::LookupDelegate delegate(column);
    QStandardItemModel model(1, 1);
    model.setData(model.index(0, 0), key, Qt::EditRole);
    const QModelIndex index = model.index(0, 0);

    QWidget parent;
    std::unique_ptr<QWidget> editor(delegate.createEditor(&parent, {}, index));
    auto *combo = qobject_cast<QComboBox *>(editor.get());
    QVERIFY(combo);
    QCOMPARE(combo->count(), 3);
    delegate.setEditorData(combo, index);
    QCOMPARE(combo->currentText(), shown);

    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    combo->setCurrentIndex(choose);
    delegate.setModelData(combo, &model, index);
    QCOMPARE(changed.count(), writes);
    QVERIFY(qor::LookupDelegate::sameKey(model.data(index, Qt::EditRole), stored));
}

void TestDataGrid::dateTimeCommit_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QVariant>("stored");

    const QDateTime was(QDate(2014, 9, 9), QTime(15, 48, 16));
    QTest::newRow("untouched") << QString() << QVariant(was);
    QTest::newRow("cleared is NULL") << "" << QVariant();
    QTest::newRow("spaces are NULL") << "   " << QVariant();
    QTest::newRow("date only") << "01.09.2014" << QVariant(QDateTime(QDate(2014, 9, 1), QTime(0, 0)));
    QTest::newRow("date and time") << "02.10.2014 08:05:00" << QVariant(QDateTime(QDate(2014, 10, 2), QTime(8, 5)));
    QTest::newRow("no date: text for the model") << "31.02.2014" << QVariant(QStringLiteral("31.02.2014"));
}

void TestDataGrid::dateTimeCommit()
{
    QFETCH(QString, typed);
    QFETCH(QVariant, stored);

    GridColumn column;
    column.kind = GridColumn::Kind::DateTime;
    qor::DateTimeDelegate delegate(column);
    QStandardItemModel model(1, 1);
    const QModelIndex index = model.index(0, 0);
    model.setData(index, QDateTime(QDate(2014, 9, 9), QTime(15, 48, 16)), Qt::EditRole);

    QWidget parent;
    std::unique_ptr<QWidget> editor(delegate.createEditor(&parent, {}, index));
    auto *edit = qobject_cast<qor::DateTimeEdit *>(editor.get());
    QVERIFY(edit);
    delegate.setEditorData(edit, index);
    QCOMPARE(edit->text(), QStringLiteral("09.09.2014 15:48:16"));
    if (!typed.isNull()) {
        edit->selectAll();
        edit->del();
        for (QChar ch : typed)
            QTest::sendKeyEvent(QTest::Click, edit, Qt::Key_unknown, QString(ch), Qt::NoModifier);
    }
    delegate.setModelData(edit, &model, index);
    QCOMPARE(model.data(index, Qt::EditRole), stored);
}

void TestDataGrid::calendarPickKeepsTime_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("picked");
    QTest::newRow("keeps the time") << "09.09.2014 15:48:16" << "01.10.2014 15:48:16";
    QTest::newRow("midnight shows no time") << "09.09.2014" << "01.10.2014";
    QTest::newRow("empty") << "" << "01.10.2014";
    QTest::newRow("unreadable") << "abc" << "01.10.2014";
}

void TestDataGrid::calendarPickKeepsTime()
{
    QFETCH(QString, text);
    QFETCH(QString, picked);
    qor::DateTimeEdit edit;
    edit.setText(text);
    edit.pickDate(QDate(2014, 10, 1));
    QCOMPARE(edit.text(), picked);
    QVERIFY(edit.isModified());
}

void TestDataGrid::datesTypedByLocalRules_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QDateTime>("read"); // invalid: refused

    const auto at = [](int y, int m, int d, int h = 0, int min = 0, int s = 0) {
        return QDateTime(QDate(y, m, d), QTime(h, min, s));
    };
    QTest::newRow("as shown") << "01.11.2026" << at(2026, 11, 1);
    QTest::newRow("one-digit day and month") << "1.11.2026" << at(2026, 11, 1);
    QTest::newRow("two-digit year") << "01.11.26" << at(2026, 11, 1);
    QTest::newRow("short all over") << "1.2.27" << at(2027, 2, 1);
    QTest::newRow("two digits, fifty years back") << "5.3.77" << at(1977, 3, 5);
    QTest::newRow("two digits, within fifty years ahead") << "5.3.75" << at(2075, 3, 5);
    QTest::newRow("no year: this year") << "15.3" << at(2026, 3, 15);
    QTest::newRow("spaces around") << "  2.10.2014  " << at(2014, 10, 2);
    QTest::newRow("with time") << "2.10.2014 8:05" << at(2014, 10, 2, 8, 5);
    QTest::newRow("with seconds") << "09.09.2014 15:48:16" << at(2014, 9, 9, 15, 48, 16);
    QTest::newRow("no such day") << "31.02.2014" << QDateTime();
    QTest::newRow("three-digit year") << "1.1.201" << QDateTime();
    QTest::newRow("another separator") << "01/11/2026" << QDateTime();
    QTest::newRow("letters") << "abc" << QDateTime();
    QTest::newRow("bad time") << "01.11.2026 25:00" << QDateTime();
    QTest::newRow("trailing words") << "01.11.2026 8:00 утра" << QDateTime();
}

void TestDataGrid::datesTypedByLocalRules()
{
    QFETCH(QString, typed);
    QFETCH(QDateTime, read);
    QCOMPARE(qor::parseLocalDateTime(typed, QDate(2026, 12, 10)), read);
}

QTEST_MAIN(TestDataGrid)
#include "tst_datagrid.moc"
