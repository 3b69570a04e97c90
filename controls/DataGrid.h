#pragma once

#include "controls/GridColumn.h"

#include <QList>
#include <QTableView>

namespace qor {

class TwoLevelHeader;

// Stand-ins for Windows system colours the screens were designed with.
QColor desktopColor();                  // classic desktop teal, #008080
QColor inactiveCaptionGradientColor();  // light grey-blue, #D7E4F2

// Data grid over any item model. The screen describes its columns (which
// model column, titles, width, colours, alignment, read-only, kind); only
// described columns are shown, in the order described, each with an editor
// for its kind. The indicator column at the left marks the current row.
// With fitting on, columns share the grid's width in proportion to their
// widths and there is no horizontal scroll bar; dragging a border scales that
// column's proportion against the next column's.
class DataGrid : public QTableView {
    Q_OBJECT
public:
    explicit DataGrid(QWidget *parent = nullptr);

    void setModel(QAbstractItemModel *model) override;

    void setColumns(const QList<GridColumn> &columns);
    const QList<GridColumn> &columns() const { return m_columns; }
    // Model column shown by the described column, -1 when the model lacks it.
    int modelColumn(int describedColumn) const;

    void setGridBackground(const QColor &color);
    QColor gridBackground() const;
    void setCellFont(const QFont &font);
    QFont cellFont() const { return font(); }
    void setTitleFont(const QFont &font);
    QFont titleFont() const;
    void setTwoLevelTitles(bool on);
    bool twoLevelTitles() const;
    void setFitColumns(bool on);
    bool fitColumns() const { return m_fit; }

    TwoLevelHeader *titleHeader() const { return m_header; }
    // Proportion widths of the shown columns, in visual order.
    QList<double> columnProportions() const;
    // Width the fitting shares: the indicator column and the cells' area.
    int fittingClientWidth() const;
    // Fits the columns now (fitting on).
    void fitToWidth();

protected:
    bool viewportEvent(QEvent *event) override;
    QModelIndex moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers) override;
    void currentChanged(const QModelIndex &current, const QModelIndex &previous) override;

private:
    void applyColumns();
    QList<int> findModelColumns() const;
    void updateRowHeight();
    void onSectionResized(int logicalIndex, int oldSize, int newSize);
    QList<int> shownColumnsInVisualOrder() const;
    bool isCellEditable(const QModelIndex &index) const;
    int describedColumnOf(int modelColumn) const;

    TwoLevelHeader *m_header;
    QList<GridColumn> m_described;     // as the screen gave them
    QList<GridColumn> m_columns;       // shown: the described ones, or one per model column
    QList<int> m_modelColumnOf;        // per column of m_columns
    QList<double> m_proportions;       // per column of m_columns
    QList<int> m_order;                // columns of m_columns in visual order, as the user left them
    QList<int> m_delegateColumns;
    QList<QAbstractItemDelegate *> m_delegates;
    QList<QMetaObject::Connection> m_modelConnections;
    bool m_fit = false;
    bool m_settingWidths = false;
};

} // namespace qor
